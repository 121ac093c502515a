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

// The reference host driven headless by a script; the last dump and every error line come back.
HostRun runHost(const QStringList &lines)
{
    QTemporaryDir folder;
    DemoSite::Options options;
    options.archiveEvents = 300;
    HostDatabase::createDatabase(folder.path() + QStringLiteral("/host.sqlite"), options);

    QProcess host;
    host.setProgram(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"));
    host.setArguments({QStringLiteral("--db"), folder.path() + QStringLiteral("/host.sqlite"), QStringLiteral("--headless"),
                       QStringLiteral("--registry"), folder.path() + QStringLiteral("/registry.ini"),
                       QStringLiteral("--script"), QStringLiteral("-")});
    host.start();
    host.write((lines + QStringList{QStringLiteral(R"({"op":"dump"})")}).join(QLatin1Char('\n')).toUtf8() + '\n');
    host.closeWriteChannel();
    EXPECT_TRUE(host.waitForFinished(60000));

    HostRun run;
    for (const QByteArray &line : host.readAllStandardOutput().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            run.dump = document.object();
    }
    for (const QByteArray &line : host.readAllStandardError().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            run.errors << document.object().value(QStringLiteral("error")).toString();
    }
    return run;
}

QStringList selectedRows(const QJsonObject &dump)
{
    QStringList rows;
    const QJsonArray gridRows = dump[QStringLiteral("grid")][QStringLiteral("rows")].toArray();
    for (int row = 0; row < gridRows.size(); ++row) {
        if (gridRows[row][QStringLiteral("selected")].toBool())
            rows << QString::number(row + 1);
    }
    return rows;
}

TEST(InteractionOps, ARightClickInsideASelectionCopiesItThroughThePopUp)
{
    const HostRun run = runHost({
        QStringLiteral(R"({"op":"show"})"),
        QStringLiteral(R"({"op":"select","rows":[2,3,4]})"),
        QStringLiteral(R"({"op":"mousedown","button":2,"row":3})"),
        QStringLiteral(R"({"op":"answer","answer":5})"),
        QStringLiteral(R"({"op":"popup","row":3})"),
    });
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(selectedRows(run.dump), QStringList({"2", "3", "4"}));
    const QString clipboard = run.dump[QStringLiteral("host")][QStringLiteral("clipboard")].toString();
    EXPECT_EQ(clipboard.count(QStringLiteral("\r\n")), 3) << clipboard.toStdString();
    EXPECT_TRUE(run.dump[QStringLiteral("windows")][QStringLiteral("FMenu")].toBool());
}

TEST(InteractionOps, SuspendTogglesThroughTheMenuAndBadItemsAreRefused)
{
    const HostRun run = runHost({
        QStringLiteral(R"({"op":"show"})"),
        QStringLiteral(R"({"op":"suspend"})"),
        QStringLiteral(R"({"op":"suspend","value":true})"),
        QStringLiteral(R"({"op":"filter","index":4})"),
        QStringLiteral(R"({"op":"menu","index":13})"),
        QStringLiteral(R"({"op":"filter","index":-1})"),
        QStringLiteral(R"({"op":"select","rows":[100000]})"),
        QStringLiteral(R"({"op":"colclick","key":"Nope"})"),
        QStringLiteral(R"({"op":"cellclick"})"),
    });
    EXPECT_TRUE(run.dump[QStringLiteral("state")][QStringLiteral("scroll_suspended")].toBool());
    const QJsonObject menu = run.dump[QStringLiteral("menu")].toObject();
    EXPECT_TRUE(menu[QStringLiteral("events")][3][QStringLiteral("checked")].toBool());
    EXPECT_TRUE(menu[QStringLiteral("filters")][4][QStringLiteral("checked")].toBool());
    EXPECT_FALSE(menu[QStringLiteral("filters")][0][QStringLiteral("checked")].toBool());
    EXPECT_EQ(run.dump[QStringLiteral("state")][QStringLiteral("TypeFilter")].toInt(), 4);
    ASSERT_EQ(run.errors.size(), 5) << run.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.errors[0].contains(QStringLiteral("no event menu item 13")));
    EXPECT_TRUE(run.errors[1].contains(QStringLiteral("no type filter item -1")));
    EXPECT_TRUE(run.errors[2].contains(QStringLiteral("no row 100000")));
    EXPECT_TRUE(run.errors[3].contains(QStringLiteral("no column keyed \"Nope\"")));
    EXPECT_TRUE(run.errors[4].contains(QStringLiteral("\"row\"")));
}

} // namespace

} // namespace Ostraven::Testing
