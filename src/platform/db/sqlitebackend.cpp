#include "sqlitebackend.h"

#include "dberror.h"
#include "sqldialect.h"
#include "sqlitefunctions.h"
#include "sqlitevalue.h"

#include <QCoreApplication>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <thread>

namespace Ostraven {

namespace {

// Resets a statement and clears its bindings when a run of it ends, however it ends.
class Rewind
{
public:
    explicit Rewind(sqlite3_stmt *statement) : m_statement(statement) {}
    ~Rewind()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Rewind(const Rewind &) = delete;
    Rewind &operator=(const Rewind &) = delete;

private:
    sqlite3_stmt *m_statement;
};

// SQLite's NOCASE folds ASCII letters only; the procedures are kept by the same folding.
QString procedureKey(const QString &name)
{
    QString key = name;
    for (QChar &c : key) {
        if (c.unicode() < 128)
            c = c.toLower();
    }
    return key;
}

bool onlyBlanks(const char *tail)
{
    if (!tail)
        return true;
    for (const SqlToken &token : SqlLexer::tokenize(QString::fromUtf8(tail))) {
        if (token.kind != SqlTokenKind::Blank && !token.isSymbol(QLatin1StringView(";")))
            return false;
    }
    return true;
}

VbError moreThanOneStatement()
{
    return DbError::statement(QStringLiteral(
        "The statement text holds more than one statement; only one statement may be sent at a time."));
}

void bindValue(sqlite3_stmt *statement, int index, const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
        sqlite3_bind_null(statement, index);
        return;
    case VarType::Boolean:
        sqlite3_bind_int(statement, index, value.asBool() ? 1 : 0);
        return;
    case VarType::Integer:
        sqlite3_bind_int(statement, index, value.asInteger());
        return;
    case VarType::Long:
        sqlite3_bind_int(statement, index, value.asLong());
        return;
    case VarType::Double:
        sqlite3_bind_double(statement, index, value.asDouble());
        return;
    case VarType::Date:
    case VarType::String: {
        const QString text = value.type() == VarType::Date ? StoredProcedure::isoText(value.asDate())
                                                           : value.asString();
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return;
    }
    case VarType::Object:
        break;
    }
    throw VbError::fromNumber(VbError::TypeMismatch, DbError::source());
}

// Command parameters are matched by name; when any name is not one of the procedure's, all of them are
// taken by position instead, as the host's data library passes parameters by default.
std::vector<Variant> commandValues(const StoredProcedure &procedure, Command &command,
                                   std::vector<int> &positions)
{
    std::vector<Parameter> &parameters = command.parameters();
    bool byName = true;
    for (const Parameter &parameter : parameters)
        byName = byName && procedure.indexOf(parameter.name) >= 0;
    if (!byName && parameters.size() > procedure.parameters().size()) {
        throw DbError::statement(
            QStringLiteral("Procedure or function '%1' has too many arguments specified.").arg(procedure.name()));
    }
    std::vector<Variant> values(procedure.parameters().size(), Variant::null());
    positions.clear();
    for (size_t i = 0; i < parameters.size(); ++i) {
        const int position = byName ? procedure.indexOf(parameters[i].name) : int(i);
        positions.push_back(position);
        values[size_t(position)] = parameters[i].value;
    }
    return values;
}

std::optional<struct stat> fileStatus(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

} // namespace

SqliteBackend::SqliteBackend(sqlite3 *db) : m_db(db)
{
    // An in-memory or temporary database has no file name, and nothing to lose to a replaced file.
    const char *file = sqlite3_db_filename(db, "main");
    m_path = QString::fromUtf8(file ? file : "");
}

std::unique_ptr<SqliteBackend> SqliteBackend::open(const QString &path)
{
    sqlite3 *db = nullptr;
    const QByteArray name = path.toUtf8();
    // The connection lives on the host's user-interface thread alone, so SQLite's per-call locking of it
    // would only cost time (several lock pairs for every value read).
    const int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError::openFailed(QStringLiteral("Cannot open the database '%1': %2").arg(path, message));
    }
    std::unique_ptr<SqliteBackend> backend(new SqliteBackend(db));
    if (SqliteFunctions::install(db) != SQLITE_OK)
        throw backend->lastError();
    sqlite3_busy_handler(db, &SqliteBackend::onBusy, backend.get());
    return backend;
}

SqliteBackend::~SqliteBackend()
{
    forgetStatements();
    sqlite3_close_v2(m_db);
}

void SqliteBackend::forgetStatements()
{
    m_unionViewTop = UnionViewTop(); // its prepared statements too, so that closing closes the file
    m_procedures.clear();
    m_calls.clear();
    m_statements.clear();
    m_queries.clear();
}

