#include "odbcbackend.h"

#include "dberror.h"
#include "sqllexer.h"
#include "storedprocedure.h"

#include <algorithm>

namespace Ostraven {

namespace {

std::vector<SQLWCHAR> wide(const QString &text)
{
    std::vector<SQLWCHAR> result(size_t(text.size()) + 1, 0);
    std::copy_n(text.utf16(), text.size(), result.begin());
    return result;
}

QString fromWide(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

SQLPOINTER integerAttribute(qint64 value)
{
    return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value));
}

// Both backends refuse a text of several statements with the same words.
VbError moreThanOneStatement()
{
    return DbError::statement(QStringLiteral(
        "The statement text holds more than one statement; only one statement may be sent at a time."));
}

bool onlyBlanks(const std::vector<SqlToken> &tokens)
{
    return std::all_of(tokens.cbegin(), tokens.cend(), [](const SqlToken &token) {
        return token.kind == SqlTokenKind::Blank || token.isSymbol(QLatin1StringView(";"));
    });
}

// A driver that cannot honour a time-out says so with "optional feature not implemented"; the statement
// then runs without one rather than not at all.
bool notImplemented(const std::vector<OdbcDiagnostic> &records)
{
    return std::any_of(records.cbegin(), records.cend(), [](const OdbcDiagnostic &record) {
        return record.sqlState == QLatin1StringView("HYC00") || record.sqlState == QLatin1StringView("S1C00");
    });
}

QString savepointName(int depth)
{
    return QStringLiteral("ov_transaction_") + QString::number(depth);
}

// Whether a statement of SQLite's dialect leaves the database as it was, judged by its words: the driver
// cannot be asked. Anything it cannot tell counts as a write, which only costs the emulation a fresh look
// at its procedures.
bool readsOnly(const std::vector<SqlToken> &tokens)
{
    const auto first = std::find_if(tokens.cbegin(), tokens.cend(), [](const SqlToken &token) {
        return token.kind != SqlTokenKind::Blank && !token.isSymbol(QLatin1StringView("("));
    });
    if (first == tokens.cend())
        return true;
    for (const char *transaction : {"BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT", "RELEASE"}) {
        if (first->isWord(QLatin1StringView(transaction)))
            return true;
    }
    if (!first->isWord(QLatin1StringView("SELECT")) && !first->isWord(QLatin1StringView("WITH"))
        && !first->isWord(QLatin1StringView("VALUES")))
        return false;
    return std::none_of(tokens.cbegin(), tokens.cend(), [](const SqlToken &token) {
        for (const char *write : {"INSERT", "UPDATE", "DELETE", "REPLACE"}) {
            if (token.isWord(QLatin1StringView(write)))
                return true;
        }
        return false;
    });
}

} // namespace

// One run of a statement handle: whatever way the run ends, the cursor is closed and the parameters are
// unbound, so a kept handle starts its next run clean. A handle dropped with a lost connection is not
// touched again.
class OdbcBackend::Run
{
public:
    Run(OdbcBackend &backend, SQLHSTMT statement)
        : m_backend(backend), m_statement(statement), m_connection(backend.m_connectionNumber)
    {
    }
    ~Run()
    {
        if (m_backend.m_connectionNumber != m_connection)
            return;
        m_backend.m_api.freeStmt(m_statement, SQL_CLOSE);
        m_backend.m_api.freeStmt(m_statement, SQL_RESET_PARAMS);
    }
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

private:
    OdbcBackend &m_backend;
    SQLHSTMT m_statement;
    quint64 m_connection;
};

