// What the SQLite ODBC driver cannot be made to do on request, through the backend's table of driver
// entry points: a link that drops under a statement, a server that runs a procedure and writes its output
// parameters, T-SQL savepoints. Every slot not replaced here goes to the real driver.
#include "odbctest.h"
#include "platform/db/dberror.h"
#include "platform/db/sqlitebackend.h"
#include <QFile>
#include <cstring>
#include <map>

namespace Ostraven::Testing {
namespace {

enum class At { Nowhere, Prepare, Execute, Fetch, MoreResults, Commit };

struct Bound {
    SQLSMALLINT ioType, cType, sqlType;
    SQLULEN columnSize;
    SQLPOINTER buffer;
    SQLLEN bufferLength;
    SQLLEN *indicator;
};

// What the replaced slots saw and what they are to do. One test at a time uses it.
struct Seam {
    std::vector<QString> connectionStrings;
    std::vector<SQLULEN> loginTimeouts;
    std::map<SQLHSTMT, SQLULEN> queryTimeouts;
    std::map<SQLHSTMT, QString> prepared;
    int prepares = 0;
    std::vector<QString> transactionSteps; // direct statements, commits, rollbacks, autocommit switches
    bool fakeDirect = false;               // direct statements are answered here instead of by SQLite
    int refuseConnects = 0;
    // A fault: the call at `at` on the statement `faultText` (any for Commit) fails once with `state`.
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

QString text(const SQLWCHAR *wide, SQLINTEGER length = SQL_NTS)
{
    const auto *units = reinterpret_cast<const char16_t *>(wide);
    qsizetype n = length;
    if (length == SQL_NTS) for (n = 0; units[n]; ++n) {}
    return QString::fromUtf16(units, n);
}
bool isCall(SQLHSTMT statement) { return seam.prepared.count(statement) && seam.prepared[statement].startsWith(QLatin1StringView("EXEC ")); }
bool strikes(At at, SQLHANDLE handle)
{
    if (seam.at != at || (at != At::Commit && seam.prepared[handle] != seam.faultText)) return false;
    seam.at = At::Nowhere;
    seam.faulted = handle;
    return true;
}

const OdbcApi real;

OdbcApi seamApi()
{
    OdbcApi api;
    api.driverConnect = [](SQLHDBC dbc, SQLHWND window, SQLWCHAR *in, SQLSMALLINT inLength, SQLWCHAR *out, SQLSMALLINT outMax,
                           SQLSMALLINT *outLength, SQLUSMALLINT completion) -> SQLRETURN {
        seam.connectionStrings.push_back(text(in, inLength));
        if (seam.refuseConnects > 0 && seam.refuseConnects--) {
            seam.faulted = dbc;
            seam.state = QStringLiteral("08001");
            return SQL_ERROR;
        }
        return real.driverConnect(dbc, window, in, inLength, out, outMax, outLength, completion);
    };
    api.setConnectAttr = [](SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) -> SQLRETURN {
        if (attribute == SQL_ATTR_LOGIN_TIMEOUT) seam.loginTimeouts.push_back(SQLULEN(reinterpret_cast<uintptr_t>(value)));
        if (attribute == SQL_ATTR_AUTOCOMMIT)
            seam.transactionSteps.push_back(reinterpret_cast<uintptr_t>(value) == SQL_AUTOCOMMIT_ON ? "AUTOCOMMIT ON" : "AUTOCOMMIT OFF");
        return real.setConnectAttr(dbc, attribute, value, length);
    };
    api.setStmtAttr = [](SQLHSTMT statement, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) -> SQLRETURN {
        if (attribute == SQL_ATTR_QUERY_TIMEOUT) seam.queryTimeouts[statement] = SQLULEN(reinterpret_cast<uintptr_t>(value));
        return real.setStmtAttr(statement, attribute, value, length);
    };
    api.freeHandle = [](SQLSMALLINT type, SQLHANDLE handle) -> SQLRETURN {
        if (type == SQL_HANDLE_STMT) {
            seam.prepared.erase(handle);
            seam.bound.erase(handle);
            seam.queryTimeouts.erase(handle);
        }
        return real.freeHandle(type, handle);
    };
    api.prepare = [](SQLHSTMT statement, SQLWCHAR *sql, SQLINTEGER length) -> SQLRETURN {
        ++seam.prepares;
        seam.prepared[statement] = text(sql, length);
        if (strikes(At::Prepare, statement)) return SQL_ERROR;
        return isCall(statement) ? SQL_SUCCESS : real.prepare(statement, sql, length);
    };
    api.execute = [](SQLHSTMT statement) -> SQLRETURN {
        if (strikes(At::Execute, statement)) return SQL_ERROR;
        if (!isCall(statement)) return real.execute(statement);
        ++seam.procedureRuns;
        return SQL_SUCCESS;
    };
    api.fetch = [](SQLHSTMT statement) -> SQLRETURN { return strikes(At::Fetch, statement) ? SQL_ERROR : real.fetch(statement); };
    api.numResultCols = [](SQLHSTMT statement, SQLSMALLINT *columns) -> SQLRETURN {
        if (!isCall(statement)) return real.numResultCols(statement, columns);
        *columns = 0;
        return SQL_SUCCESS;
    };
    api.rowCount = [](SQLHSTMT statement, SQLLEN *rows) -> SQLRETURN {
        if (!isCall(statement)) return real.rowCount(statement, rows);
        *rows = 1;
        return SQL_SUCCESS;
    };
    // As a server does, the procedure's output parameters are written once its results are all read.
    api.moreResults = [](SQLHSTMT statement) -> SQLRETURN {
        if (strikes(At::MoreResults, statement)) return SQL_ERROR;
        if (!isCall(statement)) return real.moreResults(statement);
        if (seam.runsProcedure) seam.runsProcedure(seam.bound[statement]);
        return SQL_NO_DATA;
    };
    api.bindParameter = [](SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType, SQLSMALLINT sqlType,
                           SQLULEN columnSize, SQLSMALLINT digits, SQLPOINTER buffer, SQLLEN bufferLength, SQLLEN *indicator) -> SQLRETURN {
        if (!isCall(statement)) return real.bindParameter(statement, number, ioType, cType, sqlType, columnSize, digits, buffer, bufferLength, indicator);
        seam.bound[statement][number] = Bound{ioType, cType, sqlType, columnSize, buffer, bufferLength, indicator};
        return SQL_SUCCESS;
    };
    api.describeParam = [](SQLHSTMT statement, SQLUSMALLINT number, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *digits, SQLSMALLINT *nullable) -> SQLRETURN {
        if (!isCall(statement)) return real.describeParam(statement, number, type, size, digits, nullable);
        if (!seam.describes) return SQL_ERROR;
        *type = seam.describes->sqlType;
        *size = seam.describes->size;
        *digits = seam.describes->digits;
        *nullable = SQL_NULLABLE;
        return SQL_SUCCESS;
    };
    api.freeStmt = [](SQLHSTMT statement, SQLUSMALLINT option) -> SQLRETURN {
        if (option == SQL_RESET_PARAMS) seam.bound.erase(statement);
        return real.freeStmt(statement, option);
    };
    api.execDirect = [](SQLHSTMT statement, SQLWCHAR *sql, SQLINTEGER length) -> SQLRETURN {
        seam.transactionSteps.push_back(text(sql, length));
        if (!seam.fakeDirect) return real.execDirect(statement, sql, length);
        seam.prepared[statement] = QStringLiteral("EXEC (direct)");
        return SQL_SUCCESS;
    };
    api.endTran = [](SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) -> SQLRETURN {
        seam.transactionSteps.push_back(completion == SQL_COMMIT ? "COMMIT" : "ROLLBACK");
        if (completion == SQL_COMMIT && strikes(At::Commit, handle)) return SQL_ERROR;
        return real.endTran(type, handle, completion);
    };
    api.getDiagRec = [](SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number, SQLWCHAR *state, SQLINTEGER *native, SQLWCHAR *message,
                        SQLSMALLINT room, SQLSMALLINT *length) -> SQLRETURN {
        if (handle != seam.faulted) return real.getDiagRec(type, handle, number, state, native, message, room, length);
        if (number > 1) return SQL_NO_DATA;
        const QString said = QStringLiteral("[seam]Communication link failure");
        std::memcpy(state, seam.state.utf16(), 10);
        state[5] = 0;
        *native = 10054;
        std::memcpy(message, said.utf16(), size_t(said.size()) * 2);
        message[said.size()] = 0;
        *length = SQLSMALLINT(said.size());
        return SQL_SUCCESS;
    };
    return api;
}

class OdbcSeamTest : public OdbcTest
{
protected:
    void SetUp() override { seam = Seam(); }
    void TearDown() override { seam = Seam(); }
    std::unique_ptr<OdbcBackend> openWithSeam(const OdbcOptions &options = {}) const { return open(options, seamApi()); }
    static std::vector<Variant> ids(OdbcBackend &backend) { return column(backend, QStringLiteral("SELECT ID FROM T ORDER BY ID")); }
};

struct LossCase {
    const char *name;
    At at;
    const char *state;
    const char *statement; // the statement the fault strikes; it is run again after the error
    bool lost;
    std::vector<Variant> afterwards; // what the table holds once the connection is back
};
void PrintTo(const LossCase &row, std::ostream *out) { *out << row.name; }
class OdbcConnectionLoss : public OdbcSeamTest, public ::testing::WithParamInterface<LossCase> {};

TEST_P(OdbcConnectionLoss, ALostLinkIsReportedAndTheNextStatementOpensItAgain)
{
    const LossCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    backend->execute(QStringLiteral("INSERT INTO T VALUES (1)"));
    EXPECT_EQ(ids(*backend), std::vector<Variant>{qint32(1)});
    const size_t kept = backend->keptStatements();
    seam.at = row.at;
    seam.state = QString::fromLatin1(row.state);
    seam.faultText = QString::fromLatin1(row.statement);
    const VbError error = errorOf([&] {
        if (row.at == At::Commit) {
            backend->beginTransaction();
            backend->execute(QStringLiteral("INSERT INTO T VALUES (2)"));
            backend->commitTransaction();
        } else {
            (void)backend->openRecordset(seam.faultText, CursorType::ForwardOnly);
        }
    });
    EXPECT_EQ(error.number(), DbError::StatementFailed);
    EXPECT_THAT(error.description().toStdString(), HasSubstr("SQLSTATE " + std::string(row.state) + " (native error 10054): [seam]Communication link failure"));
    EXPECT_EQ(error.description().contains(QLatin1StringView("connection to the database server was lost")), row.lost);
    EXPECT_EQ(std::tuple(backend->isConnected(), backend->isOpen()), std::tuple(!row.lost, true));
    if (row.lost) {
        EXPECT_EQ(backend->keptStatements(), 0u) << "the dropped connection's statements are forgotten";
    }

    const int preparesBefore = seam.prepares;
    const std::vector<Variant> again = column(*backend, QString::fromLatin1(row.statement));
    EXPECT_EQ(ids(*backend), row.afterwards);
    EXPECT_FALSE(again.empty());
    // Opened again from the very same string, and the statement prepared afresh on the new connection.
    EXPECT_EQ(seam.connectionStrings, std::vector<QString>(row.lost ? 2 : 1, connectionString()));
    EXPECT_EQ(seam.prepares > preparesBefore, row.lost || row.at == At::Prepare);
    if (!row.lost && row.at != At::Prepare) {
        EXPECT_GE(backend->keptStatements(), kept);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, OdbcConnectionLoss, ::testing::Values(
    LossCase{"LinkFailureUnderAQuery", At::Execute, "08S01", "SELECT ID FROM T ORDER BY ID", true, {qint32(1)}},
    LossCase{"NotOpenWhenPreparing", At::Prepare, "08003", "SELECT ID + 1 FROM T", true, {qint32(1)}},
    LossCase{"FailureWhileFetching", At::Fetch, "08007", "SELECT ID FROM T ORDER BY ID", true, {qint32(1)}},
    LossCase{"LinkFailureAfterTheRows", At::MoreResults, "08S01", "SELECT ID FROM T ORDER BY ID", true, {qint32(1)}},
    // The transaction dies with the link: nothing of it is half kept.
    LossCase{"LinkFailureAtCommit", At::Commit, "08S01", "SELECT ID FROM T ORDER BY ID", true, {qint32(1)}},
    LossCase{"DeadlockKeepsTheConnection", At::Execute, "40001", "SELECT ID FROM T ORDER BY ID", false, {qint32(1)}},
    LossCase{"ConstraintKeepsTheConnection", At::Prepare, "23000", "SELECT ID + 1 FROM T", false, {qint32(1)}}), rowName);

TEST_F(OdbcSeamTest, AServerStillAwayIsReportedAsAFailedOpenAndTriedAgainNextTime)
{
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    seam.at = At::Execute;
    seam.state = QStringLiteral("08S01");
    seam.faultText = QStringLiteral("INSERT INTO T VALUES (5)");
    (void)errorOf([&] { backend->execute(seam.faultText); });
    seam.refuseConnects = 1;
    const VbError refused = errorOf([&] { backend->execute(QStringLiteral("INSERT INTO T VALUES (5)")); });
    EXPECT_EQ(refused.number(), DbError::OpenFailed);
    EXPECT_THAT(refused.description().toStdString(), HasSubstr("Cannot open the ODBC connection"));
    EXPECT_THAT(refused.description().toStdString(), HasSubstr("SQLSTATE 08001"));
    EXPECT_FALSE(backend->isConnected());
    backend->execute(QStringLiteral("INSERT INTO T VALUES (5)"));
    EXPECT_EQ(ids(*backend), std::vector<Variant>{qint32(5)});
    EXPECT_EQ(seam.connectionStrings.size(), 3u);
}

TEST_F(OdbcSeamTest, OutputParametersArriveAfterTheResultsAndTextTravelsAsUtf16)
{
    const std::unique_ptr<OdbcBackend> backend = openWithSeam();
    const QString trace = m_dir.filePath(QStringLiteral("sql.trace"));
    backend->setTraceFile(trace);
    seam.describes = OdbcParameterType{SQL_INTEGER, 10, 0};
    QString sentName;
    seam.runsProcedure = [&](std::map<SQLUSMALLINT, Bound> &bound) {
        ASSERT_EQ(bound.size(), 5u);
        const Bound &name = bound[2];
        sentName = *name.indicator == SQL_NULL_DATA ? QStringLiteral("<null>")
                                                    : QString::fromUtf16(static_cast<const char16_t *>(name.buffer), *name.indicator / 2);
        const qint64 id = 4711 + seam.procedureRuns;
        std::memcpy(bound[3].buffer, &id, sizeof id);
        *bound[3].indicator = sizeof id;
        const QString note = QStringLiteral("Łódź 𝔸 ") + QString::number(seam.procedureRuns);
        std::memcpy(bound[4].buffer, note.utf16(), size_t(note.size()) * 2);
        *bound[4].indicator = SQLLEN(note.size()) * 2;
        *bound[5].indicator = SQL_NULL_DATA;
    };
    Command command(QStringLiteral("ZUL_InsertEventFilterGroup"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, Variant(qint32(0)));
    command.append(QStringLiteral("@GroupName"), ParameterDirection::Input, Variant(QStringLiteral("Zoë 🔑")));
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("Note"), ParameterDirection::InputOutput, Variant(QStringLiteral("in")));
    command.append(QStringLiteral("Stamp"), ParameterDirection::InputOutput, Variant(Date::fromParts(2024, 3, 4)));
    const QString traced = StatementTrace::commandText(command);
    backend->execute(command);

    EXPECT_EQ(seam.prepared.size(), 1u);
    EXPECT_EQ(seam.prepared.begin()->second,
              "EXEC ZUL_InsertEventFilterGroup @SiteID = ?, @GroupName = ?, @ReturnedID = ? OUTPUT, @Note = ? OUTPUT, @Stamp = ? OUTPUT");
    EXPECT_EQ(sentName, QStringLiteral("Zoë 🔑"));
    EXPECT_EQ(std::vector<Variant>({command.parameter("ReturnedID").value, command.parameter("Note").value, command.parameter("Stamp").value,
                                    command.parameter("GroupName").value}),
              std::vector<Variant>({Variant(qint32(4712)), Variant(QStringLiteral("Łódź 𝔸 1")), Variant::null(), Variant(QStringLiteral("Zoë 🔑"))}));

    // The same call again reuses the prepared statement with fresh bindings.
    command.parameter("ReturnedID").value = Variant();
    const int prepares = seam.prepares;
    backend->execute(command);
    EXPECT_EQ(std::tuple(seam.prepares, command.parameter("ReturnedID").value), std::tuple(prepares, Variant(qint32(4713))));

    // The trace shows the call as the embedded backend traces it.
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    EXPECT_EQ(lines.value(0), traced);
    EXPECT_EQ(traced, QStringLiteral("EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='Zoë 🔑', @ReturnedID=NULL OUTPUT, "
                                     "@Note='in' OUTPUT, @Stamp='2024-03-04 00:00:00' OUTPUT"));
}

TEST_F(OdbcSeamTest, AProcedureCallOnTheSqliteDriverFailsWithItsOwnMessage)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    Command command(QStringLiteral("rp_Missing"));
    command.append(QStringLiteral("A"), ParameterDirection::Input, Variant(qint32(1)));
    const VbError error = errorOf([&] { backend->execute(command); });
    EXPECT_EQ(error.number(), DbError::StatementFailed);
    EXPECT_THAT(error.description().toStdString(), HasSubstr("SQLSTATE"));
}

struct TimeoutCase {
    const char *name;
    OdbcOptions options;
    std::optional<std::chrono::seconds> changedTo;
    SQLULEN login, query;
};
void PrintTo(const TimeoutCase &row, std::ostream *out) { *out << row.name; }
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
    ASSERT_EQ(seam.queryTimeouts.size(), 3u);
    for (const auto &[statement, seconds] : seam.queryTimeouts) EXPECT_EQ(seconds, row.query) << seam.prepared[statement].toStdString();
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
    seam.at = At::Prepare;
    seam.state = QStringLiteral("42000");
    seam.faultText = QStringLiteral("SELECT 500 AS N");
    EXPECT_THAT(describedError([&] { (void)run(500); }), HasSubstr("SQLSTATE 42000"));
    EXPECT_EQ(run(500), std::vector<Variant>{Variant(qint32(500))});
    EXPECT_EQ(seam.prepares, prepares + 3);
    EXPECT_EQ(backend->keptStatements(), OdbcBackend::statementCapacity);
}

struct SavepointCase {
    const char *name;
    OdbcDialect dialect;
    std::function<void(OdbcBackend &)> steps;
    QStringList sent;
};
void PrintTo(const SavepointCase &row, std::ostream *out) { *out << row.name; }
class OdbcSavepoints : public OdbcSeamTest, public ::testing::WithParamInterface<SavepointCase> {};

TEST_P(OdbcSavepoints, NestedGroupsAreSavepointsInTheServersDialect)
{
    OdbcOptions options;
    options.dialect = GetParam().dialect;
    const std::unique_ptr<OdbcBackend> backend = openWithSeam(options);
    EXPECT_EQ(backend->speaksTransactSql(), GetParam().dialect == OdbcDialect::TransactSql);
    seam.fakeDirect = GetParam().dialect == OdbcDialect::TransactSql;
    GetParam().steps(*backend);
    EXPECT_EQ(QStringList(seam.transactionSteps.begin(), seam.transactionSteps.end()), GetParam().sent);
}

const auto nestedRollback = [](OdbcBackend &b) { b.beginTransaction(); b.beginTransaction(); b.rollbackTransaction(); b.commitTransaction(); };
const auto threeDeep = [](OdbcBackend &b) { b.beginTransaction(); b.beginTransaction(); b.beginTransaction(); b.commitTransaction(); b.rollbackTransaction(); b.rollbackTransaction(); };
INSTANTIATE_TEST_SUITE_P(Dialects, OdbcSavepoints, ::testing::Values(
    SavepointCase{"DetectedSqliteIsStandard", OdbcDialect::Detect, nestedRollback,
                  {"AUTOCOMMIT OFF", "SAVEPOINT ov_transaction_1", "ROLLBACK TO SAVEPOINT ov_transaction_1", "RELEASE SAVEPOINT ov_transaction_1", "COMMIT", "AUTOCOMMIT ON"}},
    SavepointCase{"TransactSqlNestedRollback", OdbcDialect::TransactSql, nestedRollback,
                  {"AUTOCOMMIT OFF", "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_1", "ROLLBACK TRANSACTION ov_transaction_1", "COMMIT", "AUTOCOMMIT ON"}},
    SavepointCase{"TransactSqlThreeDeep", OdbcDialect::TransactSql, threeDeep,
                  {"AUTOCOMMIT OFF", "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_1",
                   "IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION ov_transaction_2", "ROLLBACK TRANSACTION ov_transaction_1", "ROLLBACK", "AUTOCOMMIT ON"}},
    SavepointCase{"StandardThreeDeep", OdbcDialect::Standard, threeDeep,
                  {"AUTOCOMMIT OFF", "SAVEPOINT ov_transaction_1", "SAVEPOINT ov_transaction_2", "RELEASE SAVEPOINT ov_transaction_2",
                   "ROLLBACK TO SAVEPOINT ov_transaction_1", "RELEASE SAVEPOINT ov_transaction_1", "ROLLBACK", "AUTOCOMMIT ON"}}), rowName);

} // namespace
} // namespace Ostraven::Testing
