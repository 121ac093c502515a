#include "dbtestdatabase.h"
#include "support/sqlitedriverof.h"
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace Ostraven::Testing {
namespace {
// The test database in a file, and further connections standing for another program.
class FileFaultsTest : public DbTestDatabase
{
protected:
    [[nodiscard]] QString path() const override { return m_folder.filePath("host.sqlite"); }
    [[nodiscard]] ConnectionPtr open() const { return Connection::openSqlite(path()); }
    // Another program holding the file until it rolls back; this connection gives up after the allowance.
    [[nodiscard]] ConnectionPtr lockedBy(std::chrono::milliseconds allowance)
    {
        ConnectionPtr other = open();
        other->execute("BEGIN EXCLUSIVE");
        sqliteDriverOf(*db).setLockWaitAllowance(allowance);
        return other;
    }
    [[nodiscard]] std::vector<Variant> values(const ConnectionPtr &on = {})
    {
        return column("SELECT Value FROM MiscProperties ORDER BY rowid", on.get());
    }
    QTemporaryDir m_folder;
};

TEST_F(FileFaultsTest, RowsAndProceduresOutliveTheConnectionAndAMissingFolderIsReported)
{
    db.reset();
    EXPECT_EQ(open()->openRecordset("EXEC rp_FetchTimeZoneInfo 5")->field("StartTime"), Variant("08:00"));
    const VbError error = errorOf([&] { (void)Connection::openSqlite(m_folder.filePath("no/such/dir.db")); });
    EXPECT_EQ(std::pair(error.number(), error.source()), std::pair(-2147467259, QStringLiteral("SQLite")));
}

// A lock held by another program costs one user action at most the allowance in all, however many
// statements the action sends; the next action waits afresh, and a released lock is simply taken.
TEST_F(FileFaultsTest, WaitingForALockIsBoundedPerUserAction)
{
    const ConnectionPtr other = lockedBy(std::chrono::milliseconds(300));
    QElapsedTimer action;
    action.start();
    for (int statement = 0; statement < 10; ++statement)
        EXPECT_THAT(describedError([&] { (void)db->openRecordset("SELECT * FROM MiscProperties"); }),
                    ::testing::AllOf(HasSubstr("database is locked"), HasSubstr("another program")));
    EXPECT_GE(action.elapsed(), 250);
    EXPECT_LT(action.elapsed(), 2000) << "ten statements must not wait ten times";
    db->endUserAction();
    action.restart();
    (void)errorOf([&] { db->execute("UPDATE MiscProperties SET Value = 'new'"); });
    EXPECT_GE(action.elapsed(), 250) << "a new action waits again before it gives up";
    other->execute("ROLLBACK");
    EXPECT_EQ(values(), std::vector<Variant>{"True"});
}

TEST_F(FileFaultsTest, TransactionsAreAllOrNothingAndNest)
{
    const std::vector<Variant> committed{"outer", "kept"};
    {
        Transaction outer(*db);
        db->execute("UPDATE MiscProperties SET Value = 'outer'");
        {
            Transaction dropped(*db);
            db->execute("INSERT INTO MiscProperties VALUES ('inner', 'dropped')");
        }
        EXPECT_EQ(values(), std::vector<Variant>{"outer"}) << "the inner group alone rolls back";
        Transaction kept(*db);
        db->execute("INSERT INTO MiscProperties VALUES ('inner', 'kept')");
        kept.commit();
        EXPECT_EQ(values(open()), std::vector<Variant>{"True"}) << "nothing is visible before the commit";
        outer.commit();
    }
    EXPECT_EQ(values(open()), committed);
    EXPECT_NE(errorNumber([&] { // a failing statement takes back the whole group
                  Transaction failing(*db);
                  db->execute("UPDATE MiscProperties SET Value = 'half'");
                  db->execute("INSERT INTO Nowhere VALUES (1)");
                  failing.commit();
              }), 0);
    EXPECT_EQ(values(open()), committed);
    // A transaction begun while another program holds the file fails at once with the lock's message
    // and leaves nothing open behind it.
    const ConnectionPtr other = lockedBy(std::chrono::milliseconds(50));
    EXPECT_THAT(describedError([&] { Transaction blocked(*db); }), HasSubstr("locked"));
    other->execute("ROLLBACK");
    db->endUserAction();
    db->execute("UPDATE MiscProperties SET Value = 'after'");
    EXPECT_EQ(values(open()).front(), Variant("after"));
}

// Writes must not go on into a file that no longer is the database at that path.
class ReplacedFileTest : public FileFaultsTest, public ::testing::WithParamInterface<bool> {};
TEST_P(ReplacedFileTest, ADeletedOrReplacedFileIsRefusedNotWrittenTo)
{
    ASSERT_TRUE(QFile::remove(path()));
    if (GetParam()) { open()->execute("CREATE TABLE MiscProperties (Name TEXT, Value TEXT)"); } // another file at the path
    EXPECT_THAT(describedError([&] { db->execute("UPDATE MiscProperties SET Value = 'lost'"); }), HasSubstr("deleted or replaced"));
    EXPECT_EQ(QFile::exists(path()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(File, ReplacedFileTest, ::testing::Bool(),
                         [](const auto &row) { return std::string(row.param ? "Replaced" : "Deleted"); });
} // namespace
} // namespace Ostraven::Testing
