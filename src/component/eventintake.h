#pragma once

#include "platform/dispatch.h"
#include "platform/hostevent.h"

namespace Ostraven {

class MPublic;

// Turns the host's live events into records for the viewer.
class EventIntake
{
public:
    explicit EventIntake(MPublic &module) : m_module(module) {}

    void AddNewEvent(const HostEventRecord &oEvent);
    void AddZK2Message(const DispatchPtr &oMsg);

private:
    MPublic &m_module;
};

} // namespace Ostraven
