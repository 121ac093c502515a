#include "dbtestdatabase.h"
#include "support/sqlitedriverof.h"
#include <QFile>
#include <QTemporaryDir>

namespace Ostraven::Testing {
namespace {
using ConnectionTest = DbTestDatabase;

TEST_F(ConnectionTest, CursorsMoveAndRaiseAsTheHostExpects)
{
    const std::unique_ptr<Recordset> forward = db->openRecordset("Select ID From Events Order By ID");
    forward->moveFirst(); // still on the first row: nothing to go back over
    forward->moveNext();
    EXPECT_EQ((std::tuple{forward->recordCount(), errorNumber([&] { forward->moveFirst(); }), forward->field(0)}), // braces: in order
              std::tuple(-1, -2147217884, Variant(qint32(5001))));
    const std::unique_ptr<Recordset> still = db->openRecordset("Select ID From Events Order By ID", CursorType::Static);
    while (!still->eof()) still->moveNext();
    still->moveFirst();
    EXPECT_EQ(std::tuple(still->recordCount(), still->field("id")), std::tuple(4, Variant(qint32(2100))));
    // Reading past the rows or an unknown field raises the host's numbers.
    const std::unique_ptr<Recordset> rs = db->openRecordset("Select ID, Type From Events Where ID = 2100");
    const std::vector<int> beforeEnd{errorNumber([&] { (void)rs->field("Nope"); }), errorNumber([&] { (void)rs->field(2); })};
    rs->moveNext();
    ASSERT_TRUE(rs->eof());
    const std::vector<int> atEnd{errorNumber([&] { (void)rs->field(0); }), errorNumber([&] { (void)rs->field("Type"); }),
                                 errorNumber([&] { rs->moveNext(); })};
    rs->close();
    EXPECT_EQ(std::tuple(beforeEnd, atEnd, errorNumber([&] { (void)rs->eof(); })),
              std::tuple(std::vector{3265, 3265}, std::vector{3021, 3021, 3021}, 3704));
}

TEST_F(ConnectionTest, ScriptsRunDirectlyAndValuesComeBackAsVariantsOfTheHostsTypes)
{
    // The host runs schema scripts with triggers directly on its SQLite file, never through a driver.
    if (!overOdbc()) {
        auto &sqlite = sqliteDriverOf(*db);
        sqlite.executeScript("CREATE TABLE Audit (ID INTEGER);\n"
                             "CREATE TRIGGER EventsAudit AFTER INSERT ON Events BEGIN INSERT INTO Audit VALUES (new.ID); END;\n"
                             "INSERT INTO Events (ID) VALUES (1);");
        EXPECT_EQ(count("Audit"), 1);
        EXPECT_EQ(errorOf([&] { sqlite.executeScript("CREATE TABLE Audit (x)"); }).description(), QStringLiteral("table Audit already exists"));
    }
    db->execute("CREATE TABLE Mixed (d DATETIME, t TEXT, r REAL, b BIT, n INTEGER)");
    db->execute("Insert Into Mixed Values ('3/4/2024 1:02:03 PM', '2024-03-04', 0.25, 0, NULL)");
    const std::unique_ptr<Recordset> rs = db->openRecordset("Select d, t, r, b, n, d AS renamed, 2147483647 + 1 AS big From Mixed");
    const Variant when(Date::fromParts(2024, 3, 4, 13, 2, 3));
    // A text column stays text whatever it spells; a sum beyond a Long is a Double.
    EXPECT_EQ(std::vector<Variant>({rs->field(0), rs->field(1), rs->field(2), rs->field(3), rs->field(4), rs->field("RENAMED"), rs->field("big")}),
              std::vector<Variant>({when, Variant("2024-03-04"), Variant(0.25), Variant(false), Variant::null(), when, Variant(2147483648.0)}));
    EXPECT_EQ(rs->fieldName(5), QStringLiteral("renamed"));
    // The archive view's credential beyond a Long is a Double, and the year-1800 date is the null date.
    EXPECT_EQ(rows("Select CredID1, dbDate From [VIEW_EventLog_AllEvents] Where ID In (5002, 2100) Order By ID"),
              (Rows{{qint32(0), Date::fromParts(2024, 3, 1, 11, 0, 1, 250)}, {3000000000.0, Date::fromParts(2024, 3, 1, 13)}}));
    EXPECT_TRUE(column("Select dtDate From Events Where ID = 80005").at(0).asDate().isNullDate());
}

TEST_F(ConnectionTest, TheTraceHoldsEveryStatementAsSent)
{
    QTemporaryDir dir;
    db->setTraceFile(dir.filePath("sql.trace"));
    (void)db->openRecordset("Select Top 1 * From Events Where Type like N'%Alarm%'");
    db->execute("rp_FetchTimeZoneInfo 5");
    (void)errorOf([this] { db->execute("Select 1; Select 2"); });
    Command insert = command("ZUL_InsertEventFilterGroup", {{"SiteID", In, qint32(0)}, {"GroupName", In, QStringLiteral("O'Hara")},
                                                             {"ReturnedID", Out}, {"OperatorID", In, qint32(3)}});
    db->execute(insert);
    db->execute("Select\n1");
    db->setTraceFile(QString());
    db->execute("Select 'not traced'");
    QFile file(dir.filePath("sql.trace"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).split(u'\n'),
              QStringList({"Select Top 1 * From Events Where Type like N'%Alarm%'", "rp_FetchTimeZoneInfo 5", "Select 1; Select 2",
                           "EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='O''Hara', @ReturnedID=NULL OUTPUT, @OperatorID=3",
                           "Select 1", ""}));
}

TEST_F(ConnectionTest, TheConnectionAnswersByNameAsALateBoundObject)
{
    Dispatch &object = *db;
    Args args{Variant("Update Events Set UID1 = 1 Where Type like 'KORA%'"), Variant()}, none;
    object.call("execute", args);
    EXPECT_EQ(std::pair(args[1], object.get("State")), std::pair(Variant(qint32(3)), Variant(qint32(1))));
    EXPECT_EQ(errorNumber([&] { (void)object.get("Provider"); }), 438);
    object.call("Close", none);
    EXPECT_EQ((std::tuple{object.get("State"), db->isOpen(), errorNumber([this] { db->execute("Select 1"); })}),
              std::tuple(Variant(qint32(0)), false, 3704));
}
} // namespace
} // namespace Ostraven::Testing
