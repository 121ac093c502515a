#include "dbtestdatabase.h"

#include "platform/db/sqlitebackend.h"

#include <QFile>
#include <QTemporaryDir>

namespace Ostraven::Testing {
namespace {

using ConnectionTest = DbTestDatabase;

TEST_F(ConnectionTest, ForwardOnlyAndStaticCursorsMoveAsTheHostExpects)
{
    const QString sql = QStringLiteral("Select ID From Events Order By ID");
    const std::unique_ptr<Recordset> forward = db->openRecordset(sql);
    EXPECT_EQ(forward->recordCount(), -1);
    forward->moveFirst(); // still on the first row: nothing to go back over
    forward->moveNext();
    EXPECT_EQ(errorOf([&] { forward->moveFirst(); }).number(), -2147217884);
    EXPECT_EQ(forward->field(0), Variant(qint32(5001)));

    const std::unique_ptr<Recordset> still = db->openRecordset(sql, CursorType::Static);
    EXPECT_EQ(still->recordCount(), 4);
    while (!still->eof())
        still->moveNext();
    still->moveFirst();
    EXPECT_EQ(still->field(QStringLiteral("id")), Variant(qint32(2100)));
}

TEST_F(ConnectionTest, ReadingPastTheRowsOrAnUnknownFieldRaisesTheHostsNumbers)
{
    const std::unique_ptr<Recordset> rs = db->openRecordset(QStringLiteral("Select ID, Type From Events Where ID = 2100"));
    EXPECT_EQ(errorOf([&] { (void)rs->field(QStringLiteral("Nope")); }).number(), 3265);
    EXPECT_EQ(errorOf([&] { (void)rs->field(2); }).number(), 3265);
    rs->moveNext();
    ASSERT_TRUE(rs->eof());
    EXPECT_EQ(errorOf([&] { (void)rs->field(0); }).number(), 3021);
    EXPECT_EQ(errorOf([&] { (void)rs->field(QStringLiteral("Type")); }).number(), 3021);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);
    rs->close();
    EXPECT_EQ(errorOf([&] { (void)rs->eof(); }).number(), 3704);
}

TEST_F(ConnectionTest, ValuesComeBackAsVariantsOfTheHostsTypes)
{
    db->execute(QStringLiteral("CREATE TABLE Mixed (d DATETIME, t TEXT, r REAL, b BIT, n INTEGER)"));
    db->execute(QStringLiteral("Insert Into Mixed Values ('3/4/2024 1:02:03 PM', '2024-03-04', 0.25, 0, NULL)"));
    const std::unique_ptr<Recordset> rs = db->openRecordset(
        QStringLiteral("Select d, t, r, b, n, d AS renamed, 2147483647 + 1 AS big From Mixed"));
    EXPECT_EQ(rs->field(0), Variant(Date::fromParts(2024, 3, 4, 13, 2, 3)));
    EXPECT_EQ(rs->field(1), Variant("2024-03-04")); // a text column stays text whatever it spells
    EXPECT_EQ(rs->field(2), Variant(0.25));
    EXPECT_EQ(rs->field(3), Variant(false));
    EXPECT_TRUE(rs->field(4).isNull());
    EXPECT_EQ(rs->field(QStringLiteral("RENAMED")), Variant(Date::fromParts(2024, 3, 4, 13, 2, 3)));
    EXPECT_EQ(rs->field(QStringLiteral("big")), Variant(2147483648.0));
    EXPECT_EQ(rs->fieldName(5), QStringLiteral("renamed"));
}

TEST_F(ConnectionTest, TheTraceHoldsEveryStatementAsSent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sql.trace"));
    db->setTraceFile(path);
    (void)db->openRecordset(QStringLiteral("Select Top 1 * From Events Where Type like N'%Alarm%'"));
    db->execute(QStringLiteral("rp_FetchTimeZoneInfo 5"));
    (void)errorOf([this] { db->execute(QStringLiteral("Select 1; Select 2")); });
    Command command(QStringLiteral("ZUL_InsertEventFilterGroup"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, qint32(0));
    command.append(QStringLiteral("GroupName"), ParameterDirection::Input, QStringLiteral("O'Hara"));
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("OperatorID"), ParameterDirection::Input, qint32(3));
    db->execute(command);
    db->execute(QStringLiteral("Select\n1"));
    db->setTraceFile(QString());
    db->execute(QStringLiteral("Select 'not traced'"));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    const QStringList expected = {
        QStringLiteral("Select Top 1 * From Events Where Type like N'%Alarm%'"),
        QStringLiteral("rp_FetchTimeZoneInfo 5"), QStringLiteral("Select 1; Select 2"),
        QStringLiteral("EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='O''Hara', @ReturnedID=NULL OUTPUT, "
                       "@OperatorID=3"),
        QStringLiteral("Select 1"), QString(),
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ConnectionTest, TheConnectionAnswersByNameAsALateBoundObject)
{
    Dispatch &object = *db;
    Args args{Variant("Update Events Set UID1 = 1 Where Type like 'KORA%'"), Variant()};
    object.call(QStringLiteral("execute"), args);
    EXPECT_EQ(args[1], Variant(qint32(3)));
    EXPECT_EQ(object.get(QStringLiteral("State")), Variant(qint32(1)));
    EXPECT_EQ(errorOf([&] { (void)object.get(QStringLiteral("Provider")); }).number(), 438);

    Args none;
    object.call(QStringLiteral("Close"), none);
    EXPECT_EQ(object.get(QStringLiteral("State")), Variant(qint32(0)));
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(errorOf([this] { db->execute(QStringLiteral("Select 1")); }).number(), 3704);
}

TEST_F(ConnectionTest, TheHostRunsSchemaScriptsWithTriggersDirectly)
{
    auto &sqlite = dynamic_cast<SqliteBackend &>(db->backend());
    sqlite.executeScript(QStringLiteral(
        "CREATE TABLE Audit (ID INTEGER);\n"
        "CREATE TRIGGER EventsAudit AFTER INSERT ON Events BEGIN INSERT INTO Audit VALUES (new.ID); END;\n"
        "INSERT INTO Events (ID) VALUES (1);"));
    EXPECT_EQ(count(QStringLiteral("Audit")), 1);
    EXPECT_EQ(errorOf([&] { sqlite.executeScript(QStringLiteral("CREATE TABLE Audit (x)")); }).description(),
              QStringLiteral("table Audit already exists"));
}

TEST(ConnectionFile, ADatabaseFileKeepsItsRowsAndProceduresAcrossConnections)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("host.db"));
    {
        const ConnectionPtr db = Connection::openSqlite(path);
        db->execute(QStringLiteral("CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, "
                                   "parameters TEXT NOT NULL, body TEXT NOT NULL)"));
        db->execute(QStringLiteral("INSERT INTO ov_procedures VALUES ('RegistryRead', '@Server, @Key, @Name', "
                                   "'SELECT ''True'' AS [Value] WHERE @Name = ''EnableRouting''')"));
    }
    const ConnectionPtr db = Connection::openSqlite(path);
    const std::unique_ptr<Recordset> rs =
        db->openRecordset(QStringLiteral("EXEC RegistryRead 'HOST-1','PaxServer','EnableRouting'"));
    EXPECT_EQ(rs->field(0), Variant("True"));

    const VbError error = errorOf([&] { (void)Connection::openSqlite(dir.filePath(QStringLiteral("no/such/dir.db"))); });
    EXPECT_EQ(error.number(), -2147467259);
    EXPECT_EQ(error.source(), QStringLiteral("SQLite"));
}

} // namespace
} // namespace Ostraven::Testing
