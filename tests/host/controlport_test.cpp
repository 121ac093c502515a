#include "host/db/hostdatabase.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace Ostraven::Testing {

namespace {

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

    void TearDown() override
    {
        if (m_host.state() == QProcess::NotRunning)
            return;
        m_host.terminate();
        if (!m_host.waitForFinished(10000))
            m_host.kill();
        m_host.waitForFinished(10000);
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        return probe.serverPort();
    }

    void startHost(const QStringList &extraArguments)
    {
        const QString folder = s_folder->path();
        m_host.setProgram(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"));
        m_host.setArguments(QStringList{QStringLiteral("--db"), folder + QStringLiteral("/host.sqlite"),
                                        QStringLiteral("--headless"), QStringLiteral("--registry"),
                                        folder + QStringLiteral("/registry.ini")}
                            + extraArguments);
        m_host.start();
        ASSERT_TRUE(m_host.waitForStarted(10000));
    }

    // Connects once the host listens (it opens the database and loads the component first).
    static bool connectTo(QTcpSocket &socket, quint16 port)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000) {
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(1000))
                return true;
            socket.abort();
            QThread::msleep(100);
        }
        return false;
    }

    static void send(QTcpSocket &socket, const QStringList &lines)
    {
        socket.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        socket.waitForBytesWritten(5000);
    }

    // Reads reply lines until count have come, the connection ends or the time is up.
    static QList<QJsonObject> replies(QTcpSocket &socket, int count, int milliseconds = 20000)
    {
        QList<QJsonObject> result;
        QElapsedTimer clock;
        clock.start();
        while (result.size() < count && clock.elapsed() < milliseconds) {
            while (socket.canReadLine())
                result << QJsonDocument::fromJson(socket.readLine()).object();
            if (result.size() >= count || socket.state() != QAbstractSocket::ConnectedState)
                break;
            socket.waitForReadyRead(200);
        }
        while (socket.canReadLine())
            result << QJsonDocument::fromJson(socket.readLine()).object();
        return result;
    }

    static std::unique_ptr<QTemporaryDir> s_folder;
    QProcess m_host;
};

std::unique_ptr<QTemporaryDir> ControlPortTest::s_folder;

} // namespace

TEST_F(ControlPortTest, AClientLeavingDuringAWaitLosesItsLinesAndTheHostCarriesOn)
{
    const quint16 port = freePort();
    startHost({QStringLiteral("--listen"), QString::number(port)});

    {
        QTcpSocket leaving;
        ASSERT_TRUE(connectTo(leaving, port));
        send(leaving, {QStringLiteral(R"({"op": "wait", "ms": 500})"), QStringLiteral(R"({"op": "dump"})"),
                       QStringLiteral(R"({"op": "queue-id", "value": 5})")});
        leaving.disconnectFromHost();
    }
    QThread::msleep(800);

    QTcpSocket next;
    ASSERT_TRUE(connectTo(next, port));
    send(next, {QStringLiteral(R"({"op": "queue-id"})"), QStringLiteral(R"({"op": "fly"})")});
    const QList<QJsonObject> answers = replies(next, 2);
    ASSERT_EQ(answers.size(), 2);
    EXPECT_EQ(answers[0].value(QStringLiteral("result")).toInt(-1), 0) << "the leaving client's lines were dropped";
    EXPECT_EQ(answers[1].value(QStringLiteral("line")).toInt(), 2);
    EXPECT_EQ(m_host.state(), QProcess::Running);
}

} // namespace Ostraven::Testing
