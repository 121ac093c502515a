// The ODBC backend against a real driver: the SQLite ODBC driver on a file per test.
#include "odbctest.h"
#include "platform/db/dberror.h"
#include "platform/db/sqlitebackend.h"
#include <QFile>

namespace Ostraven::Testing {
namespace {

// Reads a value back through an independent SQLite connection, so a text that both directions of the
// driver bent the same way still shows up.
Variant storedValue(const QString &path, const QString &sql)
{
    const ConnectionPtr direct = Connection::openSqlite(path);
    const std::unique_ptr<Recordset> rs = direct->openRecordset(sql);
    return rs->eof() ? Variant() : rs->field(0);
}

struct RoundTrip {
    const char *name;
    const char *declared;
    QString literal;
    Variant expected;
    // Written by SQLite itself rather than through the driver: the SQLite ODBC driver turns each half of
    // a UTF-16 surrogate pair into its own (wrong) UTF-8 when it converts statement text, so characters
    // beyond the Basic Multilingual Plane can only be read through it. (Their way out is checked where
    // the backend binds parameters, tests/db/odbcseam_test.cpp.)
    bool writtenDirectly = false;
};
void PrintTo(const RoundTrip &row, std::ostream *out) { *out << row.name; }

class OdbcRoundTrip : public OdbcTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(OdbcRoundTrip, ValuesComeBackAsTheHostsTypes)
{
    const RoundTrip &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V %1)").arg(QLatin1StringView(row.declared)));
    const QString insert = QStringLiteral("INSERT INTO T VALUES (1, %1)").arg(row.literal);
    if (row.writtenDirectly) Connection::openSqlite(databasePath())->execute(insert);
    else EXPECT_EQ(backend->execute(insert), 1);
    const std::unique_ptr<Recordset> rs = backend->openRecordset(QStringLiteral("SELECT V AS Value FROM T"), CursorType::ForwardOnly);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->fieldName(0), QStringLiteral("Value"));
    EXPECT_EQ(rs->field(0), row.expected);
    if (row.expected.isString() && !row.writtenDirectly) {
        // The text reached the file as written, and a condition on it finds it again.
        EXPECT_EQ(storedValue(databasePath(), QStringLiteral("SELECT V FROM T")), row.expected);
        EXPECT_EQ(column(*backend, QStringLiteral("SELECT ID FROM T WHERE V = %1").arg(row.literal)), std::vector<Variant>{qint32(1)});
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OdbcRoundTrip, ::testing::Values(
    RoundTrip{"AccentedText", "TEXT", QStringLiteral("'Zoë Ångström, façade Łódź'"), Variant(QStringLiteral("Zoë Ångström, façade Łódź"))},
    RoundTrip{"NonBmpText", "VARCHAR(50)", QStringLiteral("'key 🔑 door 𝔸'"), Variant(QStringLiteral("key 🔑 door 𝔸")), true},
    RoundTrip{"TextLongerThanOnePiece", "TEXT", QStringLiteral("'%1'").arg(QString(9000, u'é') + QStringLiteral("Ω")), Variant(QString(9000, u'é') + QStringLiteral("Ω"))},
    RoundTrip{"NonBmpTextLongerThanOnePiece", "TEXT", QStringLiteral("'%1'").arg(QString(4094, u'x') + QStringLiteral("🔑🔑")), Variant(QString(4094, u'x') + QStringLiteral("🔑🔑")), true},
    RoundTrip{"NullText", "TEXT", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NullInteger", "INTEGER", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NullDate", "DATETIME", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NegativeInteger", "INTEGER", QStringLiteral("-42"), Variant(qint32(-42))},
    RoundTrip{"SmallInteger", "SMALLINT", QStringLiteral("7"), Variant(qint32(7))},
    RoundTrip{"BigIntegerBeyondLong", "BIGINT", QStringLiteral("3000000000"), Variant(3000000000.0)},
    RoundTrip{"BigIntegerThatFits", "BIGINT", QStringLiteral("-2147483648"), Variant(qint32(-2147483647 - 1))},
    RoundTrip{"Double", "DOUBLE", QStringLiteral("0.25"), Variant(0.25)},
    RoundTrip{"Float", "FLOAT", QStringLiteral("-1.5e10"), Variant(-1.5e10)},
    RoundTrip{"DateWithMilliseconds", "DATETIME", QStringLiteral("'2024-03-04 13:02:03.250'"), Variant(Date::fromParts(2024, 3, 4, 13, 2, 3, 250))},
    RoundTrip{"Timestamp", "TIMESTAMP", QStringLiteral("'1800-01-01 00:00:00'"), Variant(Date::nullDate())},
    RoundTrip{"DateOnly", "DATE", QStringLiteral("'2024-02-29'"), Variant(Date::fromParts(2024, 2, 29))},
    RoundTrip{"BitSet", "BIT", QStringLiteral("1"), Variant(true)},
    RoundTrip{"BitClear", "BIT", QStringLiteral("0"), Variant(false)},
    RoundTrip{"BlobAsText", "BLOB", QStringLiteral("x'4b6f72c3a1'"), Variant(QStringLiteral("Korá"))}), rowName);

struct CursorCase {
    const char *name;
    CursorType cursor;
    qint64 recordCount;
    int moveFirstError;
};
void PrintTo(const CursorCase &row, std::ostream *out) { *out << row.name; }
class OdbcCursor : public OdbcTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(OdbcCursor, TheCursorKindDecidesWhatTheRecordsetAllows)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    for (int id : {3, 1, 2}) backend->execute(QStringLiteral("INSERT INTO T VALUES (%1)").arg(id));
    const std::unique_ptr<Recordset> rs = backend->openRecordset(QStringLiteral("SELECT ID FROM T ORDER BY ID"), GetParam().cursor);
    rs->moveNext();
    EXPECT_EQ(rs->field(0), Variant(qint32(2)));
    EXPECT_EQ(rs->recordCount(), GetParam().recordCount);
    EXPECT_EQ(errorNumber([&] { rs->moveFirst(); }), GetParam().moveFirstError);
    // The rows were read in full: the connection can be used, even closed, while the recordset is read.
    backend->close();
    std::vector<Variant> rest;
    for (; !rs->eof(); rs->moveNext()) rest.push_back(rs->field("id"));
    const std::vector<Variant> expected = GetParam().moveFirstError ? std::vector<Variant>{qint32(2), qint32(3)}
                                                                    : std::vector<Variant>{qint32(1), qint32(2), qint32(3)};
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(errorNumber([&] { (void)rs->field(0); }), DbError::NoCurrentRecord);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OdbcCursor, ::testing::Values(
    CursorCase{"ForwardOnly", CursorType::ForwardOnly, -1, DbError::CannotFetchBackwards},
    CursorCase{"Static", CursorType::Static, 3, 0}), rowName);

struct GuardCase {
    const char *name;
    const char *sql;
    bool refused;
};
void PrintTo(const GuardCase &row, std::ostream *out) { *out << row.name; }
class OdbcOneStatement : public OdbcTest, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(OdbcOneStatement, OnlyOneStatementIsSentAtATime)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (V TEXT)"));
    const QString sql = QString::fromUtf8(GetParam().sql);
    if (!GetParam().refused) {
        EXPECT_NO_THROW(backend->execute(sql));
        return;
    }
    const VbError odbc = errorOf([&] { backend->execute(sql); });
    // The same refusal, word for word, as the embedded backend gives.
    const VbError sqlite = errorOf([&] { SqliteBackend::open(QStringLiteral(":memory:"))->execute(sql); });
    EXPECT_EQ(std::tuple(odbc.number(), odbc.description()), std::tuple(sqlite.number(), sqlite.description()));
    EXPECT_EQ(column(*backend, QStringLiteral("SELECT COUNT(*) FROM T")), std::vector<Variant>{qint32(0)}) << "nothing of it ran";
}

