#pragma once

#include "platform/dispatch.h"
#include "platform/hostevent.h"

#include <memory>

namespace Ostraven {

class MPublic;
class cGenericEvent;

// Turns the host's live events into records for the viewer.
class EventIntake
{
public:
    explicit EventIntake(MPublic &module) : m_module(module) {}

    void AddNewEvent(const HostEventRecord &oEvent);
    void AddZK2Message(const DispatchPtr &oMsg);
    // The value at Position (0 first) of a comma-separated text; empty after a reported failure.
    QString GetValueByPosition(QString &EventString, qint32 Position);

private:
    void handOver(cGenericEvent &&record);
    // GetValueByPosition on a copy of a text the caller may not change.
    QString valueByPosition(QString EventString, qint32 Position) { return GetValueByPosition(EventString, Position); }

    MPublic &m_module;
};

} // namespace Ostraven