int SqliteBackend::onBusy(void *backend, int)
{
    return static_cast<SqliteBackend *>(backend)->waitForLock() ? 1 : 0;
}

// The allowance is for the whole user action, not per statement: a viewer that sends a dozen statements
// while another program holds the database would otherwise freeze for a dozen time-outs. It starts with
// the first wait and ends when control is back in the event loop (or the host says the action is over).
bool SqliteBackend::waitForLock()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    if (!m_lockWait->deadline) {
        m_lockWait->deadline = now + m_lockWait->allowance;
        if (QCoreApplication *application = QCoreApplication::instance()) {
            QTimer::singleShot(0, application, [wait = std::weak_ptr<LockWait>(m_lockWait)] {
                if (const std::shared_ptr<LockWait> alive = wait.lock())
                    alive->deadline.reset();
            });
        }
    }
    if (now >= *m_lockWait->deadline)
        return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(5), *m_lockWait->deadline - now));
    return true;
}

void SqliteBackend::endUserAction()
{
    m_lockWait->deadline.reset();
}

void SqliteBackend::requireOpen() const
{
    if (!m_db)
        throw DbError::closed();
    requireSameFile();
}

void SqliteBackend::requireSameFile() const
{
    if (m_path.isEmpty())
        return;
    const std::optional<struct stat> status = fileStatus(m_path);
    // A new database file appears with its first write, so its identity is taken when first seen.
    if (!m_file) {
        if (status)
            m_file = FileIdentity{status->st_dev, status->st_ino};
        return;
    }
    if (status && status->st_dev == m_file->device && status->st_ino == m_file->inode)
        return;
    throw DbError::openFailed(QStringLiteral("The database file '%1' was deleted or replaced while it was open; "
                                             "nothing more is written to it. Restart the host to open the file "
                                             "now at that path.")
                                  .arg(m_path));
}

VbError SqliteBackend::lastError() const
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    if ((sqlite3_extended_errcode(m_db) & 0xff) != SQLITE_BUSY)
        return DbError::statement(message);
    return DbError::statement(QStringLiteral("%1: another program holds the database; gave up after waiting %2 ms")
                                  .arg(message)
                                  .arg(m_lockWait->allowance.count()));
}

void SqliteBackend::beginTransaction()
{
    requireOpen();
    if (m_transactionDepth == 0)
        runPlain("BEGIN IMMEDIATE");
    else
        runPlain("SAVEPOINT ov_transaction_" + QByteArray::number(m_transactionDepth));
    ++m_transactionDepth;
}

void SqliteBackend::commitTransaction()
{
    requireOpen();
    ++m_writes;
    if (m_transactionDepth == 0)
        throw DbError::statement(QStringLiteral("There is no transaction to commit."));
    --m_transactionDepth;
    if (m_transactionDepth > 0) {
        runPlain("RELEASE ov_transaction_" + QByteArray::number(m_transactionDepth));
        return;
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return;
    const VbError error = lastError();
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw error;
}

void SqliteBackend::rollbackTransaction() noexcept
{
    if (!m_db || m_transactionDepth == 0)
        return;
    --m_transactionDepth;
    ++m_writes;
    // Some failures (a full disk, an I/O error) end the transaction by themselves; there is then
    // nothing left to roll back at any depth.
    if (sqlite3_get_autocommit(m_db)) {
        m_transactionDepth = 0;
        return;
    }
    if (m_transactionDepth == 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    const QByteArray savepoint = "ov_transaction_" + QByteArray::number(m_transactionDepth);
    sqlite3_exec(m_db, ("ROLLBACK TO " + savepoint + "; RELEASE " + savepoint).constData(), nullptr, nullptr,
                 nullptr);
}

std::unique_ptr<Recordset> SqliteBackend::openRecordset(const QString &sql, CursorType cursor)
{
    Result result = run(sql);
    return std::make_unique<MemoryRecordset>(cursor, std::move(result.names), std::move(result.rows));
}

qint64 SqliteBackend::execute(const QString &sql)
{
    return run(sql).changes;
}

void SqliteBackend::execute(Command &command)
{
    requireOpen();
    m_trace.write(StatementTrace::commandText(command));
    std::vector<int> positions;
    const StoredProcedure *ran = nullptr;
    const Result result = callProcedure(
        command.procedureName(),
        [&](const StoredProcedure &definition) { return commandValues(definition, command, positions); }, &ran);
    const StoredProcedure &procedure = *ran;

    std::vector<Parameter> &parameters = command.parameters();
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].direction == ParameterDirection::Input)
            continue;
        const QString &column = procedure.parameters()[size_t(positions[i])].name;
        int found = -1;
        for (int c = 0; found < 0 && c < result.names.size(); ++c) {
            if (result.names.at(c).compare(column, Qt::CaseInsensitive) == 0)
                found = c;
        }
        if (found < 0) {
            throw DbError::statement(QStringLiteral("Procedure '%1' returns no column for its output parameter @%2.")
                                         .arg(procedure.name(), column));
        }
        parameters[i].value = result.rows.empty() ? Variant::null() : result.rows.front()[size_t(found)];
    }
}

