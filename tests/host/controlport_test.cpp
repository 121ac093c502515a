#include "host/db/hostdatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Ostraven::Testing {

namespace {

const QString queueIdLine = QStringLiteral(R"({"op": "queue-id"})");

// The reference host listening on its control port, driven over real connections.
class ControlPortTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<QTemporaryDir>();
        DemoSite::Options options;
        options.archiveEvents = 50;
        HostDatabase::createDatabase(s_folder->path() + QStringLiteral("/host.sqlite"), options);
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void TearDown() override { stopHost(); }

    static QString path(const QString &name) { return s_folder->path() + u'/' + name; }

    static quint16 freePort()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        return probe.serverPort();
    }

    void startHost(const QStringList &extraArguments)
    {
        m_host.setProgram(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"));
        m_host.setArguments(QStringList{QStringLiteral("--db"), path(QStringLiteral("host.sqlite")),
                                        QStringLiteral("--headless"), QStringLiteral("--registry"),
                                        path(QStringLiteral("registry.ini"))}
                            + extraArguments);
        m_host.start();
        ASSERT_TRUE(m_host.waitForStarted(10000));
    }

    // A TCP port with its token file in the test's folder.
    void startTcpHost()
    {
        m_port = freePort();
        startHost({QStringLiteral("--listen"), QString::number(m_port), QStringLiteral("--token-file"),
                   path(QStringLiteral("port.token"))});
    }

    // Ends the host as an integrator would, with SIGTERM; the host removes its files on the way out.
    void stopHost()
    {
        if (m_host.state() == QProcess::NotRunning)
            return;
        m_host.terminate();
        if (!m_host.waitForFinished(10000))
            m_host.kill();
        m_host.waitForFinished(10000);
    }

    // Connects once the host listens (it opens the database and loads the component first).
    template<typename Socket, typename Connect>
    static bool connectWhenReady(Socket &socket, Connect connectOnce)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000) {
            connectOnce();
            if (socket.waitForConnected(1000))
                return true;
            socket.abort();
            QThread::msleep(100);
        }
        return false;
    }
    bool connectTcp(QTcpSocket &socket)
    {
        return connectWhenReady(socket, [&] { socket.connectToHost(QHostAddress::LocalHost, m_port); });
    }

    // The token appears once the host listens.
    static QByteArray token()
    {
        QFile file(path(QStringLiteral("port.token")));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }
    static QString authLine(const QByteArray &token)
    {
        return QStringLiteral(R"({"op": "auth", "token": "%1"})").arg(QString::fromLatin1(token));
    }

    static void send(QIODevice &socket, const QStringList &lines)
    {
        socket.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        socket.waitForBytesWritten(5000);
    }

    // Reads reply lines until count have come, the connection ends or the time is up.
    template<typename Socket>
    static QList<QJsonObject> replies(Socket &socket, int count, int milliseconds = 20000)
    {
        QList<QJsonObject> result;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            while (socket.canReadLine())
                result << QJsonDocument::fromJson(socket.readLine()).object();
            if (result.size() >= count || !isConnected(socket) || clock.elapsed() > milliseconds)
                return result;
            socket.waitForReadyRead(200);
        }
    }
    static bool isConnected(const QTcpSocket &socket) { return socket.state() == QAbstractSocket::ConnectedState; }
    static bool isConnected(const QLocalSocket &socket) { return socket.state() == QLocalSocket::ConnectedState; }

    static std::unique_ptr<QTemporaryDir> s_folder;
    QProcess m_host;
    quint16 m_port = 0;
};

std::unique_ptr<QTemporaryDir> ControlPortTest::s_folder;

} // namespace

// A local user without the token, whatever the first line: one error, the connection closed, and none
// of the lines run (the queue ID it tried to set is unchanged for the owner who connects next).
TEST_F(ControlPortTest, AClientWithoutTheTokenRunsNoOp)
{
    startTcpHost();
    QTcpSocket owner;
    ASSERT_TRUE(connectTcp(owner));
    const QByteArray realToken = token();
    ASSERT_EQ(realToken.size(), 64);

    struct Case {
        const char *name;
        QString firstLine;
    };
    const Case cases[] = {
        {"an op before auth", QStringLiteral(R"({"op": "dump"})")},
        {"no token", QStringLiteral(R"({"op": "auth"})")},
        {"a number as token", QStringLiteral(R"({"op": "auth", "token": 1})")},
        {"a wrong token", authLine(QByteArray(64, '0'))},
        {"the token less its last digit", authLine(realToken.chopped(1))},
        {"the token and more", authLine(realToken + "0")},
        {"not JSON", QStringLiteral("auth ") + QString::fromLatin1(realToken)},
        {"an empty first line", QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTcpSocket stranger;
        ASSERT_TRUE(connectTcp(stranger));
        send(stranger, {c.firstLine, QStringLiteral(R"({"op": "queue-id", "value": 7})"),
                        QStringLiteral(R"({"op": "sql", "text": "DELETE FROM Sites"})"), queueIdLine});
        const QList<QJsonObject> answers = replies(stranger, 4, 10000);
        ASSERT_EQ(answers.size(), 1);
        EXPECT_EQ(answers[0].value(QStringLiteral("line")).toInt(), 1);
        EXPECT_FALSE(answers[0].value(QStringLiteral("error")).toString().isEmpty());
        EXPECT_TRUE(stranger.state() == QAbstractSocket::UnconnectedState
                    || stranger.waitForDisconnected(10000));
    }

    send(owner, {authLine(realToken), queueIdLine,
                 QStringLiteral(R"({"op": "sql", "text": "SELECT COUNT(*) AS n FROM Sites"})")});
    const QList<QJsonObject> answers = replies(owner, 3);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[0],
              (QJsonObject{{QStringLiteral("op"), QStringLiteral("auth")}, {QStringLiteral("result"), true}}));
    EXPECT_EQ(answers[1].value(QStringLiteral("result")).toInt(-1), 0);
    const QJsonObject sites = answers[2].value(QStringLiteral("rows")).toArray().at(0).toObject();
    EXPECT_GT(sites.value(QStringLiteral("n")).toInt(), 0);
}

