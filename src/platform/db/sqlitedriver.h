#pragma once

#include "sqldriver.h"
#include "statementcache.h"
#include "unionviewtop.h"

#include "platform/vberror.h"

#include <chrono>
#include <optional>

#include <sys/types.h>

struct sqlite3;

namespace Ostraven {

// The embedded host database through SQLite's C API. SqliteFunctions gives it SQL Server's functions and
// LIKE, so that the emulation's rewrites mean on SQLite what they mean on the server.
//
// The connection lives on the host's user-interface thread alone. Waiting for another program's lock is
// bounded per user action; a file deleted or replaced under a running viewer is refused rather than
// written to.
class SqliteDriver : public SqlDriver
{
public:
    // Raises VbError when the file cannot be opened or created.
    [[nodiscard]] static std::unique_ptr<SqliteDriver> open(const QString &path);
    ~SqliteDriver() override;
    SqliteDriver(const SqliteDriver &) = delete;
    SqliteDriver &operator=(const SqliteDriver &) = delete;

    void requireOpen() override;
    [[nodiscard]] DriverStatementPtr prepare(const QString &text) override;
    void executePlain(const QString &text) override;
    [[nodiscard]] bool inTransaction() const override;
    [[nodiscard]] unsigned int dataVersion() override;
    [[nodiscard]] std::optional<DriverResult> readKnownViewTop(const QString &sql) override;
    [[nodiscard]] std::optional<DriverResult> readViewTop(const QString &sql, const QString &dialect) override;
    void forgetStatements() override;
    void endUserAction() override;
    [[nodiscard]] bool isOpen() const override { return m_db != nullptr; }
    void close() override;

    // The longest a user action waits, in all, for another program to release the database; after that
    // its statements fail at once with "database is locked" until the action is over.
    void setLockWaitAllowance(std::chrono::milliseconds allowance) { m_lockWait->allowance = allowance; }
    static constexpr std::chrono::milliseconds defaultLockWaitAllowance{2000};

    // Runs a script of SQLite statements as written (several statements allowed), for the host creating
    // or upgrading its database; triggers and procedure rows need this. Never used for the component's
    // statements, which go one at a time through the facade. Not traced.
    void executeScript(const QString &script);

    [[nodiscard]] sqlite3 *handle() const { return m_db; }
    // The connection's last error; a lock held too long by another program says so.
    [[nodiscard]] VbError lastError() const;

private:
    // Shared with the reset queued on the event loop, which may outlive the driver.
    struct LockWait {
        std::chrono::milliseconds allowance = defaultLockWaitAllowance;
        std::optional<std::chrono::steady_clock::time_point> deadline;
    };
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
    };

    explicit SqliteDriver(sqlite3 *db);

    static int onBusy(void *driver, int attempt);
    [[nodiscard]] bool waitForLock();
    // The open file must still be the one at its path: a database deleted or replaced under a running
    // viewer would otherwise take writes that nobody will ever read.
    void requireSameFile() const;
    [[nodiscard]] DriverResult runMerged(const UnionViewTop::Plan &plan);
    [[nodiscard]] StatementCache::Loan lend(const QString &text);

    sqlite3 *m_db = nullptr;
    std::shared_ptr<LockWait> m_lockWait = std::make_shared<LockWait>();
    QString m_path;
    mutable std::optional<FileIdentity> m_file;
    UnionViewTop m_unionViewTop;
    StatementCache m_arms; // the union reads' own statements, by their texts
};

} // namespace Ostraven