INSTANTIATE_TEST_SUITE_P(Texts, OdbcOneStatement, ::testing::Values(
    GuardCase{"TwoStatements", "INSERT INTO T VALUES ('a'); INSERT INTO T VALUES ('b')", true},
    GuardCase{"SecondAfterComment", "INSERT INTO T VALUES ('a'); /* then */ DELETE FROM T", true},
    GuardCase{"TrailingTerminator", "INSERT INTO T VALUES ('a');", false},
    GuardCase{"TerminatorThenBlanks", "INSERT INTO T VALUES ('a');  \n ", false},
    GuardCase{"TerminatorInsideText", "INSERT INTO T VALUES ('a; DELETE FROM T')", false}), rowName);

struct ErrorCase {
    const char *name;
    bool opening; // the text is a connection string; otherwise a statement on an open connection
    QString text;
    int number;
    std::vector<std::string> said;
    std::vector<std::string> unsaid;
};
void PrintTo(const ErrorCase &row, std::ostream *out) { *out << row.name; }
class OdbcErrors : public OdbcTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(OdbcErrors, FailuresNameTheirCauseAndKeepWhatIsStored)
{
    const ErrorCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE Kept (V TEXT)"));
    backend->execute(QStringLiteral("INSERT INTO Kept VALUES ('still here')"));
    const QString text = QString(row.text).replace(QStringLiteral("$DIR"), m_dir.path());
    const VbError error = errorOf([&] {
        if (row.opening) (void)OdbcBackend::open(text);
        else (void)backend->openRecordset(text, CursorType::ForwardOnly);
    });
    EXPECT_EQ(error.number(), row.number);
    for (const std::string &part : row.said) EXPECT_THAT(error.description().toStdString(), HasSubstr(part));
    for (const std::string &part : row.unsaid) EXPECT_THAT(error.description().toStdString(), ::testing::Not(HasSubstr(part)));
    EXPECT_EQ(column(*backend, QStringLiteral("SELECT V FROM Kept")), std::vector<Variant>{Variant("still here")});
}

