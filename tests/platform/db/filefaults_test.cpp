#include "dbtestdatabase.h"

#include "platform/db/sqlitebackend.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace Ostraven::Testing {
namespace {

// A database file with one table, and a second connection standing for another program.
class FileFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        path = m_folder.filePath(QStringLiteral("host.sqlite"));
        createDatabase();
    }

    void createDatabase()
    {
        if (db)
            db->close();
        QFile::remove(path);
        db = open();
        db->execute(QStringLiteral("CREATE TABLE Settings (Name TEXT, Value TEXT)"));
        db->execute(QStringLiteral("INSERT INTO Settings VALUES ('kept', 'old')"));
    }

    [[nodiscard]] ConnectionPtr open() const { return Connection::openSqlite(path); }
    [[nodiscard]] SqliteBackend &sqlite(Connection &connection)
    {
        return dynamic_cast<SqliteBackend &>(connection.backend());
    }
    [[nodiscard]] QStringList values(Connection &connection)
    {
        QStringList result;
        auto rows = connection.openRecordset(QStringLiteral("SELECT Value FROM Settings ORDER BY rowid"));
        for (; !rows->eof(); rows->moveNext())
            result << CStr(rows->field(0));
        return result;
    }

    QTemporaryDir m_folder;
    QString path;
    ConnectionPtr db;
};

// A lock held by another program costs one user action at most the allowance in all, however many
// statements the action sends; the next action waits afresh, and a released lock is simply taken.
TEST_F(FileFaultsTest, WaitingForALockIsBoundedPerUserAction)
{
    const ConnectionPtr other = open();
    other->execute(QStringLiteral("BEGIN EXCLUSIVE"));
    sqlite(*db).setLockWaitAllowance(std::chrono::milliseconds(300));

    QElapsedTimer action;
    action.start();
    for (int statement = 0; statement < 10; ++statement) {
        const VbError error = errorOf([&] { (void)db->openRecordset(QStringLiteral("SELECT * FROM Settings")); });
        EXPECT_TRUE(error.description().contains(QStringLiteral("database is locked"))) << error.description().toStdString();
        EXPECT_TRUE(error.description().contains(QStringLiteral("another program"))) << error.description().toStdString();
    }
    const qint64 firstAction = action.elapsed();
    EXPECT_GE(firstAction, 250);
    EXPECT_LT(firstAction, 2000) << "ten statements must not wait ten times";

    db->endUserAction();
    action.restart();
    (void)errorOf([&] { db->execute(QStringLiteral("UPDATE Settings SET Value = 'new'")); });
    EXPECT_GE(action.elapsed(), 250) << "a new action waits again before it gives up";

    other->execute(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(values(*db), QStringList{QStringLiteral("old")});
}

TEST_F(FileFaultsTest, TransactionsAreAllOrNothingAndNest)
{
    {
        Transaction outer(*db);
        db->execute(QStringLiteral("UPDATE Settings SET Value = 'outer'"));
        {
            Transaction inner(*db);
            db->execute(QStringLiteral("INSERT INTO Settings VALUES ('inner', 'dropped')"));
        }
        EXPECT_EQ(values(*db), QStringList{QStringLiteral("outer")}) << "the inner group alone rolls back";
        {
            Transaction inner(*db);
            db->execute(QStringLiteral("INSERT INTO Settings VALUES ('inner', 'kept')"));
            inner.commit();
        }
        EXPECT_EQ(values(*open()), QStringList{QStringLiteral("old")}) << "nothing is visible before the commit";
        outer.commit();
    }
    EXPECT_EQ(values(*open()), (QStringList{QStringLiteral("outer"), QStringLiteral("kept")}));

    EXPECT_NE(errorOf([&] {
                  Transaction failing(*db);
                  db->execute(QStringLiteral("UPDATE Settings SET Value = 'half'"));
                  db->execute(QStringLiteral("INSERT INTO Nowhere VALUES (1)"));
                  failing.commit();
              }).number(),
              0);
    EXPECT_EQ(values(*open()), (QStringList{QStringLiteral("outer"), QStringLiteral("kept")}));

    // A transaction begun while another program holds the file fails at once with the lock's message
    // and leaves nothing open behind it.
    const ConnectionPtr other = open();
    other->execute(QStringLiteral("BEGIN EXCLUSIVE"));
    sqlite(*db).setLockWaitAllowance(std::chrono::milliseconds(50));
    EXPECT_TRUE(errorOf([&] { Transaction blocked(*db); }).description().contains(QStringLiteral("locked")));
    other->execute(QStringLiteral("ROLLBACK"));
    db->endUserAction();
    db->execute(QStringLiteral("UPDATE Settings SET Value = 'after'"));
    EXPECT_EQ(values(*open()).first(), QStringLiteral("after"));
}

// Writes must not go on into a file that no longer is the database at that path.
TEST_F(FileFaultsTest, ADeletedOrReplacedFileIsRefusedNotWrittenTo)
{
    struct Case {
        const char *name;
        bool replace;
    };
    for (const Case c : {Case{"deleted", false}, Case{"replaced", true}}) {
        SCOPED_TRACE(c.name);
        createDatabase();
        ASSERT_TRUE(QFile::remove(path));
        if (c.replace) {
            const ConnectionPtr fresh = open();
            fresh->execute(QStringLiteral("CREATE TABLE Settings (Name TEXT, Value TEXT)"));
            fresh->close();
        }
        const VbError error = errorOf([&] { db->execute(QStringLiteral("UPDATE Settings SET Value = 'lost'")); });
        EXPECT_TRUE(error.description().contains(QStringLiteral("deleted or replaced"))) << error.description().toStdString();
        EXPECT_EQ(QFile::exists(path), c.replace);
    }
}

} // namespace
} // namespace Ostraven::Testing
