#pragma once

#include "errorroutes.h"

#include "platform/dispatch.h"

#include <QDir>
#include <QString>

#include <functional>
#include <memory>

namespace Ostraven {

class DesktopServices;

// The component's one way of reporting a failure it caught: a six-line message written to the log
// file beside the component, copied to the clipboard and shown in a critical box; or, for routines
// whose label has a colon, handed to the host's LogError.
//
// The component is usually installed where a normal user cannot write. The log then goes to the
// user's state folder instead; when neither takes it, the next box says so once, rather than the
// entries being lost without a word.
class ErrorHandling : public ErrorRoutes
{
public:
    // logFolder: the folder of the component's own file; title: the component's application title,
    // which names the log file and captions the box.
    ErrorHandling(DesktopServices &desktop, QString logFolder, QString title);

    // Where the log goes when logFolder takes no writing: $XDG_STATE_HOME/ostraven, by default
    // ~/.local/state/ostraven. Inline, so that a host can name it in its help without linking the
    // component.
    [[nodiscard]] static QString defaultFallbackLogFolder()
    {
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        const QString base = state.startsWith(QLatin1Char('/')) ? state
                                                                 : QDir::homePath() + QStringLiteral("/.local/state");
        return base + QStringLiteral("/ostraven");
    }
    void setFallbackLogFolder(QString folder) { m_fallbackFolder = std::move(folder); }

    // The host object whose LogError receives the colon-labelled failures (NTConnection).
    void setHostLogger(std::function<DispatchPtr()> hostLogger) { m_hostLogger = std::move(hostLogger); }

    void reportError(const QString &label, const VbError &error) override;
    void logToHost(const QString &label, const VbError &error, const Variant &detail) override;

    void ReportError(const QString &label, const VbError &error, bool silent);
    // An empty fileName stands for the application title, and the caller's variable is set to it.
    void WriteLog(const QString &text, QString &fileName);

    [[nodiscard]] static QString message(const QString &label, const VbError &error, const QString &title);
    [[nodiscard]] static QString fileVersion();
    // The log file in the folder that takes it: beside the component when that folder is writable,
    // otherwise the fallback folder.
    [[nodiscard]] QString logFilePath(const QString &fileName = {}) const;
    [[nodiscard]] const QString &title() const { return m_title; }

private:
    // Appends one entry to the first folder that takes it; false when none does.
    bool appendToLog(const QString &fileName, const QByteArray &entry);

    DesktopServices &m_desktop;
    QString m_logFolder;
    QString m_fallbackFolder = defaultFallbackLogFolder();
    QString m_title;
    std::function<DispatchPtr()> m_hostLogger;
    bool m_logLost = false; // an entry could be written nowhere
    bool m_logLossShown = false;
};

// The error object handed to the host's LogError: Number, Description, Source and Line by name.
[[nodiscard]] DispatchPtr makeErrorObject(const VbError &error);

} // namespace Ostraven
