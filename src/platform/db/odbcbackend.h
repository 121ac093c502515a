#pragma once

#include "databasebackend.h"
#include "memoryrecordset.h"
#include "odbcapi.h"
#include "odbcdiagnostics.h"
#include "odbcvalue.h"
#include "sqldriver.h"
#include "statementcache.h"
#include "statementtrace.h"

#include <chrono>
#include <unordered_map>

namespace Ostraven {

// A database server reached through the ODBC driver manager. Statement texts go to the server as the
// caller wrote them: the server is expected to speak the host's dialect itself. Text travels as UTF-16
// both ways, so names with accents or beyond the Basic Multilingual Plane arrive as written.
//
// Results are read in full into a MemoryRecordset, as the SQLite backend does, whichever cursor is asked
// for; the server is only ever asked for a forward-only read, the cheapest it has.
//
// Prepared statements are kept by their text (at most StatementCache::defaultCapacity of them). When the
// driver reports that the link to the server is gone (SQLSTATE class 08), the failing call raises an
// error that says so, every handle is dropped, and the next statement opens the connection again from
// the same string.
//
// It is also a driver below the T-SQL emulation, for a data source that speaks SQLite's dialect rather
// than T-SQL (the SQLite ODBC driver): the emulation then sends it its own rewrites, and the database's
// data version comes from "PRAGMA data_version".
class OdbcBackend : public DatabaseBackend, public SqlDriver
{
public:
    static constexpr size_t statementCapacity = StatementCache::defaultCapacity;

    // Raises DbError (open failed) for a connection string that cannot be used, a driver that cannot be
    // loaded or a server that refuses the login, naming the driver's SQLSTATE and message (never the
    // password).
    [[nodiscard]] static std::unique_ptr<OdbcBackend> open(const QString &connectionString,
                                                           const OdbcOptions &options = {},
                                                           const OdbcApi &api = {});
    ~OdbcBackend() override;
    OdbcBackend(const OdbcBackend &) = delete;
    OdbcBackend &operator=(const OdbcBackend &) = delete;

    [[nodiscard]] std::unique_ptr<Recordset> openRecordset(const QString &sql, CursorType cursor) override;
    qint64 execute(const QString &sql) override;
    void execute(Command &command) override;
    void setTraceFile(const QString &path) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() noexcept override;
    [[nodiscard]] bool isOpen() const override;
    void close() override;

    // As the driver below the emulation.
    void requireOpen() override;
    [[nodiscard]] DriverStatementPtr prepare(const QString &text) override;
    void executePlain(const QString &text) override;
    [[nodiscard]] unsigned int dataVersion() override;

    // The login time-out applies from the next time the connection is opened; the query time-out to
    // every statement from now on, kept ones included.
    void setLoginTimeout(std::chrono::seconds timeout) { m_options.loginTimeout = timeout; }
    void setQueryTimeout(std::chrono::seconds timeout);
    [[nodiscard]] std::chrono::seconds loginTimeout() const { return m_options.loginTimeout; }
    [[nodiscard]] std::chrono::seconds queryTimeout() const { return m_options.queryTimeout; }

    // The server's name as its driver gives it, and whether savepoints are written in T-SQL.
    [[nodiscard]] const QString &serverName() const { return m_serverName; }
    [[nodiscard]] bool speaksTransactSql() const { return m_transactSql; }
    // False between a lost link and the next statement.
    [[nodiscard]] bool isConnected() const { return m_dbc != nullptr; }
    [[nodiscard]] size_t keptStatements() const { return m_statements.size(); }

private:
    using Result = DriverResult;
    struct Kept {
        SQLHSTMT handle = nullptr;
        quint64 lastUse = 0;
    };
    class Run;
    class Statement;

    OdbcBackend(OdbcConnectionString connectionString, const OdbcOptions &options, const OdbcApi &api);

    void connect();
    void dropConnection() noexcept;
    void requireConnection();
    [[noreturn]] void raise(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString &what,
                            SQLHSTMT discard = nullptr);
    void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString &what = {})
    {
        if (!succeeded(rc))
            raise(rc, handleType, handle, what);
    }
    [[nodiscard]] SQLHSTMT allocateStatement();
    void applyQueryTimeout(SQLHSTMT statement, bool discardOnFailure);
    void freeStatement(SQLHSTMT statement) noexcept;
    [[nodiscard]] SQLHSTMT statementFor(const QString &sql);
    [[nodiscard]] SQLHSTMT prepareAndKeep(const QString &text);
    [[nodiscard]] Result run(const QString &sql);
    [[nodiscard]] Result collect(SQLHSTMT statement, SQLRETURN executed);
    void readRows(SQLHSTMT statement, SQLSMALLINT columns, Result &result);
    [[nodiscard]] Variant readColumn(SQLHSTMT statement, SQLUSMALLINT column, OdbcValueKind kind);
    [[nodiscard]] QByteArray readInPieces(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, bool &isNull);
    void runDirect(const QString &sql);
    void setAutocommit(bool on);

    OdbcApi m_api;
    OdbcConnectionString m_connectionString;
    OdbcOptions m_options;
    SQLHENV m_env = nullptr;
    SQLHDBC m_dbc = nullptr;
    bool m_closed = false;
    quint64 m_connectionNumber = 0; // moves on each time the handles are dropped
    QString m_serverName;
    bool m_transactSql = false;
    int m_transactionDepth = 0;
    StatementTrace m_trace;
    std::unordered_map<QString, Kept, TextHash> m_statements;
    quint64 m_clock = 0;
};

} // namespace Ostraven