// A statement of the emulation's, prepared with its named parameters ("@Name") written as "?", since
// ODBC numbers parameters only. It is prepared again when the connection has been opened anew since.
class OdbcBackend::Statement : public DriverStatement
{
public:
    Statement(OdbcBackend &backend, QString text, std::vector<QString> names, bool readsOnly)
        : m_backend(backend), m_text(std::move(text)), m_names(std::move(names)), m_values(m_names.size()),
          m_readsOnly(readsOnly)
    {
        prepareOnCurrentConnection();
    }
    ~Statement() override
    {
        if (current())
            m_backend.freeStatement(m_handle);
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    [[nodiscard]] int parameterCount() const override { return int(m_names.size()); }
    [[nodiscard]] QString parameterName(int index) const override { return m_names[size_t(index) - 1]; }
    [[nodiscard]] bool readsOnly() const override { return m_readsOnly; }
    [[nodiscard]] bool returnsRows() const override { return m_returnsRows; }
    // Dates are stored as the embedded database stores them, as text, so either way reads them alike.
    void bind(int index, const Variant &value) override
    {
        m_values[size_t(index) - 1] =
            value.type() == VarType::Date ? Variant(StoredProcedure::isoText(value.asDate())) : value;
    }
    [[nodiscard]] std::optional<DriverResult> run(const std::function<bool()> &stillCurrent) override;
    void reset() noexcept override { std::fill(m_values.begin(), m_values.end(), Variant()); }

private:
    [[nodiscard]] bool current() const { return m_handle && m_connection == m_backend.m_connectionNumber; }
    void prepareOnCurrentConnection();

    OdbcBackend &m_backend;
    QString m_text;
    std::vector<QString> m_names;
    std::vector<Variant> m_values;
    bool m_readsOnly = false;
    bool m_returnsRows = false;
    SQLHSTMT m_handle = nullptr;
    quint64 m_connection = 0;
};

void OdbcBackend::Statement::prepareOnCurrentConnection()
{
    m_backend.requireConnection();
    m_handle = nullptr;
    SQLHSTMT statement = m_backend.allocateStatement();
    std::vector<SQLWCHAR> sql = wide(m_text);
    const SQLRETURN rc = m_backend.m_api.prepare(statement, sql.data(), SQLINTEGER(m_text.size()));
    if (!succeeded(rc))
        m_backend.raise(rc, SQL_HANDLE_STMT, statement, {}, statement);
    SQLSMALLINT columns = 0;
    if (const SQLRETURN described = m_backend.m_api.numResultCols(statement, &columns); !succeeded(described))
        m_backend.raise(described, SQL_HANDLE_STMT, statement, {}, statement);
    m_returnsRows = columns > 0;
    m_handle = statement;
    m_connection = m_backend.m_connectionNumber;
}

std::optional<DriverResult> OdbcBackend::Statement::run(const std::function<bool()> &stillCurrent)
{
    if (!current())
        prepareOnCurrentConnection();
    std::vector<OdbcBinding> bindings;
    bindings.reserve(m_values.size()); // the driver reads them when the statement runs
    for (size_t i = 0; i < m_values.size(); ++i) {
        OdbcBinding &binding = bindings.emplace_back(odbcBinding(Parameter{m_names[i], ParameterDirection::Input, m_values[i]}, std::nullopt));
        m_backend.check(m_backend.m_api.bindParameter(m_handle, SQLUSMALLINT(i + 1), binding.ioType, binding.cType,
                                                      binding.sqlType, binding.columnSize, binding.decimalDigits,
                                                      binding.buffer.data(), SQLLEN(binding.buffer.size()),
                                                      &binding.indicator),
                        SQL_HANDLE_STMT, m_handle);
    }
    std::optional<DriverResult> result;
    {
        const Run run(m_backend, m_handle);
        const SQLRETURN executed = m_backend.m_api.execute(m_handle);
        if (succeeded(executed) && stillCurrent && !stillCurrent())
            return std::nullopt;
        result = m_backend.collect(m_handle, executed);
    }
    // A SQLite data source fixes the type of a column without a declared type (an expression, a
    // parameter) from the values of the handle's first run and keeps it for every later run, where the
    // embedded engine types each value: a handle that returns rows serves one run only.
    if (m_returnsRows && m_backend.m_options.emulate && current()) {
        m_backend.freeStatement(m_handle);
        m_handle = nullptr;
    }
    return result;
}

OdbcBackend::OdbcBackend(OdbcConnectionString connectionString, const OdbcOptions &options, const OdbcApi &api)
    : m_api(api), m_connectionString(std::move(connectionString)), m_options(options)
{
}

std::unique_ptr<OdbcBackend> OdbcBackend::open(const QString &connectionString, const OdbcOptions &options,
                                               const OdbcApi &api)
{
    std::unique_ptr<OdbcBackend> backend(new OdbcBackend(OdbcConnectionString::parse(connectionString), options, api));
    backend->connect();
    return backend;
}

OdbcBackend::~OdbcBackend()
{
    close();
}

void OdbcBackend::connect()
{
    const QString where = QStringLiteral("Cannot open the ODBC connection '%1'").arg(m_connectionString.masked());
    if (!m_env) {
        SQLHENV env = nullptr;
        if (!succeeded(m_api.allocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            throw DbError::openFailed(where + QStringLiteral(": the ODBC driver manager has no room for an environment."));
        }
        const SQLRETURN rc = m_api.setEnvAttr(env, SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0);
        if (!succeeded(rc)) {
            const QString text = describeDiagnostics(readDiagnostics(m_api, SQL_HANDLE_ENV, env), where, rc);
            m_api.freeHandle(SQL_HANDLE_ENV, env);
            throw DbError::openFailed(text);
        }
        m_env = env;
    }
    SQLHDBC dbc = nullptr;
    SQLRETURN rc = m_api.allocHandle(SQL_HANDLE_DBC, m_env, &dbc);
    if (!succeeded(rc))
        throw DbError::openFailed(describeDiagnostics(readDiagnostics(m_api, SQL_HANDLE_ENV, m_env), where, rc));
    const auto fail = [&](SQLRETURN failed, bool connected) {
        const QString text = describeDiagnostics(readDiagnostics(m_api, SQL_HANDLE_DBC, dbc), where, failed);
        if (connected)
            m_api.disconnect(dbc);
        m_api.freeHandle(SQL_HANDLE_DBC, dbc);
        return DbError::openFailed(text);
    };

    rc = m_api.setConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(m_options.loginTimeout.count()), SQL_IS_UINTEGER);
    if (!succeeded(rc) && !notImplemented(readDiagnostics(m_api, SQL_HANDLE_DBC, dbc)))
        throw fail(rc, false);

    std::vector<SQLWCHAR> in = wide(m_connectionString.text());
    std::vector<SQLWCHAR> out(1024, 0);
    SQLSMALLINT outLength = 0;
    rc = m_api.driverConnect(dbc, nullptr, in.data(), SQL_NTS, out.data(), SQLSMALLINT(out.size()), &outLength,
                             SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc))
        throw fail(rc, false);