void SqliteBackend::executeScript(const QString &script)
{
    requireOpen();
    ++m_writes;
    char *message = nullptr;
    if (sqlite3_exec(m_db, script.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return;
    const QString description = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
    sqlite3_free(message);
    throw DbError::statement(description);
}

void SqliteBackend::setTraceFile(const QString &path)
{
    m_trace.setFile(path);
}

bool SqliteBackend::isOpen() const
{
    return m_db != nullptr;
}

void SqliteBackend::close()
{
    forgetStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_transactionDepth = 0;
}

SqliteBackend::Result SqliteBackend::run(const QString &sql)
{
    requireOpen();
    m_trace.write(sql);
    // A text that is kept was one plain statement when it was first met, and its SQLite form depends on
    // the text alone (a view read through its arms is never kept).
    if (const StatementCache::Loan kept = m_statements.borrow(sql))
        return *runStatement(kept.get());
    // A call's text is read once too: the replay repeats the same calls with the same arguments.
    if (const auto kept = m_calls.find(sql); kept != m_calls.end())
        return runCall(kept->second);
    if (const UnionViewTop::Plan *plan = m_unionViewTop.known(m_db, sql))
        return runMerged(*plan);
    const std::vector<SqlToken> tokens = SqlLexer::tokenize(sql);
    if (SqlLexer::holdsMoreThanOneStatement(tokens))
        throw moreThanOneStatement();
    if (std::optional<StoredProcedure::Call> call = StoredProcedure::parseCall(tokens)) {
        if (m_calls.size() >= StatementCache::defaultCapacity * 4)
            m_calls.clear(); // a bound that costs nothing on the way; the calls in use come back at once
        return runCall(m_calls.emplace(sql, std::move(*call)).first->second);
    }
    const QString dialect = SqlDialect::toSqlite(tokens);
    // A view read through its arms depends on the view's definition as well as on the text, so it is
    // planned again whenever the schema changes rather than kept under its text.
    if (const UnionViewTop::Plan *plan = m_unionViewTop.plan(m_db, sql, dialect))
        return runMerged(*plan);
    StatementPtr statement = prepare(dialect);
    if (!statement)
        return {};
    const StatementCache::Loan loan = m_statements.keep(sql, std::move(statement));
    return *runStatement(loan.get());
}

// The arms' statements are the backend's own, kept by their texts; they read only their tables.
SqliteBackend::Result SqliteBackend::runMerged(const UnionViewTop::Plan &plan)
{
    const auto lend = [this](const QString &text) {
        StatementCache::Loan kept = m_queries.borrow(text);
        return kept ? std::move(kept) : m_queries.keep(text, prepare(text));
    };
    std::vector<StatementCache::Loan> loans;
    loans.reserve(plan.arms.size());
    UnionViewTop::Source source;
    for (const QString &text : plan.arms) {
        loans.push_back(lend(text));
        source.arms.push_back(loans.back().get());
    }
    source.step = [this](sqlite3_stmt *statement) {
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw lastError();
        return rc == SQLITE_ROW;
    };
    const int columns = int(plan.collations.size());
    std::vector<DeclaredKind> kinds;
    Result result;
    result.returnsRows = true;
    for (int c = 0; c < columns; ++c) {
        result.names << QString::fromUtf8(sqlite3_column_name(source.arms.front(), c));
        kinds.push_back(declaredKind(sqlite3_column_decltype(source.arms.front(), c)));
    }
    source.read = [&](sqlite3_stmt *statement) {
        MemoryRecordset::Row row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnValue(statement, c, kinds[size_t(c)]));
        return row;
    };
    // Only rows of a key held by several rows are fetched again, and only with DISTINCT.
    std::vector<std::optional<StatementCache::Loan>> fetches(plan.fetches.size());
    source.fetch = [&](size_t arm, qint64 rowId) {
        if (!fetches[arm])
            fetches[arm].emplace(lend(plan.fetches[arm]));
        sqlite3_stmt *statement = fetches[arm]->get();
        sqlite3_reset(statement);
        sqlite3_bind_int64(statement, 1, rowId);
        if (!source.step(statement))
            throw DbError::statement(QStringLiteral("A row of the archive changed while it was being read."));
        return statement;
    };

    std::optional<std::vector<MemoryRecordset::Row>> rows = UnionViewTop::merge(plan, source);
    if (!rows) {
        const StatementPtr asWritten = prepare(plan.asWritten);
        return *runStatement(asWritten.get());
    }
    result.rows = std::move(*rows);
    return result;
}

SqliteBackend::Result SqliteBackend::runCall(const StoredProcedure::Call &call)
{
    return callProcedure(call.procedure,
                         [&call](const StoredProcedure &definition) { return definition.bind(call.arguments); });
}

// Null for a text of blanks and comments only.
StatementPtr SqliteBackend::prepare(const QString &sqliteText)
{
    const QByteArray utf8 = sqliteText.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &raw, &tail)
        != SQLITE_OK)
        throw lastError();
    StatementPtr statement(raw);
    if (!onlyBlanks(tail))
        throw moreThanOneStatement();
    return statement;
}

