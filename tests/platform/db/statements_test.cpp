#include "dbtestdatabase.h"

namespace Ostraven::Testing {
namespace {
using HostStatementTest = DbTestDatabase;

// The archive statement as the loader builds it: "Select DISTINCT " [Top n] " * from [VIEW...] " condition
// " order by [dbDate] desc", with group clauses in include and exclude mode and the type filter's condition.
TEST_F(HostStatementTest, ArchiveStatementsSelectTheRightEventsNewestFirstWithTheHostsTypes)
{
    const QString point = "(Address NOT LIKE '\\\\ZEKO%' AND ('\\\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) "
                          "LIKE '\\\\1.2%'))";
    const std::tuple<QString, bool, std::vector<Variant>> cases[] = { // condition, Top 3, event numbers
        {QString(), true, ids({5002, 80005, 2100})},
        {" Where (" + point + ')', false, ids({5002, 5001})},
        {" Where NOT (" + point + ')', false, ids({80005, 2100})},
        {" Where  (Address LIKE '\\\\ZEKO1.2%' OR   Address LIKE '\\\\SRV.1.3%' )", false, ids({80005, 2100})},
        {" Where  ([ID] =5001 )", false, ids({5001})},
        {"Where Type like N'%Alarm%'", false, ids({5002, 5001})},
        {"Where Type like N'%Alarm%' AND NOT (" + point + ')', false, ids({})},
    };
    for (const auto &[condition, top, expected] : cases) {
        const QString sql = "Select DISTINCT " + QString(top ? "Top 3" : "") + " * from [VIEW_EventLog_AllEvents] "
                            + condition + " order by [dbDate] desc";
        const std::unique_ptr<Recordset> rs = db->openRecordset(sql, CursorType::Static);
        std::vector<Variant> found;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) found.push_back(rs->field(3));
        EXPECT_EQ(found, expected) << sql.toStdString();
    }
    const std::unique_ptr<Recordset> rs =
        db->openRecordset("Select DISTINCT Top 4 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc", CursorType::Static);
    ASSERT_EQ(rs->recordCount(), 4);
    EXPECT_EQ(rs->field(0), Variant(Date::fromParts(2024, 3, 1, 13)));
    EXPECT_EQ(rs->field("credid1"), Variant(3000000000.0)); // beyond a Long
    rs->moveNext();
    EXPECT_TRUE(rs->field(0).asDate().isNullDate());
    rs->moveNext();
    EXPECT_EQ(std::tuple(rs->field(1), rs->field(5), rs->field(7)),
              std::tuple(Variant(Date::fromParts(2024, 3, 1, 11, 0, 1, 250)), Variant("Access granted, door 4"), Variant(qint32(0))));
}

TEST_F(HostStatementTest, AStackedStatementIsRefusedBeforeAnythingRunsAndFailuresCarryTheDatabaseMessage)
{
    for (const char *sql : {"Insert Into Profile_Details Values (1, 4, 'A', 'x'); Delete From Events", "Select 1;Select 2",
                            "EXEC ZUL_DeleteFilterGroup 1; Delete From Events",
                            "Insert Into Profile_Details Values (1, 4, 'A', 'x') -- c\n; /* c */ Delete From Events"}) {
        const VbError error = errorOf([&] { db->execute(sql); });
        EXPECT_EQ(error.number(), -2147217900) << sql;
        EXPECT_TRUE(error.description().contains("more than one statement")) << sql;
    }
    EXPECT_EQ(count("Events"), 4);
    EXPECT_EQ(count("Profile_Details"), 0);
    EXPECT_EQ(scalar("Select ';' + 'x' ; -- only one"), Variant(";x"));
    // Database failures carry the database's message.
    const VbError syntax = errorOf([this] { db->execute("Select * From Events Where ID = = 1"); });
    EXPECT_EQ(std::pair(syntax.number(), syntax.source()), std::pair(-2147217900, QStringLiteral("SQLite")));
    EXPECT_TRUE(syntax.description().contains("syntax error")) << syntax.description().toStdString();
    EXPECT_EQ(errorOf([this] { (void)db->openRecordset("Select * From Nowhere"); }).description(),
              QStringLiteral("no such table: Nowhere"));
    EXPECT_TRUE(errorOf([this] { (void)db->openRecordset("Select 'abc"); }).description().startsWith("Unclosed quotation mark"));
    EXPECT_EQ(count("Events"), 4);
}
} // namespace
} // namespace Ostraven::Testing