INSTANTIATE_TEST_SUITE_P(Causes, OdbcErrors, ::testing::Values(
    ErrorCase{"SyntaxError", false, QStringLiteral("SELEC V FROM Kept"), DbError::StatementFailed, {"SQLSTATE HY000", "syntax error"}, {}},
    ErrorCase{"MissingTable", false, QStringLiteral("SELECT * FROM Nowhere"), DbError::StatementFailed, {"SQLSTATE", "no such table: Nowhere"}, {}},
    ErrorCase{"UnclosedQuote", false, QStringLiteral("SELECT 'open FROM Kept"), DbError::StatementFailed, {"Unclosed quotation mark"}, {}},
    ErrorCase{"MissingDriver", true, QStringLiteral("Driver=NoSuchOdbcDriver;Database=$DIR/x.db"), DbError::OpenFailed,
              {"Cannot open the ODBC connection 'Driver=NoSuchOdbcDriver;", "SQLSTATE 01000", "Can't open lib 'NoSuchOdbcDriver'"}, {}},
    ErrorCase{"PasswordNeverShown", true, QStringLiteral("Driver={No Such Driver};Server=db1;UID=ov;PWD={se;cr}}et}"), DbError::OpenFailed,
              {"PWD=***", "UID=ov", "Can't open lib 'No Such Driver'"}, {"se;cr", "cr}et"}},
    ErrorCase{"EmptyString", true, QStringLiteral("  "), DbError::OpenFailed, {"connection string cannot be used: it is empty"}, {}},
    ErrorCase{"NeitherDriverNorDsn", true, QStringLiteral("Server=db1;Database=Events"), DbError::OpenFailed, {"names neither a Driver nor a DSN"}, {}},
    ErrorCase{"PieceWithoutValue", true, QStringLiteral("Driver=x;Trusted"), DbError::OpenFailed, {"'Trusted' is not a key=value pair"}, {}},
    ErrorCase{"BraceNeverClosed", true, QStringLiteral("Driver={SQL;Database=x"), DbError::OpenFailed, {"the value of Driver opens a brace that is never closed"}, {}},
    ErrorCase{"DatabaseInAMissingFolder", true, QStringLiteral("Driver=OvSQLite3;Database=$DIR/missing/folder/x.db"), DbError::OpenFailed,
              {"Cannot open the ODBC connection", "SQLSTATE"}, {}}), rowName);

struct TransactionCase {
    const char *name;
    std::function<void(OdbcBackend &, const std::function<void(int)> &)> steps;
    std::vector<Variant> kept;
};
void PrintTo(const TransactionCase &row, std::ostream *out) { *out << row.name; }
class OdbcTransactions : public OdbcTest, public ::testing::WithParamInterface<TransactionCase> {};

