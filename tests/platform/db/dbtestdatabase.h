#pragma once
#include "../platformtest.h"
#include "platform/db/connection.h"
#include "support/odbcconfiguration.h"
#include "support/sqlitedriverof.h"

#include <QTemporaryDir>

namespace Ostraven::Testing {
// Whether this run reaches its database through the SQLite ODBC driver with the T-SQL emulation above it,
// rather than through the C API: CTest runs the database suites both ways.
inline bool overOdbc() { return qgetenv("OSTRAVEN_TEST_DATABASE") == "odbc"; }

// A private in-memory database with a small schema shaped like the host's: an event table behind an
// archive view, filter rows, profile rows, time zones, and a few stored procedures. Over ODBC it is a file
// of its own, created through the C API and then opened through the driver.
class DbTestDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString file = overOdbc() && path() == QStringLiteral(":memory:") ? m_folder.filePath(QStringLiteral("db.sqlite")) : path();
        std::shared_ptr<Connection> embedded = Connection::openSqlite(file);
        sqliteDriverOf(*embedded).executeScript(QStringLiteral(R"(
CREATE TABLE Events (ID INTEGER, Address TEXT, Type TEXT, Description TEXT, dtDate DATETIME COLLATE ov_datetime, dbDate DATETIME, UID1 INTEGER);
CREATE VIEW [VIEW_EventLog_AllEvents] AS SELECT dtDate, dbDate, Address, ID, Type, Description, UID1 AS CredID1, 0 AS CredID2 FROM Events;
CREATE TABLE Profile_Details (ProfileID INTEGER, ObjectID INTEGER, Property TEXT, [Value] TEXT);
CREATE TABLE MiscProperties ([Name] TEXT COLLATE ov_nocase, [Value] TEXT);
CREATE TABLE TimeZones (ID INTEGER PRIMARY KEY, Sunday BIT, Monday BIT, StartTime TEXT, EndTime TEXT);
CREATE TABLE FilterGroups (GroupID INTEGER PRIMARY KEY, GroupName TEXT, SiteID INTEGER, OperatorID INTEGER);
CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL, body TEXT NOT NULL);
Insert Into Events Values (5001, '\\SRV.1.2.3', 'KORA*GATE Alarm', 'Door forced', '2024-03-01 10:00:00', '2024-03-01 10:00:01', 12);
Insert Into Events Values (2100, '\\SRV.1.3.1', 'KORA*GATE Transaction', 'Access granted, door 4', '2024-03-01 11:00:00', '2024-03-01 11:00:01.250', 0);
Insert Into Events Values (80005, '\\ZEKO1.2.1', 'ZekoSeries External', 'Input active', '1800-01-01 00:00:00', '2024-03-01 12:00:00', 7);
Insert Into Events Values (5002, '\\SRV.1.2.9', 'KORA*GATE Alarm', 'Tamper', '2024-03-01 13:00:00', '2024-03-01 13:00:00', 3000000000);
Insert Into TimeZones Values (5, 1, 0, '08:00', '17:30');
Insert Into MiscProperties Values ('EV_ShowMS', 'True');
INSERT INTO ov_procedures VALUES
 ('rp_FetchTimeZoneInfo', '@ID', 'SELECT Sunday, Monday, StartTime, EndTime FROM TimeZones WHERE ID = @ID'),
 ('ZUL_Update_Profile_Persisted_Details', '@ProfileID, @ObjectID, @Property, @Value',
  'DELETE FROM Profile_Details WHERE ProfileID = @ProfileID AND ObjectID = @ObjectID AND Property = @Property;
INSERT INTO Profile_Details VALUES (@ProfileID, @ObjectID, @Property, @Value)'),
 ('ZUL_InsertEventFilterGroup', '@SiteID, @GroupName, @ReturnedID OUTPUT, @OperatorID',
  'INSERT INTO FilterGroups (GroupName, SiteID, OperatorID) VALUES (@GroupName, @SiteID, @OperatorID);SELECT last_insert_rowid() AS returnedid, @OperatorID AS Operator'),
 ('ov_Echo', '@A, @B, @C', 'SELECT @A AS A, @B AS B, @C AS C');
)"));
        if (!overOdbc()) {
            db = std::move(embedded);
            return;
        }
        static const QTemporaryDir configuration;
        static const QString problem = useOwnOdbcConfiguration(configuration.path(), QStringLiteral("SQLite3"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        embedded.reset();
        OdbcOptions options;
        options.emulate = true;
        db = Connection::openOdbc(QStringLiteral("Driver=SQLite3;Database=%1").arg(file), options);
    }
    // Where the database lives; a suite that needs a real file names one.
    [[nodiscard]] virtual QString path() const { return QStringLiteral(":memory:"); }
    [[nodiscard]] Variant scalar(const QString &sql) { return db->openRecordset(sql)->field(0); }
    [[nodiscard]] qint64 count(const QString &table) { return CLng(scalar("Select Count(*) From " + table)); }
    // Every field of every row, in order; through another connection when one is given.
    [[nodiscard]] std::vector<std::vector<Variant>> rows(const QString &sql, Connection *on = nullptr)
    {
        std::vector<std::vector<Variant>> result;
        for (const std::unique_ptr<Recordset> rs = (on ? on : db.get())->openRecordset(sql); !rs->eof(); rs->moveNext()) {
            result.emplace_back();
            for (int field = 0; field < rs->fieldCount(); ++field) result.back().push_back(rs->field(field));
        }
        return result;
    }
    // The rows' first column, in order.
    [[nodiscard]] std::vector<Variant> column(const QString &sql, Connection *on = nullptr)
    {
        std::vector<Variant> values;
        for (const std::vector<Variant> &row : rows(sql, on)) values.push_back(row.at(0));
        return values;
    }
    void addProcedure(const QString &name, const QString &parameters, const QString &body)
    {
        auto quote = [](QString text) { return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\''; };
        db->execute(QStringLiteral("INSERT INTO ov_procedures VALUES (%1, %2, %3)").arg(quote(name), quote(parameters), quote(body)));
    }
    QTemporaryDir m_folder; // before db, so that the file outlives the connection
    ConnectionPtr db;
};

using Rows = std::vector<std::vector<Variant>>;

// Event numbers as a column reads them.
inline std::vector<Variant> ids(std::initializer_list<qint32> values) { return std::vector<Variant>(values.begin(), values.end()); }

// A command with its parameters, each given as name, direction and value.
struct CommandParameter { const char *name; ParameterDirection direction; Variant value = {}; };
constexpr ParameterDirection In = ParameterDirection::Input, Out = ParameterDirection::Output;
inline Command command(const QString &procedure, std::initializer_list<CommandParameter> parameters)
{
    Command result(procedure);
    for (const CommandParameter &parameter : parameters) result.append(parameter.name, parameter.direction, parameter.value);
    return result;
}
} // namespace Ostraven::Testing
