#include "persist/corvanpersist.h"

#include "filters/mpublic.h"
#include "model/ccircularbuffer.h"

#include "host/db/hostdatabase.h"
#include "platform/desktop/scripteddesktop.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

namespace Ostraven {
namespace {

const QString defaultColors =
    QStringLiteral("0,16777215,6250335,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712");
const ColourSlots defaultSlots{0,     16777215, 6250335, 255,   65280,    16776960,
                               16777215, 32896, 33023,   65535, 16744703, 16730712};
constexpr qint32 profile = 40;
// WriteProperty's statements for RedrawRate of profile 40, exactly as the database receives them.
const QString lookUpRedrawRate = QStringLiteral(
    "Select [Value] From Profile_Details Where ProfileID = 40 AND ObjectID = 4 AND Property = 'RedrawRate'");
const QString insertRedrawRate = QStringLiteral(
    "Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (40,4,'RedrawRate',0)");
QString updateRedrawRate(const QString &value)
{
    return QStringLiteral("Update Profile_Details Set [Value] = ") + value
           + QStringLiteral(" Where ProfileID =40 AND ObjectID = 4 AND Property = 'RedrawRate'");
}

// The host's service object as far as the settings store needs it: SQL quoting and a security
// object that grants ViewAllEvents.
DispatchPtr makeHost()
{
    auto host = std::make_shared<MemberTable>();
    host->onCall(QStringLiteral("Fix_Apostrophe"), [](Args &args) {
        return Variant(CStr(args.at(0)).replace(QLatin1Char('\''), QStringLiteral("''")));
    });
    host->onGet(QStringLiteral("Security"), [](Args &) {
        auto security = std::make_shared<MemberTable>();
        security->onPut(QStringLiteral("ComponentType"), [](Args &) { return Variant(); });
        security->onGet(QStringLiteral("SubPermissions"), [](Args &) {
            auto collection = std::make_shared<MemberTable>();
            collection->onGet(QStringLiteral("Item"), [](Args &) {
                auto item = std::make_shared<MemberTable>();
                item->onGet(QStringLiteral("CanView"), [](Args &) { return Variant(true); });
                return Variant(DispatchPtr(item));
            });
            return Variant(DispatchPtr(collection));
        });
        return Variant(DispatchPtr(security));
    });
    return host;
}

// A fresh host database with the real schema and an operator module on it, one per case.
class ProfileSite
{
public:
    ProfileSite()
    {
        const QString path = m_folder.filePath(QStringLiteral("host.sqlite"));
        HostDatabase::createDatabase(path, 0);
        m_database = Connection::openSqlite(path);
        module.DBConnection = m_database;
        module.NTConnection = makeHost();
        module.CurrentProfileID = profile;
    }

    void insertRow(qint32 profileId, qint32 objectId, const QString &property, const Variant &value)
    {
        const QString valueText =
            value.isNull() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(CStr(value));
        m_database->execute(QStringLiteral("INSERT INTO Profile_Details VALUES (%1, %2, '%3', %4)")
                                .arg(profileId)
                                .arg(objectId)
                                .arg(property, valueText));
    }

    [[nodiscard]] std::optional<QString> storedValue(qint32 profileId, const QString &property)
    {
        const std::unique_ptr<Recordset> rows = m_database->openRecordset(
            QStringLiteral("SELECT [Value] FROM Profile_Details WHERE ProfileID = %1 AND ObjectID = 4"
                           " AND Property = '%2'")
                .arg(QString::number(profileId), property));
        if (rows->eof())
            return std::nullopt;
        return CStr(rows->field(0));
    }

