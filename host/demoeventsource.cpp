#include "demoeventsource.h"

#include "controlprotocol.h"
#include "hostsession.h"

namespace Ostraven::Host {

DemoEventSource::DemoEventSource(HostSession &session) : m_session(session)
{
    connect(&m_timer, &QTimer::timeout, this, &DemoEventSource::pushNext);
}

void DemoEventSource::addOps(ControlProtocol &) {}

void DemoEventSource::start(double eventsPerSecond)
{
    m_timer.start(std::max(1, int(1000.0 / eventsPerSecond)));
}

void DemoEventSource::stop()
{
    m_timer.stop();
}

// Live events reach the viewer once its intake exists; until then the demo shows the viewer alone.
void DemoEventSource::pushNext()
{
    ++m_sequence;
}

} // namespace Ostraven::Host
