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
    EXPECT_EQ(column("SELECT DISTINCT Type FROM VIEW_EventLog_AllEvents ORDER BY Type"),
              QStringList({"Integrated Event", "KORA*GATE Alarm", "KORA*GATE Communication", "KORA*GATE External",
                           "KORA*GATE Internal", "KORA*GATE Miscellaneous", "KORA*GATE Transaction", "Programming",
                           "Software", "ZEKO Programming", "ZEKO Software", "ZekoSeries Alarm", "ZekoSeries External",
                           "ZekoSeries Internal", "ZekoSeries Misc", "ZekoSeries Transaction"}));
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

// --sql prints the rows of a query as one JSON object per line; a statement that changes rows prints nothing.
// One the database refuses throws, and when its first word is no SQL keyword and names no procedure of the host,
// the error says it was read as a call of that word.
struct Printed { const char *name; QString sql, printed; int changed; };
constexpr int refused = -2; // printed: the error's description
using SqlAsJson = HostDbTable<Printed>;
TEST_P(SqlAsJson, PrintsRowsAsJsonLinesOrSaysWhyNot)
{
    QString printed;
    QTextStream out(&printed);
    try {
        const HostDatabase::SqlOutcome outcome = HostDatabase::runSqlAsJson(db(), GetParam().sql, out);
        EXPECT_EQ(printed, GetParam().printed);
        EXPECT_EQ(outcome.rows, printed.count(u'\n'));
        EXPECT_EQ(outcome.changed, GetParam().changed);
    } catch (const VbError &error) {
        EXPECT_EQ(GetParam().changed, refused);
        EXPECT_EQ(error.description(), GetParam().printed);
    }
}
QString asCall(const char *failure, const char *word)
{
    return QStringLiteral("%1 The statement was taken as a call of the stored procedure '%2' because it does not "
                          "start with an SQL keyword such as SELECT, INSERT, UPDATE or DELETE; check the first word's "
                          "spelling, or write EXEC before a procedure's name.").arg(QLatin1String(failure), QLatin1String(word));
}
const QString granted = "EXEC rp_Role_Routing_Granted_Timezones ";
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
    Printed{"NoRows", "Select * From Operators Where OperatorID = 0", "", -1},
    Printed{"ProcedureWithoutRows", "ZUL_DeleteFilterGroup 77", "", -1},
    Printed{"Update", "  update Profile_Details Set [Value] = 'True' Where Property = 'LoadCachedEvents'", "", 3},
    // The procedures the viewer calls, with what the demo site answers.
    Printed{"GrantedAlways", granted + "101", R"({"GenericTimeZoneID":2})" "\n", -1},
    Printed{"GrantedTwo", granted + "103", R"({"GenericTimeZoneID":3})" "\n" R"({"GenericTimeZoneID":4})" "\n", -1},
    Printed{"GrantedUnknownOperator", granted + "999", "", -1},
    Printed{"ZoneInfo", "rp_FetchTimeZoneInfo 10", R"({"TimeZoneID":10,"Name":"Business Hours","Sunday":false,)"
            R"("Monday":true,"Tuesday":true,"Wednesday":true,"Thursday":true,"Friday":true,"Saturday":false,)"
            R"("StartTime":"07:00","EndTime":"18:00"})" "\n", -1},
    Printed{"NoZoneInfo", "rp_FetchTimeZoneInfo 99", "", -1},
    Printed{"RegistryNoSuchKey", "EXEC RegistryRead 'SRV1','PaxServer','NoSuchKey'", "", -1},
    Printed{"Misspelt", "selec 1", asCall("Could not find stored procedure 'selec'.", "selec"), refused},
    Printed{"MisspeltWithStar", "selec * from Sites", asCall("Incorrect syntax near '*'.", "selec"), refused},
    Printed{"MisspeltAfterBlanks", "  Updte Sites SET SiteName = 'x'", asCall("Incorrect syntax near 'SET'.", "Updte"),
            refused},
    Printed{"ExplicitExec", "EXEC selec 1", "Could not find stored procedure 'selec'.", refused},
    Printed{"KnownProcedure", "ZUL_DeleteFilterGroup 1, 2",
            "Procedure or function 'ZUL_DeleteFilterGroup' has too many arguments specified.", refused},
    Printed{"Keyword", "SELECT * FROM NoSuchTable", "no such table: NoSuchTable", refused}), rowName);

