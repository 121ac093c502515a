#include "testdatabase.h"

#include "host/db/hostdatabase.h"

#include <QFile>

#include <map>
#include <memory>
#include <utility>

namespace Ostraven::Testing {

DemoSite::Options TestDatabase::options(Site site)
{
    DemoSite::Options options;
    if (site == Site::Empty)
        options.archiveEvents = 0;
    if (site == Site::Small) {
        options.archiveEvents = 600;
        options.archiveEnd = QDateTime(QDate(2026, 11, 27), QTime(18, 30));
    }
    if (site == Site::Demo)
        options.archiveEnd = QDateTime(QDate(2024, 6, 14), QTime(18, 30));
    return options;
}

QString TestDatabase::pristinePath(Site site)
{
    static const std::unique_ptr<QTemporaryDir> folder = std::make_unique<QTemporaryDir>();
    static std::map<Site, QString> built;
    QString &path = built[site];
    if (path.isEmpty()) {
        path = folder->filePath(QStringLiteral("pristine%1.sqlite").arg(int(site)));
        HostDatabase::createDatabase(path, options(site));
    }
    return path;
}

TestDatabase::TestDatabase(Site site) : m_path(m_folder.filePath(QStringLiteral("host.sqlite")))
{
    EXPECT_TRUE(QFile::copy(pristinePath(site), m_path));
    QFile(m_path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_connection = Connection::openSqlite(m_path);
}

std::vector<std::vector<Variant>> TestDatabase::rows(const QString &sql) const
{
    std::vector<std::vector<Variant>> result;
    const std::unique_ptr<Recordset> recordset = m_connection->openRecordset(sql);
    for (; !recordset->eof(); recordset->moveNext()) {
        result.emplace_back();
        for (int column = 0; column < recordset->fieldCount(); ++column)
            result.back().push_back(recordset->field(column));
    }
    recordset->close();
    return result;
}

Variant TestDatabase::scalar(const QString &sql) const
{
    const std::vector<std::vector<Variant>> found = rows(sql);
    if (found.empty())
        ADD_FAILURE() << "no row from " << sql.toStdString();
    return found.empty() ? Variant() : found.front().front();
}

QStringList TestDatabase::column(const QString &sql) const
{
    QStringList values;
    for (const std::vector<Variant> &row : rows(sql))
        values << CStr(row.front());
    return values;
}

void TestDatabase::startTrace()
{
    if (!std::exchange(m_tracing, true))
        m_connection->setTraceFile(tracePath());
    m_traceRead = QFile(tracePath()).size();
}

QStringList TestDatabase::takeTrace()
{
    if (!m_tracing)
        startTrace();
    QFile file(tracePath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_traceRead))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    m_traceRead = file.pos();
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace Ostraven::Testing
