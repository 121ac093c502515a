#include "xvfbserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Ostraven::Testing {

namespace {

// The descriptor the child writes its display number to; any number above the standard three works.
constexpr int displayDescriptor = 3;

} // namespace

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(const QString &logFile, int timeoutMs)
{
    m_logFile = logFile;
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return fail(QStringLiteral("no pipe for the display number: %1").arg(qt_error_string(errno)));
    const QByteArray logPath = QFile::encodeName(logFile);

    m_pid = ::fork();
    if (m_pid < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return fail(QStringLiteral("cannot fork: %1").arg(qt_error_string(errno)));
    }
    if (m_pid == 0) {
        // Only async-signal-safe calls until exec: the parent may have threads.
        ::dup2(channel[1], displayDescriptor); // dup2 leaves the copy open across exec
        const int log = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1600x1200x24", "-nolisten", "tcp", "-noreset",
                 static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(channel[1]);

    // The server writes its display number once it listens; end of file first means it gave up.
    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    while (!done && clock.elapsed() < timeoutMs) {
        pollfd readable{channel[0], POLLIN, 0};
        if (::poll(&readable, 1, std::max(1, int(timeoutMs - clock.elapsed()))) <= 0)
            continue;
        char buffer[32];
        const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, got);
        done = number.contains('\n');
    }
    ::close(channel[0]);
    if (!done) {
        const QString why = clock.elapsed() >= timeoutMs ? QStringLiteral("Xvfb gave no display within %1 ms").arg(timeoutMs)
                                                         : QStringLiteral("Xvfb exited before it took connections");
        return fail(why);
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

void XvfbServer::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

bool XvfbServer::fail(const QString &why)
{
    stop();
    m_failure = why;
    QFile log(m_logFile);
    if (log.open(QIODevice::ReadOnly)) {
        const QByteArray said = log.readAll().trimmed();
        if (!said.isEmpty())
            m_failure += QStringLiteral(" (it said: %1)").arg(QString::fromLocal8Bit(said.right(400)));
    }
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        m_failure += QStringLiteral("; is Xvfb installed? (scripts/install-deps)");
    return false;
}

} // namespace Ostraven::Testing
