#include "support/componentfixture.h"
#include "support/reportedlabels.h"

#include "viewer/fevents.h"

#include "platform/db/sqlitebackend.h"

#include <QElapsedTimer>

namespace Ostraven::Testing {
namespace {

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