    std::vector<SQLWCHAR> name(256, 0);
    SQLSMALLINT nameBytes = 0;
    m_serverName.clear();
    if (succeeded(m_api.getInfo(dbc, SQL_DBMS_NAME, name.data(), SQLSMALLINT(name.size() * sizeof(SQLWCHAR)), &nameBytes))) {
        const qsizetype characters = std::min<qsizetype>(nameBytes / qsizetype(sizeof(SQLWCHAR)), qsizetype(name.size()) - 1);
        m_serverName = fromWide(name.data(), characters);
    }
    m_transactSql = m_options.dialect == OdbcDialect::TransactSql
                    || (m_options.dialect == OdbcDialect::Detect
                        && m_serverName.contains(QLatin1StringView("SQL Server"), Qt::CaseInsensitive));
    m_dbc = dbc;
}

// Frees every handle of the connection (the environment stays for the next one). On a lost link the
// server has already ended any transaction, so there is nothing left to keep.
void OdbcBackend::dropConnection() noexcept
{
    for (auto &[text, kept] : m_statements)
        m_api.freeHandle(SQL_HANDLE_STMT, kept.handle);
    m_statements.clear();
    ++m_connectionNumber;
    m_transactionDepth = 0;
    if (!m_dbc)
        return;
    m_api.disconnect(m_dbc);
    m_api.freeHandle(SQL_HANDLE_DBC, m_dbc);
    m_dbc = nullptr;
}

void OdbcBackend::requireConnection()
{
    if (m_closed)
        throw DbError::closed();
    if (!m_dbc)
        connect();
}

void OdbcBackend::raise(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString &what, SQLHSTMT discard)
{
    const std::vector<OdbcDiagnostic> records = readDiagnostics(m_api, handleType, handle);
    if (discard)
        freeStatement(discard);
    const QString text = describeDiagnostics(records, what, rc);
    if (!isConnectionLoss(records)) {
        // Under the emulation the data source stands in for an embedded engine, and what the engine
        // refused is told in its own words, as it is over the C API.
        if (m_options.emulate && what.isEmpty() && !records.empty())
            throw DbError::statement(engineMessage(records));
        throw DbError::statement(text);
    }
    const bool inTransaction = m_transactionDepth > 0;
    dropConnection();
    throw DbError::statement(
        QStringLiteral("The connection to the database server was lost%1; it is opened again for the next statement. %2")
            .arg(inTransaction ? QStringLiteral(" and the open transaction with it") : QString(), text));
}

