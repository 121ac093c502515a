#include "dbtestdatabase.h"
#include "platform/db/sqldialect.h"

namespace Ostraven::Testing {
namespace {
using DialectTest = DbTestDatabase;

TEST_F(DialectTest, ExpressionsHaveSqlServerMeaning)
{
    const std::pair<const char *, Variant> cases[] = {
        {"'KORA' + '*' + 'GATE'", "KORA*GATE"}, {"1 + 2", qint32(3)}, {"1 + 2 * 3", qint32(7)},
        {"(1 + 2) * 3", qint32(9)}, {"10 - 2 + 1", qint32(9)}, {"10 + 2 - 1", qint32(11)}, {"-1 + 5", qint32(4)},
        {"'7' + 1", qint32(8)}, {"1.5 + 1", 2.5}, {"'x' + NULL", Variant::null()},
        {"N'it''s' + N' caf\u00e9'", "it's caf\u00e9"}, {"'N' + 'x'", "Nx"}, {"Substring('abcdef', 2, 3)", "bcd"},
        {"Substring('abcdef', 0, 3)", "ab"}, {"Substring('abcdef', -1, 3)", "a"}, {"Substring('abc', 5, 2)", ""},
        {"Substring('abc', 2, 100)", "bc"}, {"Substring(NULL, 1, 2)", Variant::null()},
        {"CharIndex('.', 'a.b.c')", qint32(2)}, {"CharIndex('.', 'a.b.c', 3)", qint32(4)},
        {"CharIndex('.', 'a.b.c', 0)", qint32(2)}, {"CharIndex('x', 'abc')", qint32(0)}, {"CharIndex('B', 'abc')", qint32(2)},
        {"'\\\\' + Substring('\\\\SRV.1.2.3', CharIndex('.','\\\\SRV.1.2.3',1) + 1,30)", "\\\\1.2.3"},
        {"'a' -- first\n + 'b' /* second */ + 'c'", "abc"},
        {"CASE WHEN 1 = 1 THEN 'a' + 'b' ELSE 'c' END + '!'", "ab!"}, {"IsNull(NULL, 'z') + IsNull('y', 'n')", "zy"},
        {"Len('ab  ')", qint32(2)},
    };
    for (const auto &[expression, expected] : cases)
        EXPECT_EQ(scalar(QStringLiteral("Select ") + expression), expected) << expression;
    EXPECT_THAT(describedError([this] { (void)scalar("Select 'abc' + 1"); }), HasSubstr("Conversion failed")); // text that is no number
}

TEST_F(DialectTest, LikeFollowsTheDefaultCollation)
{
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"KORA*GATE Alarm", "%alarm%", true}, {"\u00c9CLAIR", "\u00e9clair", true}, {"abc", "a_c", true},
        {"ac", "a_c", false}, {"b1", "[abc]1", true}, {"B1", "[a-c]1", true}, {"d1", "[a-c]1", false},
        {"d1", "[^a-c]1", true}, {"50%", "50[%]", true}, {"500", "50[%]", false}, {"\\\\ZEKO1.2", "\\\\ZEKO%", true},
        {"\\\\SRV.1", "\\\\ZEKO%", false}, {"\\\\1.2.3", "\\\\1.2%", true}, {"\\\\1.23", "\\\\1.2%", true},
        {"\\\\11.2", "\\\\1.2%", false}, {"a[b", "a[b", true}, {"Undefined 12", "Undefined%", true}, {"", "%", true},
        {"x", "", false},
    };
    for (const auto &[text, pattern, matches] : cases)
        EXPECT_EQ(scalar(QStringLiteral("Select CASE WHEN N'%1' LIKE N'%2' THEN 1 ELSE 0 END").arg(QString(text), QString(pattern))),
                  Variant(qint32(matches ? 1 : 0))) << text << " LIKE " << pattern;
    EXPECT_EQ(scalar("Select ('a_b' LIKE 'a!_b' ESCAPE '!') * 10 + ('axb' LIKE 'a!_b' ESCAPE '!')"), Variant(qint32(10)));
}

