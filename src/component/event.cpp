#include "event.h"

#include "eventintake.h"
#include "componentsnapshot.h"

#include "customise/dialogcontrol.h"
#include "filters/mpublic.h"
#include "menus/fmenu.h"
#include "persist/corvanpersist.h"
#include "viewer/fevents.h"

#include "platform/keycodes.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMouseEvent>

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
    if (iid == EventInspection::IID)
        return static_cast<EventInspection *>(this);
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
    m_module->IsAdmin = value;
    return Com::S_OK;
}

HResult Event::OnUserSwitch()
{
    guarded(m_module->errors(), QStringLiteral("Event.OnUserSwitch"), [&] { m_module->events().startUserSwitchTimer(); });
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
    guarded(m_module->errors(), QStringLiteral("Event.EventQueueID(Let)"), [&] { m_module->EventQueueID = value; });
    return Com::S_OK;
}

HResult Event::get_EventQueueID(qint32 *value)
{
    if (!value)
        return Com::E_POINTER;
    *value = 0;
    guarded(m_module->errors(), QStringLiteral("Event.EventQueueID(Get)"), [&] { *value = m_module->EventQueueID; });
    return Com::S_OK;
}

HResult Event::ShutDown(bool *result)
{
    if (result)
        *result = false;
    guarded(m_module->errors(), QStringLiteral("Event.ShutDown"), [&] {
        m_module->unloadEvents();
        m_module->unloadCustom();
        m_module->unloadMenu();
        m_module->parent().callWith(QStringLiteral("CallBack"), QStringLiteral("EVENTVIEWER"), qint32(0),
                                    QStringLiteral("UNLOAD"));
        m_module->Parent.reset();
    });
    return Com::S_OK;
}

HResult Event::cUnload()
{
    guarded(m_module->errors(), QStringLiteral("Event.cUnload"), [&] { m_module->unloadEvents(); });
    return Com::S_OK;
}

// Bringing the window forward is a courtesy: a window that is not there or cannot take the focus
// is no reason to trouble the operator.
HResult Event::ReShow()
{
    ignoringErrors([&] {
        if (m_module->isEventsLoaded())
            m_module->events().takeFocus();
    });
    return Com::S_OK;
}

HResult Event::putref_NTConnection(DispatchPtr value)
{
    guarded(m_module->errors(), QStringLiteral("Event.NTConnection(Set)"), [&] { m_module->NTConnection = std::move(value); });
    return Com::S_OK;
}

HResult Event::put_CurrentProfileID(qint32 value)
{
    guarded(m_module->errors(), QStringLiteral("Event.CurrentProfileID(Let)"), [&] { m_module->CurrentProfileID = value; });
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
    guarded(m_module->errors(), QStringLiteral("Event.DBConnection(Set)"), [&] {
        auto connection = std::dynamic_pointer_cast<Connection>(value);
        if (!connection)
            throw VbError::fromNumber(VbError::TypeMismatch);
        m_module->DBConnection = std::move(connection);
    });
    return Com::S_OK;
}

HResult Event::putref_Parent(DispatchPtr &value)
{
    guarded(m_module->errors(), QStringLiteral("Event.Parent(Set)"), [&] { m_module->Parent = value; });
    return Com::S_OK;
}

HResult Event::Show()
{
    guarded(m_module->errors(), QStringLiteral("Event.Show"), [&] {
        CorvanPersist persist(*m_module);
        persist.LoadPersistence();
        FEvents &window = m_module->events();
        persist.SetPosition(window);
        if (m_module->LoadCachedEvents)
            m_module->menu().mnuFilterArray_Click(m_module->TypeFilter);
        m_module->parent().callWith(QStringLiteral("CallBack"), QStringLiteral("EVENTVIEWER"), window.handle(),
                                    QStringLiteral("LOAD"));
    });
    return Com::S_OK;
}

QByteArray Event::snapshotJson()
{
    return QJsonDocument(snapshotOf(*m_module)).toJson(QJsonDocument::Compact);
}

