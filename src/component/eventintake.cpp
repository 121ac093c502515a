#include "eventintake.h"

#include "filters/mpublic.h"

namespace Ostraven {

// Live events become rows once the event record and row insertion exist; until then the viewer
// shows the archive and nothing else.
void EventIntake::AddNewEvent(const HostEventRecord &)
{
}

void EventIntake::AddZK2Message(const DispatchPtr &)
{
}

} // namespace Ostraven
