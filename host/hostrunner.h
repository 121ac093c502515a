#pragma once

#include "hostsession.h"

#include <QString>
#include <QStringList>

namespace Ostraven::Host {

// One run of ostraven-host after its arguments were read: start the session, take control lines
// from a script, standard input or a loopback port, keep the window up as long as it is wanted,
// and save a screenshot when asked.
class HostRunner
{
public:
    struct Options {
        HostSession::Options session;
        QString script;     // a file, "-" for standard input, empty for none
        QString screenshot; // PNG of the viewer window before quitting
        double quitAfterSeconds = -1;
        int listenPort = 0;       // loopback TCP, 0 for none
        QString tokenFile;        // the TCP port's token; empty: in the user's runtime folder
        QString listenSocket;     // a Unix-domain socket, empty for none
        bool demo = false;
        double rate = 5;
    };

    explicit HostRunner(Options options);
    ~HostRunner();

    // The process's exit code.
    int run();

    // Every op a run answers, sorted; nothing is opened or loaded to find them.
    [[nodiscard]] static QStringList opNames();

private:
    bool saveScreenshot();

    Options m_options;
    HostSession m_session;
};

} // namespace Ostraven::Host
