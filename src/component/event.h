#pragma once

#include "eventinterface.h"

#include <memory>

namespace Ostraven {

class EventProbe;
class MPublic;

// The creatable class Event. It keeps no state of its own: everything the host hands it goes into
// the component's shared module, where the windows read it.
class Event : public _Event, public Com::Unknown
{
public:
    explicit Event(std::shared_ptr<MPublic> module);
    ~Event() override;

    [[nodiscard]] static qint32 liveObjects();

    void *queryInterface(const QUuid &iid) override;
    Variant invoke(const QString &member, InvokeKind kind, Args &args) override;

    HResult AddZK2Message(DispatchPtr &oMsg) override;
    HResult put_IsAdmin(bool &value) override;
    HResult OnUserSwitch() override;
    HResult putref_QueueObject(DispatchPtr &value) override;
    HResult AddNewEvent(HostEventRecord &oEvent) override;
    HResult put_EventQueueID(qint32 &value) override;
    HResult get_EventQueueID(qint32 *value) override;
    HResult ShutDown(bool *result) override;
    HResult cUnload() override;
    HResult ReShow() override;
    HResult putref_NTConnection(DispatchPtr value) override;
    HResult put_CurrentProfileID(qint32 value) override;
    HResult put_ViewerFont(QString value) override;
    HResult putref_DBConnection(DispatchPtr value) override;
    HResult putref_Parent(DispatchPtr &value) override;
    HResult Show() override;
    HResult cAddEvent(QString &EventString) override;
    HResult put_TimeFormat(bool value) override;

    [[nodiscard]] MPublic &module() { return *m_module; }

private:
    [[nodiscard]] EventProbe *probe();

    std::shared_ptr<MPublic> m_module;
    std::unique_ptr<EventProbe> m_probe;
};

// A host event record read from a late-bound object, for hosts that call AddNewEvent by name.
[[nodiscard]] HostEventRecord hostEventRecordFrom(Dispatch &record);

} // namespace Ostraven
