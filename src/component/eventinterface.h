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

// What the reference host and the acceptance tests read of a running component: its windows, grid,
// shared state and menus as one JSON object. Not part of the host's contract.
class EventInspection
{
public:
    static inline const QUuid IID{QStringLiteral("{2f5d8c3e-97a1-4b6e-8c2d-5a4e1b0f9d62}")};

    virtual ~EventInspection() = default;
    [[nodiscard]] virtual QByteArray snapshotJson() = 0;
    // The error report's log file.
    [[nodiscard]] virtual QString errorLogPath() = 0;
    // A comma-separated event line handed to the viewer's row insertion, as the archive replay does.
    virtual bool addEventLine(const QString &line) = 0;
    // Brings the scroll-suspended flag to the state given, through the event menu's toggle.
    virtual void setScrollSuspended(bool suspended) = 0;

    // The operator's hand on the viewer's grid and menus, for drivers without a mouse. Points are
    // grid pixels from its top-left corner; a press or release there is handled as the grid handles
    // a real one (its own events follow). Bad rows, columns, keys and items raise VbError 9.
    virtual void selectGridRows(const std::vector<int> &rows) = 0;
    virtual void clickGridCell(int row, int column) = 0;
    virtual void pressGridMouse(int button, int shift, int x, int y) = 0;
    virtual void releaseGridMouse(int button, int shift, int x, int y) = 0;
    virtual void clickGridColumn(const QString &key) = 0;
    // The centre of a cell in view, in grid pixels.
    [[nodiscard]] virtual std::pair<int, int> gridCellPoint(int row, int column) = 0;
    // Runs an item of the event menu or of its type-filter submenu as choosing it does.
    virtual void runEventMenuItem(int index) = 0;
    virtual void runFilterMenuItem(int index) = 0;
    // One operator action on the properties dialog ("control", "click", "focus", "keypress", "tab");
    // the reason when it cannot be carried out, else the empty text.
    [[nodiscard]] virtual QString runDialogAction(const QByteArray &commandJson) = 0;
};

} // namespace Ostraven

namespace Ostraven {

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
