#pragma once

#include <QObject>
#include <QTimer>

namespace Ostraven::Host {

class ControlProtocol;
class HostSession;

// The live side of the host: the control ops that push events into the viewer, and a believable
// stream of demo events of both controller families for `--demo`.
class DemoEventSource : public QObject
{
    Q_OBJECT

public:
    explicit DemoEventSource(HostSession &session);

    void addOps(ControlProtocol &protocol);
    void start(double eventsPerSecond);
    void stop();

private:
    void pushNext();

    HostSession &m_session;
    QTimer m_timer;
    quint32 m_sequence = 0;
};

} // namespace Ostraven::Host
