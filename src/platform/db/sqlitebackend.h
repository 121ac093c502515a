#pragma once

#include "databasebackend.h"
#include "memoryrecordset.h"
#include "statementtrace.h"
#include "storedprocedure.h"
#include "unionviewtop.h"

#include <chrono>
#include <functional>
#include <optional>

#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

namespace Ostraven {

// The embedded host database. Statement texts arrive in the host's SQL Server dialect; SqlDialect rewrites
// them for SQLite and SqliteFunctions supplies SQL Server's functions and LIKE. Stored procedures are rows
// of the table ov_procedures(name, parameters, body); see StoredProcedure.
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

    explicit SqliteBackend(sqlite3 *db);

    static int onBusy(void *backend, int attempt);
    [[nodiscard]] bool waitForLock();
    void requireOpen() const;
    // The open file must still be the one at its path: a database deleted or replaced under a running
    // viewer would otherwise take writes that nobody will ever read.
    void requireSameFile() const;
    [[nodiscard]] Result run(const QString &sql);
    [[nodiscard]] Result runSqlite(const QString &sql, const std::function<void(sqlite3_stmt *)> &bind = {});
    [[nodiscard]] Result runProcedure(const StoredProcedure &procedure, const std::vector<Variant> &values);
    [[nodiscard]] StoredProcedure findProcedure(const QString &name);
    [[nodiscard]] VbError lastError() const;
    void bindParameters(sqlite3_stmt *statement, const StoredProcedure &procedure,
                        const std::vector<Variant> &values);
    void runPlain(const QByteArray &sql);

    sqlite3 *m_db = nullptr;
    StatementTrace m_trace;
    std::shared_ptr<LockWait> m_lockWait = std::make_shared<LockWait>();
    QString m_path;
    mutable std::optional<FileIdentity> m_file;
    int m_transactionDepth = 0;
    UnionViewTop m_unionViewTop;
};

} // namespace Ostraven
