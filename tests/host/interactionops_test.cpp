#include "host/db/hostdatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven::Testing {

namespace {

struct HostRun {
    QJsonObject dump;
    QStringList errors;
};

// The host driven headless by a script; the last dump and every error line come back.
HostRun runHost(const char *script)
{
    QTemporaryDir folder;
    DemoSite::Options options;
    options.archiveEvents = 300;
    HostDatabase::createDatabase(folder.path() + "/host.sqlite", options);

    QProcess host;
    host.start(OSTRAVEN_BINARY_DIR "/bin/ostraven-host", {"--db", folder.path() + "/host.sqlite", "--headless",
                                                          "--registry", folder.path() + "/registry.ini", "--script", "-"});
    host.write(QByteArray(script) + "\n{\"op\":\"dump\"}\n");
    host.closeWriteChannel();
    EXPECT_TRUE(host.waitForFinished(60000));

    HostRun run;
    for (const QByteArray &line : host.readAllStandardOutput().split('\n')) {
        if (const QJsonDocument document = QJsonDocument::fromJson(line); document.isObject())
            run.dump = document.object();
    }
    for (const QByteArray &line : host.readAllStandardError().split('\n')) {
        if (const QJsonDocument document = QJsonDocument::fromJson(line); document.isObject())
            run.errors << document.object().value("error").toString();
    }
    return run;
}

QStringList selectedRows(const QJsonObject &dump)
{
    QStringList rows;
    const QJsonArray gridRows = dump["grid"]["rows"].toArray();
    for (int row = 0; row < gridRows.size(); ++row)
        rows << (gridRows[row]["selected"].toBool() ? QString::number(row + 1) : QString());
    rows.removeAll(QString());
    return rows;
}

TEST(InteractionOps, ARightClickInsideASelectionCopiesItThroughThePopUp)
{
    const HostRun run = runHost(R"({"op":"show"}
        {"op":"select","rows":[2,3,4]}
        {"op":"mousedown","button":2,"row":3}
        {"op":"answer","answer":5}
        {"op":"popup","row":3})");
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(selectedRows(run.dump), QStringList({"2", "3", "4"}));
    const QString clipboard = run.dump["host"]["clipboard"].toString();
    EXPECT_EQ(clipboard.count(QStringLiteral("\r\n")), 3) << clipboard.toStdString();
    EXPECT_TRUE(run.dump["windows"]["FMenu"].toBool());
}

TEST(InteractionOps, SuspendTogglesThroughTheMenuAndBadItemsAreRefused)
{
    const HostRun run = runHost(R"({"op":"show"}
        {"op":"suspend"}
        {"op":"suspend","value":true}
        {"op":"filter","index":4}
        {"op":"menu","index":13}
        {"op":"filter","index":-1}
        {"op":"select","rows":[100000]}
        {"op":"colclick","key":"Nope"}
        {"op":"cellclick"})");
    EXPECT_TRUE(run.dump["state"]["scroll_suspended"].toBool());
    EXPECT_EQ(run.dump["state"]["TypeFilter"].toInt(), 4);
    EXPECT_TRUE(run.dump["menu"]["events"][3]["checked"].toBool());
    EXPECT_TRUE(run.dump["menu"]["filters"][4]["checked"].toBool());
    EXPECT_FALSE(run.dump["menu"]["filters"][0]["checked"].toBool());
    const QStringList refusals = {"no event menu item 13", "no type filter item -1", "no row 100000",
                                  "no column keyed \"Nope\"", "\"row\""};
    ASSERT_EQ(run.errors.size(), refusals.size()) << run.errors.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < refusals.size(); ++i)
        EXPECT_TRUE(run.errors[i].contains(refusals[i])) << run.errors[i].toStdString();
}

} // namespace

} // namespace Ostraven::Testing
