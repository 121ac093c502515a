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

// What the operator or the host does while the database fails underneath.
enum class Action { Show, ArchiveReplay, ProfileSave, GroupSave };
struct ActionCase { const char *name; Action action; };
void PrintTo(const ActionCase &action, std::ostream *out) { *out << action.name; }

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
    FaultyBackend &backend() { return *m_backend; }
    // Sets up what the action needs, fault-free.
    void prepare(Action action)
    {
        if (action == Action::ArchiveReplay || action == Action::ProfileSave)
            m_event.Show();
        if (action == Action::ProfileSave) {
            module().profile.MaxLinesSetting = 250;
            module().profile.Colors = "1,2,3,4,5,6,7,8,9,10,11,12";
            module().profile.TypeFilter = 3;
        }
        if (action == Action::GroupSave) {
            module().profile.FilterGroupID = 1;
            module().profile.Colors = module().profile.ColumnHeaders = "Use Object Default";
            delete module().windows().custom().lstSelectedFilters->takeTopLevelItem(1);
        }
    }
    void run(Action action)
    {
        if (action == Action::Show)
            m_event.Show();
        if (action == Action::ArchiveReplay)
            module().windows().events().Form_KeyUp(116 /* F5 */, 0);
        if (action == Action::ProfileSave)
            (void)module().windows().unloadEvents();
        if (action == Action::GroupSave)
            module().windows().custom().FilterGroup[0]->click();
    }
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
    const Action action = GetParam().action;
    const QStringList stateBefore = storedState(copy("clean"));
    int statements = 0;
    QStringList stateAfter;
    {
        const QString path = copy("reference");
        Site site(path, config());
        site.prepare(action);
        const int start = site.backend().calls();
        site.run(action);
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
            site.prepare(action);
            site.backend().failAtCall(k);
            site.run(action);
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

INSTANTIATE_TEST_SUITE_P(Actions, FaultInjectionTest,
                         ::testing::Values(ActionCase{"Show", Action::Show}, ActionCase{"ArchiveReplay", Action::ArchiveReplay},
                                           ActionCase{"ProfileSave", Action::ProfileSave}, ActionCase{"GroupSave", Action::GroupSave}),
                         [](const auto &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven::Testing
