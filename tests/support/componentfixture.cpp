#include "componentfixture.h"

#include "component/componentwindows.h"
#include "host/db/hostdatabase.h"

#include <QFile>

namespace Ostraven::Testing {

namespace {

std::unique_ptr<QTemporaryDir> pristineFolder;

QString pristinePath()
{
    return pristineFolder->path() + QStringLiteral("/pristine.sqlite");
}

} // namespace

void ComponentTest::SetUpTestSuite()
{
    if (pristineFolder)
        return;
    pristineFolder = std::make_unique<QTemporaryDir>();
    DemoSite::Options options;
    options.archiveEvents = 600;
    options.archiveEnd = QDateTime(QDate(2026, 11, 27), QTime(18, 30));
    HostDatabase::createDatabase(pristinePath(), options);
}

void ComponentTest::TearDownTestSuite() {}

void ComponentTest::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    m_folderPath = m_folder.path();
    const QString path = m_folderPath + QStringLiteral("/host.sqlite");
    ASSERT_TRUE(QFile::copy(pristinePath(), path));
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_connection = Connection::openSqlite(path);

    m_desktop = std::make_shared<ScriptedDesktop>();
    m_module = std::make_unique<MPublic>(m_desktop, m_folderPath);
    ComponentWindows::attachTo(*m_module);
    m_module->host.DBConnection = m_connection;
    m_module->host.NTConnection = std::make_shared<Host::HostNTConnection>(m_config, m_connection, m_record);
    m_module->host.Parent = std::make_shared<Host::HostParent>(m_config, m_record, [](qint64) {});
    m_module->host.CurrentProfileID = m_config.profile;
    m_module->host.IsAdmin = m_config.admin;
    m_connection->setTraceFile(tracePath());
}

void ComponentTest::TearDown()
{
    m_module.reset();
    m_connection->close();
}

QStringList ComponentTest::takeTrace()
{
    QFile file(tracePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(m_traceRead);
    const QString text = QString::fromUtf8(file.readAll());
    m_traceRead = file.pos();
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList ComponentTest::boxTexts() const
{
    QStringList texts;
    for (const ScriptedDesktop::ShownBox &box : m_desktop->boxes())
        texts << box.request.text;
    return texts;
}

QStringList ComponentTest::column(const QString &sql)
{
    QStringList values;
    auto rows = m_connection->openRecordset(sql);
    for (; !rows->eof(); rows->moveNext())
        values << CStr(rows->field(0));
    return values;
}

} // namespace Ostraven::Testing