TEST_P(OdbcTransactions, GroupsTakeEffectWholeOrNotAtAll)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    GetParam().steps(*backend, [&](int id) { backend->execute(QStringLiteral("INSERT INTO T VALUES (%1)").arg(id)); });
    // Back in autocommit: a statement after the group is seen at once by another program.
    backend->execute(QStringLiteral("INSERT INTO T VALUES (99)"));
    std::vector<Variant> expected = GetParam().kept;
    expected.push_back(qint32(99));
    const ConnectionPtr other = Connection::openSqlite(databasePath());
    std::vector<Variant> seen;
    for (const std::unique_ptr<Recordset> rs = other->openRecordset(QStringLiteral("SELECT ID FROM T ORDER BY ID")); !rs->eof(); rs->moveNext())
        seen.push_back(rs->field(0));
    EXPECT_EQ(seen, expected);
}

using Insert = const std::function<void(int)> &;
INSTANTIATE_TEST_SUITE_P(Groups, OdbcTransactions, ::testing::Values(
    TransactionCase{"Committed", [](OdbcBackend &b, Insert insert) { b.beginTransaction(); insert(1); insert(2); b.commitTransaction(); }, {qint32(1), qint32(2)}},
    TransactionCase{"RolledBack", [](OdbcBackend &b, Insert insert) { b.beginTransaction(); insert(1); b.rollbackTransaction(); }, {}},
    TransactionCase{"InnerRolledBackOuterKept", [](OdbcBackend &b, Insert insert) {
        b.beginTransaction(); insert(1); b.beginTransaction(); insert(2); b.rollbackTransaction(); insert(3); b.commitTransaction(); }, {qint32(1), qint32(3)}},
    TransactionCase{"InnerCommittedOuterRolledBack", [](OdbcBackend &b, Insert insert) {
        b.beginTransaction(); insert(1); b.beginTransaction(); insert(2); b.commitTransaction(); b.rollbackTransaction(); }, {}},
    TransactionCase{"NestedStraightAfterBegin", [](OdbcBackend &b, Insert insert) {
        b.beginTransaction(); b.beginTransaction(); insert(1); b.commitTransaction(); insert(2); b.commitTransaction(); }, {qint32(1), qint32(2)}},
    TransactionCase{"CommitWithoutBeginRefused", [](OdbcBackend &b, Insert insert) {
        insert(1);
        EXPECT_THAT(describedError([&] { b.commitTransaction(); }), HasSubstr("There is no transaction to commit."));
        b.rollbackTransaction(); }, {qint32(1)}}), rowName);

TEST_F(OdbcTest, TheTraceHoldsStatementsAsSentAndLeavesTransactionStepsOut)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    const QString trace = m_dir.filePath(QStringLiteral("sql.trace"));
    backend->setTraceFile(trace);
    backend->execute(QStringLiteral("CREATE TABLE T (V TEXT)"));
    backend->beginTransaction();
    backend->execute(QStringLiteral("INSERT INTO T\nVALUES ('Zoë')"));
    backend->beginTransaction();
    backend->rollbackTransaction();
    backend->commitTransaction();
    (void)errorOf([&] { backend->execute(QStringLiteral("SELECT 1; SELECT 2")); });
    backend->setTraceFile(QString());
    backend->execute(QStringLiteral("DELETE FROM T"));
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).split(u'\n'),
              QStringList({"CREATE TABLE T (V TEXT)", "INSERT INTO T VALUES ('Zoë')", "SELECT 1; SELECT 2", ""}));
}

TEST_F(OdbcTest, AClosedConnectionRefusesStatementsAndTheFacadeOpensOne)
{
    const ConnectionPtr connection = Connection::openOdbc(connectionString(), OdbcOptions{});
    connection->execute(QStringLiteral("CREATE TABLE T (V TEXT)"));
    EXPECT_TRUE(connection->isOpen());
    connection->close();
    EXPECT_FALSE(connection->isOpen());
    EXPECT_EQ(errorNumber([&] { connection->execute(QStringLiteral("SELECT V FROM T")); }), DbError::ObjectClosed);
    EXPECT_EQ(errorNumber([&] { connection->beginTransaction(); }), DbError::ObjectClosed);
}

} // namespace
} // namespace Ostraven::Testing
