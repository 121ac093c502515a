#include "fuzzsupport.h"

#include "component/componentwindows.h"
#include "host/db/hostdatabase.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace Ostraven::Fuzzing {

void initApplication(int *argc, char ***argv)
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own chatter (missing fonts, offscreen notes) would bury libFuzzer's progress lines.
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.qpa.*=false");
    // QApplication keeps the reference to argc for its whole life.
    static int applicationArgc = 1;
    static char applicationName[] = "ostraven-fuzz";
    static char *applicationArgv[] = {applicationName, nullptr};
    (void)argc;
    (void)argv;
    new QApplication(applicationArgc, applicationArgv);
}

QString textOf(const std::uint8_t *data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

bool splitInput(const std::uint8_t *data, std::size_t size, TextAndSwitches &out)
{
    if (size == 0)
        return false;
    out.switches = data[size - 1];
    out.text = textOf(data, size - 1);
    return true;
}

FuzzSite &FuzzSite::instance()
{
    // Never destroyed: the application object outlives every input, and tearing the site down at
    // exit would race Qt's own global destructors.
    static FuzzSite *site = new FuzzSite;
    return *site;
}

FuzzSite::FuzzSite()
{
    if (!m_folder.isValid())
        invariantBroken("no temporary folder");
    m_folderPath = m_folder.path();
    DemoSite::Options options;
    options.archiveEvents = 12;
    options.archiveEnd = QDateTime(QDate(2026, 11, 27), QTime(18, 30));
    HostDatabase::createDatabase(databasePath(), options);
    m_connection = Connection::openSqlite(databasePath());
    m_desktop = std::make_shared<ScriptedDesktop>();
    // Unloading a window saves the profile only for a connected operator; the targets leave the
    // stored profile alone so every input meets the same database.
    m_config.connected = false;
}

std::unique_ptr<MPublic> FuzzSite::makeModule()
{
    auto module = std::make_unique<MPublic>(m_desktop, m_folderPath);
    ComponentWindows::attachTo(*module);
    module->host.DBConnection = m_connection;
    module->host.NTConnection = std::make_shared<Host::HostNTConnection>(m_config, m_connection, m_record);
    module->host.Parent = std::make_shared<Host::HostParent>(m_config, m_record, [](qint64) {});
    module->host.CurrentProfileID = m_config.profile;
    module->host.IsAdmin = m_config.admin;
    return module;
}

void FuzzSite::reset()
{
    m_desktop->clearRecords();
    m_desktop->clearAnswers();
    m_desktop->clearClipboard();
    m_record = Host::HostRecord();
    const QDir folder(m_folderPath);
    for (const QString &log : folder.entryList({QStringLiteral("*.log")}, QDir::Files))
        QFile::remove(folder.filePath(log));
}

void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void invariantBroken(const char *what, const QString &detail)
{
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace Ostraven::Fuzzing