std::optional<SqliteBackend::Result> SqliteBackend::runStatement(sqlite3_stmt *statement,
                                                                 const std::function<bool()> &stillCurrent)
{
    // Anything but a query may change what later statements read, ov_procedures included; transaction
    // statements count too, since a rollback takes changes back.
    if (sqlite3_column_count(statement) == 0 || !sqlite3_stmt_readonly(statement))
        ++m_writes;
    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db);
    int rc = sqlite3_step(statement);
    if (stillCurrent && !stillCurrent())
        return std::nullopt;

    // Read after the first step: a kept statement is compiled again there when the schema has changed.
    Result result;
    const int columns = sqlite3_column_count(statement);
    result.returnsRows = columns > 0;
    std::vector<DeclaredKind> kinds;
    kinds.reserve(size_t(columns));
    for (int c = 0; c < columns; ++c) {
        result.names << QString::fromUtf8(sqlite3_column_name(statement, c));
        kinds.push_back(declaredKind(sqlite3_column_decltype(statement, c)));
    }
    for (; rc != SQLITE_DONE; rc = sqlite3_step(statement)) {
        if (rc != SQLITE_ROW)
            throw lastError();
        MemoryRecordset::Row row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnValue(statement, c, kinds[size_t(c)]));
        result.rows.push_back(std::move(row));
    }
    result.changes = sqlite3_total_changes64(m_db) - changesBefore;
    return result;
}

// The backend's own statements on SQLite, with at most one parameter.
SqliteBackend::Result SqliteBackend::runQuery(const QString &sql, const Variant &parameter)
{
    StatementCache::Loan kept = m_queries.borrow(sql);
    const StatementCache::Loan loan = kept ? std::move(kept) : m_queries.keep(sql, prepare(sql));
    if (!parameter.isEmpty())
        bindValue(loan.get(), 1, parameter);
    return *runStatement(loan.get());
}

