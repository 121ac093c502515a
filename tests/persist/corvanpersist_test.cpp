#include "persist/corvanpersist.h"

#include "support/componentfixture.h"
#include "support/reportedlabels.h"

#include "model/ccircularbuffer.h"
#include "support/sqlitedriverof.h"
#include "viewer/fevents.h"

#include <QElapsedTimer>
#include <QWidget>

#include <tuple>

namespace Ostraven::Testing {
namespace {

const QString defaultColors = "0,16777215,6250335,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712";
const ColourSlots defaultSlots{0, 16777215, 6250335, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712};
constexpr qint32 profile = 40;
const QString lookUpRedrawRate = "Select [Value] From Profile_Details Where ProfileID = 40 AND ObjectID = 4 AND Property = 'RedrawRate'";
const QString insertRedrawRate = "Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (40,4,'RedrawRate',0)";
const QString updateRedrawRate = "Update Profile_Details Set [Value] = %1 Where ProfileID =40 AND ObjectID = 4 AND Property = 'RedrawRate'";

// A module over its own empty site, with the host's own NTConnection (SQL quoting and the administrator's
// permissions) and profile 40.
struct ProfileSite {
    ProfileSite()
    {
        module.host.DBConnection = database.connection();
        module.host.NTConnection = std::make_shared<Host::HostNTConnection>(config, database.connection(), record);
        module.host.CurrentProfileID = profile;
    }
    void insertRow(qint32 profileId, qint32 objectId, const QString &property, const QString &value)
    {
        database.execute(QStringLiteral("INSERT INTO Profile_Details VALUES (%1, %2, '%3', '%4')").arg(profileId).arg(objectId).arg(property, value));
    }
    // The stored value, or "(none)" without a row.
    [[nodiscard]] QString stored(const char *property, qint32 profileId = profile) const
    {
        return database.column(QStringLiteral("SELECT [Value] FROM Profile_Details WHERE ProfileID = %1 AND ObjectID = 4 AND Property = '%2'")
                                   .arg(profileId).arg(property)).value(0, "(none)");
    }
    // Exactly one error box was shown, naming the given function.
    [[nodiscard]] bool reported(const char *function) const { return desktop->boxes().size() == 1 && desktop->boxes().front().request.text.contains(function); }

