#pragma once

#include "platform/com/com.h"
#include "platform/dispatch.h"
#include "platform/hostevent.h"

#include <QString>
#include <QUuid>

#include <utility>
#include <vector>

namespace Ostraven {

using Com::HResult;

// The dual interface of the creatable class Event: its eighteen members in slot order, each
// returning a status. The same members are reachable by name through Dispatch.
class _Event : public Dispatch
{
public:
    static inline const QUuid IID{QStringLiteral("{6c0e2b71-4f3a-4d53-9d5e-3e1f0a8b7c41}")};

    virtual HResult AddZK2Message(DispatchPtr &oMsg) = 0;            // 1
    virtual HResult put_IsAdmin(bool &value) = 0;                     // 2
    virtual HResult OnUserSwitch() = 0;                               // 3
    virtual HResult putref_QueueObject(DispatchPtr &value) = 0;       // 4
    virtual HResult AddNewEvent(HostEventRecord &oEvent) = 0;         // 5
    virtual HResult put_EventQueueID(qint32 &value) = 0;              // 6
    virtual HResult get_EventQueueID(qint32 *value) = 0;              // 7
    virtual HResult ShutDown(bool *result) = 0;                       // 8
    virtual HResult cUnload() = 0;                                    // 9
    virtual HResult ReShow() = 0;                                     // 10
    virtual HResult putref_NTConnection(DispatchPtr value) = 0;       // 11
    virtual HResult put_CurrentProfileID(qint32 value) = 0;           // 12
    virtual HResult put_ViewerFont(QString value) = 0;                // 13
    virtual HResult putref_DBConnection(DispatchPtr value) = 0;       // 14
    virtual HResult putref_Parent(DispatchPtr &value) = 0;            // 15
    virtual HResult Show() = 0;                                       // 16
    virtual HResult cAddEvent(QString &EventString) = 0;              // 17
    virtual HResult put_TimeFormat(bool value) = 0;                   // 18
};

class DesktopServices;

// Offered by the component's class object: the host hands over the desktop (message boxes,
// clipboard, cursor, pop-up menus) that the component's windows use, before creating objects.
// A host that does not is given the real desktop.
class ComponentSite
{
public:
    static inline const QUuid IID{QStringLiteral("{9a7b3c1d-2e4f-4a5b-8c6d-7e8f9a0b1c2d}")};

    virtual ~ComponentSite() = default;
    virtual void setDesktopServices(std::shared_ptr<DesktopServices> desktop) = 0;
};

} // namespace Ostraven
