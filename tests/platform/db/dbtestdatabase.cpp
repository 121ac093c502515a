#include "dbtestdatabase.h"
#include "platform/db/sqlitebackend.h"

namespace Ostraven::Testing {
void DbTestDatabase::SetUp()
{
    db = Connection::openSqlite(QStringLiteral(":memory:"));
    dynamic_cast<SqliteBackend &>(db->backend()).executeScript(QStringLiteral(R"(
CREATE TABLE Events (ID INTEGER, Address TEXT, Type TEXT, Description TEXT, dtDate DATETIME COLLATE ov_datetime,
                     dbDate DATETIME, UID1 INTEGER);
CREATE VIEW [VIEW_EventLog_AllEvents] AS SELECT dtDate, dbDate, Address, ID, Type, Description, UID1 AS CredID1,
                     0 AS CredID2 FROM Events;
CREATE TABLE EventFilters (GroupID INTEGER, FilterName TEXT, FilterType INTEGER, Filter TEXT, FilterDescription TEXT, SQL TEXT);
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
 ('ZUL_DeleteFilterGroup', '@GroupID', 'DELETE FROM EventFilters WHERE GroupID = @GroupID; DELETE FROM FilterGroups WHERE GroupID = @GroupID'),
 ('ov_Echo', '@A, @B, @C', 'SELECT @A AS A, @B AS B, @C AS C');
)"));
}

void DbTestDatabase::addProcedure(const QString &name, const QString &parameters, const QString &body)
{
    auto quote = [](QString text) { return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\''; };
    db->execute(QStringLiteral("INSERT INTO ov_procedures VALUES (%1, %2, %3)").arg(quote(name), quote(parameters), quote(body)));
}

std::vector<Variant> DbTestDatabase::column(const QString &sql)
{
    std::vector<Variant> values;
    for (const std::unique_ptr<Recordset> rs = db->openRecordset(sql); !rs->eof(); rs->moveNext())
        values.push_back(rs->field(0));
    return values;
}
} // namespace Ostraven::Testing
