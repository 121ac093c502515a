#include "../platformtest.h"
#include "platform/db/connection.h"
#include "support/sqlitedriverof.h"
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace Ostraven::Testing {
namespace {
// A database file with a procedure table, and a second connection standing for another program.
struct StatementCacheTest : ::testing::Test {
    void SetUp() override { sqliteDriverOf(*db).executeScript(QStringLiteral(R"(
CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name TEXT); INSERT INTO Items VALUES (1, 'one'), (2, 'two');
CREATE TABLE Counter (n INTEGER); INSERT INTO Counter VALUES (0); CREATE TABLE Seen (ID INTEGER PRIMARY KEY);
CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL, body TEXT NOT NULL);
INSERT INTO ov_procedures VALUES ('ov_Name', '@ID', 'SELECT Name FROM Items WHERE ID = @ID'),
 ('ov_Count', '@ID', 'UPDATE Counter SET n = n + 1; INSERT INTO Seen VALUES (@ID)'),
 ('ov_Both', '@ID', 'SELECT Name FROM Items WHERE ID = 1; SELECT Name FROM Items WHERE ID = @ID');)")); }
    // The last column of every row from where the recordset stands, joined by commas.
    static QString lastColumn(Recordset &rows)
    {
        QStringList values;
        for (; !rows.eof(); rows.moveNext()) values << CStr(rows.field(rows.fieldCount() - 1));
        return values.join(u',');
    }
    // The same for a statement, or the error's description after "error: "; through the other connection when asked.
    QString outcome(const QString &sql, bool elsewhere = false)
    {
        try { return lastColumn(*(elsewhere ? other : db)->openRecordset(sql)); } catch (const VbError &error) { return "error: " + error.description(); }
    }

    QTemporaryDir m_folder;
    ConnectionPtr db = Connection::openSqlite(m_folder.filePath("cache.sqlite")), other = Connection::openSqlite(m_folder.filePath("cache.sqlite"));
};

// A kept statement answers with the rows as they are now, whoever changed them, and follows the schema; a kept
// procedure's definition gives way to the one in ov_procedures once that has changed, here or by another program,
// and to the one from before a transaction rolled back (the calls inside it see the change). A recordset opened
// before keeps its rows: recordsets copy them, so running its text again cannot reach them.
enum Where { Here, Elsewhere, InATransaction };
struct Rerun { const char *name; Where where; const char *change, *after, *statement = "EXEC ov_Name 1", *before = "one", *inside = nullptr; };
class KeptStatement : public StatementCacheTest, public ::testing::WithParamInterface<Rerun> {};
TEST_P(KeptStatement, ReadsTheDatabaseAsItIsNow)
{
    const Rerun &c = GetParam();
    EXPECT_EQ(outcome(c.statement), c.before);
    const std::unique_ptr<Recordset> open = QString(c.before).startsWith("error") ? nullptr : db->openRecordset(c.statement, CursorType::Static);
    std::optional<Transaction> transaction;
    if (c.where == InATransaction) transaction.emplace(*db);
    (c.where == Elsewhere ? other : db)->execute(c.change);
    QStringList seen = {outcome(c.statement)};
    transaction.reset();
    EXPECT_EQ(seen << outcome(c.statement) << outcome(c.statement), QStringList({c.inside ? c.inside : c.after, c.after, c.after}))
        << "each run starts from the first row";
    EXPECT_EQ(open ? lastColumn(*open) : c.before, c.before) << "the recordset opened before keeps its rows";
}
constexpr const char *exclaim = "UPDATE ov_procedures SET body = 'SELECT Name || ''!'' FROM Items WHERE ID = @ID'";
INSTANTIATE_TEST_SUITE_P(Changes, KeptStatement, ::testing::Values(
    Rerun{"RowChangedElsewhere", Elsewhere, "UPDATE Items SET Name = 'uno' WHERE ID = 1", "uno,two", "Select Name From Items Order By ID", "one,two"},
    Rerun{"ColumnAdded", Elsewhere, "ALTER TABLE Items ADD COLUMN Extra TEXT DEFAULT 'x'", "x", "Select * From Items Where ID = 2", "two"},
    Rerun{"TableDropped", Elsewhere, "DROP TABLE Items", "error: no such table: Items", "Select Name From Items Where ID = 2", "two"},
    Rerun{"DialectKept", Here, "INSERT INTO Items VALUES (3, 'three')", "three!", "Select Top 1 Name + '!' From Items Order By ID Desc", "two!"},
    Rerun{"ProcedureReplacedHere", Here, exclaim, "one!"},
    Rerun{"ProcedureReplacedElsewhere", Elsewhere, exclaim, "one!"},
    Rerun{"ProcedureReplacedInATransactionRolledBack", InATransaction, exclaim, "one", "EXEC ov_Name 1", "one", "one!"},
    Rerun{"ParametersChangedElsewhere", Elsewhere, "UPDATE ov_procedures SET parameters = '@Other, @ID'", ""},
    Rerun{"ParameterDroppedElsewhere", Elsewhere, "UPDATE ov_procedures SET parameters = '', body = 'SELECT 1'",
          "error: Procedure or function 'ov_Name' has too many arguments specified."},
    Rerun{"MadeToWriteElsewhere", Elsewhere, "UPDATE ov_procedures SET body = 'UPDATE Items SET Name = ''x'''", ""},
    Rerun{"ProcedureDeletedElsewhere", Elsewhere, "DELETE FROM ov_procedures WHERE name = 'OV_name'", "error: Could not find stored procedure 'ov_Name'."},
    Rerun{"ProcedureTableDroppedElsewhere", Elsewhere, "DROP TABLE ov_procedures", "error: Could not find stored procedure 'ov_Name'."},
    Rerun{"ProcedureDataChangedElsewhere", Elsewhere, "UPDATE Items SET Name = 'uno'", "uno"},
    Rerun{"ProcedureNotFoundThenCreated", Elsewhere, "INSERT INTO ov_procedures VALUES ('ov_Later', '@ID', 'SELECT Name FROM Items WHERE ID = @ID')", "two",
          "EXEC ov_Later 2", "error: Could not find stored procedure 'ov_Later'."}),
    rowName);

// A body of several statements that fails part way leaves nothing behind, on its first call and on calls that
// reuse its compiled statements; a body that only reads answers each call afresh.
TEST_F(StatementCacheTest, AFailingBodyLeavesNothingBehindOnEveryCall)
{
    QStringList seen;
    for (const char *call : {"EXEC ov_Count 7", "EXEC ov_Count 7", "EXEC ov_Count 8", "EXEC ov_Count 8"})
        seen << outcome(call) << outcome("Select n From Counter", true);
    EXPECT_EQ(seen.replaceInStrings("error: UNIQUE constraint failed: Seen.ID", "failed"), QStringList({"", "1", "failed", "1", "", "2", "failed", "2"}));
    EXPECT_EQ(QStringList({outcome("EXEC ov_Both 1"), outcome("EXEC ov_Both 2"), outcome("EXEC ov_Both 1")}), QStringList({"one", "two", "one"}));
}

// The trace shows every text as sent each time, whether it was compiled afresh or reused, or failed.
TEST_F(StatementCacheTest, TheTraceShowsEveryTextAsSentEachTime)
{
    const QString trace = m_folder.filePath("trace.txt"), texts = "Select Name From Items Where ID = 1\nEXEC ov_Name 2\nexec ov_name  @ID = N'1';\nEXEC ov_Nowhere 1\n";
    db->setTraceFile(trace);
    for (const QString &text : (texts + texts).split(u'\n', Qt::SkipEmptyParts)) (void)outcome(text);
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), texts + texts);
}

