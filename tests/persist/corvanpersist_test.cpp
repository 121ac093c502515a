#include "persist/corvanpersist.h"

#include "support/componentfixture.h"
#include "support/reportedlabels.h"

#include "model/ccircularbuffer.h"
#include "platform/db/sqlitebackend.h"
#include "viewer/fevents.h"

#include <QElapsedTimer>
#include <QWidget>

#include <optional>
#include <tuple>

namespace Ostraven::Testing {
namespace {

const QString defaultColors = "0,16777215,6250335,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712";
const ColourSlots defaultSlots{0, 16777215, 6250335, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712};
constexpr qint32 profile = 40;
const QString lookUpRedrawRate = "Select [Value] From Profile_Details Where ProfileID = 40 AND ObjectID = 4 AND Property = 'RedrawRate'";
const QString insertRedrawRate = "Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (40,4,'RedrawRate',0)";
QString updateRedrawRate(const char *value)
{
    return QStringLiteral("Update Profile_Details Set [Value] = %1 Where ProfileID =40 AND ObjectID = 4 AND Property = 'RedrawRate'").arg(value);
}

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
    [[nodiscard]] std::optional<QString> stored(const char *property, qint32 profileId = profile) const
    {
        const QStringList values = database.column(
            QStringLiteral("SELECT [Value] FROM Profile_Details WHERE ProfileID = %1 AND ObjectID = 4 AND Property = '%2'").arg(profileId).arg(property));
        return values.isEmpty() ? std::nullopt : std::optional(values.first());
    }
    // Exactly one error box was shown, naming the given function.
    [[nodiscard]] bool reported(const char *function) const
    {
        return desktop->boxes().size() == 1 && desktop->boxes().front().request.text.contains(function);
    }

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

const QString previousColors = "1,2,3,4,5,6,7,8,9,10,11,12";
const Settings previous{0, 250, false, true, previousColors, "previous headers", 3};
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
    EXPECT_EQ(Settings(settings(module)), c.expected);
    EXPECT_EQ(module.profile.colourSlots, c.slots);
    EXPECT_EQ(module.profile.MaxLines, c.maxLines);
    if (c.reported) {
        EXPECT_TRUE(site.reported("Function: EventViewObject.CorvanPersist.LoadPersistence("));
        EXPECT_FALSE(module.filter.CanViewAllEvents);
        return;
    }
    EXPECT_TRUE(site.desktop->boxes().empty());
    EXPECT_EQ(module.filter.FilterActive, c.filterActive);
    EXPECT_EQ(module.messageBuffer().capacity(), c.maxLines);
    EXPECT_TRUE(module.filter.CanViewAllEvents);
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
    settings(site.module) = Settings{2, 500, true, false, defaultColors, "Description][Operator's Note][1][485][True", 3};
    site.module.profile.MaxLines = 20;
    // Rows of another profile and component must be neither read nor changed.
    site.insertRow(profile + 1, 4, "RedrawRate", "9");
    site.insertRow(profile, 3, "RedrawRate", "8");
    QWidget viewer;
    viewer.setGeometry(10, 20, 640, 480);
    const QString call = "ZUL_Update_Profile_Persisted_Details 40, 4, ";
    QStringList settings;
    for (const char *tail : {"'Height', '7200'", "'Left', '150'", "'Top', '300'", "'Width', '9600'", "'FilterGroupID', '2'",
                             "'MaxLines', '500'", "'LoadCachedEvents', 'True'", "'DisplayEventsAtTop', 'False'"})
        settings << call + tail;
    settings << call + "'Colors', '" + defaultColors + "'" << call + "'ColumnHeaders', N'Description][Operator''s Note][1][485][True'"
             << call + "'TypeFilter', N'3'" << lookUpRedrawRate;
    site.database.startTrace();
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ(site.database.takeTrace(), settings + QStringList{insertRedrawRate});
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ(site.database.takeTrace(), settings + QStringList{updateRedrawRate("0")});
    CorvanPersist(site.module).WriteProperty("RedrawRate", 2.5);
    EXPECT_EQ(site.database.takeTrace(), (QStringList{lookUpRedrawRate, updateRedrawRate("2.5")}));
    EXPECT_TRUE(site.desktop->boxes().empty());
    EXPECT_EQ(site.stored("ColumnHeaders"), "Description][Operator's Note][1][485][True");
    EXPECT_EQ(site.stored("MaxLines"), "500");
    EXPECT_EQ(site.stored("RedrawRate"), "2.5");
    EXPECT_EQ(site.stored("RedrawRate", profile + 1), "9");
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
    EXPECT_EQ(site.stored("ColumnHeaders"), "Description][Description][1][200][True");
    EXPECT_EQ(site.stored("DisplayEventsAtTop"), dflt);
    EXPECT_EQ(site.stored("MaxLines"), "300");
    EXPECT_EQ(site.stored("Colors"), std::nullopt);
    EXPECT_NE(site.stored("Height"), std::nullopt);
    // The next load that succeeds makes every setting savable again.
    site.database.execute("UPDATE Profile_Details SET [Value] = 'False' WHERE Property = 'DisplayEventsAtTop'");
    CorvanPersist(site.module).LoadPersistence();
    EXPECT_TRUE(site.module.profile.unreadSettings.isEmpty());
    // Quoting by a host that fails gives an empty text, which does not replace the stored layout.
    site.module.host.NTConnection = std::make_shared<MemberTable>();
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_EQ(site.stored("ColumnHeaders"), "Description][Description][1][200][True");
    EXPECT_EQ(site.stored("DisplayEventsAtTop"), "False");
}

// A quote in a saved text stays inside its literal; a RedrawRate that is no number stands unquoted in the
// statement, is refused, and is reported; so is a load or a save without a connection, once.
TEST(CorvanPersist, FailingStatements)
{
    ProfileSite site;
    site.module.profile.Colors = "0,1'2";
    site.module.profile.TypeFilter = 5;
    QWidget viewer;
    CorvanPersist(site.module).SavePersistence(viewer);
    EXPECT_TRUE(site.desktop->boxes().empty());
    EXPECT_EQ(site.stored("Colors"), "0,1'2");
    EXPECT_EQ(site.stored("DisplayEventsAtTop"), "True");
    EXPECT_EQ(site.stored("TypeFilter"), "5");
    EXPECT_EQ(site.stored("RedrawRate"), "0");
    ProfileSite writing;
    CorvanPersist(writing.module).WriteProperty("RedrawRate", "fast");
    EXPECT_TRUE(writing.reported("CorvanPersist.WriteProperty("));
    EXPECT_EQ(writing.stored("RedrawRate"), std::nullopt);
    ProfileSite loading;
    loading.module.host.DBConnection.reset();
    loading.module.profile.MaxLinesSetting = 300;
    loading.module.profile.MaxLines = 7;
    CorvanPersist(loading.module).LoadPersistence();
    EXPECT_TRUE(loading.reported("CorvanPersist.LoadPersistence("));
    EXPECT_EQ(loading.module.profile.MaxLines, 7);
    ProfileSite saving;
    saving.module.host.DBConnection.reset();
    CorvanPersist(saving.module).SavePersistence(viewer);
    EXPECT_TRUE(saving.reported("CorvanPersist.SavePersistence("));
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
    SqliteBackend &sqlite() { return dynamic_cast<SqliteBackend &>(db().backend()); }
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
    EXPECT_FALSE(desktop().boxes().empty());
    EXPECT_EQ(module().profile.unreadSettings.size(), 7u);
    if (!GetParam().lockedWhileClosing)
        other->execute("ROLLBACK");
    db().endUserAction();
    desktop().clearRecords();
    clock.restart();
    (void)module().windows().unloadEvents();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(reportedLabels(desktop()), GetParam().closingReports);
    if (GetParam().lockedWhileClosing)
        other->execute("ROLLBACK");
    EXPECT_EQ(storedProfile(), before);
    db().endUserAction();
    desktop().clearRecords();
    event().Show();
    EXPECT_TRUE(desktop().boxes().empty());
    EXPECT_EQ(module().profile.ColumnHeaders, customColumns);
    EXPECT_EQ(module().windows().events().vGrid->columnCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(ClosingTime, LockWhileOpening, ::testing::Values(
    Lock{"LockGone", false, {}}, Lock{"StillLocked", true, {"CorvanPersist.SavePersistence"}}),
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
