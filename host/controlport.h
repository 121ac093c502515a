#pragma once

#include "controlaccess.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QIODevice;
class QLocalServer;
class QTcpServer;

namespace Ostraven::Host {

class ControlProtocol;

// The control port: clients whose lines run through the control protocol. Lines run one at a time
// across all clients, in the order each client sent them: an op such as "wait" runs the event loop,
// and a line that arrived meanwhile must neither run inside it nor find its own connection freed
// under it. A client that goes away has its remaining lines dropped and gets no replies.
//
// Only the host's user gets in: a Unix-domain socket is made reachable by its owner alone, and each
// connection to the loopback TCP port must first authenticate with a token from a file only the
// user can read; until then no op runs at all.
class ControlPort : public QObject
{
    Q_OBJECT

public:
    explicit ControlPort(ControlProtocol &protocol, QObject *parent = nullptr);
    ~ControlPort() override;

    // Loopback TCP on port, its token written to tokenFile (mode 0600). An empty result on success,
    // otherwise what went wrong.
    [[nodiscard]] QString listenTcp(quint16 port, const QString &tokenFile);
    // A Unix-domain socket at path, mode 0600. An empty result on success, otherwise what went wrong.
    [[nodiscard]] QString listenLocal(const QString &path);

private:
    struct Client {
        enum class State {
            Open,    // lines run, replies go out
            Closing, // refused: its last reply is on the way out, no more lines run
            Gone,    // disconnected: removed once no line of it runs
        };
        QPointer<QIODevice> device;
        State state = State::Open;
        bool authenticated = false;
        int lineNumber = 0;
    };

    void accept(QIODevice *device, bool authenticated);
    // Runs the waiting lines, one per client in turn, until none is left; does nothing while a line
    // runs already (the loop that runs it picks up what arrived).
    void runWaitingLines();
    // Runs the client's next line, if a whole one has arrived. False when there was none.
    bool runNextLine(const std::shared_ptr<Client> &client);
    void authenticate(const std::shared_ptr<Client> &client, const QString &line);
    // Answers the client's line with an error and ends the connection.
    void refuse(const std::shared_ptr<Client> &client, const QString &message);
    void reply(const std::shared_ptr<Client> &client, const QByteArray &line);
    void clientGone(const std::shared_ptr<Client> &client);
    void removeGoneClients();

    ControlProtocol &m_protocol;
    QTcpServer *m_tcpServer = nullptr;
    QLocalServer *m_localServer = nullptr;
    QByteArray m_token;
    QString m_tokenFile;
    ControlAccess::FileIdentity m_tokenFileIdentity;
    QString m_socketPath;
    ControlAccess::FileIdentity m_socketIdentity;
    std::vector<std::shared_ptr<Client>> m_clients;
    std::shared_ptr<Client> m_current;
    bool m_running = false;
};

} // namespace Ostraven::Host
