#include "databasesource.h"

#include "host/db/hostdatabase.h"

#include <QDir>
#include <QFileInfo>

namespace Ostraven::Host {

QString DatabaseSource::problemBeforeOpening() const
{
    if (isOdbc())
        return {};
    if (!QFileInfo::exists(path))
        return QStringLiteral("the database %1 does not exist; create it with --init-db")
            .arg(QDir::toNativeSeparators(path));
    return HostDatabase::checkDatabase(path);
}

ConnectionPtr DatabaseSource::open() const
{
    if (!isOdbc())
        return Connection::openSqlite(path);
    OdbcOptions options;
    options.emulate = emulate;
    return Connection::openOdbc(odbc, options);
}

} // namespace Ostraven::Host