    // Statements sent while body runs, one per line as the trace records them.
    template <typename Body>
    [[nodiscard]] QStringList traced(Body &&body)
    {
        const QString tracePath = m_folder.filePath(QStringLiteral("trace%1.sql").arg(++m_traces));
        m_database->setTraceFile(tracePath);
        body();
        m_database->setTraceFile({});
        QFile file(tracePath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    [[nodiscard]] const ScriptedDesktop &shown() const { return *m_desktop; }
    [[nodiscard]] QString folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    ConnectionPtr m_database;
    int m_traces = 0;

public:
    MPublic module{m_desktop, m_folder.path()};
};

struct Settings {
    qint32 filterGroupID = 0;
    qint32 maxLinesSetting = 0;
    bool loadCachedEvents = false;
    bool displayEventsAtTop = false;
    QString colors;
    QString columnHeaders;
    qint32 typeFilter = 0;

    friend bool operator==(const Settings &, const Settings &) = default;
};

Settings settingsOf(const MPublic &module)
{
    return {module.FilterGroupID, module.MaxLinesSetting, module.LoadCachedEvents, module.DisplayEventsAtTop,
            module.Colors,        module.ColumnHeaders,   module.TypeFilter};
}

std::ostream &operator<<(std::ostream &out, const Settings &s)
{
    return out << "{group " << s.filterGroupID << ", maxLines " << s.maxLinesSetting << ", cached "
               << s.loadCachedEvents << ", top " << s.displayEventsAtTop << ", colors " << s.colors.toStdString()
               << ", headers " << s.columnHeaders.toStdString() << ", type " << s.typeFilter << "}";
}

TEST(CorvanPersist, LoadPersistenceAppliesTheProfileRows)
{
    const QString previousColors = QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12");
    const Settings previous{0, 250, false, true, previousColors, QStringLiteral("previous headers"), 3};
    const ColourSlots previousSlots{21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
    const QString customColors =
        QStringLiteral("0,16777215,4210752,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712");
    const QString object = QStringLiteral("Use Object Default");

    struct Case {
        const char *name;
        std::vector<std::pair<QString, Variant>> rows;
        qint32 previousGroup;
        Settings expected;
        ColourSlots slots;
        qint32 effectiveMaxLines; // 7 when the load stopped before applying it
        bool filterActive;
        bool reported;
    };
    const Case cases[] = {
        {"no rows keep the previous settings", {}, 0, previous, previousSlots, 250, false, false},
        {"no rows with a group already selected", {}, 2,
         {2, 250, false, true, previousColors, QStringLiteral("previous headers"), 3}, previousSlots, 250, true, false},
        {"object defaults",
         {{"MaxLines", object}, {"LoadCachedEvents", object}, {"Colors", object}, {"TypeFilter", object},
          {"ColumnHeaders", object}},
         0, {0, 100, true, true, defaultColors, object, 0}, defaultSlots, 100, false, false},
        {"stored values",
         {{"FilterGroupID", "2"}, {"MaxLines", "500"}, {"LoadCachedEvents", "True"}, {"DisplayEventsAtTop", "False"},
          {"Colors", customColors}, {"ColumnHeaders", "ID][Event ID][1][58][True"}, {"TypeFilter", "4"},
          {"Height", "7200"}, {"Left", "abc"}, {"RedrawRate", "x"}},
         0, {2, 500, true, false, customColors, QStringLiteral("ID][Event ID][1][58][True"), 4},
         {0, 16777215, 4210752, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703, 16730712}, 500, true,
         false},
        {"property names are compared exactly", {{"maxlines", "500"}, {"typefilter", "9"}}, 0, previous, previousSlots,
         250, false, false},
        {"group 0 clears the filter", {{"FilterGroupID", "0"}}, 2, previous, previousSlots, 250, false, false},
        {"object default where there is none", {{"DisplayEventsAtTop", object}}, 0, previous, previousSlots, 7, false,
         true},
        {"group number that is no number", {{"FilterGroupID", object}}, 0, previous, previousSlots, 7, false, true},
        {"missing column-header text", {{"ColumnHeaders", Variant::null()}}, 0, previous, previousSlots, 7, false,
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSite site;
        MPublic &module = site.module;
        module.FilterGroupID = c.previousGroup;
        module.MaxLinesSetting = previous.maxLinesSetting;
        module.MaxLines = 7;
        module.LoadCachedEvents = previous.loadCachedEvents;
        module.DisplayEventsAtTop = previous.displayEventsAtTop;
        module.Colors = previous.colors;
        module.ColumnHeaders = previous.columnHeaders;
        module.TypeFilter = previous.typeFilter;
        module.colourSlots = previousSlots;
        module.FilterActive = !c.filterActive;
        module.CanViewAllEvents = false;
        // Rows of another component and of another profile must not count.
        site.insertRow(profile, 3, QStringLiteral("MaxLines"), "50");
        site.insertRow(profile + 1, 4, QStringLiteral("MaxLines"), "60");
        for (const auto &[property, value] : c.rows)
            site.insertRow(profile, 4, property, value);

        CorvanPersist(module).LoadPersistence();

        EXPECT_EQ(settingsOf(module), c.expected);
        EXPECT_EQ(module.colourSlots, c.slots);
        EXPECT_EQ(module.MaxLines, c.effectiveMaxLines);
        if (c.reported) {
            ASSERT_EQ(site.shown().boxes().size(), 1u);
            EXPECT_TRUE(site.shown().boxes().front().request.text.contains(
                QStringLiteral("Function: EventViewObject.CorvanPersist.LoadPersistence(")));
            EXPECT_FALSE(module.CanViewAllEvents);
            continue;
        }
        EXPECT_TRUE(site.shown().boxes().empty());
        EXPECT_EQ(module.FilterActive, c.filterActive);
        EXPECT_EQ(module.messageBuffer().capacity(), c.effectiveMaxLines);
        EXPECT_TRUE(module.CanViewAllEvents);
    }
}

TEST(CorvanPersist, LoadPersistenceWithoutConnectionReports)
{
    ProfileSite site;
    MPublic &module = site.module;
    module.DBConnection.reset();
    module.MaxLinesSetting = 300;
    module.MaxLines = 7;

    CorvanPersist(module).LoadPersistence();

    ASSERT_EQ(site.shown().boxes().size(), 1u);
    EXPECT_TRUE(site.shown().boxes().front().request.text.contains(QStringLiteral("CorvanPersist.LoadPersistence(")));
    EXPECT_EQ(module.MaxLines, 7);
}

TEST(CorvanPersist, SavePersistenceSendsEverySettingThenTheRedrawRate)
{
    ProfileSite site;
    MPublic &module = site.module;
    module.FilterGroupID = 2;
    module.MaxLinesSetting = 500;
    module.MaxLines = 20;
    module.LoadCachedEvents = true;
    module.DisplayEventsAtTop = false;
    module.Colors = defaultColors;
    module.ColumnHeaders = QStringLiteral("Description][Operator's Note][1][485][True");
    module.TypeFilter = 3;
    QWidget viewer;
    viewer.setGeometry(10, 20, 640, 480);

    const QString call = QStringLiteral("ZUL_Update_Profile_Persisted_Details 40, 4");
    const QStringList settings{
        call + QStringLiteral(", 'Height', '7200'"),
        call + QStringLiteral(", 'Left', '150'"),
        call + QStringLiteral(", 'Top', '300'"),
        call + QStringLiteral(", 'Width', '9600'"),
        call + QStringLiteral(", 'FilterGroupID', '2'"),
        call + QStringLiteral(", 'MaxLines', '500'"),
        call + QStringLiteral(", 'LoadCachedEvents', 'True'"),
        call + QStringLiteral(", 'DisplayEventsAtTop', 'False'"),
        call + QStringLiteral(", 'Colors', '") + defaultColors + QLatin1Char('\''),
        call + QStringLiteral(", 'ColumnHeaders', N'Description][Operator''s Note][1][485][True'"),
        call + QStringLiteral(", 'TypeFilter', N'3'"),
        lookUpRedrawRate,
    };

    const QStringList first = site.traced([&] { CorvanPersist(module).SavePersistence(viewer); });
    EXPECT_EQ(first, settings + QStringList{insertRedrawRate});

    const QStringList second = site.traced([&] { CorvanPersist(module).SavePersistence(viewer); });
    EXPECT_EQ(second, settings + QStringList{updateRedrawRate(QStringLiteral("0"))});

    EXPECT_TRUE(site.shown().boxes().empty());
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("ColumnHeaders")),
              QStringLiteral("Description][Operator's Note][1][485][True"));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("MaxLines")), QStringLiteral("500"));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("RedrawRate")), QStringLiteral("0"));
}

