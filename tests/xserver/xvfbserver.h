#pragma once

#include <QString>

#include <sys/types.h>

namespace Ostraven::Testing {

// A private X server (Xvfb) for the life of the object. It picks a free display number itself
// (-displayfd), so runs side by side never meet, and is stopped when the object goes.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // Starts the server and waits until it takes connections. False when it could not start; why is
    // in failure(). The server's own messages go to logFile, so a run stays quiet.
    [[nodiscard]] bool start(const QString &logFile, int timeoutMs = 15000);
    void stop();

    [[nodiscard]] bool running() const { return m_pid > 0; }
    // ":N", for DISPLAY.
    [[nodiscard]] QString display() const { return m_display; }
    [[nodiscard]] const QString &failure() const { return m_failure; }

private:
    [[nodiscard]] bool fail(const QString &why);

    pid_t m_pid = -1;
    QString m_display;
    QString m_failure;
    QString m_logFile;
};

} // namespace Ostraven::Testing
