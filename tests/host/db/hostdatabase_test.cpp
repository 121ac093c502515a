#include "support/testdatabase.h"

#include "host/db/hostdatabase.h"
#include "host/db/sqlitefile.h"

#include <QFileInfo>
#include <QTextStream>

namespace Ostraven::Testing {
namespace {

// The host database tests: each test has its own copy of the demo site.
class HostDbTest : public ::testing::Test
{
protected:
    [[nodiscard]] Connection &db() { return m_database.db(); }
    [[nodiscard]] const QString &path() const { return m_database.path(); }
    [[nodiscard]] std::vector<std::vector<Variant>> rows(const QString &sql) const { return m_database.rows(sql); }
    [[nodiscard]] Variant scalar(const QString &sql) const { return m_database.scalar(sql); }
    [[nodiscard]] QStringList column(const QString &sql) const { return m_database.column(sql); }

private:
    TestDatabase m_database{TestDatabase::Site::Demo};
};

// A table of cases over the demo site; its rows are named by their name field.
template<typename Row>
class HostDbTable : public HostDbTest, public ::testing::WithParamInterface<Row> {};
const auto rowName = [](const auto &info) { return std::string(info.param.name); };

using HostDatabaseCommands = HostDbTest;

TEST_F(HostDatabaseCommands, CreateBuildsTheWholeArchiveOnlyWhereNoFileIs)
{
    SqliteFile file(TestDatabase::pristinePath(TestDatabase::Site::Demo), SqliteFile::OpenMode::OpenExisting);
    EXPECT_EQ(file.queryInt("SELECT count(*) FROM VIEW_EventLog_AllEvents"), 20000);
    // Every class of event is there, both families included.
    EXPECT_EQ(file.queryInt("SELECT count(DISTINCT Type) FROM VIEW_EventLog_AllEvents WHERE Type IN ('Software', "
                            "'KORA*GATE Transaction', 'KORA*GATE External', 'KORA*GATE Alarm', 'Programming', "
                            "'KORA*GATE Communication', 'KORA*GATE Miscellaneous', 'KORA*GATE Internal', "
                            "'Integrated Event', 'ZekoSeries Transaction', 'ZekoSeries Alarm', 'ZEKO Software', "
                            "'ZEKO Programming')"), 13);
    // The same seed and end give the same archive.
    const QString again = path() + ".again";
    HostDatabase::createDatabase(again, TestDatabase::options(TestDatabase::Site::Demo));
    const QString digest = "SELECT sum(length(Description) * ID) + sum(UID1) FROM VIEW_EventLog_AllEvents";
    EXPECT_EQ(SqliteFile(again, SqliteFile::OpenMode::OpenExisting).queryInt(digest), file.queryInt(digest));
    // An existing file is refused and left alone; a negative size creates nothing; an empty archive is complete.
    const qint64 size = QFileInfo(path()).size();
    try {
        HostDatabase::createDatabase(path(), 10);
        ADD_FAILURE() << "an existing database was overwritten";
    } catch (const VbError &error) {
        EXPECT_TRUE(error.description().contains("already exists"));
    }
    EXPECT_EQ(QFileInfo(path()).size(), size);
    EXPECT_FALSE(HostDatabase::ensureDatabase(path()));
    const QString fresh = path() + ".fresh";
    EXPECT_THROW(HostDatabase::createDatabase(fresh, -1), VbError);
    EXPECT_FALSE(QFileInfo::exists(fresh));
    HostDatabase::createDatabase(fresh, 0);
    SqliteFile empty(fresh, SqliteFile::OpenMode::OpenExisting);
    EXPECT_EQ(empty.queryInt("SELECT count(*) FROM VIEW_EventLog_AllEvents"), 0);
    EXPECT_EQ(empty.queryInt("SELECT count(*) FROM ov_procedures"), 11);
    EXPECT_FALSE(QFileInfo::exists(fresh + ".part"));
}

// --sql prints the rows of a query as one JSON object per line; a statement that changes rows prints nothing, and
// one the database refuses (printed is null) throws.
struct Printed { const char *name, *sql, *printed; int changed; };
using SqlAsJson = HostDbTable<Printed>;
TEST_P(SqlAsJson, PrintsRowsAsJsonLines)
{
    QString printed;
    QTextStream out(&printed);
    if (!GetParam().printed) {
        EXPECT_THROW((void)HostDatabase::runSqlAsJson(db(), GetParam().sql, out), VbError);
        return;
    }
    const HostDatabase::SqlOutcome outcome = HostDatabase::runSqlAsJson(db(), GetParam().sql, out);
    EXPECT_EQ(printed, QString::fromUtf8(GetParam().printed));
    EXPECT_EQ(outcome.rows, printed.count(u'\n'));
    EXPECT_EQ(outcome.changed, GetParam().changed);
}
INSTANTIATE_TEST_SUITE_P(HostDatabaseCommands, SqlAsJson, ::testing::Values(
    Printed{"TypedColumns", "Select TimeZoneID, Sunday, Monday, StartTime, NULL as Missing From TimeZones "
                            "Where TimeZoneID = 10",
            R"({"TimeZoneID":10,"Sunday":false,"Monday":true,"StartTime":"07:00","Missing":null})" "\n", -1},
    Printed{"Date", "Select GroupID, CreatedDate From EventFilterGroups Where GroupID = 1",
            R"({"GroupID":1,"CreatedDate":"2024-03-04 09:12:40"})" "\n", -1},
    Printed{"TwoRows", "Select Top 2 OperatorID, FullName From Operators Order By OperatorID desc",
            R"({"OperatorID":103,"FullName":"María López"})" "\n"
            R"({"OperatorID":102,"FullName":"Jordan Smith"})" "\n", -1},
    Printed{"Escapes", R"(Select Address, N'say "hi"' as Quoted, 2.5 as Half From Doors Where DoorID = 1)",
            R"({"Address":"\\\\SRV1.1.1.DR01","Quoted":"say \"hi\"","Half":2.5})" "\n", -1},
    Printed{"Procedure", "EXEC rp_Role_Routing_Granted_Timezones 103",
            R"({"GenericTimeZoneID":3})" "\n" R"({"GenericTimeZoneID":4})" "\n", -1},
    Printed{"NoRows", "Select * From Operators Where OperatorID = 0", "", -1},
    Printed{"ProcedureWithoutRows", "ZUL_DeleteFilterGroup 77", "", -1},
    Printed{"Update", "  update Profile_Details Set [Value] = 'True' Where Property = 'LoadCachedEvents'", "", 3},
    Printed{"MissingTable", "Select * From NoSuchTable", nullptr, -1}), rowName);

using Procedures = HostDbTest;

TEST_F(Procedures, GrantedTimeZonesZoneDefinitionsAndRegistryValues)
{
    const QString granted = "EXEC rp_Role_Routing_Granted_Timezones %1";
    EXPECT_EQ(column(granted.arg(101)), QStringList{"2"}); // always
    EXPECT_EQ(column(granted.arg(102)), QStringList{"6"}); // the guard shifts master zone
    EXPECT_EQ(column(granted.arg(103)), QStringList({"3", "4"}));
    EXPECT_TRUE(rows(granted.arg(999)).empty());
    // A master zone's members are global zone numbers that the zone procedure answers for.
    for (const auto &member : rows("select * from mastertimezonestotimezones where mastertimezoneid=20"))
        EXPECT_EQ(rows(QStringLiteral("rp_FetchTimeZoneInfo %1").arg(CLng(member[1]))).size(), 1u) << CLng(member[1]);
    const std::unique_ptr<Recordset> zone = db().openRecordset("rp_FetchTimeZoneInfo 10");
    ASSERT_FALSE(zone->eof());
    EXPECT_EQ(zone->field("Sunday"), Variant(false));
    EXPECT_EQ(zone->field("Monday"), Variant(true));
    EXPECT_EQ(zone->field("StartTime"), Variant("07:00"));
    const auto own = rows("EXEC RegistryRead 'SRV1','PaxServer','EnableRouting'");
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own.back().front(), Variant("True")); // the server's own value last
    EXPECT_EQ(column("EXEC RegistryRead 'SRV9','PaxServer','EnableRouting'"), QStringList{"False"});
    EXPECT_TRUE(rows("EXEC RegistryRead 'SRV1','PaxServer','NoSuchKey'").empty());
    EXPECT_TRUE(rows("rp_FetchTimeZoneInfo 99").empty());
}