// What one save writes, the next load reads back; the saved size and position are not applied.
TEST(CorvanPersist, SavedSettingsLoadBack)
{
    ProfileSite site;
    MPublic &module = site.module;
    module.FilterGroupID = 1;
    module.MaxLinesSetting = 321;
    module.LoadCachedEvents = true;
    module.DisplayEventsAtTop = false;
    module.Colors = QStringLiteral("5,4,3,2,1,0,6,7,8,9,10,11");
    module.ColumnHeaders = QStringLiteral("Type][Event's Type][4][134][True");
    module.TypeFilter = 6;
    QWidget viewer;
    viewer.setGeometry(30, 40, 200, 100);
    CorvanPersist(module).SavePersistence(viewer);

    MPublic reloaded(std::make_shared<ScriptedDesktop>(), site.folder());
    reloaded.DBConnection = module.DBConnection;
    reloaded.NTConnection = module.NTConnection;
    reloaded.CurrentProfileID = profile;
    CorvanPersist(reloaded).LoadPersistence();
    QWidget reopened;
    reopened.setGeometry(1, 2, 50, 60);
    CorvanPersist(reloaded).SetPosition(reopened);

    EXPECT_EQ(settingsOf(reloaded), settingsOf(module));
    EXPECT_EQ(reloaded.MaxLines, 321);
    EXPECT_EQ(reloaded.colourSlots, (ColourSlots{5, 4, 3, 2, 1, 0, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(reopened.geometry(), QRect(1, 2, 50, 60));
}

// A setting whose statement fails is left out without a word; the others are still written.
TEST(CorvanPersist, SavePersistenceSkipsAFailingSetting)
{
    ProfileSite site;
    MPublic &module = site.module;
    module.Colors = QStringLiteral("0,1'2");
    module.TypeFilter = 5;
    QWidget viewer;

    CorvanPersist(module).SavePersistence(viewer);

    EXPECT_TRUE(site.shown().boxes().empty());
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("Colors")), std::nullopt);
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("DisplayEventsAtTop")), QStringLiteral("True"));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("TypeFilter")), QStringLiteral("5"));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("RedrawRate")), QStringLiteral("0"));
}

