#pragma once

#include <QIODevice>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace Ostraven::Host {

class HostSession;

// The host's control protocol: one JSON object per line, each one host action. Results and dumps
// are written as one JSON line each to the output; a line that is not valid JSON, names no known
// op or fails is answered with {"error": ..., "line": N} on the error stream, and the host carries on.
class ControlProtocol
{
public:
    ControlProtocol(HostSession &session, QTextStream &out, QTextStream &err);

    // The longest line the host takes, line break not counted. A longer line is answered with one
    // error and skipped (a connection that sends one is closed), so that no client can make the host
    // hold an arbitrarily large line in memory.
    static constexpr qsizetype MaxLineBytes = 1024 * 1024;
    [[nodiscard]] static QString lineTooLongMessage();

    // Runs one line; lineNumber is the line's number in its source, for error reports.
    void run(const QString &line, int lineNumber);
    // Runs a whole file or stream, line by line, until it ends. Lines run as soon as they are whole,
    // so a driver may wait for a line's result before it writes the next.
    void runAll(QIODevice &in);

    // Extra ops the host adds (for example live events once they exist).
    using Handler = std::function<void(const QJsonObject &command)>;
    void addOp(const QString &name, Handler handler);
    // The names of the ops this protocol answers, sorted: what --list-ops prints and the protocol
    // document is checked against.
    [[nodiscard]] QStringList opNames() const;

    // Where results go besides the output stream (a listening socket's client).
    void setEcho(std::function<void(const QByteArray &line)> echo) { m_echo = std::move(echo); }

    // Reports a line's error as {"error": ..., "line": N} on the error stream and to the echo.
    void fail(const QString &message, int lineNumber);

private:
    void registerOps();
    void write(const QJsonObject &object);

    HostSession &m_session;
    QTextStream &m_out;
    QTextStream &m_err;
    QHash<QString, Handler> m_ops;
    std::function<void(const QByteArray &)> m_echo;
};

} // namespace Ostraven::Host