    TestDatabase database;
    Host::HostConfig config;
    Host::HostRecord record;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, database.folder()};
};

// FilterGroupID, MaxLinesSetting, LoadCachedEvents, DisplayEventsAtTop, Colors, ColumnHeaders, TypeFilter.
using Settings = std::tuple<qint32, qint32, bool, bool, QString, QString, qint32>;
auto settings(MPublic &m)
{
    return std::tie(m.profile.FilterGroupID, m.profile.MaxLinesSetting, m.profile.LoadCachedEvents, m.profile.DisplayEventsAtTop,
                    m.profile.Colors, m.profile.ColumnHeaders, m.profile.TypeFilter);
}

const Settings previous{0, 250, false, true, "1,2,3,4,5,6,7,8,9,10,11,12", "previous headers", 3};
const ColourSlots previousSlots{21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
const QString custom = "0,16777215,4210752,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712";
const ColourSlots customSlots{0, 16777215, 4210752, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712};
const QString dflt = "Use Object Default";

// What a load of the profile's rows leaves; maxLines stays 7 when the load stopped before applying it.
struct Load { const char *name; std::vector<std::pair<QString, QString>> rows; qint32 previousGroup; Settings expected; ColourSlots slots; qint32 maxLines; bool filterActive, reported; };
class LoadPersistence : public ::testing::TestWithParam<Load> {};
TEST_P(LoadPersistence, AppliesTheProfileRows)
{
    const Load &c = GetParam();
    ProfileSite site;
    MPublic &module = site.module;
    settings(module) = previous;
    module.profile.FilterGroupID = c.previousGroup;
    module.profile.MaxLines = 7;
    module.profile.colourSlots = previousSlots;
    module.filter.FilterActive = !c.filterActive;
    module.filter.CanViewAllEvents = false;
    // Rows of another component and of another profile must not count.
    site.insertRow(profile, 3, "MaxLines", "50");
    site.insertRow(profile + 1, 4, "MaxLines", "60");
    for (const auto &[property, value] : c.rows)
        site.insertRow(profile, 4, property, value);
    CorvanPersist(module).LoadPersistence();
    EXPECT_EQ(std::tuple(Settings(settings(module)), module.profile.colourSlots, module.profile.MaxLines), std::tuple(c.expected, c.slots, c.maxLines));
    // A load that stopped applies nothing: the permissions are not asked again.
    EXPECT_EQ(std::pair(site.reported("Function: EventViewObject.CorvanPersist.LoadPersistence("), module.filter.CanViewAllEvents),
              std::pair(c.reported, !c.reported));
    if (!c.reported) {
        EXPECT_EQ(std::tuple(site.desktop->boxes().size(), module.filter.FilterActive, module.messageBuffer().capacity()), std::tuple(0u, c.filterActive, c.maxLines));
    }
}

INSTANTIATE_TEST_SUITE_P(CorvanPersist, LoadPersistence, ::testing::Values(
    Load{"NoRows", {}, 0, previous, previousSlots, 250, false, false},
    Load{"ObjectDefaults", {{"MaxLines", dflt}, {"LoadCachedEvents", dflt}, {"Colors", dflt}, {"TypeFilter", dflt}, {"ColumnHeaders", dflt}}, 0, {0, 100, true, true, defaultColors, dflt, 0}, defaultSlots, 100, false, false},
    Load{"StoredValues", {{"FilterGroupID", "2"}, {"MaxLines", "500"}, {"LoadCachedEvents", "True"}, {"DisplayEventsAtTop", "False"}, {"Colors", custom}, {"ColumnHeaders", "ID][Event ID][1][58][True"}, {"TypeFilter", "4"}, {"Height", "7200"}, {"Left", "abc"}, {"RedrawRate", "x"}},
         0, {2, 500, true, false, custom, "ID][Event ID][1][58][True", 4}, customSlots, 500, true, false},
    Load{"NamesComparedExactly", {{"maxlines", "500"}, {"typefilter", "9"}}, 0, previous, previousSlots, 250, false, false},
    Load{"GroupZeroClearsTheFilter", {{"FilterGroupID", "0"}}, 2, previous, previousSlots, 250, false, false},
    Load{"ObjectDefaultWhereThereIsNone", {{"DisplayEventsAtTop", dflt}}, 0, previous, previousSlots, 7, false, true},
    Load{"GroupThatIsNoNumber", {{"FilterGroupID", dflt}}, 0, previous, previousSlots, 7, false, true}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(CorvanPersist, SavePersistenceSendsEverySettingThenTheRedrawRate)
{
    ProfileSite site;
    // A quote in a saved text stays inside its literal.
    settings(site.module) = Settings{2, 500, true, false, "0,1'2", "Description][Operator's Note][1][485][True", 3};
    site.module.profile.MaxLines = 20;
    // Rows of another profile and component must be neither read nor changed.
    site.insertRow(profile + 1, 4, "RedrawRate", "9");
    site.insertRow(profile, 3, "RedrawRate", "8");
    QWidget viewer;
    viewer.setGeometry(10, 20, 640, 480);
    QStringList settings;
    for (const QString &tail : QStringList{"'Height', '7200'", "'Left', '150'", "'Top', '300'", "'Width', '9600'", "'FilterGroupID', '2'", "'MaxLines', '500'",
                                "'LoadCachedEvents', 'True'", "'DisplayEventsAtTop', 'False'", "'Colors', '0,1''2'",
                                "'ColumnHeaders', N'Description][Operator''s Note][1][485][True'", "'TypeFilter', N'3'"})
        settings << "ZUL_Update_Profile_Persisted_Details 40, 4, " + tail;
    settings << lookUpRedrawRate;
    site.database.startTrace();
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ(site.database.takeTrace(), settings + QStringList{insertRedrawRate});
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ(site.database.takeTrace(), settings + QStringList{updateRedrawRate.arg("0")});
    CorvanPersist(site.module).WriteProperty("RedrawRate", 2.5);
    EXPECT_EQ(site.database.takeTrace(), (QStringList{lookUpRedrawRate, updateRedrawRate.arg("2.5")}));
    EXPECT_TRUE(site.desktop->boxes().empty());
    // A RedrawRate that is no number stands unquoted in the statement, is refused, and is reported.
    CorvanPersist(site.module).WriteProperty("RedrawRate", "fast");
    EXPECT_TRUE(site.reported("CorvanPersist.WriteProperty("));
    EXPECT_EQ((QStringList{site.stored("Colors"), site.stored("RedrawRate"), site.stored("RedrawRate", profile + 1)}), (QStringList{"0,1'2", "2.5", "9"}));
    // The saved size and position are not applied back.
    CorvanPersist(site.module).SetPosition(viewer);
    EXPECT_EQ(viewer.geometry(), QRect(10, 20, 640, 480));
}

// A value that does not convert stops the load: what was read before it (rows come in the order of the property
// names) is saved again, the rest is left as stored rather than overwritten with values the viewer never read.
TEST(CorvanPersist, SettingsALoadDidNotReachAreNotSavedOver)
{
    ProfileSite site;
    site.insertRow(profile, 4, "ColumnHeaders", "Description][Description][1][300][True");
    site.insertRow(profile, 4, "DisplayEventsAtTop", dflt);
    site.insertRow(profile, 4, "MaxLines", "300");
    CorvanPersist(site.module).LoadPersistence();
    ASSERT_TRUE(site.reported("CorvanPersist.LoadPersistence("));
    site.desktop->clearRecords();
    site.module.profile.ColumnHeaders = "Description][Description][1][200][True";
    site.module.profile.MaxLinesSetting = 400;
    QWidget viewer;
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_TRUE(site.desktop->boxes().empty());
    EXPECT_EQ((QStringList{site.stored("ColumnHeaders"), site.stored("DisplayEventsAtTop"), site.stored("MaxLines"), site.stored("Colors")}),
              (QStringList{"Description][Description][1][200][True", dflt, "300", "(none)"}));
    EXPECT_NE(site.stored("Height"), "(none)");
    // The next load that succeeds makes every setting savable again.
    site.database.execute("UPDATE Profile_Details SET [Value] = 'False' WHERE Property = 'DisplayEventsAtTop'");
    CorvanPersist(site.module).LoadPersistence();
    EXPECT_TRUE(site.module.profile.unreadSettings.isEmpty());
    // Quoting by a host that fails gives an empty text, which does not replace the stored layout.
    site.module.host.NTConnection = std::make_shared<MemberTable>();
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ((QStringList{site.stored("ColumnHeaders"), site.stored("DisplayEventsAtTop")}), (QStringList{"Description][Description][1][200][True", "False"}));
}

const QString customColumns = "Description][Description][1][300][True,dbTime][Host Time][2][120][True";

// The stored profile survives whatever the database does to the viewer in between: a setting that could not be
// read is not written back, and a save that cannot be written is reported and changes nothing.
class ProfileSafetyTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        db().execute("UPDATE Profile_Details SET [Value] = '" + customColumns + "' WHERE ProfileID = 1 AND ObjectID = 4 AND Property = 'ColumnHeaders'");
        sqlite().setLockWaitAllowance(std::chrono::milliseconds(200));
    }
    SqliteDriver &sqlite() { return sqliteDriverOf(db()); }
    // The next user action waits for the lock afresh and its boxes are counted on their own.
    void nextAction() { db().endUserAction(); desktop().clearRecords(); }
    QStringList storedProfile()
    {
        return column("SELECT Property || '=' || [Value] FROM Profile_Details WHERE ProfileID = 1 AND ObjectID = 4 "
                      "AND Property NOT IN ('Height', 'Left', 'Top', 'Width') ORDER BY Property");
    }
};

// Another program holds the database while the viewer opens: every setting goes unread, quickly and reported;
// whether or not the lock is still there at closing time, the stored layout is kept, and the next show reads it.
struct Lock { const char *name; bool lockedWhileClosing; std::vector<std::string> closingReports; };
class LockWhileOpening : public ProfileSafetyTest, public ::testing::WithParamInterface<Lock> {};

TEST_P(LockWhileOpening, DoesNotCostTheOperatorsLayout)
{
    const QStringList before = storedProfile();
    const ConnectionPtr other = Connection::openSqlite(folder() + "/host.sqlite");
    other->execute("BEGIN EXCLUSIVE");
    QElapsedTimer clock;
    clock.start();
    event().Show();
    EXPECT_LT(clock.elapsed(), 2000) << "every statement of the show waited for the lock";
    EXPECT_TRUE(!desktop().boxes().empty() && module().profile.unreadSettings.size() == 7);
    if (!GetParam().lockedWhileClosing)
        other->execute("ROLLBACK");
    nextAction();
    clock.restart();
    (void)module().windows().unloadEvents();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(reportedLabels(desktop()), GetParam().closingReports);
    if (GetParam().lockedWhileClosing)
        other->execute("ROLLBACK");
    EXPECT_EQ(storedProfile(), before);
    nextAction();
    event().Show();
    EXPECT_EQ(std::tuple(desktop().boxes().size(), module().profile.ColumnHeaders, module().windows().events().vGrid->columnCount()),
              std::tuple(std::size_t(0), customColumns, 2));
}

INSTANTIATE_TEST_SUITE_P(ClosingTime, LockWhileOpening, ::testing::Values(Lock{"LockGone", false, {}}, Lock{"StillLocked", true, {"CorvanPersist.SavePersistence"}}),
                         [](const auto &row) { return std::string(row.param.name); });

TEST_F(ProfileSafetyTest, ASaveThatCannotBeWrittenIsReportedOnceAndChangesNothing)
{
    event().Show();
    ASSERT_TRUE(desktop().boxes().empty());
    const QStringList before = storedProfile();
    module().profile.MaxLinesSetting = 250;
    module().profile.TypeFilter = 4;
    sqlite().executeScript("PRAGMA query_only = 1");
    (void)module().windows().unloadEvents();
    EXPECT_EQ(reportedLabels(desktop()), std::vector<std::string>{"CorvanPersist.SavePersistence"});
    EXPECT_TRUE(boxTexts().value(0).contains("readonly")) << boxTexts().value(0).toStdString();
    EXPECT_EQ(storedProfile(), before);
}

} // namespace
} // namespace Ostraven::Testing