TEST(CorvanPersist, SavePersistenceWithoutConnectionOnlyReportsTheRedrawRate)
{
    ProfileSite site;
    MPublic &module = site.module;
    module.DBConnection.reset();
    QWidget viewer;

    CorvanPersist(module).SavePersistence(viewer);

    ASSERT_EQ(site.shown().boxes().size(), 1u);
    EXPECT_TRUE(site.shown().boxes().front().request.text.contains(QStringLiteral("CorvanPersist.WriteProperty(")));
}

TEST(CorvanPersist, WritePropertyInsertsThenUpdates)
{
    ProfileSite site;
    MPublic &module = site.module;
    site.insertRow(profile + 1, 4, QStringLiteral("RedrawRate"), "9");
    site.insertRow(profile, 3, QStringLiteral("RedrawRate"), "8");

    CorvanPersist persist(module);
    const QStringList inserted = site.traced([&] { persist.WriteProperty(QStringLiteral("RedrawRate"), qint32(0)); });
    EXPECT_EQ(inserted, (QStringList{lookUpRedrawRate, insertRedrawRate}));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("RedrawRate")), QStringLiteral("0"));

    const QStringList updated = site.traced([&] { persist.WriteProperty(QStringLiteral("RedrawRate"), 2.5); });
    EXPECT_EQ(updated, (QStringList{lookUpRedrawRate, updateRedrawRate(QStringLiteral("2.5"))}));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("RedrawRate")), QStringLiteral("2.5"));
    EXPECT_EQ(site.storedValue(profile + 1, QStringLiteral("RedrawRate")), QStringLiteral("9"));
    EXPECT_TRUE(site.shown().boxes().empty());
}

// The value stands unquoted in the statement: a text is refused by the database and reported.
TEST(CorvanPersist, WritePropertyReportsAValueThatIsNoNumber)
{
    ProfileSite site;
    MPublic &module = site.module;
    CorvanPersist(module).WriteProperty(QStringLiteral("RedrawRate"), "fast");

    ASSERT_EQ(site.shown().boxes().size(), 1u);
    EXPECT_TRUE(site.shown().boxes().front().request.text.contains(QStringLiteral("CorvanPersist.WriteProperty(")));
    EXPECT_EQ(site.storedValue(profile, QStringLiteral("RedrawRate")), std::nullopt);
}

} // namespace
} // namespace Ostraven
