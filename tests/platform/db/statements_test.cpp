#include "dbtestdatabase.h"

namespace Ostraven::Testing {
namespace {

using HostStatementTest = DbTestDatabase;

std::vector<Variant> ids(std::initializer_list<qint32> values)
{
    std::vector<Variant> result;
    for (qint32 value : values)
        result.emplace_back(value);
    return result;
}

// The archive statement as the loader builds it: "Select DISTINCT " [Top n] " * from [VIEW...] " condition
// " order by [dbDate] desc", with group clauses in include and exclude mode and the type filter's condition.
TEST_F(HostStatementTest, ArchiveStatementsSelectTheRightEventsNewestFirst)
{
    const QString head = QStringLiteral("Select DISTINCT ");
    const QString view = QStringLiteral(" * from [VIEW_EventLog_AllEvents] ");
    const QString tail = QStringLiteral(" order by [dbDate] desc");
    const QString pointClause = QStringLiteral(
        "(Address NOT LIKE '\\\\ZEKO%' AND ('\\\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) "
        "LIKE '\\\\1.2%'))");
    struct Case {
        QString condition;
        bool top;
        std::vector<Variant> expected;
    };
    const Case cases[] = {
        {QString(), true, ids({5002, 80005, 2100})},
        {QStringLiteral(" Where (") + pointClause + u')', false, ids({5002, 5001})},
        {QStringLiteral(" Where NOT (") + pointClause + u')', false, ids({80005, 2100})},
        {QStringLiteral(" Where  (Address LIKE '\\\\ZEKO1.2%' OR   Address LIKE '\\\\SRV.1.3%' )"), false,
         ids({80005, 2100})},
        {QStringLiteral(" Where  ([ID] =5001 )"), false, ids({5001})},
        {QStringLiteral("Where Type like N'%Alarm%'"), false, ids({5002, 5001})},
        {QStringLiteral("Where Type like N'%Alarm%' AND NOT (") + pointClause + u')', false, ids({})},
    };
    for (const Case &c : cases) {
        const QString sql = head + (c.top ? QStringLiteral("Top 3") : QString()) + view + c.condition + tail;
        const std::unique_ptr<Recordset> rs = db->openRecordset(sql, CursorType::Static);
        std::vector<Variant> found;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            found.push_back(rs->field(3));
        EXPECT_EQ(found, c.expected) << sql.toStdString();
    }
}

TEST_F(HostStatementTest, ArchiveRowsCarryDatesAndNumbersAsTheHostReadsThem)
{
    const std::unique_ptr<Recordset> rs = db->openRecordset(
        QStringLiteral("Select DISTINCT Top 4 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc"),
        CursorType::Static);
    ASSERT_EQ(rs->recordCount(), 4);
    EXPECT_EQ(rs->field(0), Variant(Date::fromParts(2024, 3, 1, 13)));
    EXPECT_EQ(rs->field(QStringLiteral("credid1")), Variant(3000000000.0)); // beyond a Long
    rs->moveNext();
    EXPECT_TRUE(rs->field(0).asDate().isNullDate());
    rs->moveNext();
    EXPECT_EQ(rs->field(1), Variant(Date::fromParts(2024, 3, 1, 11, 0, 1, 250)));
    EXPECT_EQ(rs->field(5), Variant("Access granted, door 4"));
    EXPECT_EQ(rs->field(7), Variant(qint32(0)));
}

TEST_F(HostStatementTest, AStackedStatementIsRefusedBeforeAnythingRuns)
{
    const char *refused[] = {
        "Insert Into Profile_Details Values (1, 4, 'A', 'x'); Delete From Events", "Select 1;Select 2",
        "EXEC ZUL_DeleteFilterGroup 1; Delete From Events",
        "Insert Into Profile_Details Values (1, 4, 'A', 'x') -- c\n; /* c */ Delete From Events",
    };
    for (const char *sql : refused) {
        const VbError error = errorOf([&] { db->execute(QString::fromUtf8(sql)); });
        EXPECT_EQ(error.number(), -2147217900) << sql;
        EXPECT_TRUE(error.description().contains(QStringLiteral("more than one statement"))) << sql;
    }
    EXPECT_EQ(count(QStringLiteral("Events")), 4);
    EXPECT_EQ(count(QStringLiteral("Profile_Details")), 0);

    EXPECT_EQ(scalar(QStringLiteral("Select ';' + 'x' ; -- only one")), Variant(";x"));
}

TEST_F(HostStatementTest, DatabaseFailuresCarryTheDatabaseMessage)
{
    const VbError syntax = errorOf([this] { db->execute(QStringLiteral("Select * From Events Where ID = = 1")); });
    EXPECT_EQ(syntax.number(), -2147217900);
    EXPECT_EQ(syntax.source(), QStringLiteral("SQLite"));
    EXPECT_TRUE(syntax.description().contains(QStringLiteral("syntax error"))) << syntax.description().toStdString();

    const VbError table = errorOf([this] { (void)db->openRecordset(QStringLiteral("Select * From Nowhere")); });
    EXPECT_EQ(table.description(), QStringLiteral("no such table: Nowhere"));

    const VbError quote = errorOf([this] { (void)db->openRecordset(QStringLiteral("Select 'abc")); });
    EXPECT_TRUE(quote.description().startsWith(QStringLiteral("Unclosed quotation mark")));
    EXPECT_EQ(count(QStringLiteral("Events")), 4);
}

} // namespace
} // namespace Ostraven::Testing
