#include "support/odbcconfiguration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Ostraven::Testing {

QString sqliteOdbcDriverLibrary()
{
    for (const char *candidate : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                                  "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/odbc/libsqlite3odbc.so",
                                  "/usr/lib64/libsqlite3odbc.so"}) {
        if (QFileInfo::exists(QString::fromLatin1(candidate)))
            return QString::fromLatin1(candidate);
    }
    return {};
}

QString useOwnOdbcConfiguration(const QString &folder, const QString &driverName)
{
    const QString driver = sqliteOdbcDriverLibrary();
    if (driver.isEmpty())
        return QStringLiteral("the SQLite ODBC driver (libsqliteodbc) is not installed; run scripts/install-deps");
    QFile instIni(QDir(folder).filePath(QStringLiteral("odbcinst.ini")));
    QFile userIni(QDir(folder).filePath(QStringLiteral("odbc.ini")));
    if (!instIni.open(QIODevice::WriteOnly | QIODevice::Truncate) || !userIni.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write the ODBC configuration in %1").arg(folder);
    instIni.write(QStringLiteral("[%1]\nDescription=SQLite 3 for the tests\nDriver=%2\n").arg(driverName, driver).toUtf8());
    qputenv("ODBCSYSINI", QFile::encodeName(folder));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", QFile::encodeName(userIni.fileName()));
    return {};
}

} // namespace Ostraven::Testing
