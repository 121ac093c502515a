#include "odbctest.h"

#include <QFile>
#include <QFileInfo>

namespace Ostraven::Testing {

namespace {
QTemporaryDir &configurationFolder()
{
    static QTemporaryDir folder;
    return folder;
}

// Registered before main runs, so it is in place before any test opens a connection.
[[maybe_unused]] ::testing::Environment *const configuration = ::testing::AddGlobalTestEnvironment(new OdbcConfiguration);
} // namespace

void OdbcConfiguration::SetUp()
{
    QString driver;
    for (const char *candidate : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                                  "/usr/lib/odbc/libsqlite3odbc.so", "/usr/lib64/libsqlite3odbc.so"}) {
        if (QFileInfo::exists(QString::fromLatin1(candidate))) {
            driver = QString::fromLatin1(candidate);
            break;
        }
    }
    ASSERT_FALSE(driver.isEmpty()) << "the SQLite ODBC driver (libsqliteodbc) is not installed; run scripts/install-deps";
    const QDir folder(configurationFolder().path());
    QFile instIni(folder.filePath(QStringLiteral("odbcinst.ini")));
    ASSERT_TRUE(instIni.open(QIODevice::WriteOnly));
    instIni.write(QStringLiteral("[%1]\nDescription=SQLite 3 for the ODBC tests\nDriver=%2\n").arg(driverName(), driver).toUtf8());
    instIni.close();
    QFile userIni(folder.filePath(QStringLiteral("odbc.ini")));
    ASSERT_TRUE(userIni.open(QIODevice::WriteOnly));
    userIni.close();
    qputenv("ODBCSYSINI", QFile::encodeName(folder.path()));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", QFile::encodeName(userIni.fileName()));
}

std::vector<Variant> OdbcTest::column(OdbcBackend &backend, const QString &sql, int index)
{
    std::vector<Variant> values;
    const std::unique_ptr<Recordset> rs = backend.openRecordset(sql, CursorType::ForwardOnly);
    for (; !rs->eof(); rs->moveNext()) values.push_back(rs->field(index));
    return values;
}

} // namespace Ostraven::Testing