SQLHSTMT OdbcBackend::allocateStatement()
{
    SQLHSTMT statement = nullptr;
    check(m_api.allocHandle(SQL_HANDLE_STMT, m_dbc, &statement), SQL_HANDLE_DBC, m_dbc,
          QStringLiteral("Cannot make a statement on the ODBC connection"));
    applyQueryTimeout(statement, true);
    return statement;
}

// A new statement that cannot take the time-out is freed before the error goes up (and before a lost
// link drops the connection it belongs to).
void OdbcBackend::applyQueryTimeout(SQLHSTMT statement, bool discardOnFailure)
{
    const SQLRETURN rc = m_api.setStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT,
                                           integerAttribute(m_options.queryTimeout.count()), SQL_IS_UINTEGER);
    if (succeeded(rc))
        return;
    if (notImplemented(readDiagnostics(m_api, SQL_HANDLE_STMT, statement)))
        return;
    raise(rc, SQL_HANDLE_STMT, statement, QStringLiteral("Cannot set the query time-out"),
          discardOnFailure ? statement : nullptr);
}

void OdbcBackend::setQueryTimeout(std::chrono::seconds timeout)
{
    m_options.queryTimeout = timeout;
    for (auto &[text, kept] : m_statements)
        applyQueryTimeout(kept.handle, false);
}

void OdbcBackend::freeStatement(SQLHSTMT statement) noexcept
{
    m_api.freeHandle(SQL_HANDLE_STMT, statement);
}

// The statement kept for sql, or a new one prepared and kept; null for a text of blanks and comments only.
// A kept text was checked to be one statement when it was first met.
SQLHSTMT OdbcBackend::statementFor(const QString &sql)
{
    if (const auto kept = m_statements.find(sql); kept != m_statements.end()) {
        kept->second.lastUse = ++m_clock;
        return kept->second.handle;
    }
    const std::vector<SqlToken> tokens = SqlLexer::tokenize(sql);
    if (SqlLexer::holdsMoreThanOneStatement(tokens))
        throw moreThanOneStatement();
    if (onlyBlanks(tokens))
        return nullptr;
    return prepareAndKeep(sql);
}

SQLHSTMT OdbcBackend::prepareAndKeep(const QString &text)
{
    if (const auto kept = m_statements.find(text); kept != m_statements.end()) {
        kept->second.lastUse = ++m_clock;
        return kept->second.handle;
    }
    SQLHSTMT statement = allocateStatement();
    std::vector<SQLWCHAR> sql = wide(text);
    const SQLRETURN rc = m_api.prepare(statement, sql.data(), SQLINTEGER(text.size()));
    if (!succeeded(rc))
        raise(rc, SQL_HANDLE_STMT, statement, {}, statement);
    // Finding the oldest by a scan costs far less than the prepare that comes with every new entry.
    while (m_statements.size() >= statementCapacity) {
        const auto oldest = std::min_element(m_statements.begin(), m_statements.end(), [](const auto &a, const auto &b) {
            return a.second.lastUse < b.second.lastUse;
        });
        freeStatement(oldest->second.handle);
        m_statements.erase(oldest);
    }
    m_statements.emplace(text, Kept{statement, ++m_clock});
    return statement;
}

OdbcBackend::Result OdbcBackend::run(const QString &sql)
{
    if (m_closed)
        throw DbError::closed();
    m_trace.write(sql);
    requireConnection();
    SQLHSTMT statement = statementFor(sql);
    if (!statement)
        return {};
    const Run run(*this, statement);
    return collect(statement, m_api.execute(statement));
}