// Deleting a filter group takes its rows and points the profiles that used it at no group; another group's rows
// and the profiles that point at it stay.
TEST_F(HostDbTest, DeletingAFilterGroupLeavesTheOthers)
{
    const QString filters = "Select GroupID From EventFilters Order By GroupID", pointers = "Select ProfileID || '=' || "
        "[Value] From Profile_Details Where ObjectID = 4 AND Property = 'FilterGroupID' Order By ProfileID";
    ASSERT_EQ(column(pointers), QStringList({"1=0", "2=1", "3=2"}));
    db().execute("ZUL_DeleteFilterGroup 2");
    EXPECT_EQ(column(filters), QStringList({"1", "1", "1", "1"}));
    EXPECT_EQ(column(pointers), QStringList({"1=0", "2=1", "3=0"}));
    EXPECT_EQ(column("Select RoleID || ':' || GroupID From RoleEventFilterGroups"), QStringList{"2:1"});
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
    LookUp{"DoorByAddressIgnoringCase", R"(Select DoorID From Doors Where Address = '\\srv1.1.1.dr01')", 1, qint32(1)}),
    rowName);
// Demo site: operator 101 is the administrator, 102 a guard (workstations 2 and 3), 103 a supervisor. Credential
// 1007 belongs to a card holder of the Executive department. The routing procedures count the rules that deny
// an event.
INSTANTIATE_TEST_SUITE_P(RoutingDenials, LookUps, ::testing::Values(
    LookUp{"AddressesIgnoreCase", deniedCount(R"(102,2,5020,'\\srv1.1.3.in02')"), 1, qint32(1)},
    LookUp{"TheAdministratorSeesIt", deniedCount(R"(101,1,5020,'\\SRV1.1.3.IN02')"), 1, qint32(0)},
    LookUp{"TheGrantRowDeniesNothing", deniedCount(R"(102,2,5000,'\\SRV1.1.1.DR01')"), 1, qint32(0)},
    LookUp{"OnlyAtGuardDesk2", deniedCount(R"(102,3,2000,'\\SRV1.2.1.RD01')"), 1, qint32(1)},
    LookUp{"NotAtGuardDesk1", deniedCount(R"(102,2,2000,'\\SRV1.2.1.RD01')"), 1, qint32(0)},
    LookUp{"SupervisorZeko02", deniedCount(R"(103,1,80200,'\\ZEKO02.2.1')"), 1, qint32(1)},
    LookUp{"SupervisorZeko01", deniedCount(R"(103,1,80200,'\\ZEKO01.2.3')"), 1, qint32(0)},
    LookUp{"UnknownOperator", deniedCount(R"(999,1,5020,'\\SRV1.1.3.IN02')"), 1, qint32(0)},
    LookUp{"GuardExecutiveSecondCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1001,1007", 1, qint32(1)},
    LookUp{"SupervisorExecutiveCredential", "EXEC rp_Role_Routing_SysTranDeniedCount 103,1,1007,0", 1, qint32(0)},
    LookUp{"ZekoGuardFirstCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,9001,0", 1, qint32(1)},
    LookUp{"ZekoGuardSecondCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,9001", 1, qint32(1)},
    LookUp{"ZekoGuardNoCredential", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,0", 1, qint32(0)},
    LookUp{"ZekoAdministrator", "EXEC ZEKO_Role_Routing_SysTranDeniedCount 101,9001,0", 1, qint32(0)}), rowName);

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
    Condition{"TypeFilterAndGroup", "Where Type like N'%Transaction%' AND NOT ( ([ID] =2000 ))",
              "WHERE Type LIKE '%Transaction%' AND ID <> 2000"}), rowName);

// A filter row as the properties dialog writes it: Unicode, doubled apostrophes and backslashes read back as written.
TEST_F(HostDbTest, AFilterRowKeepsUnicodeApostrophesAndBackslashes)
{
    db().execute(R"(Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)Values )"
                 R"((9, N'Müller''s Nachtschicht – Süd', 1, N'\\ZEKO01', N'(Controller is ''Laboratory Panel'')', )"
                 R"(N'(Address LIKE ''\\ZEKO01%'')'))");
    const auto group = rows("Select FilterName, FilterType, Filter, FilterDescription, SQL from EventFilters Where GroupID = 9");
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(group[0], (std::vector<Variant>{"Müller's Nachtschicht – Süd", qint32(1), R"(\\ZEKO01)",
                                             "(Controller is 'Laboratory Panel')", R"((Address LIKE '\\ZEKO01%'))"}));
}

} // namespace
} // namespace Ostraven::Testing
