#pragma once

#include "errorroutes.h"

#include "platform/dispatch.h"

#include <QString>

#include <functional>
#include <memory>

namespace Ostraven {

class DesktopServices;

// The component's one way of reporting a failure it caught: a six-line message written to the log
// file beside the component, copied to the clipboard and shown in a critical box; or, for routines
// whose label has a colon, handed to the host's LogError.
class ErrorHandling : public ErrorRoutes
{
public:
    // logFolder: the folder of the component's own file; title: the component's application title,
    // which names the log file and captions the box.
    ErrorHandling(DesktopServices &desktop, QString logFolder, QString title);

    // The host object whose LogError receives the colon-labelled failures (NTConnection).
    void setHostLogger(std::function<DispatchPtr()> hostLogger) { m_hostLogger = std::move(hostLogger); }

    void reportError(const QString &label, const VbError &error) override;
    void logToHost(const QString &label, const VbError &error, const Variant &detail) override;

    void ReportError(const QString &label, const VbError &error, bool silent);
    // An empty fileName stands for the application title, and the caller's variable is set to it.
    void WriteLog(const QString &text, QString &fileName);

    [[nodiscard]] static QString message(const QString &label, const VbError &error, const QString &title);
    [[nodiscard]] static QString fileVersion();
    [[nodiscard]] QString logFilePath(const QString &fileName = {}) const;
    [[nodiscard]] const QString &title() const { return m_title; }

private:
    DesktopServices &m_desktop;
    QString m_logFolder;
    QString m_title;
    std::function<DispatchPtr()> m_hostLogger;
};

// The error object handed to the host's LogError: Number, Description, Source and Line by name.
[[nodiscard]] DispatchPtr makeErrorObject(const VbError &error);

} // namespace Ostraven
