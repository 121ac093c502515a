#include "dbtestdatabase.h"
#include "platform/db/sqlitebackend.h"
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace Ostraven::Testing {
namespace {
// A database file with one table, and further connections standing for another program.
class FileFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        db->execute("CREATE TABLE Settings (Name TEXT, Value TEXT)");
        db->execute("INSERT INTO Settings VALUES ('kept', 'old')");
    }
    [[nodiscard]] ConnectionPtr open() const { return Connection::openSqlite(path); }
    // Another program holding the file until it rolls back; this connection gives up after the allowance.
    [[nodiscard]] ConnectionPtr lockedBy(std::chrono::milliseconds allowance)
    {
        ConnectionPtr other = open();
        other->execute("BEGIN EXCLUSIVE");
        dynamic_cast<SqliteBackend &>(db->backend()).setLockWaitAllowance(allowance);
        return other;
    }
    [[nodiscard]] static QStringList values(Connection &connection)
    {
        QStringList result;
        for (auto rows = connection.openRecordset("SELECT Value FROM Settings ORDER BY rowid"); !rows->eof(); rows->moveNext())
            result << CStr(rows->field(0));
        return result;
    }
    QTemporaryDir m_folder;
    QString path = m_folder.filePath("host.sqlite");
    ConnectionPtr db = open();
};

// A lock held by another program costs one user action at most the allowance in all, however many
// statements the action sends; the next action waits afresh, and a released lock is simply taken.
TEST_F(FileFaultsTest, WaitingForALockIsBoundedPerUserAction)
{
    const ConnectionPtr other = lockedBy(std::chrono::milliseconds(300));
    QElapsedTimer action;
    action.start();
    for (int statement = 0; statement < 10; ++statement) {
        const QString description = errorOf([&] { (void)db->openRecordset("SELECT * FROM Settings"); }).description();
        EXPECT_TRUE(description.contains("database is locked") && description.contains("another program")) << description.toStdString();
    }
    EXPECT_GE(action.elapsed(), 250);
    EXPECT_LT(action.elapsed(), 2000) << "ten statements must not wait ten times";
    db->endUserAction();
    action.restart();
    (void)errorOf([&] { db->execute("UPDATE Settings SET Value = 'new'"); });
    EXPECT_GE(action.elapsed(), 250) << "a new action waits again before it gives up";
    other->execute("ROLLBACK");
    EXPECT_EQ(values(*db), QStringList{"old"});
}

TEST_F(FileFaultsTest, TransactionsAreAllOrNothingAndNest)
{
    const QStringList committed{"outer", "kept"};
    {
        Transaction outer(*db);
        db->execute("UPDATE Settings SET Value = 'outer'");
        {
            Transaction inner(*db);
            db->execute("INSERT INTO Settings VALUES ('inner', 'dropped')");
        }
        EXPECT_EQ(values(*db), QStringList{"outer"}) << "the inner group alone rolls back";
        {
            Transaction inner(*db);
            db->execute("INSERT INTO Settings VALUES ('inner', 'kept')");
            inner.commit();
        }
        EXPECT_EQ(values(*open()), QStringList{"old"}) << "nothing is visible before the commit";
        outer.commit();
    }
    EXPECT_EQ(values(*open()), committed);
    EXPECT_NE(errorOf([&] {
                  Transaction failing(*db);
                  db->execute("UPDATE Settings SET Value = 'half'");
                  db->execute("INSERT INTO Nowhere VALUES (1)");
                  failing.commit();
              }).number(), 0);
    EXPECT_EQ(values(*open()), committed);
    // A transaction begun while another program holds the file fails at once with the lock's message
    // and leaves nothing open behind it.
    const ConnectionPtr other = lockedBy(std::chrono::milliseconds(50));
    EXPECT_TRUE(errorOf([&] { Transaction blocked(*db); }).description().contains("locked"));
    other->execute("ROLLBACK");
    db->endUserAction();
    db->execute("UPDATE Settings SET Value = 'after'");
    EXPECT_EQ(values(*open()).first(), QStringLiteral("after"));
}

// Writes must not go on into a file that no longer is the database at that path.
class ReplacedFileTest : public FileFaultsTest, public ::testing::WithParamInterface<bool> {};
TEST_P(ReplacedFileTest, ADeletedOrReplacedFileIsRefusedNotWrittenTo)
{
    ASSERT_TRUE(QFile::remove(path));
    if (GetParam()) { open()->execute("CREATE TABLE Settings (Name TEXT, Value TEXT)"); } // another file at the path
    const VbError error = errorOf([&] { db->execute("UPDATE Settings SET Value = 'lost'"); });
    EXPECT_TRUE(error.description().contains("deleted or replaced")) << error.description().toStdString();
    EXPECT_EQ(QFile::exists(path), GetParam());
}
INSTANTIATE_TEST_SUITE_P(File, ReplacedFileTest, ::testing::Bool(),
                         [](const auto &row) { return std::string(row.param ? "Replaced" : "Deleted"); });
} // namespace
} // namespace Ostraven::Testing