// The properties dialog creates a group through a command with an output parameter, writes its rows, points
// the profile at it, and may delete it again.
TEST_F(Procedures, FilterGroupLifecycle)
{
    Command insert("ZUL_InsertEventFilterGroup");
    insert.append("SiteID", ParameterDirection::Input, qint32(0));
    insert.append("GroupName", ParameterDirection::Input, QStringLiteral("Nachtschicht – Süd"));
    insert.append("ReturnedID", ParameterDirection::Output);
    insert.append("OperatorID", ParameterDirection::Input, qint32(103));
    db().execute(insert);
    const qint32 group = CLng(insert.parameter("ReturnedID").value);
    EXPECT_EQ(group, 3); // after the two demo groups
    const auto groupsOf = [this](int user) {
        QStringList names;
        for (const auto &row : rows(QStringLiteral("ZUL_Roles_Fetch_EventFilterGroups 1, %1").arg(user)))
            names << CStr(row[0]) + u' ' + CStr(row[1]);
        return names.join(u'|');
    };
    EXPECT_EQ(groupsOf(101), "1 Front Entrance & Alarms|2 Hide Warehouse & Annex|3 Nachtschicht – Süd");
    EXPECT_EQ(groupsOf(102), "1 Front Entrance & Alarms");
    EXPECT_EQ(groupsOf(103), "2 Hide Warehouse & Annex|3 Nachtschicht – Süd");
    const QString filters = QStringLiteral("Select * from EventFilters Where GroupID = %1");
    const QString pointer =
        "Select [Value] From Profile_Details Where ProfileID = %1 AND ObjectID = 4 AND Property = 'FilterGroupID'";
    db().execute(QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, "
                                "SQL)Values (%1, N'Nachtschicht – Süd', 0, N'5001', N'((Event is ''5001'') )', "
                                "N'(([ID] = 5001) )')").arg(group));
    db().execute(QStringLiteral("Update Profile_Details Set Value = '%1' Where Property = 'FilterGroupID' AND "
                                "ObjectID = 4 AND ProfileID = 3").arg(group));
    EXPECT_EQ(rows(filters.arg(group)).size(), 1u);
    db().execute(QStringLiteral("ZUL_DeleteFilterGroup %1").arg(group));
    EXPECT_TRUE(rows(filters.arg(group)).empty());
    EXPECT_EQ(groupsOf(103), "2 Hide Warehouse & Annex");
    EXPECT_EQ(scalar(pointer.arg(3)), Variant("0"));
    // Another group's rows and the profiles that point at it stay.
    EXPECT_EQ(rows(filters.arg(1)).size(), 4u);
    EXPECT_EQ(scalar(pointer.arg(2)), Variant("1"));
}

