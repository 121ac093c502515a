#pragma once

#include "platform/dispatch.h"
#include "platform/variant.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <vector>

namespace Ostraven {

class DatabaseBackend;
class Recordset;

enum class CursorType { ForwardOnly, Static };

// How an ODBC connection speaks to its server: T-SQL servers get their own savepoint statements.
// Detect asks the driver for the server's name.
enum class OdbcDialect { Detect, TransactSql, Standard };

struct OdbcOptions {
    std::chrono::seconds loginTimeout{15}; // waiting for the server to accept the login
    std::chrono::seconds queryTimeout{30}; // waiting for one statement; 0 waits for ever
    OdbcDialect dialect = OdbcDialect::Detect;
    bool emulate = false; // the T-SQL emulation over this data source (a SQLite ODBC source)
};

enum class ParameterDirection { Input, Output, InputOutput };

struct Parameter {
    QString name; // with or without the leading "@"
    ParameterDirection direction = ParameterDirection::Input;
    Variant value;
};

// A stored-procedure call with named parameters. After execute() the output parameters hold the
// values the procedure returned.
class Command
{
public:
    explicit Command(QString procedureName) : m_procedureName(std::move(procedureName)) {}

    Parameter &append(const QString &name, ParameterDirection direction, Variant value = {});
    [[nodiscard]] Parameter &parameter(const QString &name); // VbError 3265 when there is none
    [[nodiscard]] const QString &procedureName() const { return m_procedureName; }
    [[nodiscard]] std::vector<Parameter> &parameters() { return m_parameters; }

private:
    QString m_procedureName;
    std::vector<Parameter> m_parameters;
};

// The host's database connection as the component sees it. Statements are the host's SQL text,
// sent as written; the backend makes its database answer them. Failures raise VbError carrying the
// database's own message. The host hands it over as an object (put-reference DBConnection), so it
// is also a late-bound object; the component recovers the connection with a checked cast.
class Connection : public Dispatch
{
public:
    explicit Connection(std::unique_ptr<DatabaseBackend> backend);
    ~Connection() override;

    // By name: Execute(sql), State (1 open, 0 closed), Close.
    Variant invoke(const QString &member, InvokeKind kind, Args &args) override;

    // Opens the embedded SQLite database at path (":memory:" for a private in-memory one).
    [[nodiscard]] static std::shared_ptr<Connection> openSqlite(const QString &path);
    // Opens a server through the ODBC driver manager from a DSN-less connection string
    // ("Driver=...;Server=...;Database=...;UID=...;PWD=..."). Statements go to the server unchanged,
    // unless options.emulate puts the T-SQL emulation over a data source that speaks SQLite's dialect;
    // the SQLite ODBC driver is then told to load the SQL Server functions (LoadExt) unless the string
    // names an extension itself.
    [[nodiscard]] static std::shared_ptr<Connection> openOdbc(const QString &connectionString,
                                                              const OdbcOptions &options = {});

    [[nodiscard]] std::unique_ptr<Recordset> openRecordset(const QString &sql,
                                                           CursorType cursor = CursorType::ForwardOnly);
    // Runs a statement that returns no rows; gives the number of rows it changed.
    qint64 execute(const QString &sql);
    // Runs a stored procedure; output parameters are written back into command.
    void execute(Command &command);

    // Groups statements so that either all of them take effect or none does. These are not statement
    // texts the component sends, so the trace does not show them; nested groups become savepoints.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction() noexcept;
    // A host action (one protocol line, one call into the component) is over: the next one gets a
    // fresh allowance for waiting on another program's lock. Returning to the event loop does the same.
    void endUserAction();

    // Every statement text sent from now on is appended to this file, one per line; empty stops it.
    void setTraceFile(const QString &path);
    [[nodiscard]] bool isOpen() const;
    void close();

    [[nodiscard]] DatabaseBackend &backend() { return *m_backend; }

private:
    std::unique_ptr<DatabaseBackend> m_backend;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// A group of statements that is rolled back unless it is committed, so any exception between the
// two leaves the database as it was.
class Transaction
{
public:
    explicit Transaction(Connection &connection) : m_connection(connection) { m_connection.beginTransaction(); }
    ~Transaction()
    {
        if (!m_finished)
            m_connection.rollbackTransaction();
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        m_finished = true;
        m_connection.commitTransaction();
    }

private:
    Connection &m_connection;
    bool m_finished = false;
};

struct Field {
    QString name;
    Variant value;
};

// A read-only result. Forward-only recordsets read rows as they come; static ones hold every row and
// can go back to the first. Reading Fields at EOF raises VbError 3021 as the host's data library does.
class Recordset
{
public:
    virtual ~Recordset() = default;

    // The host's EOF, MoveNext, MoveFirst and Close.
    [[nodiscard]] virtual bool eof() const = 0;
    virtual void moveNext() = 0;
    virtual void moveFirst() = 0; // forward-only: VbError, as a forward-only cursor cannot go back
    virtual void close() = 0;

    [[nodiscard]] virtual int fieldCount() const = 0;
    [[nodiscard]] virtual QString fieldName(int index) const = 0;
    // By position (0-based) or by name (letter case ignored); VbError 3265 when there is no such field.
    [[nodiscard]] virtual Variant field(int index) const = 0;
    [[nodiscard]] virtual Variant field(const QString &name) const = 0;
    // Rows in a static recordset; -1 for forward-only, as the host's data library answers.
    [[nodiscard]] virtual qint64 recordCount() const = 0;
};

} // namespace Ostraven
