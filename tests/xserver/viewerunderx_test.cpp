#include "support/testdatabase.h"
#include "platform/grid/gridcontrol.h"
#include "platform/variant.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

namespace Ostraven::Testing {
namespace {

const QString hostProgram = OSTRAVEN_BINARY_DIR "/bin/ostraven-host";
// Generous: a loaded CI machine may take seconds to start the host and map its window.
constexpr int patienceMs = 30000;

struct ToolRun {
    int exitCode = -1;
    QString out;
};

// xdotool on this program's display. Its input reaches the server through the XTest extension, so
// the host receives what a real mouse and keyboard would send.
ToolRun xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromLocal8Bit(tool.readAllStandardOutput())};
}

bool waitFor(const std::function<bool()> &ready, int timeoutMs = patienceMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QJsonObject columnOf(const QJsonObject &dump, const QString &key)
{
    for (const QJsonValue &column : dump[QStringLiteral("grid")][QStringLiteral("columns")].toArray()) {
        if (column[QStringLiteral("key")].toString() == key)
            return column.toObject();
    }
    return {};
}

// The reference host with real windows on the test's X server (not --headless: the Qt desktop, real
// menus), driven through its control socket so the test can read its state, and by xdotool's input.
class ViewerUnderX : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QByteArray failure = qgetenv("OSTRAVEN_XVFB_FAILURE"); !failure.isEmpty())
            GTEST_SKIP() << "Xvfb could not start, so nothing here ran under a real X server: "
                         << failure.toStdString();
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            << "xdotool is not installed; scripts/install-deps installs it";
        startHost();
    }

    void TearDown() override
    {
        // SIGTERM ends the host's event loop; it then removes its socket and unloads the component.
        if (m_host.state() != QProcess::NotRunning) {
            m_host.terminate();
            if (!m_host.waitForFinished(10000)) {
                m_host.kill();
                m_host.waitForFinished();
            }
        }
        if (HasFailure())
            std::cerr << "host's standard error:\n" << hostErrors().toStdString() << '\n';
    }

    void startHost()
    {
        const QString folder = m_site.folder();
        QFile script(folder + QStringLiteral("/show.jsonl"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("{\"op\": \"show\"}\n");
        script.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_host.setProcessEnvironment(environment);
        // The host also writes every answer to its standard output; a pipe nobody reads would fill up
        // and stop it.
        m_host.setStandardOutputFile(QProcess::nullDevice());
        m_host.setStandardErrorFile(folder + QStringLiteral("/host.err"));
        m_socketPath = folder + QStringLiteral("/control.sock");
        m_host.start(hostProgram, {QStringLiteral("--db"), m_site.path(), QStringLiteral("--registry"),
                                   folder + QStringLiteral("/registry.ini"), QStringLiteral("--script"),
                                   script.fileName(), QStringLiteral("--listen-socket"), m_socketPath});
        ASSERT_TRUE(m_host.waitForStarted(10000)) << m_host.errorString().toStdString();
        const bool connected = waitFor([&] {
            if (m_host.state() == QProcess::NotRunning)
                return true;
            m_control.connectToServer(m_socketPath);
            return m_control.waitForConnected(200);
        });
        ASSERT_TRUE(connected && m_control.state() == QLocalSocket::ConnectedState)
            << "the host took no control connection on " << m_socketPath.toStdString() << "; it said:\n"
            << hostErrors().toStdString();
    }

    QString hostErrors() const
    {
        QFile errors(m_site.folder() + QStringLiteral("/host.err"));
        return errors.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(errors.readAll()) : QString();
    }

    // One control line, then a dump: when this returns the line has run. An error line the host
    // writes meanwhile fails the test; another answer (an "sql" op's rows) goes to answer.
    QJsonObject run(const QString &line, QJsonObject *answer = nullptr)
    {
        return ask(line.toUtf8() + "\n{\"op\": \"dump\"}\n", line, answer);
    }
    QJsonObject dump() { return ask("{\"op\": \"dump\"}\n", QStringLiteral("dump"), nullptr); }

    QJsonObject ask(const QByteArray &lines, const QString &what, QJsonObject *answer)
    {
        m_control.write(lines);
        m_control.flush();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < patienceMs) {
            if (!m_control.canReadLine()) {
                m_control.waitForReadyRead(200);
                continue;
            }
            const QJsonObject reply = QJsonDocument::fromJson(m_control.readLine()).object();
            if (reply.contains(QStringLiteral("error")))
                ADD_FAILURE() << "the host refused " << what.toStdString() << ": "
                              << QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
            else if (reply.contains(QStringLiteral("host")))
                return reply;
            else if (answer)
                *answer = reply;
        }
        ADD_FAILURE() << "no dump after " << what.toStdString() << "; socket state " << int(m_control.state())
                      << ", " << m_control.bytesAvailable() << " bytes unread: " << m_control.errorString().toStdString();
        return {};
    }

    // The host's windows that are mapped, by xdotool's search of the whole tree.
    QStringList visibleWindows(const QString &name = {})
    {
        QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                              QStringLiteral("--pid"), QString::number(m_host.processId())};
        if (!name.isEmpty())
            arguments << QStringLiteral("--name") << name;
        return xdotool(arguments).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The viewer's grid as the host lays it out: the same columns from the dump, in a window of the
    // same size, measured with this program's fonts, which are the host's (same platform, same server).
    void layOutMirror(const QJsonObject &state, QSize size)
    {
        m_mirror.setAttribute(Qt::WA_DontShowOnScreen);
        for (const QJsonValue &column : state[QStringLiteral("grid")][QStringLiteral("columns")].toArray())
            m_mirror.addColumn(column[QStringLiteral("key")].toString(), column[QStringLiteral("header")].toString(),
                               0, -1, column[QStringLiteral("width")].toInt(), column[QStringLiteral("visible")].toBool());
        for (const QJsonValue &column : state[QStringLiteral("grid")][QStringLiteral("columns")].toArray())
            m_mirror.setColumnPosition(column[QStringLiteral("key")].toString(), column[QStringLiteral("position")].toInt());
        m_mirror.resize(size);
        m_mirror.show();
        QApplication::processEvents();
    }

    TestDatabase m_site{TestDatabase::Site::Small};
    QTemporaryDir m_runtime;
    QProcess m_host;
    QString m_socketPath;
    QLocalSocket m_control;
    GridControl m_mirror;
};