// The statements the viewer sends to look things up, exactly as it writes them, with what the demo site must
// answer: the number of rows and column 0 of the first (Empty when any value will do).
struct LookUp { const char *name; QString sql; int rowCount; Variant first; };
QString deniedCount(const char *arguments) { return QStringLiteral("EXEC rp_Role_Routing_DeniedCount ") + arguments; }
using LookUps = HostDbTable<LookUp>;
TEST_P(LookUps, AnswerWhatTheViewerReads)
{
    const auto found = rows(GetParam().sql);
    ASSERT_EQ(int(found.size()), GetParam().rowCount);
    if (const Variant &first = GetParam().first; !first.isEmpty()) { EXPECT_EQ(found.front().front(), first); }
}
INSTANTIATE_TEST_SUITE_P(StatementShapes, LookUps, ::testing::Values(
    LookUp{"ZekoDefinitions", "Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions", 13, qint32(80001)},
    LookUp{"ZekoEventType", "Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 80200", 1, qint32(22)},
    LookUp{"IntegratedAlarm", "Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 10001", 1, qint32(10001)},
    LookUp{"IntegratedNonAlarm", "Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 15000", 0, {}},
    LookUp{"MiscProperty", "Select [Value] From MiscProperties Where [Name] = 'EV_ShowMS'", 1, "False"},
    LookUp{"GenericTimeZone", "SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=6", 1,
           qint32(20)},
    LookUp{"MasterZoneMembers", "select * from mastertimezonestotimezones where mastertimezoneid=20", 3, qint32(20)},
    LookUp{"PortAddress", "Select Address From ServerPorts Where PortID = 2", 1, R"(\\SRV1.2)"},
    LookUp{"ZekoControllerAddress", "Select Address From ZEKO_Controllers Where ID = 1", 1, R"(\\ZEKO01)"},
    LookUp{"DoorByAddressIgnoringCase", R"(Select DoorID From Doors Where Address = '\\srv1.1.1.dr01')", 1, qint32(1)},
    LookUp{"ZekoDoorByAddress", R"(Select DoorID From ZEKO_Doors Where Address = '\\ZEKO01.1.DR01')", 1, qint32(501)},
    LookUp{"SitesByName", "Select * From Sites Order By SiteDescr desc", 2, qint32(2)},
    LookUp{"PortsByName", "Select PortID, PortName From ServerPorts Order By PortName desc", 4, qint32(4)},
    LookUp{"ControllersOfBothFamilies", "Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers  "
                                        "Union Select ID, [Name], 2 From ZEKO_Controllers Order By [Name] desc", 9,
           qint32(5)},
    LookUp{"ZekoEventPicker", "Select EventID, DefaultDescription, Description From [ZEKO_EventDefinitions] Where "
                              "DefaultDescription Not Like 'Undefined%' Order By eventID desc", 12, qint32(80501)},
    LookUp{"ProfileRedrawRate", "Select [Value] From Profile_Details Where ProfileID = 1 AND ObjectID = 4 AND "
                                "Property = 'RedrawRate'", 1, "0"}), rowName);
