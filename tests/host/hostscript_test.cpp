#include "host/db/hostdatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven::Testing {

namespace {

// The reference host driven as an integrator drives it: a script on standard input, dumps and
// errors read back as JSON lines.
class HostScriptTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<QTemporaryDir>();
        DemoSite::Options options;
        options.archiveEvents = 400;
        HostDatabase::createDatabase(s_folder->path() + QStringLiteral("/host.sqlite"), options);
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    struct Run {
        QList<QJsonObject> out;
        QList<QJsonObject> errors;
        int exitCode = -1;
        QString trace;
    };

    static Run run(const QStringList &lines)
    {
        const QString folder = s_folder->path();
        QProcess host;
        host.setProgram(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"));
        host.setArguments({QStringLiteral("--db"), folder + QStringLiteral("/host.sqlite"), QStringLiteral("--headless"),
                           QStringLiteral("--registry"), folder + QStringLiteral("/registry.ini"),
                           QStringLiteral("--sql-trace"), folder + QStringLiteral("/trace.sql"),
                           QStringLiteral("--script"), QStringLiteral("-")});
        QFile::remove(folder + QStringLiteral("/trace.sql"));
        host.start();
        host.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        host.closeWriteChannel();
        EXPECT_TRUE(host.waitForFinished(60000));

        Run result;
        result.exitCode = host.exitCode();
        auto parse = [](const QByteArray &text) {
            QList<QJsonObject> objects;
            for (const QByteArray &line : text.split('\n')) {
                const QJsonDocument document = QJsonDocument::fromJson(line);
                if (document.isObject())
                    objects << document.object();
            }
            return objects;
        };
        result.out = parse(host.readAllStandardOutput());
        result.errors = parse(host.readAllStandardError());
        QFile trace(folder + QStringLiteral("/trace.sql"));
        if (trace.open(QIODevice::ReadOnly))
            result.trace = QString::fromUtf8(trace.readAll());
        return result;
    }

    static std::unique_ptr<QTemporaryDir> s_folder;
};

std::unique_ptr<QTemporaryDir> HostScriptTest::s_folder;

QJsonArray callbacksOf(const QJsonObject &dump)
{
    return dump.value(QStringLiteral("host")).toObject().value(QStringLiteral("callbacks")).toArray();
}

} // namespace

TEST_F(HostScriptTest, ShowThenShutDownNotifiesTheHost)
{
    const Run result = run({QStringLiteral(R"({"op": "config", "profile": 1, "user": 101})"),
                            QStringLiteral(R"({"op": "show"})"), QStringLiteral(R"({"op": "dump"})"),
                            QStringLiteral(R"({"op": "shutdown"})"), QStringLiteral(R"({"op": "dump"})")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.errors.isEmpty());
    ASSERT_EQ(result.out.size(), 3);

    const QJsonObject shown = result.out[0];
    EXPECT_TRUE(shown.value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    const QJsonArray load = callbacksOf(shown).at(0).toArray();
    EXPECT_EQ(load.at(2).toString(), QStringLiteral("LOAD"));
    EXPECT_NE(load.at(1).toInt(), 0);

    EXPECT_EQ(result.out[1], (QJsonObject{{QStringLiteral("op"), QStringLiteral("shutdown")}, {QStringLiteral("result"), false}}));

    const QJsonObject closed = result.out[2];
    EXPECT_FALSE(closed.value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    const QJsonArray callbacks = callbacksOf(closed);
    ASSERT_EQ(callbacks.size(), 3);
    const QJsonArray unload{QStringLiteral("EVENTVIEWER"), 0, QStringLiteral("UNLOAD")};
    EXPECT_EQ(callbacks.at(1).toArray(), unload);
    EXPECT_EQ(callbacks.at(2).toArray(), unload);
}

TEST_F(HostScriptTest, BadLinesAreReportedAndTheHostCarriesOn)
{
    const Run result = run({QStringLiteral("not json"), QStringLiteral(R"({"op": "fly"})"),
                            QStringLiteral(R"({"op": "key"})"), QStringLiteral(R"({"op": "queue-id", "value": 12})"),
                            QStringLiteral(R"({"op": "queue-id"})")});
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.errors.size(), 3);
    EXPECT_EQ(result.errors[0].value(QStringLiteral("line")).toInt(), 1);
    EXPECT_EQ(result.errors[1].value(QStringLiteral("line")).toInt(), 2);
    EXPECT_TRUE(result.errors[1].value(QStringLiteral("error")).toString().contains(QStringLiteral("fly")));
    EXPECT_EQ(result.errors[2].value(QStringLiteral("line")).toInt(), 3);
    ASSERT_EQ(result.out.size(), 1);
    EXPECT_EQ(result.out[0].value(QStringLiteral("result")).toInt(), 12);
}

TEST_F(HostScriptTest, TheOperatorClosingTheWindowSavesAndUnloads)
{
    const Run result = run({QStringLiteral(R"({"op": "show"})"), QStringLiteral(R"({"op": "key", "code": 65, "shift": 2})"),
                            QStringLiteral(R"({"op": "close"})"), QStringLiteral(R"({"op": "dump"})"),
                            QStringLiteral(R"({"op": "config", "connected": false})"), QStringLiteral(R"({"op": "show"})"),
                            QStringLiteral(R"({"op": "close"})"), QStringLiteral(R"({"op": "dump"})")});
    EXPECT_TRUE(result.errors.isEmpty());
    ASSERT_EQ(result.out.size(), 2);
    EXPECT_FALSE(result.out[0].value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    EXPECT_EQ(callbacksOf(result.out[0]).size(), 2);
    EXPECT_EQ(callbacksOf(result.out[1]).size(), 4);
}

} // namespace Ostraven::Testing
