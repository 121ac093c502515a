#include "errors/errorhandling.h"

#include "platform/desktop/scripteddesktop.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven {

namespace {

QStringList logLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class ErrorHandlingTest : public ::testing::Test
{
protected:
    QTemporaryDir folder;
    ScriptedDesktop desktop;
    ErrorHandling errors{desktop, folder.path(), QStringLiteral("EventViewObject")};
};

} // namespace

TEST_F(ErrorHandlingTest, TheMessageHasSixLinesInItsOrder)
{
    struct Case {
        VbError error;
        const char *label;
        const char *expected;
    };
    const Case cases[] = {
        {VbError(13, QStringLiteral("Type mismatch"), QStringLiteral("EventViewObject"), 0), "FEvents.AddEvent",
         "An error has occurred.  \r\n\r\nDescription: Type mismatch\r\nFunction: EventViewObject.FEvents.AddEvent(0)\r\n"
         "Error Number: 13\r\nFile Version: EventViewObject - 3.5.1757"},
        {VbError(-2147217900, QString(), QStringLiteral("SQLite"), 42), "Event.EventQueueID(Get)",
         "An error has occurred.  \r\n\r\nDescription: \r\nFunction: SQLite.Event.EventQueueID(Get)(42)\r\n"
         "Error Number: -2147217900\r\nFile Version: EventViewObject - 3.5.1757"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ErrorHandling::message(QString::fromLatin1(c.label), c.error, QStringLiteral("EventViewObject")),
                  QString::fromLatin1(c.expected));
    }
}

TEST_F(ErrorHandlingTest, AReportGoesToClipboardLogAndACriticalBox)
{
    const VbError error = VbError::fromNumber(9);
    errors.reportError(QStringLiteral("cCircularBuffer.Add"), error);

    const QString message = ErrorHandling::message(QStringLiteral("cCircularBuffer.Add"), error, errors.title());
    EXPECT_EQ(desktop.clipboardText(), message);
    ASSERT_EQ(desktop.boxes().size(), 1u);
    EXPECT_EQ(desktop.boxes()[0].request.text, message);
    EXPECT_EQ(desktop.boxes()[0].request.icon, MsgBoxIcon::Critical);
    EXPECT_EQ(desktop.boxes()[0].request.buttons, MsgBoxButtons::Ok);
    EXPECT_EQ(desktop.boxes()[0].request.title, QStringLiteral("EventViewObject"));

    const QStringList lines = logLines(folder.path() + QStringLiteral("/EventViewObject.log"));
    ASSERT_EQ(lines.size(), 8);
    const QRegularExpression stamp(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d{2}:\\d{2} [AP]M)?  "));
    EXPECT_TRUE(stamp.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QString(40, QLatin1Char('-'))));
    EXPECT_TRUE(stamp.match(lines[1]).hasMatch());
    EXPECT_EQ(lines.mid(2).join(QStringLiteral("\r\n")), message);
}

TEST_F(ErrorHandlingTest, TwoReportsAppendFourEntries)
{
    errors.reportError(QStringLiteral("A.First"), VbError::fromNumber(5));
    errors.reportError(QStringLiteral("B.Second"), VbError::fromNumber(6));
    const QStringList lines = logLines(errors.logFilePath());
    EXPECT_EQ(lines.size(), 16);
    EXPECT_EQ(lines.filter(QString(40, QLatin1Char('-'))).size(), 2);
    EXPECT_EQ(desktop.boxes().size(), 2u);
}

