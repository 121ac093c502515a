#include "hostrunner.h"

#include "controlport.h"
#include "controlprotocol.h"
#include "demoeventsource.h"
#include "dialogops.h"
#include "interactionops.h"
#include "stopsignals.h"

#include "platform/vberror.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

namespace Ostraven::Host {

namespace {

// Everything that answers control lines, put together in one place so that a run and --list-ops
// cannot disagree about the ops there are. The port comes last and goes first: it registers "auth"
// with the protocol and puts back its refusal when it goes.
struct ControlStack {
    ControlStack(HostSession &session, QTextStream &out, QTextStream &err)
        : protocol(session, out, err), demo(session), port(protocol)
    {
        demo.addOps(protocol);
        addDialogOps(protocol, session);
        addInteractionOps(protocol, session);
    }

    ControlProtocol protocol;
    DemoEventSource demo;
    // Made before a script runs, so that an "auth" line in a script is told what it is for.
    ControlPort port;
};

} // namespace

HostRunner::HostRunner(Options options) : m_options(std::move(options)), m_session(m_options.session) {}

HostRunner::~HostRunner() = default;

int HostRunner::run()
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    m_session.start();
    ControlStack control(m_session, out, err);
    ControlProtocol &protocol = control.protocol;
    DemoEventSource &demo = control.demo;
    ControlPort &port = control.port;

    if (!m_options.script.isEmpty()) {
        const bool fromStandardInput = m_options.script == QLatin1String("-");
        QFile file(fromStandardInput ? QString() : m_options.script);
        // Standard input as a C stream: Qt then reads a pipe without waiting for a full block.
        const bool opened = fromStandardInput ? file.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered)
                                              : file.open(QIODevice::ReadOnly);
        if (!opened) {
            err << "ostraven-host: cannot read the script " << m_options.script << Qt::endl;
            return 2;
        }
        protocol.runAll(file);
    }

    const bool scripted = !m_options.script.isEmpty();
    if (!scripted || m_options.demo) {
        if (!scripted)
            m_session.component().Show();
        if (m_options.demo)
            demo.start(m_options.rate);
    }

    if (m_options.listenPort > 0) {
        const QString tokenFile = m_options.tokenFile.isEmpty()
                                      ? ControlAccess::defaultTokenFile(quint16(m_options.listenPort))
                                      : m_options.tokenFile;
        if (const QString failure = port.listenTcp(quint16(m_options.listenPort), tokenFile); !failure.isEmpty()) {
            err << "ostraven-host: " << failure << Qt::endl;
            return 2;
        }
        err << "ostraven-host: listening on 127.0.0.1:" << m_options.listenPort
            << "; each connection first sends {\"op\": \"auth\", \"token\": \"...\"} with the token in "
            << QDir::toNativeSeparators(tokenFile) << Qt::endl;
    }
    if (!m_options.listenSocket.isEmpty()) {
        if (const QString failure = port.listenLocal(m_options.listenSocket); !failure.isEmpty()) {
            err << "ostraven-host: " << failure << Qt::endl;
            return 2;
        }
        err << "ostraven-host: listening on the socket " << QDir::toNativeSeparators(m_options.listenSocket)
            << Qt::endl;
    }
    const bool listening = m_options.listenPort > 0 || !m_options.listenSocket.isEmpty();
    const std::unique_ptr<StopSignals> stopSignals = listening ? std::make_unique<StopSignals>() : nullptr;

    if (m_options.quitAfterSeconds >= 0) {
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(std::llround(m_options.quitAfterSeconds * 1000)), &loop,
                           &QEventLoop::quit);
        loop.exec();
    } else if (listening
               || (!m_options.session.headless && m_session.viewerWindow() && m_session.viewerWindow()->isVisible())) {
        QApplication::exec();
    }

    const bool saved = m_options.screenshot.isEmpty() || saveScreenshot();
    demo.stop();
    m_session.release();
    return saved ? 0 : 1;
}

QStringList HostRunner::opNames()
{
    HostSession session(HostSession::Options{});
    QString nowhere;
    QTextStream out(&nowhere);
    QTextStream err(&nowhere);
    const ControlStack control(session, out, err);
    return control.protocol.opNames();
}

bool HostRunner::saveScreenshot()
{
    QWidget *window = m_session.viewerWindow();
    if (!window) {
        std::fprintf(stderr, "ostraven-host: no viewer window to take a screenshot of\n");
        return false;
    }
    if (!window->isVisible())
        window->show();
    QApplication::processEvents();
    if (!window->grab().save(m_options.screenshot, "PNG")) {
        std::fprintf(stderr, "ostraven-host: cannot write %s\n", qPrintable(m_options.screenshot));
        return false;
    }
    return true;
}

} // namespace Ostraven::Host
