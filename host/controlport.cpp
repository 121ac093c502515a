#include "controlport.h"

#include "controlprotocol.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace Ostraven::Host {

ControlPort::ControlPort(ControlProtocol &protocol, QObject *parent) : QObject(parent), m_protocol(protocol) {}

ControlPort::~ControlPort()
{
    for (const std::shared_ptr<Client> &client : m_clients) {
        if (client->device)
            client->device->disconnect(this);
    }
    m_clients.clear();
}

QString ControlPort::listenTcp(quint16 port)
{
    m_tcpServer = new QTcpServer(this);
    if (!m_tcpServer->listen(QHostAddress::LocalHost, port))
        return QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(m_tcpServer->errorString());
    connect(m_tcpServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_tcpServer->nextPendingConnection()) {
            accept(socket);
            const std::weak_ptr<Client> client = m_clients.back();
            connect(socket, &QAbstractSocket::disconnected, this, [this, client] {
                if (const std::shared_ptr<Client> gone = client.lock())
                    clientGone(gone);
            });
        }
        runWaitingLines();
    });
    return {};
}

void ControlPort::accept(QIODevice *device)
{
    auto client = std::make_shared<Client>();
    client->device = device;
    m_clients.push_back(client);
    connect(device, &QIODevice::readyRead, this, &ControlPort::runWaitingLines);
}

void ControlPort::runWaitingLines()
{
    if (m_running)
        return;
    m_running = true;
    for (bool ran = true; ran;) {
        ran = false;
        // A copy: a line that runs the event loop may bring new clients.
        const std::vector<std::shared_ptr<Client>> clients = m_clients;
        for (const std::shared_ptr<Client> &client : clients)
            ran = runNextLine(client) || ran;
    }
    m_running = false;
    removeGoneClients();
}

bool ControlPort::runNextLine(const std::shared_ptr<Client> &client)
{
    if (client->gone || !client->device || !client->device->canReadLine())
        return false;
    const QString line = QString::fromUtf8(client->device->readLine()).trimmed();
    ++client->lineNumber;
    const std::weak_ptr<Client> target = client;
    m_protocol.setEcho([this, target](const QByteArray &answer) {
        if (const std::shared_ptr<Client> live = target.lock())
            reply(live, answer);
    });
    m_protocol.run(line, client->lineNumber);
    m_protocol.setEcho({});
    return true;
}

void ControlPort::reply(const std::shared_ptr<Client> &client, const QByteArray &line)
{
    if (client->gone || !client->device)
        return;
    client->device->write(line);
}

void ControlPort::clientGone(const std::shared_ptr<Client> &client)
{
    client->gone = true;
    if (!m_running)
        removeGoneClients();
}

// Only here, with no line running, is a connection freed: a line of its own may be running below
// in the stack (a "wait" whose event loop saw the client leave).
void ControlPort::removeGoneClients()
{
    std::erase_if(m_clients, [this](const std::shared_ptr<Client> &client) {
        if (!client->gone)
            return false;
        if (client->device) {
            client->device->disconnect(this);
            client->device->deleteLater();
        }
        return true;
    });
}

} // namespace Ostraven::Host
