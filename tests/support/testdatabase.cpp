#include "testdatabase.h"

#include "host/db/hostdatabase.h"

#include <QFile>

#include <map>
#include <memory>

namespace Ostraven::Testing {

DemoSite::Options TestDatabase::options(Site site)
{
    DemoSite::Options options;
    switch (site) {
    case Site::Empty:
        options.archiveEvents = 0;
        break;
    case Site::Small:
        options.archiveEvents = 600;
        options.archiveEnd = QDateTime(QDate(2026, 11, 27), QTime(18, 30));
        break;
    case Site::Demo:
        options.archiveEnd = QDateTime(QDate(2024, 6, 14), QTime(18, 30));
        break;
    }
    return options;
}

QString TestDatabase::pristinePath(Site site)
{
    static const std::unique_ptr<QTemporaryDir> folder = std::make_unique<QTemporaryDir>();
    static std::map<Site, QString> built;
    auto found = built.find(site);
    if (found == built.end()) {
        const QString path = folder->filePath(QStringLiteral("pristine%1.sqlite").arg(int(site)));
        HostDatabase::createDatabase(path, options(site));
        found = built.emplace(site, path).first;
    }
    return found->second;
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
        std::vector<Variant> row;
        for (int column = 0; column < recordset->fieldCount(); ++column)
            row.push_back(recordset->field(column));
        result.push_back(std::move(row));
    }
    recordset->close();
    return result;
}

Variant TestDatabase::scalar(const QString &sql) const
{
    const std::vector<std::vector<Variant>> found = rows(sql);
    if (found.empty()) {
        ADD_FAILURE() << "no row from " << sql.toStdString();
        return {};
    }
    return found.front().front();
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
    if (!m_tracing) {
        m_connection->setTraceFile(tracePath());
        m_tracing = true;
    }
    m_traceRead = QFile(tracePath()).size();
}

QStringList TestDatabase::takeTrace()
{
    if (!m_tracing)
        startTrace();
    QFile file(tracePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(m_traceRead);
    const QString text = QString::fromUtf8(file.readAll());
    m_traceRead = file.pos();
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace Ostraven::Testing