TEST_F(ControlPortTest, TheTokenFileAndTheSocketAreTheOwnersAloneAndGoWithTheHost)
{
    const QString socketPath = path(QStringLiteral("control.sock"));
    m_port = freePort();
    startHost({QStringLiteral("--listen"), QString::number(m_port), QStringLiteral("--token-file"),
               path(QStringLiteral("port.token")), QStringLiteral("--listen-socket"), socketPath});
    QLocalSocket local;
    ASSERT_TRUE(connectWhenReady(local, [&] { local.connectToServer(socketPath); }));

    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    for (const QString &file : {path(QStringLiteral("port.token")), socketPath}) {
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(QFileInfo(file).permissions() & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
    }

    // The socket's permissions are its authentication: no token is asked for.
    send(local, {QStringLiteral(R"({"op": "queue-id", "value": 9})"), queueIdLine});
    const QList<QJsonObject> answers = replies(local, 1);
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0].value(QStringLiteral("result")).toInt(), 9);

    stopHost();
    EXPECT_FALSE(QFileInfo::exists(socketPath));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("port.token"))));
}

namespace {

// What a host killed outright leaves behind: a socket file nobody listens on.
void leaveStaleSocket(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ::close(descriptor);
}

} // namespace

TEST_F(ControlPortTest, AStaleSocketIsReplaced)
{
    const QString socketPath = path(QStringLiteral("stale.sock"));
    leaveStaleSocket(socketPath);
    startHost({QStringLiteral("--listen-socket"), socketPath});
    QLocalSocket local;
    ASSERT_TRUE(connectWhenReady(local, [&] { local.connectToServer(socketPath); }));
    send(local, {queueIdLine});
    EXPECT_EQ(replies(local, 1).size(), 1);
}

TEST_F(ControlPortTest, TheSocketPathMustNotHoldAnythingElse)
{
    const QString occupied = path(QStringLiteral("occupied"));
    {
        QFile file(occupied);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("an operator's notes\n");
    }
    startHost({QStringLiteral("--listen-socket"), occupied});
    ASSERT_TRUE(m_host.waitForFinished(60000));
    EXPECT_EQ(m_host.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(m_host.readAllStandardError()).contains(QStringLiteral("is not a socket")));
    QFile file(occupied);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("an operator's notes\n"));
}

TEST_F(ControlPortTest, ALineOverTheCapEndsTheConnectionAfterOneError)
{
    startTcpHost();
    QTcpSocket client;
    ASSERT_TRUE(connectTcp(client));
    send(client, {authLine(token()), QString(1024 * 1024 + 1, QLatin1Char(' ')), queueIdLine});
    const QList<QJsonObject> answers = replies(client, 3);
    ASSERT_EQ(answers.size(), 2);
    EXPECT_EQ(answers[1].value(QStringLiteral("line")).toInt(), 2);
    EXPECT_TRUE(answers[1].value(QStringLiteral("error")).toString().startsWith(
        QStringLiteral("the line is longer than 1048576 bytes (1 MiB)")));
    EXPECT_TRUE(client.state() == QAbstractSocket::UnconnectedState || client.waitForDisconnected(10000));

    QTcpSocket next;
    ASSERT_TRUE(connectTcp(next));
    send(next, {authLine(token()), queueIdLine});
    EXPECT_EQ(replies(next, 2).size(), 2);
}

TEST_F(ControlPortTest, AClientLeavingDuringAWaitLosesItsLinesAndTheHostCarriesOn)
{
    startTcpHost();
    {
        QTcpSocket leaving;
        ASSERT_TRUE(connectTcp(leaving));
        send(leaving, {authLine(token()), QStringLiteral(R"({"op": "wait", "ms": 500})"),
                       QStringLiteral(R"({"op": "dump"})"), QStringLiteral(R"({"op": "queue-id", "value": 5})")});
        leaving.disconnectFromHost();
    }
    QThread::msleep(800);

    QTcpSocket next;
    ASSERT_TRUE(connectTcp(next));
    send(next, {authLine(token()), queueIdLine, QStringLiteral(R"({"op": "fly"})")});
    const QList<QJsonObject> answers = replies(next, 3);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[1].value(QStringLiteral("result")).toInt(-1), 0) << "the leaving client's lines were dropped";
    EXPECT_EQ(answers[2].value(QStringLiteral("line")).toInt(), 3);
    EXPECT_EQ(m_host.state(), QProcess::Running);
}

} // namespace Ostraven::Testing
