#include "transactsqlemulation.h"

#include "dberror.h"
#include "sqldialect.h"

#include <algorithm>

namespace Ostraven {

namespace {

// Resets a statement and clears its bindings when a run of it ends, however it ends.
class Rewind
{
public:
    explicit Rewind(DriverStatement &statement) : m_statement(statement) {}
    ~Rewind() { m_statement.reset(); }
    Rewind(const Rewind &) = delete;
    Rewind &operator=(const Rewind &) = delete;

private:
    DriverStatement &m_statement;
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

VbError moreThanOneStatement()
{
    return DbError::statement(QStringLiteral(
        "The statement text holds more than one statement; only one statement may be sent at a time."));
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

} // namespace

TransactSqlEmulation::TransactSqlEmulation(std::unique_ptr<SqlDriver> driver) : m_driver(std::move(driver)) {}

TransactSqlEmulation::~TransactSqlEmulation()
{
    forgetStatements();
}

void TransactSqlEmulation::forgetStatements()
{
    m_procedures.clear();
    m_calls.clear();
    m_statements.clear();
    m_queries.clear();
    m_driver->forgetStatements();
}

void TransactSqlEmulation::endUserAction()
{
    m_driver->endUserAction();
}

void TransactSqlEmulation::requireOpen()
{
    m_driver->requireOpen();
}

void TransactSqlEmulation::runPlain(const QString &sql)
{
    ++m_writes;
    m_driver->executePlain(sql);
}

void TransactSqlEmulation::beginTransaction()
{
    requireOpen();
    if (m_transactionDepth == 0)
        runPlain(QStringLiteral("BEGIN IMMEDIATE"));
    else
        runPlain(QStringLiteral("SAVEPOINT ov_transaction_%1").arg(m_transactionDepth));
    ++m_transactionDepth;
}

void TransactSqlEmulation::commitTransaction()
{
    requireOpen();
    ++m_writes;
    if (m_transactionDepth == 0)
        throw DbError::statement(QStringLiteral("There is no transaction to commit."));
    --m_transactionDepth;
    if (m_transactionDepth > 0) {
        runPlain(QStringLiteral("RELEASE ov_transaction_%1").arg(m_transactionDepth));
        return;
    }
    try {
        m_driver->executePlain(QStringLiteral("COMMIT"));
    } catch (const VbError &) {
        try {
            m_driver->executePlain(QStringLiteral("ROLLBACK"));
        } catch (const VbError &) {
            // The commit's error is the one to report.
        }
        throw;
    }
}

void TransactSqlEmulation::rollbackTransaction() noexcept
{
    if (!m_driver->isOpen() || m_transactionDepth == 0)
        return;
    --m_transactionDepth;
    ++m_writes;
    // Some failures (a full disk, an I/O error) end the transaction by themselves; there is then
    // nothing left to roll back at any depth.
    if (!m_driver->inTransaction()) {
        m_transactionDepth = 0;
        return;
    }
    try {
        if (m_transactionDepth == 0) {
            m_driver->executePlain(QStringLiteral("ROLLBACK"));
            return;
        }
        const QString savepoint = QStringLiteral("ov_transaction_%1").arg(m_transactionDepth);
        m_driver->executePlain(QStringLiteral("ROLLBACK TO ") + savepoint);
        m_driver->executePlain(QStringLiteral("RELEASE ") + savepoint);
    } catch (const VbError &) {
        // The first error is the one the caller is reporting.
    }
}

std::unique_ptr<Recordset> TransactSqlEmulation::openRecordset(const QString &sql, CursorType cursor)
{
    Result result = run(sql);
    return std::make_unique<MemoryRecordset>(cursor, std::move(result.names), std::move(result.rows));
}

qint64 TransactSqlEmulation::execute(const QString &sql)
{
    return run(sql).changes;
}

void TransactSqlEmulation::execute(Command &command)
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

void TransactSqlEmulation::setTraceFile(const QString &path)
{
    m_trace.setFile(path);
}

bool TransactSqlEmulation::isOpen() const
{
    return m_driver->isOpen();
}

void TransactSqlEmulation::close()
{
    forgetStatements();
    m_driver->close();
    m_transactionDepth = 0;
}

TransactSqlEmulation::Result TransactSqlEmulation::run(const QString &sql)
{
    requireOpen();
    m_trace.write(sql);
    // A text that is kept was one plain statement when it was first met, and its rewrite depends on the
    // text alone (a view read through its arms is never kept).
    if (const StatementCache::Loan kept = m_statements.borrow(sql))
        return *runStatement(*kept.get());
    // A call's text is read once too: the replay repeats the same calls with the same arguments.
    if (const auto kept = m_calls.find(sql); kept != m_calls.end())
        return runCall(kept->second);
    if (std::optional<Result> read = m_driver->readKnownViewTop(sql))
        return std::move(*read);
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
    if (std::optional<Result> read = m_driver->readViewTop(sql, dialect))
        return std::move(*read);
    DriverStatementPtr statement = m_driver->prepare(dialect);
    if (!statement)
        return {};
    const StatementCache::Loan loan = m_statements.keep(sql, std::move(statement));
    return *runStatement(*loan.get());
}

std::optional<TransactSqlEmulation::Result> TransactSqlEmulation::runStatement(DriverStatement &statement,
                                                                               const std::function<bool()> &stillCurrent)
{
    // Anything but a query may change what later statements read, ov_procedures included; transaction
    // statements count too, since a rollback takes changes back.
    if (!statement.returnsRows() || !statement.readsOnly())
        ++m_writes;
    return statement.run(stillCurrent);
}

TransactSqlEmulation::Result TransactSqlEmulation::runCall(const StoredProcedure::Call &call)
{
    return callProcedure(call.procedure,
                         [&call](const StoredProcedure &definition) { return definition.bind(call.arguments); });
}

// The emulation's own statements, with at most one parameter.
TransactSqlEmulation::Result TransactSqlEmulation::runQuery(const QString &sql, const Variant &parameter)
{
    StatementCache::Loan kept = m_queries.borrow(sql);
    const StatementCache::Loan loan = kept ? std::move(kept) : m_queries.keep(sql, m_driver->prepare(sql));
    if (!parameter.isEmpty())
        loan.get()->bind(1, parameter);
    return *runStatement(*loan.get());
}

TransactSqlEmulation::PreparedProcedure &TransactSqlEmulation::readProcedure(const QString &name)
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
    kept->dataVersion = m_driver->dataVersion();
    kept->writes = m_writes;
    return *kept;
}

TransactSqlEmulation::Result TransactSqlEmulation::callProcedure(const QString &name, const ValuesFor &valuesFor,
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

void TransactSqlEmulation::compile(PreparedProcedure &procedure, PreparedProcedure::Statement &statement)
{
    if (statement.compiled)
        return;
    DriverStatementPtr prepared = m_driver->prepare(statement.text);
    std::vector<int> parameterOf;
    const int count = prepared ? prepared->parameterCount() : 0;
    for (int i = 1; i <= count; ++i) {
        const QString written = prepared->parameterName(i);
        const QString name = written.mid(1);
        const int index = name.isEmpty() ? -1 : procedure.definition.indexOf(name);
        if (index < 0) {
            throw DbError::statement(QStringLiteral("The body of procedure '%1' uses '%2', which is not one of its "
                                                    "parameters.")
                                         .arg(procedure.definition.name(), written.isEmpty() ? QStringLiteral("?") : written));
        }
        parameterOf.push_back(index);
    }
    statement.prepared = std::move(prepared);
    statement.parameterOf = std::move(parameterOf);
    statement.compiled = true;
    procedure.readsOnly = std::all_of(procedure.statements.cbegin(), procedure.statements.cend(), [](const auto &s) {
        return s.compiled && (!s.prepared || s.prepared->readsOnly());
    });
}

// A body of several statements that writes runs inside a savepoint, so a failing statement leaves nothing
// of the earlier ones behind; a single statement is all or nothing by itself, and a body that only reads
// has nothing to take back. A body that only reads is checked after each statement's first step, when its
// read has begun: if the database has changed since the definition was read, the call gives nothing and
// is run again on the definition as it is now.
std::optional<TransactSqlEmulation::Result> TransactSqlEmulation::runProcedure(PreparedProcedure &procedure,
                                                                               const std::vector<Variant> &values)
{
    if (procedure.statements.size() == 1)
        compile(procedure, procedure.statements.front());
    const bool savepoint = procedure.statements.size() > 1 && !procedure.readsOnly;
    std::function<bool()> stillCurrent;
    if (procedure.readsOnly)
        stillCurrent = [this, &procedure] { return m_driver->dataVersion() == procedure.dataVersion; };
    if (savepoint)
        runPlain(QStringLiteral("SAVEPOINT ov_procedure"));
    Result last;
    qint64 changes = 0;
    try {
        for (PreparedProcedure::Statement &statement : procedure.statements) {
            compile(procedure, statement);
            if (!statement.prepared)
                continue;
            const Rewind rewind(*statement.prepared);
            for (size_t i = 0; i < statement.parameterOf.size(); ++i)
                statement.prepared->bind(int(i) + 1, values[size_t(statement.parameterOf[i])]);
            std::optional<Result> result = runStatement(*statement.prepared, stillCurrent);
            if (!result)
                return std::nullopt;
            changes += result->changes;
            if (result->returnsRows)
                last = std::move(*result);
        }
        if (savepoint)
            runPlain(QStringLiteral("RELEASE ov_procedure"));
    } catch (...) {
        if (savepoint) {
            ++m_writes;
            try {
                m_driver->executePlain(QStringLiteral("ROLLBACK TO ov_procedure"));
                m_driver->executePlain(QStringLiteral("RELEASE ov_procedure"));
            } catch (const VbError &) {
                // The statement's own error is the one to report.
            }
        }
        throw;
    }
    last.changes = changes;
    return last;
}

} // namespace Ostraven
