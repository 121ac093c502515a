#pragma once

#include "databasebackend.h"
#include "memoryrecordset.h"
#include "statementcache.h"
#include "statementtrace.h"
#include "storedprocedure.h"
#include "unionviewtop.h"

#include <chrono>
#include <functional>
#include <optional>
#include <unordered_map>

#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

namespace Ostraven {

// The embedded host database. Statement texts arrive in the host's SQL Server dialect; SqlDialect rewrites
// them for SQLite and SqliteFunctions supplies SQL Server's functions and LIKE. Stored procedures are rows
// of the table ov_procedures(name, parameters, body); see StoredProcedure.
//
// Statements are compiled once: a plain statement's SQLite form is kept by its text (StatementCache), a
// procedure call's name and arguments by its text, a procedure's body statements by the procedure's name. A kept procedure is read again from
// ov_procedures after this connection changed anything, and a read-only one is also checked after its
// first step against the database's data version, which moves when another connection or program
// commits: a changed database sends the call back to ov_procedures, and the rows read meanwhile are
// dropped.
class SqliteBackend : public DatabaseBackend
{
public:
    // Raises VbError when the file cannot be opened or created.
    [[nodiscard]] static std::unique_ptr<SqliteBackend> open(const QString &path);
    ~SqliteBackend() override;

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

    // The longest a user action waits, in all, for another program to release the database; after that
    // its statements fail at once with "database is locked" until the action is over.
    void setLockWaitAllowance(std::chrono::milliseconds allowance) { m_lockWait->allowance = allowance; }
    static constexpr std::chrono::milliseconds defaultLockWaitAllowance{2000};

    // Runs a script of SQLite statements as written (no dialect, several statements allowed), for the host
    // creating or upgrading its database; triggers and procedure rows need this. Never used for the
    // component's statements, which go one at a time through the facade. Not traced.
    void executeScript(const QString &script);

    [[nodiscard]] sqlite3 *handle() const { return m_db; }

private:
    struct Result {
        QStringList names;
        std::vector<MemoryRecordset::Row> rows;
        bool returnsRows = false;
        qint64 changes = 0;
    };

    // Shared with the reset queued on the event loop, which may outlive the backend.
    struct LockWait {
        std::chrono::milliseconds allowance = defaultLockWaitAllowance;
        std::optional<std::chrono::steady_clock::time_point> deadline;
    };
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
    };
    // A procedure read from ov_procedures, its body statements compiled when first run.
    struct PreparedProcedure {
        struct Statement {
            QString text;
            StatementPtr prepared;
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

    explicit SqliteBackend(sqlite3 *db);

    static int onBusy(void *backend, int attempt);
    [[nodiscard]] bool waitForLock();
    void requireOpen() const;
    // The open file must still be the one at its path: a database deleted or replaced under a running
    // viewer would otherwise take writes that nobody will ever read.
    void requireSameFile() const;
    [[nodiscard]] Result run(const QString &sql);
    [[nodiscard]] StatementPtr prepare(const QString &sqliteText);
    // Steps the statement to its end and reads its rows. stillCurrent, when given, is asked after the
    // first step (when the statement's read has begun); false gives nothing.
    [[nodiscard]] std::optional<Result> runStatement(sqlite3_stmt *statement,
                                                     const std::function<bool()> &stillCurrent = {});
    [[nodiscard]] Result runMerged(const UnionViewTop::Plan &plan);
    [[nodiscard]] Result runQuery(const QString &sql, const Variant &parameter = {});
    [[nodiscard]] Result runCall(const StoredProcedure::Call &call);
    [[nodiscard]] Result callProcedure(const QString &name, const ValuesFor &valuesFor,
                                       const StoredProcedure **ran = nullptr);
    [[nodiscard]] std::optional<Result> runProcedure(PreparedProcedure &procedure, const std::vector<Variant> &values);
    [[nodiscard]] PreparedProcedure &readProcedure(const QString &name);
    void compile(PreparedProcedure &procedure, PreparedProcedure::Statement &statement);
    [[nodiscard]] unsigned int dataVersion() const;
    [[nodiscard]] VbError lastError() const;
    void runPlain(const QByteArray &sql);
    void forgetStatements();

    sqlite3 *m_db = nullptr;
    StatementTrace m_trace;
    std::shared_ptr<LockWait> m_lockWait = std::make_shared<LockWait>();
    QString m_path;
    mutable std::optional<FileIdentity> m_file;
    int m_transactionDepth = 0;
    UnionViewTop m_unionViewTop;
    StatementCache m_statements;
    StatementCache m_queries; // the backend's own, such as the look-up in ov_procedures
    std::unordered_map<QString, std::unique_ptr<PreparedProcedure>, TextHash> m_procedures; // by name, ASCII case folded
    std::unordered_map<QString, StoredProcedure::Call, TextHash> m_calls; // procedure calls read, by their text
    quint64 m_writes = 0; // statements run that may have changed the database
};

} // namespace Ostraven
