#include "../platformtest.h"
#include "platform/db/connection.h"
#include "platform/db/sqlitebackend.h"
#include "platform/db/statementcache.h"
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace Ostraven::Testing {
namespace {
// A database file with a procedure table, and a second connection standing for another program.
class StatementCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        dynamic_cast<SqliteBackend &>(db->backend()).executeScript(QStringLiteral(R"(
CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT);
INSERT INTO Items VALUES (1, 'one'), (2, 'two');
CREATE TABLE Counter (n INTEGER);
INSERT INTO Counter VALUES (0);
CREATE TABLE Seen (ID INTEGER PRIMARY KEY);
CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL, body TEXT NOT NULL);
INSERT INTO ov_procedures VALUES
 ('ov_Name', '@ID', 'SELECT Name FROM Items WHERE ID = @ID'),
 ('ov_Count', '@ID', 'UPDATE Counter SET n = n + 1; INSERT INTO Seen VALUES (@ID)'),
 ('ov_Both', '@ID', 'SELECT Name FROM Items WHERE ID = 1; SELECT Name FROM Items WHERE ID = @ID'),
 ('ov_Upto', '@ID', 'SELECT Name FROM Items WHERE ID <= @ID ORDER BY ID');)"));
    }
    // The last column of every row, joined by commas, or the error's description after "error: ".
    static QString outcome(Connection &connection, const QString &sql)
    {
        try {
            QStringList values;
            for (auto rows = connection.openRecordset(sql); !rows->eof(); rows->moveNext())
                values << CStr(rows->field(rows->fieldCount() - 1));
            return values.join(u',');
        } catch (const VbError &error) {
            return "error: " + error.description();
        }
    }
    QString outcome(const QString &sql) { return outcome(*db, sql); }

    QTemporaryDir m_folder;
    QString path = m_folder.filePath("cache.sqlite");
    ConnectionPtr db = Connection::openSqlite(path);
    ConnectionPtr other = Connection::openSqlite(path);
};

// A kept statement answers with the rows as they are now, whoever changed them, and follows the schema.
struct Rerun { const char *name; bool elsewhere; const char *change, *statement, *before, *after; };
class KeptStatement : public StatementCacheTest, public ::testing::WithParamInterface<Rerun> {};
TEST_P(KeptStatement, ReadsTheDatabaseAsItIsNow)
{
    const Rerun &c = GetParam();
    EXPECT_EQ(outcome(c.statement), c.before);
    (c.elsewhere ? other : db)->execute(c.change);
    EXPECT_EQ(outcome(c.statement), c.after);
    EXPECT_EQ(outcome(c.statement), c.after) << "a second run starts again from the first row";
}
INSTANTIATE_TEST_SUITE_P(Changes, KeptStatement, ::testing::Values(
    Rerun{"RowChangedHere", false, "UPDATE Items SET Name = 'uno' WHERE ID = 1", "Select Name From Items Order By ID", "one,two", "uno,two"},
    Rerun{"RowChangedElsewhere", true, "UPDATE Items SET Name = 'uno' WHERE ID = 1", "Select Name From Items Order By ID", "one,two", "uno,two"},
    Rerun{"ColumnAdded", true, "ALTER TABLE Items ADD COLUMN Extra TEXT DEFAULT 'x'", "Select * From Items Where ID = 2", "two", "x"},
    Rerun{"TableDropped", true, "DROP TABLE Items", "Select Name From Items Where ID = 2", "two", "error: no such table: Items"},
    Rerun{"DialectKept", false, "INSERT INTO Items VALUES (3, 'three')", "Select Top 1 Name + '!' From Items Order By ID Desc", "two!", "three!"}),
    [](const auto &row) { return std::string(row.param.name); });

