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
    QStringList lines = QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : "").split(QRegularExpression("\r?\n"));
    return lines.last().isEmpty() ? lines.mid(0, lines.size() - 1) : lines;
}

// The error's own source and line name the function; an empty description stays an empty line.
TEST(ErrorMessage, HasSixLinesInItsOrder)
{
    EXPECT_EQ(ErrorHandling::message("Event.EventQueueID(Get)", VbError(-2147217900, {}, "SQLite", 42), "EventViewObject"),
              "An error has occurred.  \r\n\r\nDescription: \r\nFunction: SQLite.Event.EventQueueID(Get)(42)\r\n"
              "Error Number: -2147217900\r\nFile Version: EventViewObject - 3.5.1757");
}

class ErrorHandlingTest : public ::testing::Test
{
protected:
    QTemporaryDir folder;
    ScriptedDesktop desktop;
    ErrorHandling errors{desktop, folder.path(), QStringLiteral("EventViewObject")};
};

// A second report appending to the log is the log placement suite's.
TEST_F(ErrorHandlingTest, EachReportGoesToClipboardLogAndACriticalBox)
{
    errors.reportError("cCircularBuffer.Add", VbError::fromNumber(9));
    const QString message = "An error has occurred.  \r\n\r\nDescription: Subscript out of range\r\n"
                            "Function: EventViewObject.cCircularBuffer.Add(0)\r\nError Number: 9\r\n"
                            "File Version: EventViewObject - 3.5.1757";
    EXPECT_EQ(desktop.clipboardText(), message);
    ASSERT_EQ(desktop.boxes().size(), 1u);
    const MessageBoxRequest &box = desktop.boxes()[0].request;
    EXPECT_EQ(std::tuple(box.text, box.icon, box.buttons, box.title),
              std::tuple(message, MsgBoxIcon::Critical, MsgBoxButtons::Ok, QStringLiteral("EventViewObject")));
    const QStringList lines = logLines(folder.path() + "/EventViewObject.log");
    ASSERT_EQ(lines.size(), 8);
    const QRegularExpression stamp(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d{2}:\\d{2} [AP]M)?  "));
    EXPECT_TRUE(stamp.match(lines[0]).hasMatch() && lines[0].endsWith(QString(40, u'-'))) << lines[0].toStdString();
    EXPECT_TRUE(stamp.match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_EQ(lines.mid(2).join("\r\n"), message);
    // WriteLog names an empty file after the title.
    QString fileName, other = QStringLiteral("Other");
    errors.WriteLog("hello", fileName);
    EXPECT_EQ(fileName, QStringLiteral("EventViewObject"));
    errors.WriteLog("there", other);
    EXPECT_TRUE(logLines(folder.path() + "/Other.log").first().endsWith(QStringLiteral("  there")));
}

// The log goes beside the component while its folder takes it, else to the user's state folder; where
// neither does, the first box says so and the report goes on. A folder below the regular file "file"
// stands for one the user cannot write (even root cannot create it). expectedLog empty: written nowhere.
struct LogCase { const char *name, *logFolder, *fallback, *expectedLog; };
class LogPlacement : public ::testing::TestWithParam<LogCase> {};
TEST_P(LogPlacement, FallsBackToTheStateFolderAndALostLogIsToldOnce)
{
    const LogCase &c = GetParam();
    QTemporaryDir folder;
    const QString root = folder.path() + u'/', expectedLog = *c.expectedLog ? root + c.expectedLog : QString();
    ASSERT_TRUE(QFile(root + "file").open(QIODevice::WriteOnly));
    QDir().mkpath(root + "lib");
    ScriptedDesktop boxes;
    ErrorHandling reports(boxes, root + c.logFolder, QStringLiteral("EventViewObject"));
    reports.setFallbackLogFolder(root + c.fallback);
    reports.reportError("Event.Show", VbError::fromNumber(91));
    reports.reportError("Event.Show", VbError::fromNumber(91));
    const QString message = boxes.clipboardText();
    EXPECT_TRUE(message.contains("Function: EventViewObject.Event.Show(0)\r\nError Number: 91\r\n")) << message.toStdString();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].request.text, message);
    EXPECT_EQ(boxes.boxes()[0].request.text,
              expectedLog.isEmpty() ? message + "\r\n\r\nThe error log could not be written, neither in " + root
                                          + c.logFolder + " nor in " + root + c.fallback + "."
                                    : message);
    EXPECT_EQ(QFile::exists(root + "state/ostraven"), expectedLog.contains("/state/")) << "made only for a log";
    if (!expectedLog.isEmpty()) { EXPECT_EQ(reports.logFilePath(), expectedLog); }
    const QStringList lines = expectedLog.isEmpty() ? QStringList() : logLines(expectedLog);
    EXPECT_EQ(lines.size(), expectedLog.isEmpty() ? 0 : 16);
    EXPECT_EQ(lines.mid(2, 6).join("\r\n"), expectedLog.isEmpty() ? QString() : message);
}
INSTANTIATE_TEST_SUITE_P(Folders, LogPlacement, ::testing::Values(
    LogCase{"ComponentFolderTakesIt", "lib", "state/ostraven", "lib/EventViewObject.log"},
    LogCase{"StateFolderMadeWhenNeeded", "file/lib", "state/ostraven", "state/ostraven/EventViewObject.log"},
    LogCase{"NeitherTakesIt", "file/lib", "file/state", ""}),
    [](const auto &row) { return std::string(row.param.name); });

// A guarded routine's result stays as it stood when the error came; form events go to the host's log.
TEST_F(ErrorHandlingTest, GuardedRoutinesReportToABoxOrTheHostAndGoOn)
{
    auto host = std::make_shared<MemberTable>();
    std::vector<Args> logged;
    host->onCall("LogError", [&](Args &args) { return logged.push_back(args), Variant(); });
    errors.setHostLogger([host] { return DispatchPtr(host); });
    for (const char *label : {"FEvents.AddEvent", "FMenu: Form_Load"}) {
        bool result = false;
        EXPECT_FALSE(guarded(errors, label, [&] { result = true, throw VbError::fromNumber(13); }));
        EXPECT_TRUE(result) << label;
    }
    EXPECT_EQ(desktop.boxes().size(), 1u);
    ASSERT_EQ(logged.size(), 1u);
    const Args &args = logged.front();
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(CLng(objectOf(args[1]).get("Number")), 13);
    EXPECT_EQ(std::tuple(args[0], args[2], args[3], args[4]),
              std::tuple(Variant(qint16(0)), Variant(QStringLiteral("FMenu: Form_Load")), Variant(qint32(0)), Variant(qint16(0))));
}
} // namespace
} // namespace Ostraven