// The cache itself: one loan at a time per statement, each loan ending with the statement rewound and unbound,
// and the least recently used statement making room.
TEST(StatementCache, LendsEachStatementOnceAndMakesRoomForNewOnes)
{
    const std::unique_ptr<SqliteDriver> driver = SqliteDriver::open(":memory:");
    const auto prepare = [&](const char *sql) { return driver->prepare(QString::fromLatin1(sql)); };
    const auto firstValue = [](DriverStatement *statement) { return CStr(statement->run()->rows.front().front()); };
    {
        StatementCache cache(2);
        std::optional<StatementCache::Loan> loan(cache.keep("a", prepare("SELECT ifnull(?1, 'unbound')")));
        DriverStatement *const kept = loan->get();
        // A statement on loan is not lent twice: the caller gets its own.
        EXPECT_THAT(std::pair(bool(cache.borrow("a")), cache.keep("a", prepare("SELECT 3")).get()),
                    ::testing::Pair(false, ::testing::AllOf(::testing::NotNull(), ::testing::Ne(kept))));
        kept->bind(1, Variant(5));
        EXPECT_EQ(firstValue(kept), "5");
        loan.reset();
        loan.emplace(cache.borrow("a"));
        ASSERT_EQ(loan->get(), kept);
        EXPECT_EQ(firstValue(kept), "unbound") << "the loan before ended unbound";
        loan.reset();
        (void)cache.keep("b", prepare("SELECT 'b'"));
        (void)cache.borrow("a");
        (void)cache.keep("c", prepare("SELECT 'c'"));
        EXPECT_EQ(std::tuple(cache.size(), bool(cache.borrow("a")), bool(cache.borrow("b"))), std::tuple(2u, true, false)) << "the least recently used made room";
    }
    EXPECT_EQ(sqlite3_next_stmt(driver->handle(), nullptr), nullptr) << "every statement was finalized";
}
} // namespace
} // namespace Ostraven::Testing
