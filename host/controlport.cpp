#include "controlport.h"

#include "controlprotocol.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

#include <stdexcept>

namespace Ostraven::Host {

namespace {

// How long a refused client has to take its error reply before the connection is cut.
constexpr int closingGraceMs = 5000;

const QString authOp = QStringLiteral("auth");

void notOnThisConnection(const QJsonObject &)
{
    throw std::invalid_argument("\"auth\" is for connections to the control port (--listen)");
}

} // namespace

ControlPort::ControlPort(ControlProtocol &protocol, QObject *parent) : QObject(parent), m_protocol(protocol)
{
    // A line that reaches the protocol comes from a script or from a connection past its first line.
    m_protocol.addOp(authOp, [this](const QJsonObject &command) {
        if (!m_current)
            notOnThisConnection(command);
        throw std::invalid_argument("this connection is authenticated already");
    });
}

ControlPort::~ControlPort()
{
    m_protocol.addOp(authOp, notOnThisConnection);
    for (const std::shared_ptr<Client> &client : m_clients) {
        if (client->device)
            client->device->disconnect(this);
    }
    m_clients.clear();
    if (m_localServer)
        m_localServer->close();
    ControlAccess::removeIfSame(m_socketPath, m_socketIdentity);
    ControlAccess::removeIfSame(m_tokenFile, m_tokenFileIdentity);
}

QString ControlPort::listenTcp(quint16 port, const QString &tokenFile)
{
    m_tcpServer = new QTcpServer(this);
    if (!m_tcpServer->listen(QHostAddress::LocalHost, port))
        return QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(m_tcpServer->errorString());
    if (tokenFile.isEmpty())
        return QStringLiteral("no folder for the token file; give one with --token-file");
    m_token = ControlAccess::newToken();
    if (const QString failure = ControlAccess::writeTokenFile(tokenFile, m_token); !failure.isEmpty())
        return failure;
    m_tokenFile = tokenFile;
    m_tokenFileIdentity = ControlAccess::identityOf(tokenFile);
    connect(m_tcpServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_tcpServer->nextPendingConnection()) {
            accept(socket, false);
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

QString ControlPort::listenLocal(const QString &path)
{
    QString failure;
    const int descriptor = ControlAccess::listenOnLocalSocket(path, &m_socketIdentity, &failure);
    if (descriptor < 0)
        return failure;
    m_socketPath = path;
    m_localServer = new QLocalServer(this);
    if (!m_localServer->listen(descriptor))
        return QStringLiteral("cannot listen on %1: %2").arg(path, m_localServer->errorString());
    connect(m_localServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_localServer->nextPendingConnection()) {
            // Besides the file's mode: only the root user could pass it, and root is not this user.
            if (!ControlAccess::peerIsThisUser(socket->socketDescriptor())) {
                QTextStream(stderr) << "ostraven-host: refused a connection of another user on " << m_socketPath
                                    << Qt::endl;
                socket->abort();
                socket->deleteLater();
                continue;
            }
            accept(socket, true);
            const std::weak_ptr<Client> client = m_clients.back();
            connect(socket, &QLocalSocket::disconnected, this, [this, client] {
                if (const std::shared_ptr<Client> gone = client.lock())
                    clientGone(gone);
            });
        }
        runWaitingLines();
    });
    return {};
}

void ControlPort::accept(QIODevice *device, bool authenticated)
{
    // Qt stops reading from the connection once this much waits unread: a whole line at the cap and
    // its line break fit, and anything beyond without a line break is too long anyway.
    if (auto *socket = qobject_cast<QAbstractSocket *>(device))
        socket->setReadBufferSize(ControlProtocol::MaxLineBytes + 2);
    else if (auto *local = qobject_cast<QLocalSocket *>(device))
        local->setReadBufferSize(ControlProtocol::MaxLineBytes + 2);
    auto client = std::make_shared<Client>();
    client->device = device;
    client->authenticated = authenticated;
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
    if (client->state != Client::State::Open || !client->device)
        return false;
    QIODevice &device = *client->device;
    if (!device.canReadLine()) {
        if (device.bytesAvailable() <= ControlProtocol::MaxLineBytes + 1)
            return false; // the rest of the line is still to come
        ++client->lineNumber;
        refuse(client, ControlProtocol::lineTooLongMessage() + QStringLiteral("; the connection is closed"));
        return true;
    }
    QByteArray raw = device.readLine();
    ++client->lineNumber;
    raw.chop(raw.endsWith("\r\n") ? 2 : 1);
    if (raw.size() > ControlProtocol::MaxLineBytes) {
        refuse(client, ControlProtocol::lineTooLongMessage() + QStringLiteral("; the connection is closed"));
        return true;
    }
    const QString line = QString::fromUtf8(raw).trimmed();
    if (!client->authenticated) {
        authenticate(client, line);
        return true;
    }
    const std::weak_ptr<Client> target = client;
    m_protocol.setEcho([this, target](const QByteArray &answer) {
        if (const std::shared_ptr<Client> live = target.lock())
            reply(live, answer);
    });
    m_current = client;
    m_protocol.run(line, client->lineNumber);
    m_current.reset();
    m_protocol.setEcho({});
    return true;
}

// The first line of a TCP connection: {"op": "auth", "token": "..."}, and nothing else first.
void ControlPort::authenticate(const std::shared_ptr<Client> &client, const QString &line)
{
    const QJsonObject command = QJsonDocument::fromJson(line.toUtf8()).object();
    if (command.value(QStringLiteral("op")).toString() != authOp) {
        refuse(client, QStringLiteral("the first line must be {\"op\": \"auth\", \"token\": \"...\"}, "
                                      "with the token the host wrote to its token file"));
        return;
    }
    const QJsonValue token = command.value(QStringLiteral("token"));
    if (!token.isString() || !ControlAccess::sameToken(token.toString().toUtf8(), m_token)) {
        refuse(client, QStringLiteral("wrong token"));
        return;
    }
    client->authenticated = true;
    reply(client, QJsonDocument(QJsonObject{{QStringLiteral("op"), authOp}, {QStringLiteral("result"), true}})
                          .toJson(QJsonDocument::Compact)
                      + '\n');
}

void ControlPort::refuse(const std::shared_ptr<Client> &client, const QString &message)
{
    m_protocol.setEcho([this, client](const QByteArray &answer) { reply(client, answer); });
    m_protocol.fail(message, client->lineNumber);
    m_protocol.setEcho({});
    client->state = Client::State::Closing;
    QIODevice *device = client->device;
    const std::weak_ptr<Client> closing = client;
    QTimer::singleShot(closingGraceMs, this, [this, closing] {
        if (const std::shared_ptr<Client> late = closing.lock())
            clientGone(late);
    });
    // Both wait for what is written to go out before they close.
    if (auto *socket = qobject_cast<QAbstractSocket *>(device))
        socket->disconnectFromHost();
    else if (auto *local = qobject_cast<QLocalSocket *>(device))
        local->disconnectFromServer();
}

void ControlPort::reply(const std::shared_ptr<Client> &client, const QByteArray &line)
{
    if (client->state != Client::State::Open || !client->device)
        return;
    client->device->write(line);
}

void ControlPort::clientGone(const std::shared_ptr<Client> &client)
{
    client->state = Client::State::Gone;
    if (!m_running)
        removeGoneClients();
}

// Only here, with no line running, is a connection freed: a line of its own may be running below
// in the stack (a "wait" whose event loop saw the client leave).
void ControlPort::removeGoneClients()
{
    std::erase_if(m_clients, [this](const std::shared_ptr<Client> &client) {
        if (client->state != Client::State::Gone)
            return false;
        if (client->device) {
            client->device->disconnect(this);
            client->device->deleteLater();
        }
        return true;
    });
}

} // namespace Ostraven::Host
