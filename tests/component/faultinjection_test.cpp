#include "support/componentfixture.h"
#include "support/faultybackend.h"

#include "customise/fcustom.h"
#include "customise/filtergrouppage.h"
#include "viewer/fevents.h"

#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

namespace Ostraven::Testing {
namespace {

// One component over its own copy of the database, with a connection that can be told to fail; it lets go of
// the file when it goes.
class Site
{
public:
    Site(const QString &path, Host::HostConfig config)
        : m_config(config), m_connection(FaultyBackend::connect(path, m_backend)),
          m_module(std::make_shared<MPublic>(m_desktop, QFileInfo(path).path())), m_event(m_module)
    {
        wireHost(*m_module, m_connection, m_config, m_record);
    }
    MPublic &module() { return *m_module; }
    Event &event() { return m_event; }
    FaultyBackend &backend() { return *m_backend; }
    // Error boxes shown and errors handed to the host's log.
    [[nodiscard]] int reports() const { return int(m_desktop->boxes().size()) + int(m_record.logErrors.size()); }
    [[nodiscard]] bool busy() const { return m_desktop->busyCursor(); }

private:
    Host::HostConfig m_config;
    Host::HostRecord m_record;
    FaultyBackend *m_backend = nullptr;
    ConnectionPtr m_connection;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    std::shared_ptr<MPublic> m_module;
    Event m_event;
};

// What the operator or the host does while the database fails underneath, after a fault-free set-up.
struct ActionCase { const char *name; void (*prepare)(Site &), (*run)(Site &); };
void PrintTo(const ActionCase &action, std::ostream *out) { *out << action.name; }
void show(Site &site) { site.event().Show(); }
void changeProfile(Site &site)
{
    site.event().Show();
    site.module().profile.MaxLinesSetting = 250;
    site.module().profile.Colors = "1,2,3,4,5,6,7,8,9,10,11,12";
    site.module().profile.TypeFilter = 3;
}
void dropGroupRow(Site &site)
{
    site.module().profile.FilterGroupID = 1;
    site.module().profile.Colors = site.module().profile.ColumnHeaders = "Use Object Default";
    delete site.module().windows().custom().lstSelectedFilters->takeTopLevelItem(1);
}
const ActionCase actions[] = {
    {"Show", [](Site &) {}, show},
    {"ArchiveReplay", show, [](Site &site) { site.module().windows().events().Form_KeyUp(116 /* F5 */, 0); }},
    {"ProfileSave", changeProfile, [](Site &site) { (void)site.module().windows().unloadEvents(); }},
    {"GroupSave", dropGroupRow, [](Site &site) { site.module().windows().custom().FilterGroup[0]->click(); }},
};

class FaultInjectionTest : public ComponentTest, public ::testing::WithParamInterface<ActionCase>
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        // A short replay keeps every fault position affordable; routing stays on, so each line asks the
        // routing procedures.
        db().execute("UPDATE Profile_Details SET [Value] = '12' WHERE ProfileID = 1 AND ObjectID = 4 AND Property = 'MaxLines'");
        db().close();
    }
    QString copy(const QString &name)
    {
        const QString path = folder() + '/' + name + ".sqlite";
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(folder() + "/host.sqlite", path));
        return path;
    }
    // What the actions may change: the profile's rows and the filter groups.
    static QStringList storedState(const QString &path)
    {
        const ConnectionPtr connection = Connection::openSqlite(path);
        QStringList state;
        for (const char *sql : {"SELECT ProfileID || ':' || Property || '=' || ifnull([Value], '') FROM Profile_Details "
                                "WHERE ObjectID = 4 ORDER BY ProfileID, Property",
                                "SELECT GroupID || ':' || FilterType || ':' || ifnull(Filter, '') || ':' || ifnull(SQL, '') "
                                "FROM EventFilters ORDER BY GroupID, Filter"}) {
            for (auto rows = connection->openRecordset(sql); !rows->eof(); rows->moveNext())
                state << CStr(rows->field(0));
        }
        connection->close();
        return state;
    }
};

// Whichever statement fails, the viewer stays up, says so, leaves the grid drawing and the cursor normal, and
// the database holds either what it held or everything the action meant to write.
TEST_P(FaultInjectionTest, AFailureAtAnyStatementIsReportedAndLeavesNoHalfWrittenData)
{
    const ActionCase &action = GetParam();
    const QStringList stateBefore = storedState(copy("clean"));
    int statements = 0;
    QStringList stateAfter;
    {
        const QString path = copy("reference");
        Site site(path, config());
        action.prepare(site);
        const int start = site.backend().calls();
        action.run(site);
        statements = site.backend().calls() - start;
        ASSERT_EQ(site.reports(), 0) << "the action fails without a fault";
        stateAfter = storedState(path);
    }
    ASSERT_GT(statements, 0);
    for (int k = 1; k <= statements; ++k) {
        SCOPED_TRACE(QStringLiteral("fault at statement %1 of %2").arg(k).arg(statements).toStdString());
        const QString path = copy("fault");
        {
            Site site(path, config());
            action.prepare(site);
            site.backend().failAtCall(k);
            action.run(site);
            // The failure itself, and at most one consequence: colours that were never read are reported when
            // the window applies them.
            EXPECT_GE(site.reports(), 1) << "a failure nobody hears of";
            EXPECT_LE(site.reports(), 2) << "one failure, many reports";
            EXPECT_FALSE(site.busy());
            if (site.module().windows().isEventsLoaded()) {
                EXPECT_TRUE(site.module().windows().events().vGrid->redraw());
            }
        }
        const QStringList stored = storedState(path);
        EXPECT_TRUE(stored == stateBefore || stored == stateAfter) << stored.join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Actions, FaultInjectionTest, ::testing::ValuesIn(actions),
                         [](const auto &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven::Testing
