#include "hostdbfixture.h"

#include "host/db/hostdatabase.h"

#include <QFile>

namespace Ostraven::Testing {

std::unique_ptr<QTemporaryDir> HostDbTest::s_folder;

void HostDbTest::SetUpTestSuite()
{
    if (s_folder)
        return;
    s_folder = std::make_unique<QTemporaryDir>();
    HostDatabase::createDatabase(pristinePath(), demoOptions());
}

DemoSite::Options HostDbTest::demoOptions()
{
    DemoSite::Options options;
    options.archiveEnd = QDateTime(QDate(2024, 6, 14), QTime(18, 30));
    return options;
}

const QString &HostDbTest::pristinePath()
{
    static const QString path = s_folder->filePath(QStringLiteral("pristine.sqlite"));
    return path;
}

void HostDbTest::SetUp()
{
    m_path = m_folder.filePath(QStringLiteral("host.sqlite"));
    ASSERT_TRUE(QFile::copy(pristinePath(), m_path));
    m_connection = Connection::openSqlite(m_path);
}

std::vector<std::vector<Variant>> HostDbTest::rows(const QString &sql)
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

Variant HostDbTest::scalar(const QString &sql)
{
    const std::vector<std::vector<Variant>> found = rows(sql);
    if (found.empty()) {
        ADD_FAILURE() << "no row from " << sql.toStdString();
        return {};
    }
    return found.front().front();
}

} // namespace Ostraven::Testing
