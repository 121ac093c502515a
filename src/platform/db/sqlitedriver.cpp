#include "sqlitedriver.h"

#include "dberror.h"
#include "sqlitefunctions.h"
#include "sqlitevalue.h"
#include "sqllexer.h"
#include "storedprocedure.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <thread>

namespace Ostraven {

namespace {

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

std::optional<struct stat> fileStatus(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// A compiled SQLite statement of this driver's connection.
class SqliteStatement : public DriverStatement
{
public:
    SqliteStatement(const SqliteDriver &driver, StatementPtr statement)
        : m_driver(driver), m_statement(std::move(statement))
    {
    }

    [[nodiscard]] sqlite3_stmt *handle() const { return m_statement.get(); }

    [[nodiscard]] int parameterCount() const override { return sqlite3_bind_parameter_count(handle()); }
    [[nodiscard]] QString parameterName(int index) const override
    {
        return QString::fromUtf8(sqlite3_bind_parameter_name(handle(), index));
    }
    [[nodiscard]] bool readsOnly() const override { return sqlite3_stmt_readonly(handle()) != 0; }
    [[nodiscard]] bool returnsRows() const override { return sqlite3_column_count(handle()) > 0; }
    void bind(int index, const Variant &value) override;
    [[nodiscard]] std::optional<DriverResult> run(const std::function<bool()> &stillCurrent) override;
    void reset() noexcept override
    {
        sqlite3_reset(handle());
        sqlite3_clear_bindings(handle());
    }

private:
    const SqliteDriver &m_driver;
    StatementPtr m_statement;
};

void SqliteStatement::bind(int index, const Variant &value)
{
    sqlite3_stmt *statement = handle();
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

std::optional<DriverResult> SqliteStatement::run(const std::function<bool()> &stillCurrent)
{
    sqlite3_stmt *statement = handle();
    sqlite3 *db = sqlite3_db_handle(statement);
    const sqlite3_int64 changesBefore = sqlite3_total_changes64(db);
    int rc = sqlite3_step(statement);
    if (stillCurrent && !stillCurrent())
        return std::nullopt;

    // Read after the first step: a kept statement is compiled again there when the schema has changed.
    DriverResult result;
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
            throw m_driver.lastError();
        MemoryRecordset::Row row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(columnValue(statement, c, kinds[size_t(c)]));
        result.rows.push_back(std::move(row));
    }
    result.changes = sqlite3_total_changes64(db) - changesBefore;
    return result;
}

sqlite3_stmt *handleOf(const StatementCache::Loan &loan)
{
    return static_cast<SqliteStatement *>(loan.get())->handle();
}

} // namespace

SqliteDriver::SqliteDriver(sqlite3 *db) : m_db(db)
{
    // An in-memory or temporary database has no file name, and nothing to lose to a replaced file.
    const char *file = sqlite3_db_filename(db, "main");
    m_path = QString::fromUtf8(file ? file : "");
}

std::unique_ptr<SqliteDriver> SqliteDriver::open(const QString &path)
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
    std::unique_ptr<SqliteDriver> driver(new SqliteDriver(db));
    if (SqliteFunctions::install(db) != SQLITE_OK)
        throw driver->lastError();
    sqlite3_busy_handler(db, &SqliteDriver::onBusy, driver.get());
    return driver;
}

SqliteDriver::~SqliteDriver()
{
    close();
}

void SqliteDriver::forgetStatements()
{
    m_unionViewTop = UnionViewTop(); // its prepared statements too, so that closing closes the file
    m_arms.clear();
}

int SqliteDriver::onBusy(void *driver, int)
{
    return static_cast<SqliteDriver *>(driver)->waitForLock() ? 1 : 0;
}

// The allowance is for the whole user action, not per statement: a viewer that sends a dozen statements
// while another program holds the database would otherwise freeze for a dozen time-outs. It starts with
// the first wait and ends when control is back in the event loop (or the host says the action is over).
bool SqliteDriver::waitForLock()
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

void SqliteDriver::endUserAction()
{
    m_lockWait->deadline.reset();
}

void SqliteDriver::requireOpen()
{
    if (!m_db)
        throw DbError::closed();
    requireSameFile();
}

void SqliteDriver::requireSameFile() const
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

VbError SqliteDriver::lastError() const
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    if ((sqlite3_extended_errcode(m_db) & 0xff) != SQLITE_BUSY)
        return DbError::statement(message);
    return DbError::statement(QStringLiteral("%1: another program holds the database; gave up after waiting %2 ms")
                                  .arg(message)
                                  .arg(m_lockWait->allowance.count()));
}

void SqliteDriver::executePlain(const QString &text)
{
    if (sqlite3_exec(m_db, text.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError();
}

bool SqliteDriver::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void SqliteDriver::executeScript(const QString &script)
{
    requireOpen();
    char *message = nullptr;
    if (sqlite3_exec(m_db, script.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return;
    const QString description = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
    sqlite3_free(message);
    throw DbError::statement(description);
}

void SqliteDriver::close()
{
    forgetStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

DriverStatementPtr SqliteDriver::prepare(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &raw, &tail)
        != SQLITE_OK)
        throw lastError();
    StatementPtr statement(raw);
    if (!onlyBlanks(tail)) {
        throw DbError::statement(QStringLiteral(
            "The statement text holds more than one statement; only one statement may be sent at a time."));
    }
    if (!statement)
        return nullptr;
    return std::make_unique<SqliteStatement>(*this, std::move(statement));
}

unsigned int SqliteDriver::dataVersion()
{
    unsigned int version = 0;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

std::optional<DriverResult> SqliteDriver::readKnownViewTop(const QString &sql)
{
    if (const UnionViewTop::Plan *plan = m_unionViewTop.known(m_db, sql))
        return runMerged(*plan);
    return std::nullopt;
}

std::optional<DriverResult> SqliteDriver::readViewTop(const QString &sql, const QString &dialect)
{
    if (const UnionViewTop::Plan *plan = m_unionViewTop.plan(m_db, sql, dialect))
        return runMerged(*plan);
    return std::nullopt;
}

StatementCache::Loan SqliteDriver::lend(const QString &text)
{
    StatementCache::Loan kept = m_arms.borrow(text);
    return kept ? std::move(kept) : m_arms.keep(text, prepare(text));
}

// The arms' statements are the driver's own, kept by their texts; they read only their tables.
DriverResult SqliteDriver::runMerged(const UnionViewTop::Plan &plan)
{
    std::vector<StatementCache::Loan> loans;
    loans.reserve(plan.arms.size());
    UnionViewTop::Source source;
    for (const QString &text : plan.arms) {
        loans.push_back(lend(text));
        source.arms.push_back(handleOf(loans.back()));
    }
    source.step = [this](sqlite3_stmt *statement) {
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw lastError();
        return rc == SQLITE_ROW;
    };
    const int columns = int(plan.collations.size());
    std::vector<DeclaredKind> kinds;
    DriverResult result;
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
        sqlite3_stmt *statement = handleOf(*fetches[arm]);
        sqlite3_reset(statement);
        sqlite3_bind_int64(statement, 1, rowId);
        if (!source.step(statement))
            throw DbError::statement(QStringLiteral("A row of the archive changed while it was being read."));
        return statement;
    };

    std::optional<std::vector<MemoryRecordset::Row>> rows = UnionViewTop::merge(plan, source);
    if (!rows) {
        const DriverStatementPtr asWritten = prepare(plan.asWritten);
        return *asWritten->run({});
    }
    result.rows = std::move(*rows);
    return result;
}

} // namespace Ostraven
