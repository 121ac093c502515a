#include "support/componentfixture.h"
#include "support/reportedlabels.h"

#include "component/event.h"
#include "viewer/fevents.h"

#include "platform/db/sqlitebackend.h"

#include <QElapsedTimer>

namespace Ostraven::Testing {

namespace {

const QString customColumns =
    QStringLiteral("Description][Description][1][300][True,dbTime][Host Time][2][120][True");

// The stored profile survives whatever the database does to the viewer in between: a setting that could
// not be read is not written back, and a save that cannot be written is reported and changes nothing.
class ProfileSafetyTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        db().execute(QStringLiteral("UPDATE Profile_Details SET [Value] = '%1' WHERE ProfileID = 1 AND ObjectID = 4 "
                                    "AND Property = 'ColumnHeaders'")
                         .arg(customColumns));
        m_shared = std::shared_ptr<MPublic>(&module(), [](MPublic *) {});
        m_event = std::make_unique<Event>(m_shared);
        sqlite().setLockWaitAllowance(std::chrono::milliseconds(200));
    }
    void TearDown() override
    {
        m_event.reset();
        ComponentTest::TearDown();
    }

    Event &event() { return *m_event; }
    SqliteBackend &sqlite() { return dynamic_cast<SqliteBackend &>(db().backend()); }

    QStringList storedProfile()
    {
        return column(QStringLiteral("SELECT Property || '=' || [Value] FROM Profile_Details WHERE ProfileID = 1 AND "
                                     "ObjectID = 4 AND Property NOT IN ('Height', 'Left', 'Top', 'Width') "
                                     "ORDER BY Property"));
    }

private:
    std::shared_ptr<MPublic> m_shared;
    std::unique_ptr<Event> m_event;
};

} // namespace

TEST_F(ProfileSafetyTest, ALockWhileTheViewerOpensDoesNotCostTheOperatorsLayout)
{
    struct Case {
        const char *name;
        bool lockedWhileClosing;
        std::vector<std::string> closingReports;
    };
    const Case cases[] = {
        {"the lock is gone by closing time", false, {}},
        {"the lock is still there at closing time", true, {"CorvanPersist.SavePersistence"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList before = storedProfile();
        const ConnectionPtr other = Connection::openSqlite(folder() + QStringLiteral("/host.sqlite"));
        other->execute(QStringLiteral("BEGIN EXCLUSIVE"));

        QElapsedTimer opening;
        opening.start();
        event().Show();
        EXPECT_LT(opening.elapsed(), 2000) << "every statement of the show waited for the lock";
        EXPECT_FALSE(desktop().boxes().empty());
        EXPECT_EQ(module().profile.unreadSettings.size(), 7u);

        if (!c.lockedWhileClosing)
            other->execute(QStringLiteral("ROLLBACK"));
        db().endUserAction();
        desktop().clearRecords();
        QElapsedTimer closing;
        closing.start();
        (void)module().windows().unloadEvents();
        EXPECT_LT(closing.elapsed(), 2000);
        EXPECT_EQ(reportedLabels(desktop()), c.closingReports);
        if (c.lockedWhileClosing)
            other->execute(QStringLiteral("ROLLBACK"));

        EXPECT_EQ(storedProfile(), before);
        db().endUserAction();
        desktop().clearRecords();
    }

    // Once the database answers again, the next show reads the layout that was kept.
    event().Show();
    EXPECT_TRUE(desktop().boxes().empty());
    EXPECT_EQ(module().profile.ColumnHeaders, customColumns);
    EXPECT_EQ(module().windows().events().vGrid->columnCount(), 2);
}

TEST_F(ProfileSafetyTest, ASaveThatCannotBeWrittenIsReportedOnceAndChangesNothing)
{
    event().Show();
    ASSERT_TRUE(desktop().boxes().empty());
    const QStringList before = storedProfile();
    module().profile.MaxLinesSetting = 250;
    module().profile.TypeFilter = 4;
    sqlite().executeScript(QStringLiteral("PRAGMA query_only = 1"));

    (void)module().windows().unloadEvents();

    EXPECT_EQ(reportedLabels(desktop()), std::vector<std::string>{"CorvanPersist.SavePersistence"});
    EXPECT_TRUE(boxTexts().value(0).contains(QStringLiteral("readonly"))) << boxTexts().value(0).toStdString();
    EXPECT_EQ(storedProfile(), before);
}

} // namespace Ostraven::Testing