TEST_F(DialectTest, TopBecomesALimitAtTheEndOfItsOwnSelectAndComparisonsFollowTheCollations)
{
    const std::pair<const char *, std::vector<Variant>> cases[] = {
        {"Select Top 2 ID From Events Order By ID desc", ids({80005, 5002})},
        {"select distinct top 1 ID from Events order by ID", ids({2100})},
        {"SELECT TOP (3) ID FROM Events ORDER BY ID;  -- newest", ids({2100, 5001, 5002})},
        {"Select ID From Events Where ID In (Select Top 1 ID From Events Order By ID desc)", ids({80005})},
        {"Select ID From Events Where 'Top' <> Type Order By ID", ids({2100, 5001, 5002, 80005})},
        // Text comparisons follow the column collations: the schema declares ov_nocase and ov_datetime where
        // the host compares as SQL Server does.
        {"Select [Value] From MiscProperties Where [Name] = 'ev_showms  '", {Variant("True")}},
        {"Select ID From Events Where dtDate = '3/1/2024 11:00:00 AM'", ids({2100})},
        {"Select ID From Events Where dtDate = '2024-03-01 11:00:00.000'", ids({2100})},
        {"Select ID From Events Where dtDate > '2/29/2024' Order By dtDate desc", ids({5002, 2100, 5001})},
    };
    for (const auto &[sql, expected] : cases) EXPECT_EQ(column(sql), expected) << sql;
}

TEST(SqlDialect, RewritesOnlyWhatSqliteReadsDifferently)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Select DISTINCT Top 100 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc",
         "Select DISTINCT  * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc LIMIT 100"},
        {"Where Type like N'%Alarm%'", "Where Type like '%Alarm%'"}, {"Select ColumnN'x'", "Select ColumnN'x'"},
        {"Select f(a) + [b c] + 'x' As y", "Select ov_add(ov_add(f(a), [b c]), 'x') As y"},
        {"Update Profile_Details Set [Value] = 5 Where ProfileID =7", "Update Profile_Details Set [Value] = 5 Where ProfileID =7"},
    };
    for (const auto &[sqlServer, sqlite] : cases) EXPECT_EQ(SqlDialect::toSqlite(sqlServer), QString(sqlite)) << sqlServer;
}

using HostStatementTest = DbTestDatabase;

TEST_F(HostStatementTest, AStackedStatementIsRefusedBeforeAnythingRunsAndFailuresCarryTheDatabaseMessage)
{
    for (const char *sql : {"Insert Into Profile_Details Values (1, 4, 'A', 'x'); Delete From Events", "Select 1;Select 2",
                            "EXEC ov_Echo 1; Delete From Events",
                            "Insert Into Profile_Details Values (1, 4, 'A', 'x') -- c\n; /* c */ Delete From Events"}) {
        const VbError error = errorOf([&] { db->execute(sql); });
        EXPECT_EQ(std::pair(error.number(), error.description().contains("more than one statement")), std::pair(-2147217900, true)) << sql;
    }
    EXPECT_EQ(std::pair(count("Events"), count("Profile_Details")), std::pair(qint64(4), qint64(0)));
    EXPECT_EQ(scalar("Select ';' + 'x' ; -- only one"), Variant(";x"));
    // Database failures carry the database's message.
    const VbError syntax = errorOf([this] { db->execute("Select * From Events Where ID = = 1"); });
    EXPECT_EQ(std::pair(syntax.number(), syntax.source()), std::pair(-2147217900, QStringLiteral("SQLite")));
    EXPECT_THAT(syntax.description().toStdString(), HasSubstr("syntax error"));
    EXPECT_EQ(describedError([this] { (void)db->openRecordset("Select * From Nowhere"); }), "no such table: Nowhere");
    EXPECT_THAT(describedError([this] { (void)db->openRecordset("Select 'abc"); }), ::testing::StartsWith("Unclosed quotation mark"));
}
} // namespace
} // namespace Ostraven::Testing