// Reads the first result that has columns and steps over every other one: a server sends row counts and
// further results after it, and output parameters only arrive once all of them have been read. An update
// that changed nothing answers SQL_NO_DATA where others answer SQL_SUCCESS.
OdbcBackend::Result OdbcBackend::collect(SQLHSTMT statement, SQLRETURN executed)
{
    Result result;
    bool haveRows = false;
    for (SQLRETURN rc = executed; rc != SQL_NO_DATA; rc = m_api.moreResults(statement)) {
        check(rc, SQL_HANDLE_STMT, statement);
        SQLSMALLINT columns = 0;
        check(m_api.numResultCols(statement, &columns), SQL_HANDLE_STMT, statement);
        if (columns > 0) {
            if (!haveRows) {
                readRows(statement, columns, result);
                result.returnsRows = true;
            }
            haveRows = true;
            continue;
        }
        SQLLEN changed = 0;
        if (succeeded(m_api.rowCount(statement, &changed)) && changed > 0)
            result.changes += changed;
    }
    return result;
}

void OdbcBackend::readRows(SQLHSTMT statement, SQLSMALLINT columns, Result &result)
{
    std::vector<OdbcValueKind> kinds;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c) {
        std::vector<SQLWCHAR> name(256, 0);
        SQLSMALLINT length = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        check(m_api.describeCol(statement, c, name.data(), SQLSMALLINT(name.size()), &length, &type, &size, &digits,
                                &nullable),
              SQL_HANDLE_STMT, statement);
        if (length >= SQLSMALLINT(name.size())) {
            name.assign(size_t(length) + 1, 0);
            check(m_api.describeCol(statement, c, name.data(), SQLSMALLINT(name.size()), &length, &type, &size,
                                    &digits, &nullable),
                  SQL_HANDLE_STMT, statement);
        }
        result.names << fromWide(name.data(), std::min<qsizetype>(length, qsizetype(name.size()) - 1));
        kinds.push_back(odbcValueKind(type));
    }
    for (;;) {
        const SQLRETURN rc = m_api.fetch(statement);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, statement);
        MemoryRecordset::Row row;
        row.reserve(kinds.size());
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c)
            row.push_back(readColumn(statement, c, kinds[size_t(c) - 1]));
        result.rows.push_back(std::move(row));
    }
}

Variant OdbcBackend::readColumn(SQLHSTMT statement, SQLUSMALLINT column, OdbcValueKind kind)
{
    SQLLEN indicator = 0;
    const auto get = [&](SQLSMALLINT cType, auto &value) {
        check(m_api.getData(statement, column, cType, &value, SQLLEN(sizeof(value)), &indicator), SQL_HANDLE_STMT,
              statement);
        return indicator != SQL_NULL_DATA;
    };
    switch (kind) {
    case OdbcValueKind::Integer: {
        qint64 value = 0;
        return get(SQL_C_SBIGINT, value) ? odbcWholeNumber(value) : Variant::null();
    }
    case OdbcValueKind::Double: {
        double value = 0;
        return get(SQL_C_DOUBLE, value) ? Variant(value) : Variant::null();
    }
    case OdbcValueKind::Bit: {
        SQLCHAR value = 0;
        return get(SQL_C_BIT, value) ? Variant(value != 0) : Variant::null();
    }
    case OdbcValueKind::Timestamp: {
        SQL_TIMESTAMP_STRUCT value{};
        return get(SQL_C_TYPE_TIMESTAMP, value) ? odbcTimestamp(value) : Variant::null();
    }
    case OdbcValueKind::Time: {
        SQL_TIME_STRUCT value{};
        return get(SQL_C_TYPE_TIME, value) ? odbcTime(value) : Variant::null();
    }
    case OdbcValueKind::Decimal:
    case OdbcValueKind::Text:
    case OdbcValueKind::Binary:
        break;
    }
    bool isNull = false;
    const QByteArray bytes = readInPieces(statement, column, odbcCType(kind), isNull);
    if (isNull)
        return Variant::null();
    if (kind == OdbcValueKind::Decimal)
        return odbcDecimal(QString::fromLatin1(bytes));
    if (kind == OdbcValueKind::Binary)
        return Variant(QString::fromUtf8(bytes));
    return Variant(fromWide(reinterpret_cast<const SQLWCHAR *>(bytes.constData()), bytes.size() / qsizetype(sizeof(SQLWCHAR))));
}

