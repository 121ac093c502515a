#include "sqlitebackend.h"

#include "dberror.h"
#include "sqldialect.h"
#include "sqlitefunctions.h"

#include <QCoreApplication>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>

#include <thread>

namespace Ostraven {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

enum class DeclaredKind { Other, Date, Bit };

DeclaredKind declaredKind(const char *declared)
{
    if (!declared)
        return DeclaredKind::Other;
    const QString type = QString::fromUtf8(declared).section(u'(', 0, 0).trimmed().toUpper();
    if (type == u"DATETIME" || type == u"DATETIME2" || type == u"SMALLDATETIME" || type == u"DATE")
        return DeclaredKind::Date;
    if (type == u"BIT" || type == u"BOOLEAN")
        return DeclaredKind::Bit;
    return DeclaredKind::Other;
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(statement, column));
}

// Values come back as the host's data library gives them: whole numbers as Long while they fit, bit
// columns as Booleans, DATETIME columns as dates.
Variant columnValue(sqlite3_stmt *statement, int column)
{
    const DeclaredKind kind = declaredKind(sqlite3_column_decltype(statement, column));
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Variant::null();
    case SQLITE_INTEGER: {
        const sqlite3_int64 value = sqlite3_column_int64(statement, column);
        if (kind == DeclaredKind::Bit)
            return Variant(value != 0);
        if (value >= INT32_MIN && value <= INT32_MAX)
            return Variant(qint32(value));
        return Variant(double(value));
    }
    case SQLITE_FLOAT:
        return Variant(sqlite3_column_double(statement, column));
    default:
        break;
    }
    const QString text = columnText(statement, column);
    if (kind == DeclaredKind::Date) {
        if (const std::optional<Date> date = Date::parse(text))
            return Variant(*date);
    }
    return Variant(text);
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

QString traceOf(Command &command)
{
    QStringList arguments;
    for (const Parameter &parameter : command.parameters()) {
        const QString name = parameter.name.startsWith(u'@') ? parameter.name : u'@' + parameter.name;
        QString argument = name + u'=' + StoredProcedure::literal(parameter.value);
        if (parameter.direction != ParameterDirection::Input)
            argument += QStringLiteral(" OUTPUT");
        arguments << argument;
    }
    const QString call = QStringLiteral("EXEC ") + command.procedureName();
    return arguments.isEmpty() ? call : call + u' ' + arguments.join(QStringLiteral(", "));
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
    const int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
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
    sqlite3_close_v2(m_db);
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
    m_trace.write(traceOf(command));
    const StoredProcedure procedure = findProcedure(command.procedureName());
    std::vector<int> positions;
    const std::vector<Variant> values = commandValues(procedure, command, positions);
    const Result result = runProcedure(procedure, values);

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
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_transactionDepth = 0;
}

SqliteBackend::Result SqliteBackend::run(const QString &sql)
{
    requireOpen();
    m_trace.write(sql);
    const std::vector<SqlToken> tokens = SqlLexer::tokenize(sql);
    if (SqlLexer::holdsMoreThanOneStatement(tokens))
        throw moreThanOneStatement();
    if (const std::optional<StoredProcedure::Call> call = StoredProcedure::parseCall(tokens)) {
        const StoredProcedure procedure = findProcedure(call->procedure);
        return runProcedure(procedure, procedure.bind(call->arguments));
    }
    return runSqlite(m_unionViewTop.rewrite(m_db, SqlDialect::toSqlite(tokens)));
}

SqliteBackend::Result SqliteBackend::runSqlite(const QString &sql, const std::function<void(sqlite3_stmt *)> &bind)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &raw, &tail) != SQLITE_OK)
        throw lastError();
    StatementPtr statement(raw);
    if (!onlyBlanks(tail))
        throw moreThanOneStatement();
    Result result;
    if (!statement)
        return result;
    if (bind)
        bind(statement.get());

    const int columns = sqlite3_column_count(statement.get());
    result.returnsRows = columns > 0;
    for (int c = 0; c < columns; ++c)
        result.names << QString::fromUtf8(sqlite3_column_name(statement.get(), c));
    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db);
    for (;;) {
        const int rc = sqlite3_step(statement.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw lastError();
        MemoryRecordset::Row row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnValue(statement.get(), c));
        result.rows.push_back(std::move(row));
    }
    result.changes = sqlite3_total_changes64(m_db) - changesBefore;
    return result;
}

StoredProcedure SqliteBackend::findProcedure(const QString &name)
{
    const VbError notFound = DbError::statement(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    const Result table =
        runSqlite(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ov_procedures'"));
    if (table.rows.empty())
        throw notFound;
    const Result found = runSqlite(
        QStringLiteral("SELECT name, parameters, body FROM ov_procedures WHERE name = ?1 COLLATE NOCASE"),
        [&name](sqlite3_stmt *statement) { bindValue(statement, 1, name); });
    if (found.rows.empty())
        throw notFound;
    const MemoryRecordset::Row &row = found.rows.front();
    return StoredProcedure(CStr(row[0]), CStr(row[1]), CStr(row[2]));
}

void SqliteBackend::bindParameters(sqlite3_stmt *statement, const StoredProcedure &procedure,
                                   const std::vector<Variant> &values)
{
    const int count = sqlite3_bind_parameter_count(statement);
    for (int i = 1; i <= count; ++i) {
        const char *rawName = sqlite3_bind_parameter_name(statement, i);
        const QString name = rawName ? QString::fromUtf8(rawName + 1) : QString();
        const int index = name.isEmpty() ? -1 : procedure.indexOf(name);
        if (index < 0) {
            throw DbError::statement(QStringLiteral("The body of procedure '%1' uses '%2', which is not one of its "
                                                    "parameters.")
                                         .arg(procedure.name(), QString::fromUtf8(rawName ? rawName : "?")));
        }
        bindValue(statement, i, values[size_t(index)]);
    }
}

void SqliteBackend::runPlain(const QByteArray &sql)
{
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError();
}

// The body runs inside a savepoint, so a failing statement leaves nothing of the earlier ones behind.
SqliteBackend::Result SqliteBackend::runProcedure(const StoredProcedure &procedure, const std::vector<Variant> &values)
{
    const std::vector<QString> statements = SqlLexer::splitStatements(procedure.body());
    runPlain("SAVEPOINT ov_procedure");
    Result last;
    qint64 changes = 0;
    try {
        for (const QString &statement : statements) {
            Result result = runSqlite(statement, [&](sqlite3_stmt *prepared) {
                bindParameters(prepared, procedure, values);
            });
            changes += result.changes;
            if (result.returnsRows)
                last = std::move(result);
        }
        runPlain("RELEASE ov_procedure");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO ov_procedure; RELEASE ov_procedure", nullptr, nullptr, nullptr);
        throw;
    }
    last.changes = changes;
    return last;
}

} // namespace Ostraven
