#include "event.h"

#include "eventintake.h"

#include "probe/eventprobe.h"
#include "menus/fmenu.h"
#include "module/mpublic.h"
#include "persist/corvanpersist.h"
#include "viewer/fevents.h"
#if OSTRAVEN_PROBE
#include "probe/eventprober.h"
#endif

#include <atomic>

namespace Ostraven {

namespace {

std::atomic<qint32> liveEventObjects{0};

bool is(const QString &member, const char *name)
{
    return member.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

Variant &argument(Args &args, std::size_t index)
{
    if (args.size() <= index)
        throw VbError(449, QStringLiteral("Argument not optional"));
    return args[index];
}

DispatchPtr objectArgument(Args &args, std::size_t index)
{
    Variant &value = argument(args, index);
    if (value.isEmpty() || value.isNull())
        return nullptr;
    if (!value.isObject())
        throw VbError::fromNumber(VbError::TypeMismatch);
    return value.asObject();
}

} // namespace

Event::Event(std::shared_ptr<MPublic> module) : m_module(std::move(module))
{
    ++liveEventObjects;
}

Event::~Event()
{
    --liveEventObjects;
}

// Made on first request, and only in a component built with the probe: the shipped one has no such
// door and answers the interface with nothing.
EventProbe *Event::probe()
{
#if OSTRAVEN_PROBE
    if (!m_probe)
        m_probe = std::make_unique<EventProber>(m_module);
    return m_probe.get();
#else
    return nullptr;
#endif
}

qint32 Event::liveObjects()
{
    return liveEventObjects.load();
}

void *Event::queryInterface(const QUuid &iid)
{
    if (iid == _Event::IID)
        return static_cast<_Event *>(this);
    if (iid == Com::IID_IDispatch)
        return static_cast<Dispatch *>(this);
    if (iid == EventProbe::IID)
        return probe();
    return nullptr;
}

// The by-name face of the same members: arguments are converted as the platform converts them for a
// typed parameter, and a conversion that fails is the caller's error, raised before the member runs.
Variant Event::invoke(const QString &member, InvokeKind kind, Args &args)
{
    const bool put = kind == InvokeKind::Put || kind == InvokeKind::PutRef;
    if (put && is(member, "IsAdmin")) {
        bool value = CBool(argument(args, 0));
        put_IsAdmin(value);
        return {};
    }
    if (put && is(member, "EventQueueID")) {
        qint32 value = CLng(argument(args, 0));
        put_EventQueueID(value);
        return {};
    }
    if (!put && is(member, "EventQueueID")) {
        qint32 value = 0;
        get_EventQueueID(&value);
        return value;
    }
    if (put && is(member, "CurrentProfileID")) {
        put_CurrentProfileID(CLng(argument(args, 0)));
        return {};
    }
    if (put && is(member, "ViewerFont")) {
        put_ViewerFont(CStr(argument(args, 0)));
        return {};
    }
    if (put && is(member, "TimeFormat")) {
        put_TimeFormat(CBool(argument(args, 0)));
        return {};
    }
    if (put && is(member, "QueueObject")) {
        DispatchPtr value = objectArgument(args, 0);
        putref_QueueObject(value);
        return {};
    }
    if (put && is(member, "NTConnection")) {
        putref_NTConnection(objectArgument(args, 0));
        return {};
    }
    if (put && is(member, "DBConnection")) {
        putref_DBConnection(objectArgument(args, 0));
        return {};
    }
    if (put && is(member, "Parent")) {
        DispatchPtr value = objectArgument(args, 0);
        putref_Parent(value);
        return {};
    }
    if (put)
        throw memberNotSupported(member);

    if (is(member, "AddZK2Message")) {
        DispatchPtr message = objectArgument(args, 0);
        AddZK2Message(message);
        return {};
    }
    if (is(member, "AddNewEvent")) {
        DispatchPtr object = objectArgument(args, 0);
        if (!object)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        HostEventRecord record = hostEventRecordFrom(*object);
        AddNewEvent(record);
        return {};
    }
    if (is(member, "cAddEvent")) {
        QString text = CStr(argument(args, 0));
        cAddEvent(text);
        return {};
    }
    if (is(member, "ShutDown")) {
        bool result = false;
        ShutDown(&result);
        return result;
    }
    if (is(member, "OnUserSwitch"))
        return OnUserSwitch(), Variant();
    if (is(member, "cUnload"))
        return cUnload(), Variant();
    if (is(member, "ReShow"))
        return ReShow(), Variant();
    if (is(member, "Show"))
        return Show(), Variant();
    throw memberNotSupported(member);
}

HResult Event::AddZK2Message(DispatchPtr &oMsg)
{
    EventIntake(*m_module).AddZK2Message(oMsg);
    return Com::S_OK;
}

// The editing right is stored as given; this member has no error handler of its own.
HResult Event::put_IsAdmin(bool &value)
{
    m_module->host.IsAdmin = value;
    return Com::S_OK;
}

HResult Event::OnUserSwitch()
{
    guarded(m_module->errors(), QStringLiteral("Event.OnUserSwitch"), [&] { m_module->windows().events().startUserSwitchTimer(); });
    return Com::S_OK;
}

// Accepted for the host's sake; the viewer takes its events through AddNewEvent and AddZK2Message.
HResult Event::putref_QueueObject(DispatchPtr &)
{
    return Com::S_OK;
}

HResult Event::AddNewEvent(HostEventRecord &oEvent)
{
    EventIntake(*m_module).AddNewEvent(oEvent);
    return Com::S_OK;
}

HResult Event::put_EventQueueID(qint32 &value)
{
    guarded(m_module->errors(), QStringLiteral("Event.host.EventQueueID(Let)"), [&] { m_module->host.EventQueueID = value; });
    return Com::S_OK;
}

HResult Event::get_EventQueueID(qint32 *value)
{
    if (!value)
        return Com::E_POINTER;
    *value = 0;
    guarded(m_module->errors(), QStringLiteral("Event.host.EventQueueID(Get)"), [&] { *value = m_module->host.EventQueueID; });
    return Com::S_OK;
}

HResult Event::ShutDown(bool *result)
{
    if (result)
        *result = false;
    guarded(m_module->errors(), QStringLiteral("Event.ShutDown"), [&] {
        m_module->windows().unloadEvents();
        m_module->windows().unloadCustom();
        m_module->windows().unloadMenu();
        m_module->parent().callWith(QStringLiteral("CallBack"), QStringLiteral("EVENTVIEWER"), qint32(0),
                                    QStringLiteral("UNLOAD"));
        m_module->host.Parent.reset();
    });
    return Com::S_OK;
}

HResult Event::cUnload()
{
    guarded(m_module->errors(), QStringLiteral("Event.cUnload"), [&] { m_module->windows().unloadEvents(); });
    return Com::S_OK;
}

// Bringing the window forward is a courtesy: a window that is not there or cannot take the focus
// is no reason to trouble the operator.
HResult Event::ReShow()
{
    ignoringErrors([&] {
        if (m_module->windows().isEventsLoaded())
            m_module->windows().events().takeFocus();
    });
    return Com::S_OK;
}

HResult Event::putref_NTConnection(DispatchPtr value)
{
    guarded(m_module->errors(), QStringLiteral("Event.host.NTConnection(Set)"), [&] { m_module->host.NTConnection = std::move(value); });
    return Com::S_OK;
}

HResult Event::put_CurrentProfileID(qint32 value)
{
    guarded(m_module->errors(), QStringLiteral("Event.host.CurrentProfileID(Let)"), [&] { m_module->host.CurrentProfileID = value; });
    return Com::S_OK;
}

// The viewer keeps its own font and time display; these are accepted so that hosts may set them.
HResult Event::put_ViewerFont(QString)
{
    return Com::S_OK;
}

HResult Event::put_TimeFormat(bool)
{
    return Com::S_OK;
}

HResult Event::cAddEvent(QString &)
{
    return Com::S_OK;
}

HResult Event::putref_DBConnection(DispatchPtr value)
{
    guarded(m_module->errors(), QStringLiteral("Event.host.DBConnection(Set)"), [&] {
        auto connection = std::dynamic_pointer_cast<Connection>(value);
        if (!connection)
            throw VbError::fromNumber(VbError::TypeMismatch);
        m_module->host.DBConnection = std::move(connection);
    });
    return Com::S_OK;
}

HResult Event::putref_Parent(DispatchPtr &value)
{
    guarded(m_module->errors(), QStringLiteral("Event.host.Parent(Set)"), [&] { m_module->host.Parent = value; });
    return Com::S_OK;
}

HResult Event::Show()
{
    guarded(m_module->errors(), QStringLiteral("Event.Show"), [&] {
        CorvanPersist persist(*m_module);
        persist.LoadPersistence();
        FEvents &window = m_module->windows().events();
        persist.SetPosition(window);
        if (m_module->profile.LoadCachedEvents)
            m_module->windows().menu().mnuFilterArray_Click(m_module->profile.TypeFilter);
        m_module->parent().callWith(QStringLiteral("CallBack"), QStringLiteral("EVENTVIEWER"), window.handle(),
                                    QStringLiteral("LOAD"));
    });
    return Com::S_OK;
}

HostEventRecord hostEventRecordFrom(Dispatch &record)
{
    HostEventRecord result;
    result.eventNumber = CLng(record.get(QStringLiteral("EventNumber")));
    result.address = CStr(record.get(QStringLiteral("Address")));
    result.hostDate = CDate(record.get(QStringLiteral("HostDate")));
    result.controllerDate = CDate(record.get(QStringLiteral("ControllerDate")));
    result.typeCode = CLng(record.get(QStringLiteral("TypeCode")));
    result.messageText = CStr(record.get(QStringLiteral("MessageText")));
    return result;
}

} // namespace Ostraven
