#include "support/odbcconfiguration.h"
#include "support/testdatabase.h"

#include "host/db/sqlitefile.h"

#include <QDir>
#include <QElapsedTimer>
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

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Ostraven::Testing {
namespace {

// What a run of the reference host printed; its JSON lines are its dumps, results and errors.
struct HostRun {
    int exitCode = -1;
    QByteArray out, err;
    static QList<QJsonObject> jsonLines(const QByteArray &text)
    {
        QList<QJsonObject> objects;
        for (const QByteArray &line : text.split('\n'))
            if (const QJsonDocument document = QJsonDocument::fromJson(line); document.isObject())
                objects << document.object();
        return objects;
    }
    [[nodiscard]] QList<QJsonObject> outLines() const { return jsonLines(out); }
    [[nodiscard]] QList<QJsonObject> errorLines() const { return jsonLines(err); }
};

const QString hostProgram = OSTRAVEN_BINARY_DIR "/bin/ostraven-host";
const auto rowName = [](const auto &info) { return std::string(info.param.name); };
const QString queueId = R"({"op": "queue-id"})";

HostRun runHost(const QStringList &arguments, const QByteArray &input = {},
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(hostProgram, arguments);
    host.write(input);
    host.closeWriteChannel();
    EXPECT_TRUE(host.waitForFinished(60000));
    return {host.exitCode(), host.readAllStandardOutput(), host.readAllStandardError()};
}

// The program runs twice under CTest: once with every host opened on its SQLite file (--db), and once, with
// OSTRAVEN_TEST_HOST_DATABASE=odbc, on the same file through the SQLite ODBC driver with the T-SQL emulation
// above it, so that everything the host does is shown to work over ODBC as well.
bool overOdbc()
{
    static const bool odbc = qgetenv("OSTRAVEN_TEST_HOST_DATABASE") == "odbc";
    return odbc;
}
QStringList overDb(const QString &file) { return {"--db", file}; }
QStringList overOdbcEmulated(const QString &file)
{
    return {"--odbc", "Driver=SQLite3;Database=" + file, "--odbc-emulate"};
}
QStringList databaseArguments(const QString &file) { return overOdbc() ? overOdbcEmulated(file) : overDb(file); }

// Every host this program starts reads a test-local ODBC configuration naming the SQLite ODBC driver as
// "SQLite3", never the machine's.
struct HostOdbcConfiguration : ::testing::Environment {
    void SetUp() override
    {
        static QTemporaryDir folder;
        const QString problem = useOwnOdbcConfiguration(folder.path(), QStringLiteral("SQLite3"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
};
::testing::Environment *const hostOdbcConfiguration = ::testing::AddGlobalTestEnvironment(new HostOdbcConfiguration);

// The viewer run headless over a site, its desktop scripted.
QStringList headlessOn(const TestDatabase &site)
{
    return databaseArguments(site.path()) + QStringList{"--headless", "--registry", site.folder() + "/registry.ini"};
}

// A script on standard input, as an integrator drives the host.
HostRun scriptOn(const TestDatabase &site, const QStringList &lines)
{
    const QStringList traced{"--sql-trace", site.folder() + "/trace.sql", "--script", "-"};
    return runHost(headlessOn(site) + traced, lines.join(u'\n').toUtf8() + '\n');
}

QString fileWith(const QString &path, const QByteArray &content)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    return path;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The reference host over the test's own copy of the small site, with its files beside it.
class HostProcessTest : public ::testing::Test
{
protected:
    [[nodiscard]] QString path(const QString &name) const { return m_site.folder() + u'/' + name; }
    [[nodiscard]] TestDatabase &site() { return m_site; }
    [[nodiscard]] QStringList headless() const { return headlessOn(m_site); }
    HostRun script(const QStringList &lines) { return scriptOn(m_site, lines); }

private:
    TestDatabase m_site{TestDatabase::Site::Small};
};

using HostScriptTest = HostProcessTest;
QJsonArray callbacksOf(const QJsonObject &dump) { return dump["host"]["callbacks"].toArray(); }
const QJsonArray unload{"EVENTVIEWER", 0, "UNLOAD"};

// Show, the operator's close (connected or not) and shutdown reach the host as LOAD and UNLOAD callbacks;
// shutdown prints its result.
TEST_F(HostScriptTest, ShowCloseAndShutDownNotifyTheHost)
{
    const HostRun run = script({R"({"op": "config", "profile": 1, "user": 101})", R"({"op": "show"})",
                                R"({"op": "dump"})", R"({"op": "key", "code": 65, "shift": 2})", R"({"op": "close"})",
                                R"({"op": "dump"})", R"({"op": "config", "connected": false})", R"({"op": "show"})",
                                R"({"op": "close"})", R"({"op": "dump"})", R"({"op": "show"})",
                                R"({"op": "shutdown"})", R"({"op": "dump"})"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.errorLines().isEmpty()) << run.err.toStdString();
    const QList<QJsonObject> out = run.outLines();
    ASSERT_EQ(out.size(), 5);
    EXPECT_TRUE(out[0]["windows"]["FEvents"].toBool());
    const QJsonArray load = callbacksOf(out[0]).at(0).toArray();
    EXPECT_EQ(load.at(2).toString(), "LOAD");
    EXPECT_NE(load.at(1).toInt(), 0);
    EXPECT_FALSE(out[1]["windows"]["FEvents"].toBool());
    EXPECT_EQ(callbacksOf(out[1]), (QJsonArray{load, unload}));
    EXPECT_EQ(callbacksOf(out[2]).size(), 4);
    EXPECT_EQ(out[3], (QJsonObject{{"op", "shutdown"}, {"result", false}}));
    EXPECT_FALSE(out[4]["windows"]["FEvents"].toBool());
    EXPECT_EQ(callbacksOf(out[4]).size(), 7);
    EXPECT_EQ(callbacksOf(out[4]).at(5).toArray(), unload);
    EXPECT_EQ(callbacksOf(out[4]).at(6).toArray(), unload);
}

// A database another program holds is the host's all the same: the host starts, the viewer reports the
// lock where it meets it, and the operator's stored layout survives the close.
TEST_F(HostScriptTest, ALockedDatabaseIsOpenedAndItsProfileKept)
{
    if (overOdbc())
        GTEST_SKIP() << "the 2-s bound on waiting for a lock is the SQLite C API driver's; the ODBC driver has its own";
    const QString layout = "Description][Description][1][300][True";
    const QString where = " WHERE ProfileID = 1 AND ObjectID = 4 AND Property = 'ColumnHeaders'";
    site().execute("UPDATE Profile_Details SET [Value] = '" + layout + "'" + where);
    site().execute("BEGIN EXCLUSIVE");
    const HostRun run = runHost(headless() + QStringList{"--script", "-"}, "{\"op\":\"show\"}\n{\"op\":\"close\"}\n");
    site().execute("ROLLBACK");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(site().scalar("SELECT [Value] FROM Profile_Details" + where), Variant(layout));
}

TEST_F(HostScriptTest, TheHelpSaysWhereTheErrorLogGoes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", path("state"));
    const QString help = QString::fromUtf8(runHost({"--help"}, {}, environment).out).simplified();
    EXPECT_TRUE(help.contains("EventViewObject.log beside the component library, in " OSTRAVEN_BINARY_DIR "/bin, "
                              "when that folder is writable"))
        << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("otherwise in %1/state/ostraven (").arg(site().folder())));
}

// The pointer and menu ops over a shown viewer: a right click inside a selection keeps it, and the pop-up's
// Copy (answer 5) puts its three rows on the clipboard; suspend and a type filter reach the viewer's state (the
// menus' check marks for them are the menu suite's).
TEST_F(HostScriptTest, PointerAndMenuOpsReachTheViewer)
{
    const HostRun run = script({R"({"op":"show"})", R"({"op":"select","rows":[2,3,4]})",
                                R"({"op":"mousedown","button":2,"row":3})", R"({"op":"answer","answer":5})",
                                R"({"op":"popup","row":3})", R"({"op":"dump"})", R"({"op":"suspend"})",
                                R"({"op":"suspend","value":true})", R"({"op":"filter","index":4})", R"({"op":"dump"})"});
    EXPECT_TRUE(run.errorLines().isEmpty()) << run.err.toStdString();
    const QList<QJsonObject> dumps = run.outLines();
    ASSERT_EQ(dumps.size(), 2);
    QList<bool> selected;
    for (const QJsonValue row : dumps[0]["grid"]["rows"].toArray())
        selected << row["selected"].toBool();
    EXPECT_EQ(selected.count(true), 3);
    EXPECT_EQ(selected.mid(0, 5), (QList<bool>{false, true, true, true, false})) << "rows 2 to 4 only";
    const QString clipboard = dumps[0]["host"]["clipboard"].toString();
    EXPECT_EQ(clipboard.count(QStringLiteral("\r\n")), 3) << clipboard.toStdString();
    EXPECT_TRUE(dumps[0]["windows"]["FMenu"].toBool());
    const QJsonObject &dump = dumps[1];
    EXPECT_TRUE(dump["state"]["scroll_suspended"].toBool());
    EXPECT_EQ(dump["state"]["TypeFilter"].toInt(), 4);
}

// Lines the host must refuse, and long lines, all in one headless session with the properties dialog (event menu
// item 8) open for its fields. Each refused line gets one error that carries its number and names the field and
// its range; a line of exactly the cap runs; refused lines change nothing (the queue ID read at the end is still
// 0) and the host carries on (the queue ID set after them is read back).
struct ProtocolLineCase { const char *name; QString line, error; }; // error empty: the line runs
QString whole(const char *field, const char *range)
{
    return QStringLiteral(R"("%1" must be a whole number%2)").arg(QLatin1String(field), QLatin1String(range));
}
constexpr const char *int16 = " from -32768 to 32767", *int32 = " from -2147483648 to 2147483647";
constexpr qsizetype cap = 1024 * 1024;
QString outOfRange(const char *what) { return QStringLiteral("Subscript out of range: %1 (error 9)").arg(what); }
const QString takenAsCall = "Could not find stored procedure 'selec'. The statement was taken as a call of the stored "
                            "procedure 'selec' because it does not start with an SQL keyword such as SELECT, INSERT, "
                            "UPDATE or DELETE; check the first word's spelling, or write EXEC before a procedure's name.";
const QString tooLong = "the line is longer than 1048576 bytes (1 MiB) and was skipped";
QString caddLine(qsizetype length) // a cadd line (accepted and ignored by the viewer) of the given length
{
    QString line = QStringLiteral(R"({"op": "cadd", "text": ""})");
    return line.insert(line.size() - 2, QString(length - line.size(), u'x'));
}
const ProtocolLineCase protocolLines[] = {
    {"NotJson", "not json", "not a JSON object: illegal value"},
    {"UnknownOp", R"({"op": "fly"})", R"(unknown op "fly")"},
    {"KeyWithoutCode", R"({"op": "key"})", R"("key" needs the field "code")"},
    {"WaitTooLong", R"({"op": "wait", "ms": 1e12})", whole("ms", " from 0 to 600000")},
    {"QueueIdOver32Bits", R"({"op": "queue-id", "value": 2147483648})", whole("value", int32)},
    {"ProfileAsText", R"({"op": "config", "profile": "1"})", whole("profile", int32)},
    {"KeyOver16Bits", R"({"op": "key", "code": 70000})", whole("code", int16)},
    {"EventIdHuge", R"({"op": "event", "id": -1e300})", whole("id", int32)},
    {"Zk2Subtype", R"({"op": "zk2", "subtype": 4294967296})", whole("subtype", int32)},
    {"CellColumn", R"({"op": "cellclick", "row": 1, "col": 1e10})", whole("col", int32)},
    {"CellWithoutRow", R"({"op": "cellclick"})", R"("cellclick" needs the field "row")"},
    {"SelectFraction", R"({"op": "select", "rows": [1, 2.5]})", whole("rows", int32)},
    {"SelectNoSuchRow", R"({"op": "select", "rows": [100000]})", outOfRange("no row 100000 in a grid of 500")},
    {"MouseShift", R"({"op": "mousedown", "button": 1, "shift": 40000})", whole("shift", int16)},
    {"AnswerHuge", R"({"op": "answer", "answer": 1e20})", whole("answer", int32)},
    {"TabIndex", R"({"op": "tab", "index": 1e10})", whole("index", int16)},
    {"ControlItem", R"({"op": "control", "name": "lvwCols", "item": 0.5, "checked": true})", whole("item", int16)},
    {"KeypressNegative", R"({"op": "keypress", "name": "txtMaxLines", "key": -3})", whole("key", " from 0 to 65535")},
    {"NoEventMenuItem", R"({"op": "menu", "index": 13})", outOfRange("no event menu item 13 (0 to 12)")},
    {"NoTypeFilterItem", R"({"op": "filter", "index": -1})", outOfRange("no type filter item -1 (0 to 9)")},
    {"NoSuchColumn", R"({"op": "colclick", "key": "Nope"})", outOfRange(R"(no column keyed "Nope")")},
    {"ArrayOfOps", R"([{"op": "dump"}])", "not a JSON object: the line is an array"},
    {"SqlReadAsACall", R"({"op": "sql", "text": "selec 1"})", takenAsCall + " (error -2147217900)"},
    {"OneByteOverTheCap", caddLine(cap + 1), tooLong},
    {"ExactlyTheCap", caddLine(cap), {}},
    {"EightTimesTheCap", caddLine(8 * cap), tooLong},
    {"TheCapAndACarriageReturn", caddLine(cap) + u'\r', {}},
    {"OverTheCapInBlanks", QString(cap + 1, u' '), tooLong},
};
class ProtocolLine : public ::testing::TestWithParam<ProtocolLineCase>
{
protected:
    static void SetUpTestSuite()
    {
        s_site = std::make_unique<TestDatabase>(TestDatabase::Site::Small);
        s_lines = QStringList{R"({"op": "show"})", R"({"op": "menu", "index": 8})"};
        for (const ProtocolLineCase &row : protocolLines)
            s_lines << row.line;
        s_lines << queueId << R"({"op": "queue-id", "value": 12})" << queueId;
        s_run = scriptOn(*s_site, s_lines);
    }
    static void TearDownTestSuite() { s_site.reset(); }
    static inline std::unique_ptr<TestDatabase> s_site;
    static inline QStringList s_lines;
    static inline HostRun s_run;
};
TEST_P(ProtocolLine, IsRefusedWithOneErrorOrRuns)
{
    const int number = int(s_lines.indexOf(GetParam().line)) + 1;
    QStringList errors;
    for (const QJsonObject &error : s_run.errorLines())
        if (error["line"].toInt() == number)
            errors << error["error"].toString();
    ASSERT_EQ(errors.size(), GetParam().error.isEmpty() ? 0 : 1) << s_run.err.left(4000).toStdString();
    if (!errors.isEmpty()) { EXPECT_EQ(errors[0], GetParam().error); }
    EXPECT_EQ(s_run.exitCode, 0);
    QList<int> results;
    for (const QJsonObject &out : s_run.outLines())
        results << out["result"].toInt(-1);
    EXPECT_EQ(results, (QList<int>{0, 12}));
}
INSTANTIATE_TEST_SUITE_P(Lines, ProtocolLine, ::testing::ValuesIn(protocolLines), rowName);

// Files that are not a database of this host are refused at start, by the viewer run and by --sql alike,
// with one message and without a byte of them changed.
QString withSql(const QString &path, const char *sql)
{
    SqliteFile(path, SqliteFile::OpenMode::Create).exec(sql);
    return path;
}
QString damaged(const QString &path) // half the pages overwritten; the header and the first pages are intact
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(file.size() / 4);
    file.write(QByteArray(file.size() / 2, '\xa5'));
    return path;
}
using Site = const TestDatabase &;
struct Stranger { const char *name; QString (*make)(Site site); const char *reason; };
class NotAHostDatabase : public HostScriptTest, public ::testing::WithParamInterface<Stranger> {};
TEST_P(NotAHostDatabase, IsRefusedAtStartAndLeftAlone)
{
    if (overOdbc())
        GTEST_SKIP() << "the check of an SQLite file at start is made for --db only";
    const QString file = GetParam().make(site());
    const QByteArray before = contentsOf(file);
    for (const QStringList &arguments : {QStringList{"--headless", "--registry", path("registry.ini"), "--script", "-"},
                                         QStringList{"--sql", "SELECT 1"}}) {
        const HostRun run = runHost(QStringList{"--db", file} + arguments);
        EXPECT_EQ(run.exitCode, 2);
        const QStringList errors = QString::fromUtf8(run.err).split(u'\n').filter(u"ostraven-host:");
        ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
        EXPECT_TRUE(errors[0].contains("is not a database of this host: "));
        EXPECT_TRUE(errors[0].contains(GetParam().reason)) << errors[0].toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(contentsOf(file), before) << "the file is left as it was";
}
INSTANTIATE_TEST_SUITE_P(Files, NotAHostDatabase, ::testing::Values(
    Stranger{"TextFile", [](Site s) { return fileWith(s.folder() + "/notes.txt", "SELECT 1;\n"); },
             "SQLite cannot read it"},
    Stranger{"EmptyFile", [](Site s) { return fileWith(s.folder() + "/empty.sqlite", {}); },
             "none of the host's tables"},
    Stranger{"HostLackingATable", [](Site s) { return withSql(s.path(), "DROP TABLE Log_Misc"); },
             "tables of the host are missing: Log_Misc"},
    Stranger{"DamagedHost", [](Site s) { return damaged(s.path()); }, "SQLite"},
    Stranger{"Folder", [](Site s) { return QDir(s.folder()).mkdir("d.sqlite") ? s.folder() + "/d.sqlite" : QString(); },
             "it is not a file"}), rowName);

TEST_F(HostProcessTest, ASocketPathHoldingAFileStopsTheHostAndLeavesTheFile)
{
    const QString notes = fileWith(path("occupied"), "an operator's notes\n");
    const HostRun run = runHost(headless() + QStringList{"--listen-socket", notes});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(run.err).contains("is not a socket"));
    EXPECT_EQ(contentsOf(notes), QByteArray("an operator's notes\n"));
}

// An option out of its range, or a --sql statement the database refuses, stops the host with the reason.
struct BadStart { const char *name; QStringList arguments; int exitCode; QString error; };
class BadStartTest : public HostScriptTest, public ::testing::WithParamInterface<BadStart> {};
TEST_P(BadStartTest, StopsTheHostWithTheReason)
{
    if (overOdbc() && GetParam().arguments.contains("--init-db"))
        GTEST_SKIP() << "--init-db creates an SQLite file and is refused with --odbc (see OdbcOptionError)";
    const HostRun run = runHost(databaseArguments(site().path()) + QStringList{"--headless"} + GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_TRUE(QString::fromUtf8(run.err).contains(GetParam().error)) << run.err.toStdString();
}
INSTANTIATE_TEST_SUITE_P(Options, BadStartTest, ::testing::Values(
    BadStart{"RateZero", {"--rate", "0"}, 2, R"("--rate" must be a number from 0.01 to 1000)"},
    BadStart{"RateNaN", {"--rate", "nan"}, 2, R"("--rate" must be a number from 0.01 to 1000)"},
    BadStart{"QuitAfterHuge", {"--quit-after", "1e300"}, 2, R"("--quit-after" must be a number from 0 to 604800)"},
    BadStart{"PortOver16Bits", {"--listen", "70000"}, 2, R"("--listen" must be a whole number from 1 to 65535)"},
    BadStart{"PortFraction", {"--listen", "80.5"}, 2, R"("--listen" must be a whole number from 1 to 65535)"},
    BadStart{"ArchiveHuge", {"--init-db", "--archive-events", "1e10"}, 2,
             R"("--archive-events" must be a whole number from 0 to 10000000)"},
    BadStart{"SqlReadAsACall", {"--sql", "selec 1"}, 1, "ostraven-host: " + takenAsCall + "\n"}), rowName);

// The reference host listening on its control port, driven over real connections.
class ControlPortTest : public HostProcessTest
{
public:
    static QString authLine(const QByteArray &token)
    {
        return QStringLiteral(R"({"op": "auth", "token": "%1"})").arg(QString::fromLatin1(token));
    }

protected:
    void TearDown() override { stopHost(); }
    // A TCP port on a free number, with its token file in the test's folder.
    void startTcpHost(const QStringList &extraArguments = {})
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        m_port = probe.serverPort();
        probe.close();
        const QStringList listen{"--listen", QString::number(m_port), "--token-file", path("port.token")};
        m_host.start(hostProgram, headless() + listen + extraArguments);
        ASSERT_TRUE(m_host.waitForStarted(10000));
    }
    // Ends the host as an integrator would, with SIGTERM; the host removes its files on the way out.
    void stopHost()
    {
        m_host.terminate();
        if (!m_host.waitForFinished(10000))
            m_host.kill();
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
    // The host writes the token just after it starts listening, so a client that got in first waits for it.
    QByteArray token() const
    {
        QElapsedTimer clock;
        clock.start();
        QByteArray text = contentsOf(path("port.token")).trimmed();
        for (; text.size() < 64 && clock.elapsed() < 10000; text = contentsOf(path("port.token")).trimmed())
            QThread::msleep(20);
        return text;
    }
    static void send(QIODevice &socket, const QStringList &lines)
    {
        socket.write(lines.join(u'\n').toUtf8() + '\n');
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
            // Both kinds of socket number their states alike.
            const bool connected = int(socket.state()) == QAbstractSocket::ConnectedState;
            if (result.size() >= count || !connected || clock.elapsed() > milliseconds)
                return result;
            socket.waitForReadyRead(200);
        }
    }
    static bool closedByHost(QTcpSocket &socket)
    {
        return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(10000);
    }
    QProcess m_host;
    quint16 m_port = 0;
};

// A local user without the token, whatever the first line: one error, the connection closed, and none of the
// lines run (the queue ID it tried to set is unchanged for the owner who connects next).
struct FirstLine { const char *name; QString (*line)(const QByteArray &token); };
class WithoutTheToken : public ControlPortTest, public ::testing::WithParamInterface<FirstLine> {};
TEST_P(WithoutTheToken, AClientRunsNoOp)
{
    startTcpHost();
    QTcpSocket owner;
    ASSERT_TRUE(connectTcp(owner));
    const QByteArray realToken = token();
    ASSERT_EQ(realToken.size(), 64);
    QTcpSocket stranger;
    ASSERT_TRUE(connectTcp(stranger));
    send(stranger, {GetParam().line(realToken), R"({"op": "queue-id", "value": 7})",
                    R"({"op": "sql", "text": "DELETE FROM Sites"})", queueId});
    const QList<QJsonObject> refused = replies(stranger, 4, 10000);
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused[0]["line"].toInt(), 1);
    EXPECT_FALSE(refused[0]["error"].toString().isEmpty());
    EXPECT_TRUE(closedByHost(stranger));
    send(owner, {authLine(realToken), queueId, R"({"op": "sql", "text": "SELECT COUNT(*) AS n FROM Sites"})"});
    const QList<QJsonObject> answers = replies(owner, 3);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[0], (QJsonObject{{"op", "auth"}, {"result", true}}));
    EXPECT_EQ(answers[1]["result"].toInt(-1), 0);
    EXPECT_GT(answers[2]["rows"][0]["n"].toInt(), 0);
}
using Token = const QByteArray &;
INSTANTIATE_TEST_SUITE_P(FirstLines, WithoutTheToken, ::testing::Values(
    FirstLine{"AnOpBeforeAuth", [](Token) { return QString(R"({"op": "dump"})"); }},
    FirstLine{"NoToken", [](Token) { return QString(R"({"op": "auth"})"); }},
    FirstLine{"ANumberAsToken", [](Token) { return QString(R"({"op": "auth", "token": 1})"); }},
    FirstLine{"AWrongToken", [](Token) { return ControlPortTest::authLine(QByteArray(64, '0')); }},
    FirstLine{"TheTokenLessItsLastDigit", [](Token token) { return ControlPortTest::authLine(token.chopped(1)); }},
    FirstLine{"TheTokenAndMore", [](Token token) { return ControlPortTest::authLine(token + "0"); }},
    FirstLine{"NotJson", [](Token token) { return "auth " + QString::fromLatin1(token); }},
    FirstLine{"AnEmptyFirstLine", [](Token) { return QString(); }}), rowName);

// Over TCP, a client that leaves during a wait loses its lines; one that sends a line over the cap gets one error
// and is cut off before its next line runs; the host carries on for the next client either way. The socket
// replaces what a host killed outright leaves behind (a socket file nobody listens on) and asks for no token: its
// permissions are its authentication. The token file and the socket are the owner's alone and go with the host.
TEST_F(ControlPortTest, ClientsLoseOnlyTheirOwnLinesAndTheFilesAreTheOwnersAlone)
{
    const QString socketPath = path("control.sock");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ::close(descriptor);
    startTcpHost({"--listen-socket", socketPath});
    {
        QTcpSocket leaving;
        ASSERT_TRUE(connectTcp(leaving));
        send(leaving, {authLine(token()), R"({"op": "wait", "ms": 500})", R"({"op": "dump"})",
                       R"({"op": "queue-id", "value": 5})"});
        leaving.disconnectFromHost();
    }
    QThread::msleep(800);
    QTcpSocket client;
    ASSERT_TRUE(connectTcp(client));
    send(client, {authLine(token()), QString(1024 * 1024 + 1, u' '), R"({"op": "queue-id", "value": 6})"});
    const QList<QJsonObject> cut = replies(client, 3);
    ASSERT_EQ(cut.size(), 2);
    EXPECT_EQ(cut[1]["line"].toInt(), 2);
    EXPECT_TRUE(cut[1]["error"].toString().startsWith("the line is longer than 1048576 bytes (1 MiB)"));
    EXPECT_TRUE(closedByHost(client));
    QTcpSocket next;
    ASSERT_TRUE(connectTcp(next));
    send(next, {authLine(token()), queueId, R"({"op": "fly"})"});
    const QList<QJsonObject> answers = replies(next, 3);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[1]["result"].toInt(-1), 0) << "neither client's queue-id ran";
    EXPECT_EQ(answers[2]["line"].toInt(), 3);
    QLocalSocket local;
    ASSERT_TRUE(connectWhenReady(local, [&] { local.connectToServer(socketPath); }));
    send(local, {R"({"op": "queue-id", "value": 9})", queueId});
    const QList<QJsonObject> own = replies(local, 1);
    ASSERT_EQ(own.size(), 1);
    EXPECT_EQ(own[0]["result"].toInt(), 9);
    for (const QString &file : {path("port.token"), socketPath}) {
        const auto permissions = QFileInfo(file).permissions() & ~(QFile::ReadUser | QFile::WriteUser);
        EXPECT_EQ(permissions, QFile::ReadOwner | QFile::WriteOwner) << file.toStdString();
    }
    EXPECT_EQ(m_host.state(), QProcess::Running);
    stopHost();
    EXPECT_FALSE(QFileInfo::exists(socketPath));
    EXPECT_FALSE(QFileInfo::exists(path("port.token")));
}