QString Event::runDialogAction(const QByteArray &commandJson)
{
    if (!m_module->isCustomLoaded())
        return QStringLiteral("the properties dialog is not loaded");
    try {
        DialogControl(m_module->custom()).run(QJsonDocument::fromJson(commandJson).object());
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

QString Event::errorLogPath()
{
    return m_module->errors().logFilePath();
}

bool Event::addEventLine(const QString &line)
{
    return m_module->events().AddEvent(line, true);
}

namespace {

constexpr int suspendScrollingItem = 3;

VbError outOfRange(const QString &what)
{
    return VbError(VbError::SubscriptOutOfRange, QStringLiteral("Subscript out of range: ") + what);
}

GridControl &loadedGrid(MPublic &module)
{
    if (!module.isEventsLoaded())
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: the viewer window is not loaded"));
    return *module.events().vGrid;
}

void checkCell(const GridControl &grid, int row, int column)
{
    if (row < 1 || row > grid.rowCount())
        throw outOfRange(QStringLiteral("no row %1 in a grid of %2").arg(row).arg(grid.rowCount()));
    if (column < 1 || column > grid.columnCount())
        throw outOfRange(QStringLiteral("no column %1 in a grid of %2").arg(column).arg(grid.columnCount()));
}

Qt::MouseButton qtButtonOf(int button)
{
    switch (button) {
    case 1:
        return Qt::LeftButton;
    case 2:
        return Qt::RightButton;
    case 4:
        return Qt::MiddleButton;
    default:
        throw outOfRange(QStringLiteral("no mouse button %1 (1 left, 2 right, 4 middle)").arg(button));
    }
}

void sendGridMouse(GridControl &grid, QEvent::Type type, int button, int shift, int x, int y)
{
    const Qt::MouseButton qtButton = qtButtonOf(button);
    const QPointF at = QPointF(x, y) - QPointF(grid.viewport()->geometry().topLeft());
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(qtButton) : Qt::NoButton;
    QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), qtButton, held, qtModifiersOf(shift));
    QApplication::sendEvent(grid.viewport(), &event);
}

} // namespace

void Event::setScrollSuspended(bool suspended)
{
    if (m_module->scrollSuspended != suspended)
        runEventMenuItem(suspendScrollingItem);
}

void Event::selectGridRows(const std::vector<int> &rows)
{
    GridControl &grid = loadedGrid(*m_module);
    for (const int row : rows)
        checkCell(grid, row, 1);
    grid.clearSelection();
    for (const int row : rows)
        grid.setCellSelected(row, 1, true);
}

void Event::clickGridCell(int row, int column)
{
    GridControl &grid = loadedGrid(*m_module);
    checkCell(grid, row, column);
    Q_EMIT grid.cellClicked(row, column);
}

void Event::pressGridMouse(int button, int shift, int x, int y)
{
    sendGridMouse(loadedGrid(*m_module), QEvent::MouseButtonPress, button, shift, x, y);
}

void Event::releaseGridMouse(int button, int shift, int x, int y)
{
    sendGridMouse(loadedGrid(*m_module), QEvent::MouseButtonRelease, button, shift, x, y);
}

void Event::clickGridColumn(const QString &key)
{
    GridControl &grid = loadedGrid(*m_module);
    const int column = grid.findColumn(key);
    if (column == 0)
        throw outOfRange(QStringLiteral("no column keyed \"%1\"").arg(key));
    Q_EMIT grid.columnClicked(column);
}

std::pair<int, int> Event::gridCellPoint(int row, int column)
{
    GridControl &grid = loadedGrid(*m_module);
    checkCell(grid, row, column);
    grid.ensureVisible(row, column);
    const QRect cell = grid.cellRect(row, column);
    if (cell.isEmpty())
        throw outOfRange(QStringLiteral("cell (%1, %2) is not in view").arg(row).arg(column));
    const QPoint centre = cell.center() + grid.viewport()->geometry().topLeft();
    return {centre.x(), centre.y()};
}

void Event::runEventMenuItem(int index)
{
    if (index < 0 || index >= FMenu::eventItemCount)
        throw outOfRange(QStringLiteral("no event menu item %1 (0 to 12)").arg(index));
    m_module->menu().mnuEventArray_Click(index);
}

void Event::runFilterMenuItem(int index)
{
    if (index < 0 || index >= FMenu::filterItemCount)
        throw outOfRange(QStringLiteral("no type filter item %1 (0 to 9)").arg(index));
    m_module->menu().mnuFilterArray_Click(index);
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
