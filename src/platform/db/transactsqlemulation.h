#pragma once

#include "databasebackend.h"
#include "sqldriver.h"
#include "statementcache.h"
#include "statementtrace.h"
#include "storedprocedure.h"

#include <functional>
#include <optional>
#include <unordered_map>

namespace Ostraven {

// The host's SQL Server dialect on a database that speaks SQLite's: the embedded file, or an ODBC data
// source that is not SQL Server. Statement texts arrive as the component writes them; SqlDialect rewrites
// them, and the driver's database must know SQL Server's functions (SqliteFunctions). Stored procedures are
// rows of the table ov_procedures(name, parameters, body); see StoredProcedure. A text holding more than
// one statement is refused, as the server refuses it.
//
// Statements are compiled once: a plain statement's rewrite is kept by its text (StatementCache), a
// procedure call's name and arguments by its text, a procedure's body statements by the procedure's name.
// A kept procedure is read again from ov_procedures after this connection changed anything, and a
// read-only one is also checked after its first step against the database's data version, which moves
// when another connection or program commits: a changed database sends the call back to ov_procedures,
// and the rows read meanwhile are dropped.
class TransactSqlEmulation : public DatabaseBackend
{
public:
    explicit TransactSqlEmulation(std::unique_ptr<SqlDriver> driver);
    ~TransactSqlEmulation() override;
    TransactSqlEmulation(const TransactSqlEmulation &) = delete;
    TransactSqlEmulation &operator=(const TransactSqlEmulation &) = delete;

    [[nodiscard]] std::unique_ptr<Recordset> openRecordset(const QString &sql, CursorType cursor) override;
    qint64 execute(const QString &sql) override;
    void execute(Command &command) override;
    void setTraceFile(const QString &path) override;
    [[nodiscard]] bool isOpen() const override;
    void close() override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() noexcept override;
    void endUserAction() override;

    [[nodiscard]] SqlDriver &driver() { return *m_driver; }

private:
    using Result = DriverResult;
    // A procedure read from ov_procedures, its body statements compiled when first run.
    struct PreparedProcedure {
        struct Statement {
            QString text;
            DriverStatementPtr prepared;
            std::vector<int> parameterOf; // for each of its parameters (from 1), the procedure's parameter
            bool compiled = false;        // prepared is null for a statement of comments only
        };
        StoredProcedure definition;
        QString parameterList;
        std::vector<Statement> statements;
        unsigned int dataVersion = 0; // the database's when the definition was read
        quint64 writes = 0;           // this connection's write count then
        bool readsOnly = false;       // every statement compiled and none writes
    };
    using ValuesFor = std::function<std::vector<Variant>(const StoredProcedure &)>;

    void requireOpen();
    [[nodiscard]] Result run(const QString &sql);
    // Runs a statement of the driver's and counts it among this connection's writes when it may be one.
    [[nodiscard]] std::optional<Result> runStatement(DriverStatement &statement,
                                                     const std::function<bool()> &stillCurrent = {});
    [[nodiscard]] Result runQuery(const QString &sql, const Variant &parameter = {});
    [[nodiscard]] Result runCall(const StoredProcedure::Call &call);
    [[nodiscard]] Result callProcedure(const QString &name, const ValuesFor &valuesFor,
                                       const StoredProcedure **ran = nullptr);
    [[nodiscard]] std::optional<Result> runProcedure(PreparedProcedure &procedure, const std::vector<Variant> &values);
    [[nodiscard]] PreparedProcedure &readProcedure(const QString &name);
    void compile(PreparedProcedure &procedure, PreparedProcedure::Statement &statement);
    void runPlain(const QString &sql);
    void forgetStatements();

    // Declared first so that it goes last: every statement below is the driver's.
    std::unique_ptr<SqlDriver> m_driver;
    StatementTrace m_trace;
    int m_transactionDepth = 0;
    StatementCache m_statements;
    StatementCache m_queries; // the emulation's own, such as the look-up in ov_procedures
    std::unordered_map<QString, std::unique_ptr<PreparedProcedure>, TextHash> m_procedures; // by name, ASCII case folded
    std::unordered_map<QString, StoredProcedure::Call, TextHash> m_calls; // procedure calls read, by their text
    quint64 m_writes = 0; // statements run that may have changed the database
};

} // namespace Ostraven