// Demo site: operator 101 is the administrator, 102 a guard (workstations 2 and 3), 103 a supervisor. Credential
// 1007 belongs to a card holder of the Executive department. The routing procedures count the rules that deny
// an event.
INSTANTIATE_TEST_SUITE_P(RoutingDenials, LookUps, ::testing::Values(
    LookUp{"GuardsNoServerRoom", deniedCount(R"(102,2,5020,'\\SRV1.1.3.IN02')"), 1, qint32(1)},
    LookUp{"AddressesIgnoreCase", deniedCount(R"(102,2,5020,'\\srv1.1.3.in02')"), 1, qint32(1)},
    LookUp{"TheAdministratorSeesIt", deniedCount(R"(101,1,5020,'\\SRV1.1.3.IN02')"), 1, qint32(0)},
    LookUp{"GuardsNoSoftwareEvents", deniedCount(R"(102,2,1001,'\\SRV1')"), 1, qint32(1)},
    LookUp{"TheGrantRowDeniesNothing", deniedCount(R"(102,2,5000,'\\SRV1.1.1.DR01')"), 1, qint32(0)},
    LookUp{"OnlyAtGuardDesk2", deniedCount(R"(102,3,2000,'\\SRV1.2.1.RD01')"), 1, qint32(1)},
    LookUp{"NotAtGuardDesk1", deniedCount(R"(102,2,2000,'\\SRV1.2.1.RD01')"), 1, qint32(0)},
    LookUp{"SupervisorZeko02", deniedCount(R"(103,1,80200,'\\ZEKO02.2.1')"), 1, qint32(1)},
    LookUp{"SupervisorZeko01", deniedCount(R"(103,1,80200,'\\ZEKO01.2.3')"), 1, qint32(0)},
    LookUp{"UnknownOperator", deniedCount(R"(999,1,5020,'\\SRV1.1.3.IN02')"), 1, qint32(0)},
    LookUp{"GuardExecutiveCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1007,0", 1, qint32(1)},
    LookUp{"GuardExecutiveSecondCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1001,1007", 1, qint32(1)},
    LookUp{"GuardOtherCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1001,0", 1, qint32(0)},
    LookUp{"SupervisorExecutiveCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 103,1,1007,0", 1, qint32(0)},
    LookUp{"ZekoGuardFirstCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,9001,0", 1, qint32(1)},
    LookUp{"ZekoGuardSecondCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,9001", 1, qint32(1)},
    LookUp{"ZekoGuardNoCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,0", 1, qint32(0)},
    LookUp{"ZekoAdministrator", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 101,9001,0", 1, qint32(0)}), rowName);

using StatementShapes = HostDbTest;

TEST_F(StatementShapes, EveryEventPickerQueryRunsInBothHardwareModes)
{
    const QString tail = " DefaultDescription Not Like 'Undefined%' Order By eventID desc";
    const QString internalTail = " DefaultDescription Not Like 'Undefined%'  Order By eventID desc";
    int withHardware = 0;
    int withoutHardware = 0;
    for (const char *table : {"IntegratedEvents", "InternalEvents", "PortEvents ", "MISCEvents ", "ArdoEvents ",
                              "ProgrammingEvents ", "Alarms ", "ExternalEvents ", "SystemTransactionEvents ",
                              "SoftwareTransactionEvents "}) {
        SCOPED_TRACE(table);
        const QString head =
            QStringLiteral("Select EventID, DefaultDescription, Description From %1 Where ").arg(table);
        const QString end = QString(table) == "InternalEvents" ? internalTail : tail;
        const auto all = rows(head + end);
        ASSERT_FALSE(all.empty());
        EXPECT_GT(CLng(all.front()[0]), CLng(all.back()[0])); // newest number first
        for (const auto &row : all)
            EXPECT_FALSE(CStr(row[1]).startsWith("Undefined"));
        withHardware += int(all.size());
        withoutHardware += int(rows(head + "DefaultDescription Not Like '%PELA*Bus%' AND " + end).size());
    }
    // The PELA*Bus definitions (one external, one internal) are hidden without second-family hardware.
    EXPECT_EQ(withHardware - withoutHardware, 2);
}

// The archive statement as the loader builds it, without "Top" when a type filter or a filter group adds a
// condition; counts are checked against SQLite's own functions.
struct Condition { const char *name; QString condition, nativeCondition; };
using ArchiveConditions = HostDbTable<Condition>;
const QString tail = "substr(Address, instr(Address, '.') + 1)";

TEST_P(ArchiveConditions, SelectWhatSqliteCounts)
{
    const auto found =
        rows("Select DISTINCT  * from [VIEW_EventLog_AllEvents] " + GetParam().condition + " order by [dbDate] desc");
    const qint64 expected = SqliteFile(path(), SqliteFile::OpenMode::OpenExisting)
                                .queryInt("SELECT count(*) FROM VIEW_EventLog_AllEvents " + GetParam().nativeCondition);
    ASSERT_GT(expected, 0);
    EXPECT_EQ(qint64(found.size()), expected);
    for (std::size_t i = 1; i < found.size(); ++i)
        ASSERT_GE(found[i - 1][1].asDate(), found[i][1].asDate());
}
INSTANTIATE_TEST_SUITE_P(StatementShapes, ArchiveConditions, ::testing::Values(
    Condition{"TypeFilterAlarm", "Where Type like N'%Alarm%'", "WHERE Type LIKE '%alarm%'"},
    Condition{"TypeFilterCommunication", "Where Type like N'%Communication%'", "WHERE Type LIKE '%Communication%'"},
    // an include group stored with the dialog's ready-made clauses: event and controller, port, Ardo
    Condition{"IncludeGroup",
              R"( Where ((([ID] = 2000) AND (Address LIKE '\\SRV1.1.1%')) OR (Address NOT LIKE '\\ZEKO%' AND ('\\' + )"
              R"(Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\1.2%')) OR )"
              R"((Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.3%')))",
              R"(WHERE (ID = 2000 AND Address LIKE '\\SRV1.1.1%') OR (Address NOT LIKE '\\ZEKO%' AND )" + tail +
                  R"( LIKE '1.2%') OR (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.3%'))"},
    // an exclude group in the older form: the builder's own clause for "\\SRV1.2" and "\\ZEKO02"
    Condition{"ExcludeGroupOlderForm",
              R"( Where NOT ( (Address NOT LIKE '\\ZEKO%' AND ('\\' + )"
              R"(Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\2%'))) OR   (Address LIKE '\\ZEKO02%'))",
              R"(WHERE NOT (Address NOT LIKE '\\ZEKO%' AND )" + tail + R"( LIKE '2%') OR Address LIKE '\\ZEKO02%')"},
    Condition{"EventNumberOlderForm", " Where  ([ID] =5000 )", "WHERE ID = 5000"},
    Condition{"TypeFilterAndGroup", "Where Type like N'%Transaction%' AND NOT ( ([ID] =2000 ))",
              "WHERE Type LIKE '%Transaction%' AND ID <> 2000"}), rowName);

TEST_F(StatementShapes, TheArchiveWithoutConditionTakesTheNewestRows)
{
    const auto newest = rows("Select DISTINCT Top 100 * from [VIEW_EventLog_AllEvents]  order by [dbDate] desc");
    ASSERT_EQ(newest.size(), 100u);
    const std::vector<Variant> &row = newest.front();
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[1].type(), VarType::Date);
    EXPECT_EQ(row[3].type(), VarType::Long);
    const Date end = Date::fromDateTime(TestDatabase::options(TestDatabase::Site::Demo).archiveEnd);
    EXPECT_LE(row[1].asDate(), end.addMilliseconds(1500));
    EXPECT_GE(row[1].asDate(), end.addMilliseconds(-6 * 3600 * 1000));
}

// The credential and photo look-ups find the logged row from the controller time and the description, also
// when the description holds an apostrophe.
TEST_F(StatementShapes, CredentialLookUpsFindTheLoggedEvent)
{
    const auto at = [](const QString &table, const std::vector<Variant> &row) {
        return QStringLiteral(" From %1 Where dtDate = '%2' and Description = '%3'")
            .arg(table, row[0].asDate().format("yyyy-mm-dd hh:nn:ss"), CStr(row[1]).replace(u'\'', "''"));
    };
    const auto logged = rows("Select dtDate, Description, UID1, NetAddress From Log_Transactions "
                             "Where Description Like '%O''Brien%' And Event = 2000");
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(scalar("Select UID1" + at("Log_Transactions", logged.front())), logged.front()[2]);
    const auto photo = rows("Select UID1, NetAddress, Event" + at("Log_Transactions", logged.front()));
    ASSERT_EQ(photo.size(), 1u);
    const QString address = CStr(photo.front()[1]);
    const QString door = address.left(address.size() - 4) + "DR" + address.right(2);
    EXPECT_GE(CLng(scalar("Select DoorID From Doors Where Address = '" + door + "'")), 1);
    using Logged = std::tuple<const char *, const char *, const char *>;
    for (const auto &[table, event, column] :
         {Logged{"AlarmActive", "EventID = 5500", "Address"}, Logged{"Log_Misc", "Event = 8020", "NetAddress"}}) {
        SCOPED_TRACE(table);
        const auto found = rows(QStringLiteral("Select dtDate, Description From %1 Where %2").arg(table, event));
        ASSERT_FALSE(found.empty());
        EXPECT_GT(CLng(scalar("Select UID1" + at(table, found.front()))), 0);
        EXPECT_EQ(rows(QStringLiteral("Select UID1, %1").arg(column) + at(table, found.front())).size(), 1u);
    }
}

// What the properties dialog and the profile store write, read back as they will be read.
TEST_F(StatementShapes, WritesKeepUnicodeApostrophesAndNumbers)
{
    db().execute(R"(Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)Values )"
                 R"((9, N'Müller''s Nachtschicht – Süd', 1, N'\\ZEKO01', N'(Controller is ''Laboratory Panel'')', )"
                 R"(N'(Address LIKE ''\\ZEKO01%'')'))");
    const auto group = rows("Select * from EventFilters Where GroupID = 9");
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(CStr(group[0][1]), "Müller's Nachtschicht – Süd");
    EXPECT_EQ(CStr(group[0][4]), "(Controller is 'Laboratory Panel')");
    EXPECT_EQ(CStr(group[0][5]), R"((Address LIKE '\\ZEKO01%'))");
    // The profile store's procedure inserts or replaces a property.
    const QString lookUp =
        "Select [Value] From Profile_Details Where ProfileID = 3 AND ObjectID = 4 AND Property = '%1'";
    db().execute("ZUL_Update_Profile_Persisted_Details 3, 4, 'MaxLines', '250'");
    db().execute("ZUL_Update_Profile_Persisted_Details 3, 4, 'Height', '6000'");
    db().execute("ZUL_Update_Profile_Persisted_Details 3, 4, 'ColumnHeaders', N'ID][Event''s Nümmer][1][58][True'");
    EXPECT_EQ(scalar(lookUp.arg("MaxLines")), Variant("250"));
    EXPECT_EQ(scalar(lookUp.arg("Height")), Variant("6000"));
    EXPECT_EQ(scalar(lookUp.arg("ColumnHeaders")), Variant("ID][Event's Nümmer][1][58][True"));
    EXPECT_EQ(CLng(scalar("Select count(*) From Profile_Details Where ProfileID = 3 AND ObjectID = 4")), 8);
    // WriteProperty: insert where there is no row, update where there is one; the value is unquoted.
    EXPECT_TRUE(rows(lookUp.arg("RedrawRate")).empty());
    db().execute("Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (3,4,'RedrawRate',0)");
    db().execute("Update Profile_Details Set [Value] = 7 Where ProfileID =3 AND ObjectID = 4 AND "
                 "Property = 'RedrawRate'");
    EXPECT_EQ(scalar(lookUp.arg("RedrawRate")), Variant("7"));
}

} // namespace
} // namespace Ostraven::Testing
