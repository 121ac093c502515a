#include "modeltestdatabase.h"

#include "host/db/hostdatabase.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace Ostraven::Testing {

namespace {

const QString &pristineDatabase()
{
    static const std::unique_ptr<QTemporaryDir> folder = std::make_unique<QTemporaryDir>();
    static const QString path = [] {
        const QString file = folder->filePath(QStringLiteral("pristine.sqlite"));
        HostDatabase::createDatabase(file, 0);
        return file;
    }();
    return path;
}

QString tracePath(const QString &folder)
{
    return folder + QStringLiteral("/statements.trace");
}

} // namespace

ModelTestDatabase::ModelTestDatabase() : m_folderPath(m_folder.path())
{
    const QString path = m_folder.filePath(QStringLiteral("host.sqlite"));
    EXPECT_TRUE(QFile::copy(pristineDatabase(), path));
    m_connection = Connection::openSqlite(path);
}

void ModelTestDatabase::startTrace()
{
    m_connection->setTraceFile(tracePath(m_folderPath));
}

QStringList ModelTestDatabase::statements() const
{
    QFile file(tracePath(m_folderPath));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace Ostraven::Testing