// Long values come in pieces: each call fills the buffer (less the terminating zero of a text) and says
// 01004 while more is left.
QByteArray OdbcBackend::readInPieces(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, bool &isNull)
{
    const qsizetype terminator = cType == SQL_C_WCHAR ? qsizetype(sizeof(SQLWCHAR)) : cType == SQL_C_CHAR ? 1 : 0;
    QByteArray piece(8192, '\0');
    QByteArray all;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = m_api.getData(statement, column, cType, piece.data(), SQLLEN(piece.size()), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, statement);
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            return {};
        }
        const qsizetype room = piece.size() - terminator;
        const qsizetype got = indicator == SQL_NO_TOTAL || indicator > room ? room : qsizetype(indicator);
        all.append(piece.constData(), got);
        if (rc == SQL_SUCCESS || got < room)
            break;
    }
    return all;
}

std::unique_ptr<Recordset> OdbcBackend::openRecordset(const QString &sql, CursorType cursor)
{
    Result result = run(sql);
    return std::make_unique<MemoryRecordset>(cursor, std::move(result.names), std::move(result.rows));
}

qint64 OdbcBackend::execute(const QString &sql)
{
    return run(sql).changes;
}

// "EXEC name @a = ?, @b = ? OUTPUT", each parameter bound by position in the command's order. An output
// parameter with no value yet is bound as the server describes it, when it does.
void OdbcBackend::execute(Command &command)
{
    if (m_closed)
        throw DbError::closed();
    m_trace.write(StatementTrace::commandText(command));
    const QString text = odbcProcedureCall(command);
    requireConnection();
    SQLHSTMT statement = prepareAndKeep(text);
    const Run run(*this, statement);

    std::vector<Parameter> &parameters = command.parameters();
    std::vector<OdbcBinding> bindings;
    bindings.reserve(parameters.size()); // the driver keeps pointers into them until the results are read
    for (size_t i = 0; i < parameters.size(); ++i) {
        const Parameter &parameter = parameters[i];
        const auto number = SQLUSMALLINT(i + 1);
        std::optional<OdbcParameterType> described;
        if (parameter.direction != ParameterDirection::Input && (parameter.value.isEmpty() || parameter.value.isNull())) {
            OdbcParameterType type;
            SQLSMALLINT nullable = 0;
            if (succeeded(m_api.describeParam(statement, number, &type.sqlType, &type.size, &type.digits, &nullable)))
                described = type;
        }
        OdbcBinding &binding = bindings.emplace_back(odbcBinding(parameter, described));
        check(m_api.bindParameter(statement, number, binding.ioType, binding.cType, binding.sqlType, binding.columnSize,
                                  binding.decimalDigits, binding.buffer.data(), SQLLEN(binding.buffer.size()),
                                  &binding.indicator),
              SQL_HANDLE_STMT, statement,
              QStringLiteral("Cannot pass parameter %1 to procedure '%2'").arg(parameter.name, command.procedureName()));
    }
    (void)collect(statement, m_api.execute(statement));
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].direction != ParameterDirection::Input)
            parameters[i].value = odbcBoundValue(bindings[i]);
    }
}

void OdbcBackend::setTraceFile(const QString &path)
{
    m_trace.setFile(path);
}

// Not traced: these are not statement texts the component sends. A statement handle of its own, so that
// no kept statement is disturbed.
void OdbcBackend::runDirect(const QString &sql)
{
    SQLHSTMT statement = allocateStatement();
    std::vector<SQLWCHAR> text = wide(sql);
    SQLRETURN rc = m_api.execDirect(statement, text.data(), SQLINTEGER(sql.size()));
    while (succeeded(rc))
        rc = m_api.moreResults(statement);
    if (rc != SQL_NO_DATA)
        raise(rc, SQL_HANDLE_STMT, statement, {}, statement);
    freeStatement(statement);
}

