// What the SQLite ODBC driver cannot be made to do on request, through the backend's table of driver
// entry points: a link that drops under a statement, a server that runs a procedure and writes its output
// parameters, T-SQL savepoints. Every slot not replaced here goes to the real driver.
#include "odbctest.h"
#include <cstring>
#include <map>

namespace Ostraven::Testing {
namespace {

enum class At { Nowhere, Connect, Prepare, Execute, Fetch, MoreResults, Commit };

struct Bound { SQLPOINTER buffer; SQLLEN bufferLength; SQLLEN *indicator; };

// What the replaced slots saw and what they are to do. One test at a time uses it.
struct Seam {
    std::vector<QString> connectionStrings;
    std::vector<SQLULEN> loginTimeouts;
    std::map<SQLHSTMT, SQLULEN> queryTimeouts;
    std::map<SQLHSTMT, QString> prepared;
    int prepares = 0;
    QStringList transactionSteps; // direct statements, commits, rollbacks, autocommit switches
    bool fakeDirect = false;      // SQLite runs an empty query in place of each direct statement
    // A fault: the call at `at` on the statement `faultText` (any for Connect and Commit) fails once with `state`.
    At at = At::Nowhere;
    QString faultText, state;
    SQLHANDLE faulted = nullptr;
    // The fake server of "EXEC" statements.
    std::map<SQLHSTMT, std::map<SQLUSMALLINT, Bound>> bound;
    std::optional<OdbcParameterType> describes;
    std::function<void(std::map<SQLUSMALLINT, Bound> &)> runsProcedure;
    int procedureRuns = 0;
};
Seam seam;

QString text(const SQLWCHAR *wide, SQLINTEGER length) { return QString::fromUtf16(reinterpret_cast<const char16_t *>(wide), length == SQL_NTS ? -1 : length); }
bool isCall(SQLHSTMT statement) { return seam.prepared.count(statement) && seam.prepared[statement].startsWith(QLatin1StringView("EXEC ")); }
bool strikes(At at, SQLHANDLE handle)
{
    if (seam.at != at || (at != At::Connect && at != At::Commit && seam.prepared[handle] != seam.faultText)) return false;
    std::tie(seam.at, seam.faulted) = std::tuple(At::Nowhere, handle);
    return true;
}
SQLULEN number(SQLPOINTER value) { return SQLULEN(reinterpret_cast<uintptr_t>(value)); }
SQLWCHAR *nothing() { return reinterpret_cast<SQLWCHAR *>(const_cast<char16_t *>(u"SELECT 1 WHERE 0")); }

const OdbcApi real;

OdbcApi seamApi()
{
    OdbcApi api;
    api.driverConnect = [](SQLHDBC dbc, SQLHWND window, SQLWCHAR *in, SQLSMALLINT inLength, SQLWCHAR *out, SQLSMALLINT outMax,
                           SQLSMALLINT *outLength, SQLUSMALLINT completion) -> SQLRETURN {
        seam.connectionStrings.push_back(text(in, inLength));
        return strikes(At::Connect, dbc) ? SQL_ERROR : real.driverConnect(dbc, window, in, inLength, out, outMax, outLength, completion);
    };
    api.setConnectAttr = [](SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) -> SQLRETURN {
        if (attribute == SQL_ATTR_LOGIN_TIMEOUT) seam.loginTimeouts.push_back(number(value));
        if (attribute == SQL_ATTR_AUTOCOMMIT) seam.transactionSteps << (number(value) == SQL_AUTOCOMMIT_ON ? "AUTOCOMMIT ON" : "AUTOCOMMIT OFF");
        return real.setConnectAttr(dbc, attribute, value, length);
    };
    api.setStmtAttr = [](SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) -> SQLRETURN {
        if (attribute == SQL_ATTR_QUERY_TIMEOUT) seam.queryTimeouts[statement] = number(value);
        return real.setStmtAttr(statement, attribute, value, length);
    };
    // SQLite is handed an empty query in place of a procedure call (or of a direct T-SQL statement).
    api.prepare = [](SQLHSTMT statement, SQLWCHAR *sql, SQLINTEGER length) -> SQLRETURN {
        ++seam.prepares;
        seam.prepared[statement] = text(sql, length);
        if (strikes(At::Prepare, statement)) return SQL_ERROR;
        return isCall(statement) ? real.prepare(statement, nothing(), SQL_NTS) : real.prepare(statement, sql, length);
    };
    api.execute = [](SQLHSTMT statement) -> SQLRETURN { return strikes(At::Execute, statement) ? SQL_ERROR : real.execute(statement); };
    api.fetch = [](SQLHSTMT statement) -> SQLRETURN { return strikes(At::Fetch, statement) ? SQL_ERROR : real.fetch(statement); };
    // As a server does, the procedure's output parameters are written once its results are all read.
    api.moreResults = [](SQLHSTMT statement) -> SQLRETURN {
        if (strikes(At::MoreResults, statement)) return SQL_ERROR;
        if (isCall(statement) && seam.runsProcedure) ++seam.procedureRuns, seam.runsProcedure(seam.bound[statement]);
        return real.moreResults(statement);
    };
    api.bindParameter = [](SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType, SQLSMALLINT sqlType,
                           SQLULEN columnSize, SQLSMALLINT digits, SQLPOINTER buffer, SQLLEN bufferLength, SQLLEN *indicator) -> SQLRETURN {
        if (!isCall(statement)) return real.bindParameter(statement, number, ioType, cType, sqlType, columnSize, digits, buffer, bufferLength, indicator);
        seam.bound[statement][number] = Bound{buffer, bufferLength, indicator};
        return SQL_SUCCESS;
    };
    api.describeParam = [](SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *digits, SQLSMALLINT *nullable) -> SQLRETURN {
        if (!isCall(statement) || !seam.describes) return real.describeParam(statement, number, type, size, digits, nullable);
        std::tie(*type, *size, *digits, *nullable) = std::tuple(seam.describes->sqlType, seam.describes->size, seam.describes->digits, SQL_NULLABLE);
        return SQL_SUCCESS;
    };
    api.execDirect = [](SQLHSTMT statement, SQLWCHAR *sql, SQLINTEGER length) -> SQLRETURN {
        seam.transactionSteps << text(sql, length);
        return seam.fakeDirect ? real.execDirect(statement, nothing(), SQL_NTS) : real.execDirect(statement, sql, length);
    };
    api.endTran = [](SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) -> SQLRETURN {
        seam.transactionSteps << (completion == SQL_COMMIT ? "COMMIT" : "ROLLBACK");
        return completion == SQL_COMMIT && strikes(At::Commit, handle) ? SQL_ERROR : real.endTran(type, handle, completion);
    };
    api.getDiagRec = [](SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, SQLWCHAR *state, SQLINTEGER *native, SQLWCHAR *message,
                        SQLSMALLINT room, SQLSMALLINT *length) -> SQLRETURN {
        if (handle != seam.faulted) return real.getDiagRec(type, handle, number, state, native, message, room, length);
        if (number > 1) return SQL_NO_DATA;
        const QString said = QStringLiteral("[seam]Communication link failure");
        std::memcpy(state, seam.state.utf16(), 10);
        std::memcpy(message, said.utf16(), size_t(said.size()) * 2);
        std::tie(state[5], *native, message[said.size()], *length) = std::tuple(0, 10054, 0, SQLSMALLINT(said.size()));
        return SQL_SUCCESS;
    };
    return api;
}

class OdbcSeamTest : public OdbcTest
{
protected:
    void SetUp() override { seam = Seam(); }
    std::unique_ptr<OdbcBackend> openWithSeam(const OdbcOptions &options = {}) const { return open(options, seamApi()); }
    static std::vector<Variant> ids(OdbcBackend &backend) { return column(backend, QStringLiteral("SELECT ID FROM T ORDER BY ID")); }
};

struct LossCase {
    const char *name;
    At at;
    const char *state;
    const char *statement; // the statement the fault strikes; it is run again after the error
    bool lost;
    bool refused = false; // the server refuses the first login after the loss
};
class OdbcConnectionLoss : public OdbcSeamTest, public ::testing::WithParamInterface<LossCase> {};

TEST_P(OdbcConnectionLoss, ALostLinkIsReportedAndTheNextStatementOpensItAgain)
{
    const LossCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    backend->execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    EXPECT_EQ(ids(*backend), std::vector<Variant>{qint32(1)});
    std::tie(seam.at, seam.state, seam.faultText) = std::tuple(row.at, QString::fromLatin1(row.state), QString::fromLatin1(row.statement));
    const VbError error = errorOf([&] {
        if (row.at != At::Commit) return (void)backend->openRecordset(seam.faultText, CursorType::ForwardOnly);
        backend->beginTransaction();
        backend->execute(QStringLiteral("INSERT INTO T VALUES (2)"));
        backend->commitTransaction();
    });
    EXPECT_EQ(error.number(), DbError::StatementFailed);
    EXPECT_THAT(error.description().toStdString(), HasSubstr("SQLSTATE " + std::string(row.state) + " (native error 10054): [seam]Communication link failure"));
    // A lost link says so, and the dropped connection's statements are forgotten; the backend itself stays open.
    EXPECT_EQ(std::tuple(error.description().contains(QLatin1StringView("connection to the database server was lost")), backend->isConnected(),
                         backend->keptStatements() == 0, backend->isOpen()),
              std::tuple(row.lost, !row.lost, row.lost, true));
    // A server still away is a failed open, and tried again by the next statement.
    if (row.refused) {
        std::tie(seam.at, seam.state) = std::tuple(At::Connect, QStringLiteral("08001"));
        const VbError refused = errorOf([&] { (void)ids(*backend); });
        EXPECT_EQ(std::tuple(refused.number(), backend->isConnected()), std::tuple(DbError::OpenFailed, false));
        EXPECT_THAT(refused.description().toStdString(), ::testing::AllOf(HasSubstr("Cannot open the ODBC connection"), HasSubstr("SQLSTATE 08001")));
    }
    const int preparesBefore = seam.prepares;
    EXPECT_FALSE(column(*backend, QString::fromLatin1(row.statement)).empty());
    // The transaction died with the link: nothing of it is half kept.
    EXPECT_EQ(ids(*backend), std::vector<Variant>{qint32(1)});
    // Opened again from the very same string, and the statement prepared afresh on the new connection.
    EXPECT_EQ(seam.connectionStrings, std::vector<QString>(1 + row.lost + row.refused, connectionString()));
    EXPECT_EQ(seam.prepares > preparesBefore, row.lost || row.at == At::Prepare);
}

INSTANTIATE_TEST_SUITE_P(Faults, OdbcConnectionLoss, ::testing::Values(
    LossCase{"NotOpenWhenPreparing", At::Prepare, "08003", "SELECT ID + 1 FROM T", true},
    LossCase{"FailureWhileFetching", At::Fetch, "08007", "SELECT ID FROM T ORDER BY ID", true},
    LossCase{"LinkFailureAfterTheRows", At::MoreResults, "08S01", "SELECT ID FROM T ORDER BY ID", true},
    LossCase{"LinkFailureAtCommit", At::Commit, "08S01", "SELECT ID FROM T ORDER BY ID", true},
    LossCase{"LinkFailureUnderAQueryThenServerStillAway", At::Execute, "08S01", "SELECT ID + 2 FROM T", true, true},
    LossCase{"DeadlockKeepsTheConnection", At::Execute, "40001", "SELECT ID FROM T ORDER BY ID", false},
    LossCase{"ConstraintKeepsTheConnection", At::Prepare, "23000", "SELECT ID + 1 FROM T", false}), rowName);

TEST_F(OdbcSeamTest, OutputParametersArriveAfterTheResultsAndTextTravelsAsUtf16)
{
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    seam.describes = OdbcParameterType{SQL_INTEGER, 10, 0};
    QString sentName;
    seam.runsProcedure = [&](std::map<SQLUSMALLINT, Bound> &bound) {
        ASSERT_EQ(bound.size(), 5u);
        sentName = QString::fromUtf16(static_cast<const char16_t *>(bound[2].buffer), std::max<SQLLEN>(*bound[2].indicator, 0) / 2);
        const auto put = [](Bound &to, const void *bytes, SQLLEN size) { std::memcpy(to.buffer, bytes, size_t(size)), *to.indicator = size; };
        const qint64 id = 4711 + seam.procedureRuns;
        put(bound[3], &id, sizeof id);
        const QString note = QStringLiteral("Łódź 𝔸 ") + QString::number(seam.procedureRuns);
        ASSERT_GE(bound[4].bufferLength, SQLLEN(note.size() + 1) * 2);
        put(bound[4], note.utf16(), SQLLEN(note.size()) * 2);
        *bound[5].indicator = SQL_NULL_DATA;
    };
    Command command(QStringLiteral("ZUL_InsertEventFilterGroup"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, Variant(qint32(0)));
    command.append(QStringLiteral("@GroupName"), ParameterDirection::Input, Variant(QStringLiteral("Zoë 🔑")));
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("Note"), ParameterDirection::InputOutput, Variant(QStringLiteral("in")));
    command.append(QStringLiteral("Stamp"), ParameterDirection::InputOutput, Variant(Date::fromParts(2024, 3, 4)));
    backend->execute(command);

    EXPECT_EQ(std::tuple(seam.prepared.size(), seam.prepared.begin()->second),
              std::tuple(size_t(1), QStringLiteral("EXEC ZUL_InsertEventFilterGroup @SiteID = ?, @GroupName = ?, @ReturnedID = ? OUTPUT, @Note = ? OUTPUT, @Stamp = ? OUTPUT")));
    // The name went out as UTF-16 and is left as it was; the outputs are what the server wrote after its results.
    EXPECT_EQ(std::vector<Variant>({Variant(sentName), command.parameter("GroupName").value, command.parameter("ReturnedID").value, command.parameter("Note").value,
                                    command.parameter("Stamp").value}),
              std::vector<Variant>({Variant(QStringLiteral("Zoë 🔑")), Variant(QStringLiteral("Zoë 🔑")), Variant(qint32(4712)), Variant(QStringLiteral("Łódź 𝔸 1")), Variant::null()}));
    // The same call again reuses the prepared statement with fresh bindings.
    command.parameter("ReturnedID").value = Variant();
    const int prepares = seam.prepares;
    backend->execute(command);
    EXPECT_EQ(std::tuple(seam.prepares, command.parameter("ReturnedID").value), std::tuple(prepares, Variant(qint32(4713))));
}

struct TimeoutCase {
    const char *name;
    OdbcOptions options;
    std::optional<std::chrono::seconds> changedTo;
    SQLULEN login, query;
};
class OdbcTimeouts : public OdbcSeamTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(OdbcTimeouts, TimeoutsReachTheDriver)
{
    const TimeoutCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = openWithSeam(row.options);
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    (void)ids(*backend);
    if (row.changedTo) backend->setQueryTimeout(*row.changedTo);
    backend->execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    EXPECT_EQ(seam.loginTimeouts, std::vector<SQLULEN>{row.login});
    // One for each statement kept.
    EXPECT_THAT(seam.queryTimeouts, ::testing::AllOf(::testing::SizeIs(3), ::testing::Each(::testing::Pair(::testing::_, row.query))));
}

INSTANTIATE_TEST_SUITE_P(Settings, OdbcTimeouts, ::testing::Values(
    TimeoutCase{"Defaults", {}, {}, 15, 30},
    TimeoutCase{"Chosen", {std::chrono::seconds(5), std::chrono::seconds(2)}, {}, 5, 2},
    TimeoutCase{"QueryTimeoutChangedForKeptStatementsToo", {}, std::chrono::seconds(120), 15, 120},
    TimeoutCase{"NoQueryTimeout", {std::chrono::seconds(1), std::chrono::seconds(0)}, {}, 1, 0}), rowName);

TEST_F(OdbcSeamTest, PreparedStatementsAreKeptByTextUpToTheBound)
{
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    const auto run = [&](int n) { return column(*backend, QStringLiteral("SELECT %1 AS N").arg(n)); };
    for (int n = 0; n <= int(OdbcBackend::statementCapacity); ++n) (void)run(n);
    EXPECT_EQ(backend->keptStatements(), OdbcBackend::statementCapacity);
    const int prepares = seam.prepares;
    (void)run(int(OdbcBackend::statementCapacity)); // the newest is kept
    (void)run(2);                                   // kept too: only the oldest had to go
    EXPECT_EQ(seam.prepares, prepares);
    EXPECT_EQ(run(0), std::vector<Variant>{Variant(qint32(0))}); // the oldest was let go and is prepared again
    EXPECT_EQ(seam.prepares, prepares + 1);
    // A statement the driver refuses to prepare is not kept: the next run prepares it again.
    std::tie(seam.at, seam.state, seam.faultText) = std::tuple(At::Prepare, QStringLiteral("42000"), QStringLiteral("SELECT 500 AS N"));
    EXPECT_THAT(describedError([&] { (void)run(500); }), HasSubstr("SQLSTATE 42000"));
    EXPECT_EQ(run(500), std::vector<Variant>{Variant(qint32(500))});
    EXPECT_EQ(std::tuple(seam.prepares, backend->keptStatements()), std::tuple(prepares + 3, OdbcBackend::statementCapacity));
}

struct TransactionCase {
    const char *name;
    OdbcDialect dialect;
    // "B" begins a group, "C" commits it, "R" rolls it back, "c" commits with no group open, a digit inserts that ID.
    const char *steps;
    std::vector<Variant> kept; // what another program then sees, ID 9 written after the group included (not for T-SQL, which SQLite cannot run)
    QStringList sent = {};     // the transaction steps the driver is given; empty: not checked
};
class OdbcTransactions : public OdbcSeamTest, public ::testing::WithParamInterface<TransactionCase> {};

TEST_P(OdbcTransactions, GroupsTakeEffectWholeOrNotAtAllWithSavepointsInTheServersDialect)
{
    const TransactionCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = openWithSeam({std::chrono::seconds(15), std::chrono::seconds(30), row.dialect});
    EXPECT_EQ(backend->speaksTransactSql(), row.dialect == OdbcDialect::TransactSql);
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    seam.fakeDirect = row.dialect == OdbcDialect::TransactSql;
    for (const char *step = row.steps; *step; ++step) {
        if (*step == 'B') backend->beginTransaction();
        else if (*step == 'C') backend->commitTransaction();
        else if (*step == 'R') backend->rollbackTransaction();
        else if (*step == 'c') EXPECT_THAT(describedError([&] { backend->commitTransaction(); }), HasSubstr("There is no transaction to commit."));
        else if (*step != ' ') backend->execute(QStringLiteral("INSERT INTO T VALUES (%1)").arg(QChar::fromLatin1(*step)));
    }
    if (!row.sent.isEmpty()) { EXPECT_EQ(seam.transactionSteps, row.sent); }
    if (seam.fakeDirect) return;
    // Back in autocommit: a statement after the group (ID 9) is seen at once by another program.
    backend->execute(QStringLiteral("INSERT INTO T VALUES (9)"));
    EXPECT_EQ(column(*Connection::openSqlite(databasePath())->openRecordset(QStringLiteral("SELECT ID FROM T ORDER BY ID"))), row.kept);
}

constexpr auto Detect = OdbcDialect::Detect, Standard = OdbcDialect::Standard, TransactSql = OdbcDialect::TransactSql;
INSTANTIATE_TEST_SUITE_P(Groups, OdbcTransactions, ::testing::Values(
    TransactionCase{"InnerRolledBackOuterKept", Detect, "B 1 B 2 R 3 C", {qint32(1), qint32(3), qint32(9)},
                    {"AUTOCOMMIT OFF", "SAVEPOINT ov_transaction_1", "ROLLBACK TO SAVEPOINT ov_transaction_1", "RELEASE SAVEPOINT ov_transaction_1", "COMMIT", "AUTOCOMMIT ON"}},
    TransactionCase{"InnerCommittedOuterRolledBack", Detect, "B 1 B 2 C R", {qint32(9)}},
    TransactionCase{"NestedStraightAfterBegin", Detect, "B B 1 C 2 C", {qint32(1), qint32(2), qint32(9)}},
    TransactionCase{"CommitWithoutBeginRefused", Detect, "1 c R", {qint32(1), qint32(9)}},
    TransactionCase{"StandardThreeDeep", Standard, "B 1 B B 2 C R R", {qint32(9)},
                    {"AUTOCOMMIT OFF", "SAVEPOINT ov_transaction_1", "SAVEPOINT ov_transaction_2", "RELEASE SAVEPOINT ov_transaction_2",
                     "ROLLBACK TO SAVEPOINT ov_transaction_1", "RELEASE SAVEPOINT ov_transaction_1", "ROLLBACK", "AUTOCOMMIT ON"}},
    TransactionCase{"TransactSqlNestedRollback", TransactSql, "B B R C", {},
                    {"AUTOCOMMIT OFF", "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_1", "ROLLBACK TRANSACTION ov_transaction_1", "COMMIT", "AUTOCOMMIT ON"}},
    TransactionCase{"TransactSqlThreeDeep", TransactSql, "B 1 B B 2 C R R", {},
                    {"AUTOCOMMIT OFF", "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_1",
                     "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_2", "ROLLBACK TRANSACTION ov_transaction_1", "ROLLBACK", "AUTOCOMMIT ON"}}), rowName);

} // namespace
} // namespace Ostraven::Testing