// Where the log goes: beside the component while its folder takes it, else the user's state folder;
// where neither does, the first box says so and the report goes on. A folder below a regular file
// stands for one the user cannot write (even root cannot create it).
TEST_F(ErrorHandlingTest, TheLogFallsBackToTheStateFolderAndALostLogIsToldOnce)
{
    {
        QFile blocker(folder.path() + QStringLiteral("/file"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    const QString component = folder.path() + QStringLiteral("/lib");
    const QString state = folder.path() + QStringLiteral("/state/ostraven");
    const QString blocked = folder.path() + QStringLiteral("/file/lib");
    const QString blockedState = folder.path() + QStringLiteral("/file/state");
    QDir().mkpath(component);

    struct Case {
        const char *name;
        QString logFolder;
        QString fallback;
        QString expectedLog; // empty: written nowhere
    };
    const Case cases[] = {
        {"the component's folder takes it", component, state, component + QStringLiteral("/EventViewObject.log")},
        {"the state folder, made when needed", blocked, state, state + QStringLiteral("/EventViewObject.log")},
        {"neither takes it", blocked, blockedState, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(state).removeRecursively();
        QFile::remove(component + QStringLiteral("/EventViewObject.log"));
        ScriptedDesktop boxes;
        ErrorHandling reports(boxes, c.logFolder, QStringLiteral("EventViewObject"));
        reports.setFallbackLogFolder(c.fallback);
        const VbError error = VbError::fromNumber(91);
        reports.reportError(QStringLiteral("Event.Show"), error);
        reports.reportError(QStringLiteral("Event.Show"), error);

        const QString message = ErrorHandling::message(QStringLiteral("Event.Show"), error, reports.title());
        EXPECT_EQ(boxes.clipboardText(), message);
        ASSERT_EQ(boxes.boxes().size(), 2u);
        EXPECT_EQ(boxes.boxes()[1].request.text, message);
        if (c.expectedLog.isEmpty()) {
            EXPECT_EQ(boxes.boxes()[0].request.text,
                      message + QStringLiteral("\r\n\r\nThe error log could not be written, neither in %1 nor in %2.")
                                    .arg(c.logFolder, c.fallback));
            EXPECT_FALSE(QFile::exists(state));
            continue;
        }
        EXPECT_EQ(boxes.boxes()[0].request.text, message);
        EXPECT_EQ(reports.logFilePath(), c.expectedLog);
        const QStringList lines = logLines(c.expectedLog);
        ASSERT_EQ(lines.size(), 16);
        EXPECT_EQ(lines.mid(2, 6).join(QStringLiteral("\r\n")), message);
        EXPECT_EQ(QFile::exists(state), c.expectedLog.startsWith(state)) << "the state folder is made only for a log";
    }
}

TEST_F(ErrorHandlingTest, WriteLogNamesAnEmptyFileAfterTheTitle)
{
    QString fileName;
    errors.WriteLog(QStringLiteral("hello"), fileName);
    EXPECT_EQ(fileName, QStringLiteral("EventViewObject"));
    QString other = QStringLiteral("Other");
    errors.WriteLog(QStringLiteral("there"), other);
    EXPECT_TRUE(logLines(folder.path() + QStringLiteral("/Other.log")).first().endsWith(QStringLiteral("  there")));
}

TEST_F(ErrorHandlingTest, GuardedRoutinesKeepTheirResultAndRunTheirClosingSteps)
{
    auto host = std::make_shared<MemberTable>();
    std::vector<Args> logged;
    host->onCall(QStringLiteral("LogError"), [&](Args &args) {
        logged.push_back(args);
        return Variant();
    });
    errors.setHostLogger([host] { return DispatchPtr(host); });

    struct Case {
        const char *label;
        bool toHost;
    };
    for (const Case &c : {Case{"FEvents.AddEvent", false}, Case{"FMenu: Form_Load", true}}) {
        SCOPED_TRACE(c.label);
        const auto boxesBefore = desktop.boxes().size();
        const auto loggedBefore = logged.size();
        bool result = false;
        bool closingStepRan = false;
        const bool completed = guarded(errors, QString::fromLatin1(c.label), [&] {
            result = true;
            throw VbError::fromNumber(13);
        });
        closingStepRan = true;

        EXPECT_FALSE(completed);
        EXPECT_TRUE(result) << "the result stays as it stood when the error came";
        EXPECT_TRUE(closingStepRan);
        EXPECT_EQ(desktop.boxes().size() - boxesBefore, c.toHost ? 0u : 1u);
        EXPECT_EQ(logged.size() - loggedBefore, c.toHost ? 1u : 0u);
    }

    ASSERT_EQ(logged.size(), 1u);
    const Args &args = logged.front();
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0], Variant(qint16(0)));
    EXPECT_EQ(CLng(objectOf(args[1]).get(QStringLiteral("Number"))), 13);
    EXPECT_EQ(args[2], Variant(QStringLiteral("FMenu: Form_Load")));
    EXPECT_EQ(args[3], Variant(qint32(0)));
    EXPECT_EQ(args[4], Variant(qint16(0)));
}

} // namespace Ostraven