// The database options that exclude or need each other, and an ODBC source that cannot be opened: each stops the
// host with one message naming the reason (the connection string with its password masked), prints nothing on
// standard output, and leaves the site's file exactly as it was.
struct OptionError { const char *name; QStringList (*arguments)(const QString &file); int exitCode; QString error; };
void PrintTo(const OptionError &row, std::ostream *out) { *out << row.name; }
using File = const QString &;
const QString noSuchDriver = "Driver=NoSuchDriver;Server=db.example;UID=viewer;PWD=s3cret";
class OdbcOptionError : public HostProcessTest, public ::testing::WithParamInterface<OptionError> {};
TEST_P(OdbcOptionError, StopsTheHostAndLeavesTheFile)
{
    const QByteArray before = contentsOf(site().path());
    const HostRun run = runHost(GetParam().arguments(site().path()) + QStringList{"--registry", path("registry.ini")});
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    const QStringList errors = QString::fromUtf8(run.err).split(u'\n').filter(u"ostraven-host:");
    ASSERT_EQ(errors.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(errors[0].startsWith("ostraven-host: " + GetParam().error)) << errors[0].toStdString();
    EXPECT_FALSE(errors[0].contains("s3cret"));
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(contentsOf(site().path()), before);
}
// The emulation adds the extension's LoadExt key to the string after the password.
const QString cannotOpen = "Cannot open the ODBC connection 'Driver=NoSuchDriver;Server=db.example;UID=viewer;PWD=***";
INSTANTIATE_TEST_SUITE_P(Options, OdbcOptionError, ::testing::Values(
    OptionError{"DbAndOdbc", [](File f) { return overDb(f) + overOdbcEmulated(f) + QStringList{"--headless"}; }, 2,
                "--db and --odbc both name the host database; give one of them"},
    OptionError{"DbAndOdbcForSql", [](File f) { return overOdbcEmulated(f) + overDb(f) + QStringList{"--sql", "SELECT 1"}; },
                2, "--db and --odbc both name the host database"},
    OptionError{"EmulateWithDb", [](File f) { return overDb(f) + QStringList{"--odbc-emulate", "--sql", "SELECT 1"}; }, 2,
                "--odbc-emulate goes with --odbc"},
    OptionError{"EmulateAlone", [](File) { return QStringList{"--odbc-emulate", "--headless"}; }, 2,
                "--odbc-emulate goes with --odbc"},
    OptionError{"InitDbWithOdbc", [](File f) { return overOdbcEmulated(f) + QStringList{"--init-db"}; }, 2,
                "--init-db creates an SQLite file; it goes with --db, not with --odbc"},
    OptionError{"EmptyConnectionString", [](File) { return QStringList{"--odbc", " ", "--headless"}; }, 2,
                "--odbc needs a connection string"},
    OptionError{"NoSuchDriverForSql", [](File) { return QStringList{"--odbc", noSuchDriver, "--sql", "SELECT 1"}; }, 1,
                cannotOpen},
    OptionError{"NoSuchDriverForTheViewer",
                [](File) { return QStringList{"--odbc", noSuchDriver, "--headless", "--script", "-"}; }, 1, cannotOpen},
    OptionError{"NoSuchDriverEmulated",
                [](File) { return QStringList{"--odbc", noSuchDriver, "--odbc-emulate", "--sql", "SELECT 1"}; }, 1,
                cannotOpen}), rowName);

// Each run of this program really opens its hosts' sites its own way: only the SQLite ODBC driver turns on
// the engine's empty-result callbacks. (Without this, a run whose environment lost the mode would pass as a
// second file run.)
TEST_F(HostProcessTest, HostsOpenTheSiteAsThisRunSays)
{
    const HostRun run = runHost(databaseArguments(site().path()) + QStringList{"--sql", "PRAGMA empty_result_callbacks"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), overOdbc() ? "{\"empty_result_callbacks\":1}" : "{\"empty_result_callbacks\":0}");
}

// The same file gives the same answers and the component sends the same statements whether the host opens it
// itself or through the SQLite ODBC driver with the emulation: a --sql statement's rows, and a short session's
// dumps and statement trace, opening and closing the viewer (which saves the profile) included.
TEST_F(HostProcessTest, OdbcWithTheEmulationAnswersAsTheFileDoes)
{
    ASSERT_TRUE(QFile::copy(site().path(), path("twin.sqlite")));
    const QStringList lines{R"({"op": "config", "profile": 1, "user": 101})", R"({"op": "show"})",
                            R"({"op": "sql", "text": "SELECT TOP 3 OperatorID, FullName FROM Operators ORDER BY 1"})",
                            R"({"op": "dump"})", R"({"op": "close"})", R"({"op": "dump"})"};
    const QString sql = "EXEC rp_Role_Routing_Granted_Timezones 103";
    struct Outcome { HostRun sql, session; QByteArray sqlTrace, sessionTrace; };
    const auto runOn = [&](const QStringList &database, const QString &name) {
        const QString sqlTrace = path(name + "-sql.trace"), sessionTrace = path(name + "-session.trace");
        Outcome outcome;
        outcome.sql = runHost(database + QStringList{"--sql", sql, "--sql-trace", sqlTrace});
        outcome.session = runHost(database + QStringList{"--headless", "--registry", path("registry.ini"), "--sql-trace",
                                                         sessionTrace, "--script", "-"},
                                  lines.join(u'\n').toUtf8() + '\n');
        outcome.sqlTrace = contentsOf(sqlTrace);
        outcome.sessionTrace = contentsOf(sessionTrace);
        return outcome;
    };
    const Outcome file = runOn(overDb(site().path()), "file");
    const Outcome odbc = runOn(overOdbcEmulated(path("twin.sqlite")), "odbc");
    EXPECT_EQ(file.sql.exitCode, 0) << file.sql.err.toStdString();
    EXPECT_EQ(odbc.sql.exitCode, 0) << odbc.sql.err.toStdString();
    EXPECT_FALSE(file.sql.out.isEmpty());
    EXPECT_EQ(odbc.sql.out.toStdString(), file.sql.out.toStdString());
    EXPECT_EQ(odbc.sqlTrace.toStdString(), file.sqlTrace.toStdString());
    EXPECT_EQ(odbc.session.exitCode, 0) << odbc.session.err.toStdString();
    EXPECT_TRUE(odbc.session.errorLines().isEmpty()) << odbc.session.err.toStdString();
    ASSERT_EQ(file.session.outLines().size(), 3) << file.session.err.toStdString();
    const QJsonObject shown = file.session.outLines().at(1);
    EXPECT_FALSE(shown["grid"]["rows"].toArray().isEmpty()) << "the archive was replayed";
    EXPECT_EQ(odbc.session.out.toStdString(), file.session.out.toStdString());
    EXPECT_GT(file.sessionTrace.count('\n'), 10);
    EXPECT_EQ(odbc.sessionTrace.toStdString(), file.sessionTrace.toStdString());
}

} // namespace
} // namespace Ostraven::Testing