void OdbcBackend::setAutocommit(bool on)
{
    check(m_api.setConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, integerAttribute(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
                               SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, m_dbc,
          on ? QStringLiteral("Cannot return the connection to autocommit")
             : QStringLiteral("Cannot begin a transaction"));
}

// The outer group is the driver's manual-commit mode, ended with SQLEndTran; a nested one is a savepoint.
// A T-SQL server only begins its implicit transaction with the first data statement, and a savepoint
// needs one already open, so the savepoint opens it first when nothing has yet.
void OdbcBackend::beginTransaction()
{
    requireConnection();
    if (m_transactionDepth == 0) {
        setAutocommit(false);
    } else if (m_transactSql) {
        runDirect(QStringLiteral("IF @@TRANCOUNT = 0 BEGIN TRANSACTION; SAVE TRANSACTION %1").arg(savepointName(m_transactionDepth)));
    } else {
        runDirect(QStringLiteral("SAVEPOINT %1").arg(savepointName(m_transactionDepth)));
    }
    ++m_transactionDepth;
}

void OdbcBackend::commitTransaction()
{
    requireConnection();
    if (m_transactionDepth == 0)
        throw DbError::statement(QStringLiteral("There is no transaction to commit."));
    if (m_transactionDepth > 1) {
        // A T-SQL savepoint has nothing to release: it ends with the transaction around it.
        if (!m_transactSql)
            runDirect(QStringLiteral("RELEASE SAVEPOINT %1").arg(savepointName(m_transactionDepth - 1)));
        --m_transactionDepth;
        return;
    }
    const SQLRETURN rc = m_api.endTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT);
    if (!succeeded(rc)) {
        const std::vector<OdbcDiagnostic> records = readDiagnostics(m_api, SQL_HANDLE_DBC, m_dbc);
        const QString text = describeDiagnostics(records, QStringLiteral("Cannot commit the transaction"), rc);
        if (isConnectionLoss(records)) {
            dropConnection();
            throw DbError::statement(
                QStringLiteral("The connection to the database server was lost and the open transaction with it; it is "
                               "opened again for the next statement. %1")
                    .arg(text));
        }
        rollbackTransaction();
        throw DbError::statement(text);
    }
    m_transactionDepth = 0;
    setAutocommit(true);
}

void OdbcBackend::rollbackTransaction() noexcept
{
    if (!m_dbc || m_transactionDepth == 0)
        return;
    try {
        if (m_transactionDepth > 1) {
            const QString name = savepointName(m_transactionDepth - 1);
            --m_transactionDepth;
            if (m_transactSql) {
                runDirect(QStringLiteral("ROLLBACK TRANSACTION %1").arg(name));
            } else {
                runDirect(QStringLiteral("ROLLBACK TO SAVEPOINT %1").arg(name));
                runDirect(QStringLiteral("RELEASE SAVEPOINT %1").arg(name));
            }
            return;
        }
        m_transactionDepth = 0;
        m_api.endTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
        setAutocommit(true);
    } catch (const VbError &) {
        // The first error is the one the caller is reporting; a lost link has already reset everything.
    }
}

void OdbcBackend::requireOpen()
{
    requireConnection();
}

// The emulation's texts are one statement each already; a body's parameters are named in it.
DriverStatementPtr OdbcBackend::prepare(const QString &text)
{
    requireConnection();
    const std::vector<SqlToken> tokens = SqlLexer::tokenize(text);
    if (SqlLexer::holdsMoreThanOneStatement(tokens))
        throw moreThanOneStatement();
    if (onlyBlanks(tokens))
        return nullptr;
    QString numbered;
    std::vector<QString> names;
    for (const SqlToken &token : tokens) {
        const bool named = token.kind == SqlTokenKind::Word && token.text.startsWith(u'@');
        if (named || token.isSymbol(QLatin1StringView("?"))) {
            names.push_back(named ? token.text : QString());
            numbered += u'?';
        } else {
            numbered += token.text;
        }
    }
    return std::make_unique<Statement>(*this, numbered, std::move(names), readsOnly(tokens));
}

void OdbcBackend::executePlain(const QString &text)
{
    requireConnection();
    runDirect(text);
}

unsigned int OdbcBackend::dataVersion()
{
    requireConnection();
    SQLHSTMT statement = prepareAndKeep(QStringLiteral("PRAGMA data_version"));
    const Run run(*this, statement);
    const Result result = collect(statement, m_api.execute(statement));
    return result.rows.empty() || result.rows.front().empty() ? 0 : unsigned(CLng(result.rows.front().front()));
}

bool OdbcBackend::isOpen() const
{
    return !m_closed;
}

void OdbcBackend::close()
{
    if (m_closed)
        return;
    dropConnection();
    if (m_env)
        m_api.freeHandle(SQL_HANDLE_ENV, m_env);
    m_env = nullptr;
    m_closed = true;
}

} // namespace Ostraven
