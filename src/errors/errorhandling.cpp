#include "errorhandling.h"

#include "platform/date.h"
#include "platform/desktop/desktopservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Ostraven {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr int criticalOkOnly = msgBoxStyle(MsgBoxIcon::Critical);

} // namespace

ErrorHandling::ErrorHandling(DesktopServices &desktop, QString logFolder, QString title)
    : m_desktop(desktop), m_logFolder(std::move(logFolder)), m_title(std::move(title))
{
}

void ErrorHandling::reportError(const QString &label, const VbError &error)
{
    ReportError(label, error, false);
}

QString ErrorHandling::fileVersion()
{
    return QStringLiteral("%1.%2.%3").arg(OSTRAVEN_VERSION_MAJOR).arg(OSTRAVEN_VERSION_MINOR).arg(OSTRAVEN_VERSION_PATCH);
}

QString ErrorHandling::message(const QString &label, const VbError &error, const QString &title)
{
    return QStringLiteral("An error has occurred.  ") + crlf
           + crlf
           + QStringLiteral("Description: ") + error.description() + crlf
           + QStringLiteral("Function: ") + error.source() + QLatin1Char('.') + label + QLatin1Char('(')
           + QString::number(error.line()) + QLatin1Char(')') + crlf
           + QStringLiteral("Error Number: ") + QString::number(error.number()) + crlf
           + QStringLiteral("File Version: ") + title + QStringLiteral(" - ") + fileVersion();
}

// Every step stands alone: a clipboard, file or box that fails must not keep the others from
// happening, and nothing may reach the routine that reported.
void ErrorHandling::ReportError(const QString &label, const VbError &error, bool silent)
{
    const QString text = message(label, error, m_title);
    ignoringErrors([&] {
        m_desktop.clearClipboard();
        m_desktop.setClipboardText(text);
    });
    ignoringErrors([&] {
        QString fileName;
        WriteLog(QString(40, QLatin1Char('-')), fileName);
    });
    ignoringErrors([&] {
        QString fileName;
        WriteLog(Date::now().toString() + crlf + text, fileName);
    });
    if (silent)
        return;
    ignoringErrors([&] {
        QString shown = text;
        if (m_logLost && !m_logLossShown) {
            // Once: the operator learns that the log is missing, without every later box repeating it.
            shown += crlf + crlf
                     + QStringLiteral("The error log could not be written, neither in %1 nor in %2.")
                           .arg(QDir::toNativeSeparators(m_logFolder), QDir::toNativeSeparators(m_fallbackFolder));
            m_logLossShown = true;
        }
        (void)m_desktop.msgBox(shown, criticalOkOnly, m_title);
    });
}

void ErrorHandling::WriteLog(const QString &text, QString &fileName)
{
    ignoringErrors([&] {
        if (fileName.isEmpty())
            fileName = m_title;
        if (!appendToLog(fileName, (Date::now().toString() + QStringLiteral("  ") + text + crlf).toUtf8()))
            m_logLost = true;
    });
}

bool ErrorHandling::appendToLog(const QString &fileName, const QByteArray &entry)
{
    for (const QString &folder : {m_logFolder, m_fallbackFolder}) {
        if (folder.isEmpty())
            continue;
        if (folder == m_fallbackFolder && !QDir().mkpath(folder))
            continue;
        QFile file(folder + QLatin1Char('/') + fileName + QStringLiteral(".log"));
        if (file.open(QIODevice::Append | QIODevice::Text) && file.write(entry) == entry.size())
            return true;
    }
    return false;
}

QString ErrorHandling::logFilePath(const QString &fileName) const
{
    const QString name = (fileName.isEmpty() ? m_title : fileName) + QStringLiteral(".log");
    const QFileInfo besideComponent(m_logFolder + QLatin1Char('/') + name);
    const QFileInfo folder(m_logFolder);
    const bool writable = besideComponent.exists() ? besideComponent.isWritable()
                                                   : folder.isDir() && folder.isWritable();
    if (writable || m_fallbackFolder.isEmpty())
        return besideComponent.filePath();
    return m_fallbackFolder + QLatin1Char('/') + name;
}

void ErrorHandling::logToHost(const QString &label, const VbError &error, const Variant &detail)
{
    if (!m_hostLogger)
        return;
    const DispatchPtr host = m_hostLogger();
    if (!host)
        return;
    Args args{Variant(qint16(0)), Variant(makeErrorObject(error)), Variant(label), detail, Variant(qint16(0))};
    host->call(QStringLiteral("LogError"), args);
}

DispatchPtr makeErrorObject(const VbError &error)
{
    auto object = std::make_shared<MemberTable>();
    object->onGet(QStringLiteral("Number"), [error](Args &) { return Variant(qint32(error.number())); });
    object->onGet(QStringLiteral("Description"), [error](Args &) { return Variant(error.description()); });
    object->onGet(QStringLiteral("Source"), [error](Args &) { return Variant(error.source()); });
    object->onGet(QStringLiteral("Line"), [error](Args &) { return Variant(qint32(error.line())); });
    return object;
}

} // namespace Ostraven