// The viewer maps; a right click on the grid opens the real pop-up menu (a nested event loop, during
// which the control port still answers) and Escape closes it; dragging a header edge with the mouse
// widens the column by the pixels dragged, read back in the grid's width unit, and closing the
// viewer saves that width with the profile.
TEST_F(ViewerUnderX, MenuAndColumnDragWithRealInput)
{
    QString viewer;
    ASSERT_TRUE(waitFor([&] {
        const QStringList found = visibleWindows(QStringLiteral("^Event Viewer"));
        viewer = found.value(0);
        return !viewer.isEmpty();
    })) << "the viewer window never mapped";
    const QJsonObject shown = dump();
    ASSERT_TRUE(shown[QStringLiteral("windows")][QStringLiteral("FEvents")].toBool());

    QSize size;
    ASSERT_TRUE(waitFor([&] {
        const QString geometry = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), viewer}).out;
        for (const QString &line : geometry.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("WIDTH=")))
                size.setWidth(line.mid(6).toInt());
            else if (line.startsWith(QLatin1String("HEIGHT=")))
                size.setHeight(line.mid(7).toInt());
        }
        return size.width() > 0 && size.height() > 0;
    }));
    layOutMirror(shown, size);
    const QPoint header = m_mirror.header()->mapTo(&m_mirror, QPoint(0, 0));
    const QRect hostTime = m_mirror.headerSectionRect(QStringLiteral("dbTime"));
    ASSERT_FALSE(hostTime.isEmpty()) << "no Host Time column in the viewer";

    // The right button's release on the grid pops the menu up; the host's only other window is it.
    const QPoint onGrid = header + QPoint(hostTime.center().x(), hostTime.height() + 30);
    ASSERT_EQ(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), viewer, QString::number(onGrid.x()),
                       QString::number(onGrid.y()), QStringLiteral("click"), QStringLiteral("3")})
                  .exitCode,
              0);
    QStringList windows;
    ASSERT_TRUE(waitFor([&] {
        windows = visibleWindows();
        return windows.size() == 2;
    })) << "no pop-up menu mapped after the right click; mapped: " << windows.join(u' ').toStdString();
    const QJsonObject duringMenu = dump();
    EXPECT_TRUE(duringMenu[QStringLiteral("windows")][QStringLiteral("FMenu")].toBool());
    ASSERT_EQ(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return visibleWindows() == QStringList{viewer}; }))
        << "the pop-up menu stayed open after Escape";

    // The press lands a pixel inside the section's right edge, on the header's resize grip.
    const int before = columnOf(shown, QStringLiteral("dbTime"))[QStringLiteral("width")].toInt();
    const int dragged = 60;
    const QPoint edge = header + QPoint(hostTime.right(), hostTime.center().y());
    QStringList drag{QStringLiteral("mousemove"), QStringLiteral("--window"), viewer, QString::number(edge.x()),
                     QString::number(edge.y()), QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 10; step <= dragged; step += 10)
        drag << QStringLiteral("sleep") << QStringLiteral("0.05") << QStringLiteral("mousemove") << QStringLiteral("--window")
             << viewer << QString::number(edge.x() + step) << QString::number(edge.y());
    drag << QStringLiteral("sleep") << QStringLiteral("0.05") << QStringLiteral("mouseup") << QStringLiteral("1");
    ASSERT_EQ(xdotool(drag).exitCode, 0);

    const int expected = m_mirror.widthUnit().toUnits(hostTime.width() + dragged);
    ASSERT_GT(expected, before);
    int after = before;
    EXPECT_TRUE(waitFor([&] {
        after = columnOf(dump(), QStringLiteral("dbTime"))[QStringLiteral("width")].toInt();
        return after != before;
    }, 5000)) << "the drag on the header edge resized nothing";
    EXPECT_EQ(after, expected) << hostTime.width() << " pixels dragged " << dragged << " wider";

    // Closing the viewer, the host's last window, unloads it and ends the host.
    const QJsonObject closed = run(QStringLiteral("{\"op\": \"close\"}"));
    EXPECT_FALSE(closed[QStringLiteral("windows")][QStringLiteral("FEvents")].toBool());
    EXPECT_TRUE(m_host.waitForFinished(patienceMs)) << "the host kept running with no window";
    const QString saved = CStr(m_site.scalar(QStringLiteral("SELECT [Value] FROM Profile_Details WHERE ProfileID = 1 AND "
                                                       "Property = 'ColumnHeaders'")));
    EXPECT_TRUE(saved.startsWith(QStringLiteral("dbTime][Host Time][1][%1][True,").arg(expected))) << saved.toStdString();
    EXPECT_EQ(closed[QStringLiteral("state")][QStringLiteral("ColumnHeaders")].toString().toStdString(), saved.toStdString());
}

} // namespace
} // namespace Ostraven::Testing
