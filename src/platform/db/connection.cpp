#include "connection.h"

#include "databasebackend.h"
#include "dberror.h"
#include "odbcbackend.h"
#include "sqlitedriver.h"
#include "sqlitefunctions.h"
#include "transactsqlemulation.h"

namespace Ostraven {

namespace {

bool sameParameterName(QString a, QString b)
{
    if (a.startsWith(u'@'))
        a.remove(0, 1);
    if (b.startsWith(u'@'))
        b.remove(0, 1);
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Parameter &Command::append(const QString &name, ParameterDirection direction, Variant value)
{
    m_parameters.push_back(Parameter{name, direction, std::move(value)});
    return m_parameters.back();
}

Parameter &Command::parameter(const QString &name)
{
    for (Parameter &parameter : m_parameters) {
        if (sameParameterName(parameter.name, name))
            return parameter;
    }
    throw DbError::itemNotFound(name);
}

Connection::Connection(std::unique_ptr<DatabaseBackend> backend) : m_backend(std::move(backend)) {}

Connection::~Connection() = default;

std::shared_ptr<Connection> Connection::openSqlite(const QString &path)
{
    return std::make_shared<Connection>(std::make_unique<TransactSqlEmulation>(SqliteDriver::open(path)));
}

std::shared_ptr<Connection> Connection::openOdbc(const QString &connectionString, const OdbcOptions &options)
{
    if (!options.emulate)
        return std::make_shared<Connection>(OdbcBackend::open(connectionString, options));
    // What the emulation needs of a SQLite data source unless the string says otherwise: the SQL Server
    // functions, and a lock wait as long as the embedded database's instead of the driver's own
    // hundred seconds, so that a held database does not freeze the viewer for minutes.
    const OdbcConnectionString given = OdbcConnectionString::parse(connectionString);
    QString withFunctions = connectionString;
    const auto addIfAbsent = [&](const QString &key, const QString &value) {
        if (!given.value(key).isNull())
            return;
        if (!withFunctions.trimmed().endsWith(u';'))
            withFunctions += u';';
        withFunctions += key + u'=' + value;
    };
    addIfAbsent(QStringLiteral("LoadExt"), SqliteFunctions::extensionPath());
    addIfAbsent(QStringLiteral("Timeout"), QString::number(SqliteDriver::defaultLockWaitAllowance.count()));
    std::unique_ptr<OdbcBackend> driver = OdbcBackend::open(withFunctions, options);
    // The SQLite ODBC driver opens the database even when the extension fails to load, and the first
    // statement that needs a SQL Server function would fail far from the cause.
    try {
        (void)driver->openRecordset(QStringLiteral("SELECT len('ok')"), CursorType::ForwardOnly);
    } catch (const VbError &error) {
        throw DbError::openFailed(
            QStringLiteral("The ODBC data source '%1' lacks the SQL Server functions the emulation needs (%2). For "
                           "the SQLite ODBC driver, name their module with LoadExt=%3.")
                .arg(given.masked(), error.description(),
                     SqliteFunctions::extensionPath()));
    }
    return std::make_shared<Connection>(std::make_unique<TransactSqlEmulation>(std::move(driver)));
}

std::unique_ptr<Recordset> Connection::openRecordset(const QString &sql, CursorType cursor)
{
    return m_backend->openRecordset(sql, cursor);
}

qint64 Connection::execute(const QString &sql)
{
    return m_backend->execute(sql);
}

void Connection::execute(Command &command)
{
    m_backend->execute(command);
}

void Connection::beginTransaction()
{
    m_backend->beginTransaction();
}

void Connection::commitTransaction()
{
    m_backend->commitTransaction();
}

void Connection::rollbackTransaction() noexcept
{
    m_backend->rollbackTransaction();
}

void Connection::endUserAction()
{
    m_backend->endUserAction();
}

void Connection::setTraceFile(const QString &path)
{
    m_backend->setTraceFile(path);
}

bool Connection::isOpen() const
{
    return m_backend->isOpen();
}

void Connection::close()
{
    m_backend->close();
}

// Execute(sql[, recordsAffected]) writes the number of changed rows back into its second argument, as the
// host's data library does; its rows, if any, are not kept.
Variant Connection::invoke(const QString &member, InvokeKind kind, Args &args)
{
    const bool readOrCall = kind == InvokeKind::Get || kind == InvokeKind::Call;
    if (readOrCall && member.compare(QLatin1StringView("Execute"), Qt::CaseInsensitive) == 0) {
        if (args.empty())
            throw VbError::fromNumber(VbError::InvalidProcedureCall);
        const qint64 changed = execute(CStr(args[0]));
        if (args.size() > 1)
            args[1] = Variant(qint32(changed));
        return {};
    }
    if (readOrCall && member.compare(QLatin1StringView("State"), Qt::CaseInsensitive) == 0)
        return Variant(qint32(isOpen() ? 1 : 0));
    if (kind == InvokeKind::Call && member.compare(QLatin1StringView("Close"), Qt::CaseInsensitive) == 0) {
        close();
        return {};
    }
    throw memberNotSupported(member);
}

} // namespace Ostraven