SqliteBackend::PreparedProcedure &SqliteBackend::readProcedure(const QString &name)
{
    const QString key = procedureKey(name);
    const Result table =
        runQuery(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ov_procedures'"));
    const Result found =
        table.rows.empty()
            ? Result()
            : runQuery(QStringLiteral("SELECT name, parameters, body FROM ov_procedures WHERE name = ?1 COLLATE NOCASE"),
                       name);
    if (found.rows.empty()) {
        m_procedures.erase(key);
        throw DbError::statement(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    }
    const MemoryRecordset::Row &row = found.rows.front();
    const QString storedName = CStr(row[0]);
    const QString parameters = CStr(row[1]);
    const QString body = CStr(row[2]);
    std::unique_ptr<PreparedProcedure> &kept = m_procedures[key];
    // The compiled statements stay while the definition is the same.
    if (!kept || kept->definition.name() != storedName || kept->parameterList != parameters
        || kept->definition.body() != body) {
        kept.reset();
        auto fresh = std::make_unique<PreparedProcedure>(PreparedProcedure{StoredProcedure(storedName, parameters, body),
                                                                           parameters, {}});
        for (const QString &statement : SqlLexer::splitStatements(body))
            fresh->statements.push_back({statement, nullptr, {}});
        kept = std::move(fresh);
    }
    kept->dataVersion = dataVersion();
    kept->writes = m_writes;
    return *kept;
}

SqliteBackend::Result SqliteBackend::callProcedure(const QString &name, const ValuesFor &valuesFor,
                                                   const StoredProcedure **ran)
{
    // A definition kept from before this connection last changed anything is read again; one that is
    // current for this connection may still be stale for another's commit, which runProcedure finds out.
    PreparedProcedure *procedure = nullptr;
    if (const auto kept = m_procedures.find(procedureKey(name));
        kept != m_procedures.end() && kept->second && kept->second->writes == m_writes)
        procedure = kept->second.get();
    bool justRead = false;
    // Each pass that gives up on a kept definition reads it again from ov_procedures.
    for (;; procedure = nullptr) {
        if (!procedure) {
            procedure = &readProcedure(name);
            justRead = true;
        }
        std::vector<Variant> values;
        try {
            values = valuesFor(procedure->definition);
        } catch (const VbError &) {
            if (justRead)
                throw;
            continue; // arguments that do not fit are told against the definition as it is now
        }
        // What a body writes cannot be taken back, so it runs only on a definition read just now.
        if (!procedure->readsOnly && !justRead)
            continue;
        if (std::optional<Result> result = runProcedure(*procedure, values)) {
            if (ran)
                *ran = &procedure->definition;
            return std::move(*result);
        }
    }
}

void SqliteBackend::compile(PreparedProcedure &procedure, PreparedProcedure::Statement &statement)
{
    if (statement.compiled)
        return;
    StatementPtr prepared = prepare(statement.text);
    std::vector<int> parameterOf;
    const int count = prepared ? sqlite3_bind_parameter_count(prepared.get()) : 0;
    for (int i = 1; i <= count; ++i) {
        const char *rawName = sqlite3_bind_parameter_name(prepared.get(), i);
        const QString name = rawName ? QString::fromUtf8(rawName + 1) : QString();
        const int index = name.isEmpty() ? -1 : procedure.definition.indexOf(name);
        if (index < 0) {
            throw DbError::statement(QStringLiteral("The body of procedure '%1' uses '%2', which is not one of its "
                                                    "parameters.")
                                         .arg(procedure.definition.name(), QString::fromUtf8(rawName ? rawName : "?")));
        }
        parameterOf.push_back(index);
    }
    statement.prepared = std::move(prepared);
    statement.parameterOf = std::move(parameterOf);
    statement.compiled = true;
    procedure.readsOnly = std::all_of(procedure.statements.cbegin(), procedure.statements.cend(), [](const auto &s) {
        return s.compiled && (!s.prepared || sqlite3_stmt_readonly(s.prepared.get()));
    });
}

unsigned int SqliteBackend::dataVersion() const
{
    unsigned int version = 0;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

void SqliteBackend::runPlain(const QByteArray &sql)
{
    ++m_writes;
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError();
}

// A body of several statements that writes runs inside a savepoint, so a failing statement leaves nothing
// of the earlier ones behind; a single statement is all or nothing by itself, and a body that only reads
// has nothing to take back. A body that only reads is checked after each statement's first step, when its
// read has begun: if the database has changed since the definition was read, the call gives nothing and
// is run again on the definition as it is now.
std::optional<SqliteBackend::Result> SqliteBackend::runProcedure(PreparedProcedure &procedure,
                                                                 const std::vector<Variant> &values)
{
    if (procedure.statements.size() == 1)
        compile(procedure, procedure.statements.front());
    const bool savepoint = procedure.statements.size() > 1 && !procedure.readsOnly;
    std::function<bool()> stillCurrent;
    if (procedure.readsOnly)
        stillCurrent = [this, &procedure] { return dataVersion() == procedure.dataVersion; };
    if (savepoint)
        runPlain("SAVEPOINT ov_procedure");
    Result last;
    qint64 changes = 0;
    try {
        for (PreparedProcedure::Statement &statement : procedure.statements) {
            compile(procedure, statement);
            if (!statement.prepared)
                continue;
            const Rewind rewind(statement.prepared.get());
            for (size_t i = 0; i < statement.parameterOf.size(); ++i)
                bindValue(statement.prepared.get(), int(i) + 1, values[size_t(statement.parameterOf[i])]);
            std::optional<Result> result = runStatement(statement.prepared.get(), stillCurrent);
            if (!result)
                return std::nullopt;
            changes += result->changes;
            if (result->returnsRows)
                last = std::move(*result);
        }
        if (savepoint)
            runPlain("RELEASE ov_procedure");
    } catch (...) {
        if (savepoint) {
            ++m_writes;
            sqlite3_exec(m_db, "ROLLBACK TO ov_procedure; RELEASE ov_procedure", nullptr, nullptr, nullptr);
        }
        throw;
    }
    last.changes = changes;
    return last;
}

} // namespace Ostraven
