#include "dbtestdatabase.h"
#include "platform/db/sqlitebackend.h"
#include <QFile>
#include <QTemporaryDir>

namespace Ostraven::Testing {
namespace {
using ConnectionTest = DbTestDatabase;

TEST_F(ConnectionTest, CursorsMoveAndRaiseAsTheHostExpects)
{
    const std::unique_ptr<Recordset> forward = db->openRecordset("Select ID From Events Order By ID");
    EXPECT_EQ(forward->recordCount(), -1);
    forward->moveFirst(); // still on the first row: nothing to go back over
    forward->moveNext();
    EXPECT_EQ(errorOf([&] { forward->moveFirst(); }).number(), -2147217884);
    EXPECT_EQ(forward->field(0), Variant(qint32(5001)));
    const std::unique_ptr<Recordset> still = db->openRecordset("Select ID From Events Order By ID", CursorType::Static);
    EXPECT_EQ(still->recordCount(), 4);
    while (!still->eof())
        still->moveNext();
    still->moveFirst();
    EXPECT_EQ(still->field("id"), Variant(qint32(2100)));
    // Reading past the rows or an unknown field raises the host's numbers.
    const std::unique_ptr<Recordset> rs = db->openRecordset("Select ID, Type From Events Where ID = 2100");
    EXPECT_EQ(errorOf([&] { (void)rs->field("Nope"); }).number(), 3265);
    EXPECT_EQ(errorOf([&] { (void)rs->field(2); }).number(), 3265);
    rs->moveNext();
    ASSERT_TRUE(rs->eof());
    EXPECT_EQ(errorOf([&] { (void)rs->field(0); }).number(), 3021);
    EXPECT_EQ(errorOf([&] { (void)rs->field("Type"); }).number(), 3021);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);
    rs->close();
    EXPECT_EQ(errorOf([&] { (void)rs->eof(); }).number(), 3704);
}

TEST_F(ConnectionTest, ScriptsRunDirectlyAndValuesComeBackAsVariantsOfTheHostsTypes)
{
    // The host runs schema scripts with triggers directly.
    auto &sqlite = dynamic_cast<SqliteBackend &>(db->backend());
    sqlite.executeScript("CREATE TABLE Audit (ID INTEGER);\n"
                         "CREATE TRIGGER EventsAudit AFTER INSERT ON Events BEGIN INSERT INTO Audit VALUES (new.ID); END;\n"
                         "INSERT INTO Events (ID) VALUES (1);");
    EXPECT_EQ(count("Audit"), 1);
    EXPECT_EQ(errorOf([&] { sqlite.executeScript("CREATE TABLE Audit (x)"); }).description(),
              QStringLiteral("table Audit already exists"));
    db->execute("CREATE TABLE Mixed (d DATETIME, t TEXT, r REAL, b BIT, n INTEGER)");
    db->execute("Insert Into Mixed Values ('3/4/2024 1:02:03 PM', '2024-03-04', 0.25, 0, NULL)");
    const std::unique_ptr<Recordset> rs = db->openRecordset("Select d, t, r, b, n, d AS renamed, 2147483647 + 1 AS big From Mixed");
    const Variant when(Date::fromParts(2024, 3, 4, 13, 2, 3));
    // A text column stays text whatever it spells; a sum beyond a Long is a Double.
    EXPECT_EQ(std::vector<Variant>({rs->field(0), rs->field(1), rs->field(2), rs->field(3), rs->field("RENAMED"), rs->field("big")}),
              std::vector<Variant>({when, Variant("2024-03-04"), Variant(0.25), Variant(false), when, Variant(2147483648.0)}));
    EXPECT_TRUE(rs->field(4).isNull());
    EXPECT_EQ(rs->fieldName(5), QStringLiteral("renamed"));
}

TEST_F(ConnectionTest, TheTraceHoldsEveryStatementAsSent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sql.trace");
    db->setTraceFile(path);
    (void)db->openRecordset("Select Top 1 * From Events Where Type like N'%Alarm%'");
    db->execute("rp_FetchTimeZoneInfo 5");
    (void)errorOf([this] { db->execute("Select 1; Select 2"); });
    Command insert = command("ZUL_InsertEventFilterGroup", {{"SiteID", In, qint32(0)}, {"GroupName", In, QStringLiteral("O'Hara")},
                                                             {"ReturnedID", Out}, {"OperatorID", In, qint32(3)}});
    db->execute(insert);
    db->execute("Select\n1");
    db->setTraceFile(QString());
    db->execute("Select 'not traced'");
    QFile file(path);
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
    EXPECT_EQ(args[1], Variant(qint32(3)));
    EXPECT_EQ(object.get("State"), Variant(qint32(1)));
    EXPECT_EQ(errorOf([&] { (void)object.get("Provider"); }).number(), 438);
    object.call("Close", none);
    EXPECT_EQ(object.get("State"), Variant(qint32(0)));
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(errorOf([this] { db->execute("Select 1"); }).number(), 3704);
}


TEST(ConnectionFile, ADatabaseFileKeepsItsRowsAndProceduresAcrossConnections)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("host.db");
    {
        const ConnectionPtr db = Connection::openSqlite(path);
        db->execute("CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL, body TEXT NOT NULL)");
        db->execute("INSERT INTO ov_procedures VALUES ('RegistryRead', '@Server, @Key, @Name', "
                    "'SELECT ''True'' AS [Value] WHERE @Name = ''EnableRouting''')");
    }
    const ConnectionPtr db = Connection::openSqlite(path);
    EXPECT_EQ(db->openRecordset("EXEC RegistryRead 'HOST-1','PaxServer','EnableRouting'")->field(0), Variant("True"));
    const VbError error = errorOf([&] { (void)Connection::openSqlite(dir.filePath("no/such/dir.db")); });
    EXPECT_EQ(std::pair(error.number(), error.source()), std::pair(-2147467259, QStringLiteral("SQLite")));
}
} // namespace
} // namespace Ostraven::Testing