// A procedure's kept definition gives way to the one in ov_procedures once it has been changed, here or by
// another program, and a dropped one is not found.
struct Redefinition { const char *name; bool elsewhere; const char *change, *after; };
class KeptProcedure : public StatementCacheTest, public ::testing::WithParamInterface<Redefinition> {};
TEST_P(KeptProcedure, FollowsItsDefinition)
{
    const Redefinition &c = GetParam();
    EXPECT_EQ(outcome("EXEC ov_Name 1"), "one");
    EXPECT_EQ(outcome("exec OV_NAME 2"), "two");
    (c.elsewhere ? other : db)->execute(c.change);
    EXPECT_EQ(outcome("EXEC ov_Name 1"), c.after);
    EXPECT_EQ(outcome("EXEC ov_Name 1"), c.after);
}
constexpr const char *exclaim = "UPDATE ov_procedures SET body = 'SELECT Name || ''!'' FROM Items WHERE ID = @ID'";
constexpr const char *notFound = "error: Could not find stored procedure 'ov_Name'.";
INSTANTIATE_TEST_SUITE_P(Changes, KeptProcedure, ::testing::Values(
    Redefinition{"ReplacedHere", false, exclaim, "one!"},
    Redefinition{"ReplacedElsewhere", true, exclaim, "one!"},
    Redefinition{"ParametersChangedElsewhere", true, "UPDATE ov_procedures SET parameters = '@Other, @ID'", ""},
    Redefinition{"ParameterDroppedElsewhere", true, "UPDATE ov_procedures SET parameters = '', body = 'SELECT 1'",
                 "error: Procedure or function 'ov_Name' has too many arguments specified."},
    Redefinition{"MadeToWriteElsewhere", true, "UPDATE ov_procedures SET body = 'UPDATE Items SET Name = ''x'''", ""},
    Redefinition{"AllDeletedHere", false, "DELETE FROM ov_procedures", notFound},
    Redefinition{"DeletedElsewhere", true, "DELETE FROM ov_procedures WHERE name = 'OV_name'", notFound},
    Redefinition{"TableDroppedElsewhere", true, "DROP TABLE ov_procedures", notFound},
    Redefinition{"OtherDataChangedElsewhere", true, "UPDATE Items SET Name = 'uno'", "uno"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(StatementCacheTest, AProcedureNotFoundIsFoundOnceCreated)
{
    for (Connection *creator : {db.get(), other.get()}) {
        db->execute("DELETE FROM ov_procedures WHERE name = 'ov_Later'");
        EXPECT_EQ(outcome("EXEC ov_Later 2"), "error: Could not find stored procedure 'ov_Later'.");
        Command command("ov_Later");
        command.append("ID", ParameterDirection::Input, qint32(2));
        EXPECT_EQ(errorOf([&] { db->execute(command); }).description(), "Could not find stored procedure 'ov_Later'.");
        creator->execute("INSERT INTO ov_procedures VALUES ('ov_Later', '@ID, @Name OUTPUT', 'SELECT Name FROM Items WHERE ID = @ID')");
        EXPECT_EQ(outcome("EXEC ov_Later 2"), "two");
        command.append("Name", ParameterDirection::Output);
        db->execute(command);
        EXPECT_EQ(command.parameter("Name").value, Variant("two"));
    }
}

// A change inside a transaction is seen by the calls in it and is gone with its rollback.
TEST_F(StatementCacheTest, ADefinitionChangedInATransactionIsUndoneWithIt)
{
    EXPECT_EQ(outcome("EXEC ov_Name 1"), "one");
    {
        Transaction transaction(*db);
        db->execute(exclaim);
        EXPECT_EQ(outcome("EXEC ov_Name 1"), "one!");
    }
    EXPECT_EQ(outcome("EXEC ov_Name 1"), "one");
}

// A body of several statements that fails part way leaves nothing behind, on its first call and on calls
// that reuse its compiled statements; a body that only reads answers each call afresh.
TEST_F(StatementCacheTest, AFailingBodyLeavesNothingBehindOnEveryCall)
{
    const std::pair<const char *, const char *> calls[] = {
        {"EXEC ov_Count 7", "1"}, {"EXEC ov_Count 7", "1"}, {"EXEC ov_Count 8", "2"}, {"EXEC ov_Count 8", "2"}};
    for (const auto &[call, counter] : calls) {
        const QString result = outcome(call);
        EXPECT_TRUE(result.isEmpty() || result == "error: UNIQUE constraint failed: Seen.ID") << result.toStdString();
        EXPECT_EQ(outcome(*other, "Select n From Counter"), counter) << call;
    }
    EXPECT_EQ(outcome("Select ID From Seen Order By ID"), "7,8");
    for (const char *id : {"1", "2", "1"})
        EXPECT_EQ(outcome(QStringLiteral("EXEC ov_Both %1").arg(id)), id == QString("1") ? "one" : "two");
}

// Recordsets keep their rows: running the same text again, with other rows, leaves an open one as it was.
TEST_F(StatementCacheTest, AnOpenRecordsetKeepsItsRowsWhenItsStatementRunsAgain)
{
    for (const char *sql : {"Select Name From Items Where ID <= 2 Order By ID", "EXEC ov_Upto 2"}) {
        db->execute("UPDATE Items SET Name = 'one' WHERE ID = 1");
        auto first = db->openRecordset(sql, CursorType::Static);
        first->moveNext();
        db->execute("UPDATE Items SET Name = 'uno' WHERE ID = 1");
        auto second = db->openRecordset(sql, CursorType::Static);
        EXPECT_EQ(CStr(first->field(0)), "two") << sql;
        first->moveFirst();
        EXPECT_EQ(CStr(first->field(0)), "one") << sql;
        EXPECT_EQ(outcome(sql), "uno,two") << sql;
    }
}

// The trace shows every text as sent, whether it was compiled afresh, reused, or failed.
TEST_F(StatementCacheTest, TheTraceShowsEveryTextAsSentEachTime)
{
    const QString trace = m_folder.filePath("trace.txt");
    db->setTraceFile(trace);
    const QStringList texts = {"Select Name From Items Where ID = 1", "EXEC ov_Name 2", "exec ov_name  @ID = N'1';",
                               "Select Nothing From Nowhere", "EXEC ov_Nowhere 1"};
    for (int round = 0; round < 2; ++round) {
        for (const QString &text : texts)
            (void)outcome(text);
        Command command("OV_Name");
        command.append("@ID", ParameterDirection::Input, "2");
        db->execute(command);
    }
    db->setTraceFile({});
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray round = (texts.join(u'\n') + "\nEXEC OV_Name @ID='2'\n").toUtf8();
    EXPECT_EQ(file.readAll(), round + round);
}

// The cache itself: one loan at a time per statement, each loan ending with the statement rewound and
// unbound, and the least recently used statement making room.
TEST(StatementCache, LendsEachStatementOnceAndMakesRoomForNewOnes)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const auto prepare = [db](const char *sql) {
        sqlite3_stmt *statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK);
        return StatementPtr(statement);
    };
    {
        StatementCache cache(2);
        EXPECT_FALSE(cache.borrow("a"));
        sqlite3_stmt *kept = nullptr;
        {
            const StatementCache::Loan loan = cache.keep("a", prepare("SELECT ifnull(?1, 'unbound') UNION ALL SELECT 2"));
            kept = loan.get();
            EXPECT_FALSE(cache.borrow("a")) << "a statement on loan is not lent twice";
            const StatementCache::Loan own = cache.keep("a", prepare("SELECT 3"));
            EXPECT_TRUE(own.get() != nullptr && own.get() != kept);
            sqlite3_bind_int(kept, 1, 5);
            ASSERT_EQ(sqlite3_step(kept), SQLITE_ROW);
            EXPECT_EQ(sqlite3_column_int(kept, 0), 5);
        }
        EXPECT_EQ(cache.size(), 1u);
        {
            const StatementCache::Loan again = cache.borrow("a");
            ASSERT_EQ(again.get(), kept);
            ASSERT_EQ(sqlite3_step(kept), SQLITE_ROW) << "the loan before was rewound";
            EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(kept, 0))), "unbound");
        }
        (void)cache.keep("b", prepare("SELECT 'b'"));
        (void)cache.borrow("a");
        (void)cache.keep("c", prepare("SELECT 'c'"));
        EXPECT_EQ(cache.size(), 2u);
        EXPECT_TRUE(cache.borrow("a"));
        EXPECT_FALSE(cache.borrow("b")) << "the least recently used one made room";
    }
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK) << "every statement was finalized";
}
} // namespace
} // namespace Ostraven::Testing
