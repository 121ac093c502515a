#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QIODevice;
class QTcpServer;

namespace Ostraven::Host {

class ControlProtocol;

// The control port: clients whose lines run through the control protocol. Lines run one at a time
// across all clients, in the order each client sent them: an op such as "wait" runs the event loop,
// and a line that arrived meanwhile must neither run inside it nor find its own connection freed
// under it. A client that goes away has its remaining lines dropped and gets no replies.
class ControlPort : public QObject
{
    Q_OBJECT

public:
    explicit ControlPort(ControlProtocol &protocol, QObject *parent = nullptr);
    ~ControlPort() override;

    // Loopback TCP on port. An empty result on success, otherwise what went wrong.
    [[nodiscard]] QString listenTcp(quint16 port);

private:
    struct Client {
        QPointer<QIODevice> device;
        int lineNumber = 0;
        // Gone: disconnected, its lines are dropped; the client is removed once no line of it runs.
        bool gone = false;
    };

    void accept(QIODevice *device);
    // Runs the waiting lines, one per client in turn, until none is left; does nothing while a line
    // runs already (the loop that runs it picks up what arrived).
    void runWaitingLines();
    // Runs the client's next line, if a whole one has arrived. False when there was none.
    bool runNextLine(const std::shared_ptr<Client> &client);
    void reply(const std::shared_ptr<Client> &client, const QByteArray &line);
    void clientGone(const std::shared_ptr<Client> &client);
    void removeGoneClients();

    ControlProtocol &m_protocol;
    QTcpServer *m_tcpServer = nullptr;
    std::vector<std::shared_ptr<Client>> m_clients;
    bool m_running = false;
};

} // namespace Ostraven::Host
