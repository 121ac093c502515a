#include "fevents.h"

#include "archiveloader.h"
#include "eventadmission.h"
#include "eventcolouring.h"
#include "intakesource.h"

#include "filters/permissions.h"
#include "filters/timezones.h"
#include "model/cgenericevent.h"
#include "model/eventnumbers.h"
#include "module/mpublic.h"
#include "persist/corvanpersist.h"

#include "platform/db/sqlliteral.h"
#include "platform/desktop/desktopservices.h"
#include "platform/desktop/windowstacking.h"
#include "platform/digitpairs.h"
#include "platform/keycodes.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include <array>
#include <span>

namespace Ostraven {

namespace {

constexpr int refreshInterval = 40;
constexpr int switchFirstInterval = 250;
constexpr int switchLaterInterval = 100;
constexpr int switchReloadTick = 5;
constexpr int cellFlags = 0x40020; // single line, word ellipsis
const QString columnHeadersSetting = QStringLiteral("ColumnHeaders");
constexpr int rightButton = 2;

// The platform's "= True": a Boolean True or the number -1, nothing else.
bool equalsTrue(const Variant &value)
{
    if (value.type() == VarType::Boolean)
        return value.asBool();
    return value.isNumber() && CDbl(value) == -1.0;
}

const QString useObjectDefault = QStringLiteral("Use Object Default");
const QString fieldSeparator = QStringLiteral("][");

struct BuiltInColumn {
    const char *key;
    qint32 resource; // 0: the caption is the key itself
    int width;
    bool visible;
};

// The seven columns the viewer knows, in their built-in order.
constexpr std::array<BuiltInColumn, 7> builtInColumns{{
    {"dbTime", 430, 135, true},
    {"Description", 431, 485, true},
    {"Address", 433, 130, true},
    {"Type", 434, 134, true},
    {"ID", 435, 58, true},
    {"dtTime", 436, 139, false},
    {"NotUsed", 0, -1, false},
}};

const BuiltInColumn *builtInColumn(const QString &key)
{
    for (const BuiltInColumn &column : builtInColumns) {
        if (key == QLatin1String(column.key))
            return &column;
    }
    return nullptr;
}

} // namespace

FEvents::FEvents(MPublic &module) : m_module(module)
{
    setObjectName(QStringLiteral("FEvents"));
    setWindowTitle(QStringLiteral("Event Viewer"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(900, 480);

    vGrid = new GridControl(this);
    vGrid->setObjectName(QStringLiteral("vGrid"));

    timerRefresh.setInterval(refreshInterval);
    connect(&timerRefresh, &QTimer::timeout, this, &FEvents::timerRefresh_Timer);
    connect(vGrid, &GridControl::cellClicked, this, &FEvents::vGrid_CellClick);
    connect(vGrid, &GridControl::columnClicked, this, &FEvents::vGrid_ColumnClick);
    connect(vGrid, &GridControl::mouseUp, this, &FEvents::vGrid_MouseUp);
    vGrid->setMouseDownHandler([this](int button, int shift, int x, int y) {
        bool doDefault = true;
        vGrid_MouseDown(button, shift, x, y, doDefault);
        return doDefault;
    });
    tTemp.setInterval(switchFirstInterval);
    connect(&tTemp, &QTimer::timeout, this, &FEvents::tTemp_Timer);
}

FEvents::~FEvents() = default;

void FEvents::load()
{
    timerRefresh.start();
    Form_Load();
}

bool FEvents::unload()
{
    bool cancel = false;
    Form_QueryUnload(cancel, 1);
    if (cancel)
        return false;
    Form_Unload(cancel);
    if (cancel)
        return false;
    timerRefresh.stop();
    tTemp.stop();
    m_unloaded = true;
    return true;
}

qint32 FEvents::handle()
{
    return qint32(winId());
}

void FEvents::takeFocus()
{
    if (!isVisible())
        throw VbError::fromNumber(VbError::InvalidProcedureCall);
    WindowStacking::bringToFront(*this);
    setFocus();
}

void FEvents::startUserSwitchTimer()
{
    tTemp.start();
}

void FEvents::Form_Load()
{
    guarded(m_module.errors(), QStringLiteral("FEvents: Form_Load"), [&] {
        m_module.view.zk2Hardware = CBool(m_module.nt().get(QStringLiteral("ZK2IsTm5HardwareSupportEnabled")));
        LoadResources();
        vGrid->move(0, 0);
        SetPreferences();
    });
}

// The localisation set-up hands its failures to the host: a missing translation is no reason to
// stop the window from opening.
void FEvents::LoadResources()
{
    guardedWithDetail(m_module.errors(), QStringLiteral("LoadResources"), Variant(QStringLiteral("Localizer1")), [&] {
        vGrid->setTag(QStringLiteral("-1"));
        setProperty("tag", QStringLiteral("-1"));
        if (!CBool(m_module.nt().get(QStringLiteral("EnableCustomize"))))
            return;
        Localizer1.setConnection(m_module.host.DBConnection);
        Localizer1.setWindowNumber(54);
        Localizer1.setVersion(ErrorHandling::fileVersion());
        Localizer1.localize(this);
    });
}

void FEvents::Form_Resize()
{
    ignoringErrors([&] { vGrid->setGeometry(0, 0, width(), height()); });
}

void FEvents::Form_KeyUp(int KeyCode, int Shift)
{
    if (KeyCode == KeyCode::F5)
        (void)reloadArchive();
    if (KeyCode == 'A' && Shift == ShiftState::Ctrl) {
        const int description = vGrid->columnIndex(QStringLiteral("Description"));
        for (int row = 1; row <= vGrid->rowCount(); ++row)
            vGrid->setCellSelected(row, description, true);
        vGrid->setRedraw(true);
    }
    if (KeyCode == 'C' && Shift == ShiftState::Ctrl)
        copyToClipboard();
}

void FEvents::Form_Deactivate()
{
    guarded(m_module.errors(), QStringLiteral("FEvents.Form_Deactivate"), [&] {
        vGrid->setRedraw(false);
        for (int row = 1; row <= vGrid->rowCount(); ++row)
            vGrid->setCellSelected(row, 1, false);
        vGrid->setRedraw(true);
    });
}

void FEvents::Form_QueryUnload(bool &Cancel, int)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.Form_QueryUnload"), [&] {
        if (m_module.view.closeGuard)
            Cancel = true;
    });
}

void FEvents::Form_Unload(bool &Cancel)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.Form_Unload"), [&] {
        if (m_module.view.closeGuard)
            Cancel = true;
        if (equalsTrue(m_module.parent().get(QStringLiteral("Connected")))) {
            const QString headers = columnHeaderString();
            if (m_module.view.restoreDefaults) {
                m_module.profile.ColumnHeaders = useObjectDefault;
                m_module.profile.MaxLines = 100;
                m_module.profile.MaxLinesSetting = 100;
                m_module.profile.unreadSettings.remove(columnHeadersSetting);
                m_module.profile.unreadSettings.remove(QStringLiteral("MaxLines"));
            } else if (!m_module.profile.unreadSettings.contains(columnHeadersSetting)) {
                // A grid whose columns never came from the setting has nothing of the operator's to save.
                m_module.profile.ColumnHeaders = headers;
            }
            saveProfile();
        }
        Localizer1.windowUnloaded(quintptr(winId()));
        m_module.parent().callWith(QStringLiteral("CallBack"), QStringLiteral("EVENTVIEWER"), qint32(0),
                                   QStringLiteral("UNLOAD"));
    });
}

QString FEvents::columnHeaderString() const
{
    QStringList elements;
    for (int column = 1; column <= vGrid->columnCount(); ++column) {
        elements << vGrid->columnKey(column) + fieldSeparator + vGrid->columnHeader(column) + fieldSeparator
                        + QString::number(vGrid->columnPosition(column)) + fieldSeparator
                        + QString::number(vGrid->columnWidth(column)) + fieldSeparator
                        + (vGrid->columnVisible(column) ? QStringLiteral("True") : QStringLiteral("False"));
    }
    return elements.join(QLatin1Char(','));
}

// Rows are added with drawing off; the third tick paints the burst once and shows the newest row.
void FEvents::timerRefresh_Timer()
{
    if (m_refreshTicks < 2) {
        ++m_refreshTicks;
        return;
    }
    if (vGrid->rowCount() >= 1) {
        vGrid->setRedraw(true);
        vGrid->ensureVisible(m_module.profile.DisplayEventsAtTop ? 1 : vGrid->rowCount(), 1);
    }
    timerRefresh.stop();
    m_refreshTicks = 0;
}

void FEvents::tTemp_Timer()
{
    tTemp.setInterval(switchLaterInterval);
    ++m_switchTicks;
    if (m_switchTicks != switchReloadTick)
        return;
    vGrid->clear();
    (void)reloadArchive();
    m_switchTicks = 0;
    tTemp.stop();
}

// F5 and the operator switch replay the archive with no condition of their own.
bool FEvents::reloadArchive()
{
    return ArchiveLoader(m_module).LoadArchivedEvents(QString());
}

void FEvents::saveProfile()
{
    CorvanPersist(m_module).SavePersistence(*this);
}

void FEvents::copyToClipboard()
{
    m_module.windows().runMenuCommand(5);
}

void FEvents::vGrid_CellClick(int, int)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.vGrid_CellClick"), [&] { m_cellClicked = true; });
}

// A right-button press inside a selection of several rows keeps them all selected, so the menu
// acts on the whole selection.
void FEvents::vGrid_MouseDown(int Button, int, int, int, bool &bDoDefault)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.vGrid_MouseDown"), [&] {
        int selected = 0;
        for (int row = 1; row <= vGrid->rowCount(); ++row) {
            if (vGrid->cellSelected(row, QStringLiteral("Address")))
                ++selected;
        }
        if (Button == rightButton && selected >= 2)
            bDoDefault = false;
        takeFocus();
    });
}

// A release that did not follow a click on a cell landed on empty grid space: it clears the
// selection.
void FEvents::vGrid_MouseUp(int Button, int, int, int)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.vGrid_MouseUp"), [&] {
        if (Button == rightButton)
            m_module.windows().popUpMenu();
        if (!m_cellClicked) {
            for (int row = 1; row <= vGrid->rowCount(); ++row)
                vGrid->setCellSelected(row, 1, false);
            vGrid->setRedraw(true);
        }
        m_cellClicked = false;
    });
}

// The column's mark remembers which way its next click sorts.
void FEvents::vGrid_ColumnClick(int Col)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.vGrid_ColumnClick"), [&] {
        vGrid->clearSortKeys();
        QString mark = vGrid->columnTag(Col);
        SortOrder order = SortOrder::Ascending;
        if (!mark.isEmpty()) {
            mark.clear();
            order = SortOrder::Descending;
        } else {
            mark = QStringLiteral("DESC");
        }
        vGrid->setColumnTag(Col, mark);

        const QString key = vGrid->columnKey(Col);
        SortType sortType = SortType::Text;
        if (key == QLatin1String("ID"))
            sortType = SortType::Number;
        else if (key == QLatin1String("dtTime") || key == QLatin1String("dbTime"))
            sortType = SortType::DateTime;
        vGrid->addSortKey(Col, order, sortType);

        DesktopServices &desktop = m_module.desktop();
        desktop.setBusyCursor(true);
        ignoringErrors([&] { vGrid->sort(); });
        desktop.setBusyCursor(false);
    });
}

namespace {

// The log that holds the events of a type code; empty for codes without one.
QString credentialLogTable(qint32 eventType)
{
    switch (eventType) {
    case 0:
        return QStringLiteral("AlarmActive");
    case 3:
        return QStringLiteral("Log_Transactions");
    case 4:
        return QStringLiteral("Log_Misc");
    default:
        return {};
    }
}

// The type filter index a second-family text event needs, by its category; 0 when any passes.
int requiredIndexForCategory(const QString &category)
{
    static const QHash<QString, int> indexes{
        {QStringLiteral("ZekoSeries External"), 4},      {QStringLiteral("ZekoSeries Internal"), 3},
        {QStringLiteral("ZekoSeries Miscellaneous"), 8}, {QStringLiteral("ZekoSeries Misc"), 8},
        {QStringLiteral("ZekoSeries Software"), 1},      {QStringLiteral("ZekoSeries Transaction"), 2},
        {QStringLiteral("ZekoSeries Alarm"), 5},
    };
    return indexes.value(category, 0);
}

// The same for a second-family record, by its type code.
int requiredIndexForRecord(const cGenericEvent &record)
{
    switch (record.EventType()) {
    case 22:
        return 4;
    case 21:
        return 3;
    case 24:
        return 8;
    case 55:
        return record.ZEKOEventSubType() >= 6000 && record.ZEKOEventSubType() <= 6999 ? 6 : 1;
    case 20:
        return 2;
    case 0:
        return 5;
    default:
        return 0;
    }
}

// A text line: controller time, host time, address, event number, category, description, then the
// credential and host numbers the routing check reads. Fields are read as each step needs them.
class LineSource final : public IntakeSource
{
public:
    explicit LineSource(QStringList fields) : m_fields(std::move(fields)) {}

    bool routingDenied(MPublic &module, qint32 user, qint32 workstation) override
    {
        return Permissions(module).Role_EventDenied(user, workstation, CLng(Variant(field(3))), field(2),
                                                    CLng(Variant(field(6))), CLng(Variant(field(7))), 0, 0);
    }
    Date routingTime() override { return CDate(Variant(MPublic::CleanDateStr(field(1)))); }
    bool admitted(MPublic &module) override { return EventAdmission(module).CheckEvent(m_fields); }
    qint32 eventNumber() override { return CLng(Variant(field(3))); }
    int requiredTypeIndex() override { return requiredIndexForCategory(field(4)); }
    qint64 colour(MPublic &module) override { return EventColouring(module).AssignColor(eventNumber(), field(4)); }
    RowTexts row() override
    {
        m_category = field(4);
        m_category.replace(QStringLiteral("ZEKO Software"), QStringLiteral("Software"));
        m_category.replace(QStringLiteral("ZEKO Programming"), QStringLiteral("Software"));
        m_controllerTime = FEvents::PadMidnight(field(0));
        m_hostTime = FEvents::PadMidnight(field(1));
        return {m_controllerTime, m_hostTime, field(2), field(3), m_category, field(5)};
    }

private:
    const QString &field(int index) const
    {
        if (index >= m_fields.size())
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        return m_fields.at(index);
    }

    QStringList m_fields;
    QString m_controllerTime;
    QString m_hostTime;
    QString m_category;
};

// A record, as the host's live events and the second family's messages arrive.
class RecordSource final : public IntakeSource
{
public:
    RecordSource(cGenericEvent &record, bool showMilliseconds, Date::DayText &dayText)
        : m_record(record), m_milliseconds(showMilliseconds), m_controllerTime(dayText), m_hostTime(dayText)
    {
    }

    bool routingDenied(MPublic &module, qint32 user, qint32 workstation) override
    {
        return Permissions(module).Role_EventDenied(user, workstation, m_record.EventID(), m_record.Address(),
                                                    m_record.CredID1(), m_record.CredID2(), m_record.HostID1(),
                                                    m_record.HostID2());
    }
    // Through the date's text, as the time-zone check has always seen it: to the whole second.
    Date routingTime() override { return CDate(Variant(MPublic::CleanDateStr(CStr(Variant(m_record.EventDate()))))); }
    bool admitted(MPublic &module) override { return EventAdmission(module).CheckGenericEvent(m_record); }
    qint32 eventNumber() override { return m_record.EventID(); }
    int requiredTypeIndex() override { return requiredIndexForRecord(m_record); }
    qint64 colour(MPublic &module) override { return m_record.Color(module.profile.colourSlots); }
    RowTexts row() override
    {
        m_type = cGenericEvent::GetEventDescription(m_record.EventType());
        return {m_controllerTime.of(m_record.EventDate(), m_milliseconds),
                m_hostTime.of(m_record.HostDate(), m_milliseconds), m_record.Address(), number(m_record.EventID()),
                m_type, m_record.Description()};
    }

private:
    // A date cell's text, kept here while the row is written. The default form of a date whose text
    // reads back (years 100 to 9999) shows a time unless the time is below one second, and only then
    // reads back as midnight: the padding is decided without reading the text back. Other years keep
    // the round trip and whatever it reports; the no-date year 1800 shows nothing.
    class TimeText
    {
    public:
        explicit TimeText(Date::DayText &dayText) : m_dayText(dayText) {}

        QStringView of(const Date &date, bool milliseconds)
        {
            if (milliseconds) {
                m_other = FEvents::FormatDateMS(date);
                return m_other;
            }
            // A software event's controller time is the no-date itself: shown as nothing without
            // taking it apart, which would also make the next live date's day be written again.
            if (date == noDate)
                return {};
            m_text = date.text(m_dayText);
            if (m_text.year == 1800)
                return {};
            if (m_text.year < 100 || m_text.year > 9999) {
                m_other = FEvents::PadMidnight(date.toString());
                return m_other;
            }
            if (m_text.millisecondsOfDay < 1000) {
                // A date alone (at most ten characters) or day 0's time: room enough.
                for (const QChar c : QStringView(u" 00:00:00"))
                    m_text.chars[m_text.size++] = c.unicode();
            }
            return m_text.view();
        }

    private:
        static inline const Date noDate = Date::nullDate();
        Date::DayText &m_dayText;
        Date::Text m_text;
        QString m_other;
    };

    // The event number as QString::number writes it.
    QStringView number(qint32 value)
    {
        // Written from the end, two digits at a time.
        const auto &pairs = digitPairs;
        char16_t *const end = m_id + std::size(m_id);
        char16_t *at = end;
        quint32 rest = value < 0 ? 0u - quint32(value) : quint32(value);
        while (rest >= 100) {
            const std::size_t pair = 2 * std::size_t(rest % 100);
            rest /= 100;
            *--at = pairs[pair + 1];
            *--at = pairs[pair];
        }
        if (rest >= 10) {
            *--at = pairs[2 * std::size_t(rest) + 1];
            *--at = pairs[2 * std::size_t(rest)];
        } else {
            *--at = char16_t(u'0' + rest);
        }
        if (value < 0)
            *--at = u'-';
        return {at, end - at};
    }

    cGenericEvent &m_record;
    bool m_milliseconds;
    TimeText m_controllerTime;
    TimeText m_hostTime;
    char16_t m_id[12];
    QString m_type;
};

} // namespace


bool FEvents::pEventHasCredential(qint32 EventType, const QString &sDate, const QString &sDesc)
{
    bool result = false;
    guarded(m_module.errors(), QStringLiteral("FEvents.pEventHasCredential"), [&] {
        const QString table = credentialLogTable(EventType);
        if (table.isEmpty())
            return;
        const QString sql = QStringLiteral("Select UID1 From ") + table + QStringLiteral(" Where dtDate = '")
                            + CStr(m_module.nt().callWith(QStringLiteral("USDate"), sDate))
                            + QStringLiteral("' and Description = '") + m_module.FixA(sDesc) + QStringLiteral("'");
        auto rows = m_module.db().openRecordset(sql);
        for (; !rows->eof(); rows->moveNext())
            result = CLng(rows->field(QStringLiteral("UID1"))) > 0;
        rows->close();
    });
    return result;
}

// Only the transaction log carries the event number that tells the two controller families'
// doors apart. Alarm and miscellaneous rows are told apart by their address instead: the second
// family's addresses begin with \\ZEKO, and its doors are named after those addresses.
void FEvents::pGetPhotoInfo(qint32 EventType, qint32 &lCredID, qint32 &lDoorID, const QString &sDate,
                            const QString &sDesc)
{
    guarded(m_module.errors(), QStringLiteral("FEvents.pGetPhotoInfo"), [&] {
        if (!IsDate(Variant(sDate)))
            return;
        QString sql;
        switch (EventType) {
        case 0:
            sql = QStringLiteral("Select UID1, Address From AlarmActive Where dtDate = '");
            break;
        case 4:
            sql = QStringLiteral("Select UID1, NetAddress From Log_Misc Where dtDate = '");
            break;
        case 3:
            sql = QStringLiteral("Select UID1, NetAddress, Event From Log_Transactions Where dtDate = '");
            break;
        default:
            return;
        }
        sql += CStr(m_module.nt().callWith(QStringLiteral("USDate"), sDate)) + QStringLiteral("' and Description = '")
               + m_module.FixA(sDesc) + QStringLiteral("'");

        Connection &db = m_module.db();
        auto rows = db.openRecordset(sql);
        for (; !rows->eof(); rows->moveNext()) {
            lCredID = CLng(rows->field(0));
            const QString address = CStr(rows->field(1));
            const bool secondFamily = rows->fieldCount() > 2
                                          ? EventNumbers::isSecondFamily(CLng(rows->field(2)))
                                          : address.startsWith(QLatin1String(R"(\\ZEKO)"));
            const QString doors = secondFamily ? QStringLiteral("Select DoorID From ZEKO_Doors Where Address = '")
                                               : QStringLiteral("Select DoorID From Doors Where Address = '");
            auto door = db.openRecordset(doors + doubledQuotes(GetDoorAddress(address)) + QStringLiteral("'"));
            for (; !door->eof(); door->moveNext())
                lDoorID = CLng(door->field(QStringLiteral("DoorID")));
            door->close();
        }
        rows->close();
    });
}

// A reader or input point and its door share the controller and the point's number: IN05 is at
// DR05.
QString FEvents::GetDoorAddress(const QString &address)
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("FEvents.GetDoorAddress"), [&] {
        if (address.isEmpty())
            return;
        if (address.size() < 4)
            throw VbError::fromNumber(VbError::InvalidProcedureCall);
        result = address.left(address.size() - 4) + QStringLiteral("DR") + address.right(2);
    });
    return result;
}

void FEvents::SetPreferences()
{
    bool columnsBuilt = false;
    guarded(m_module.errors(), QStringLiteral("FEvents.SetPreferences"), [&] {
        m_module.typeRange.active = false;
        m_module.view.scrollSuspended = false;
        m_module.view.showMilliseconds = false;

        auto setting = m_module.db().openRecordset(
            QStringLiteral("Select [Value] From MiscProperties Where [Name] = 'EV_ShowMS'"));
        if (!setting->eof())
            m_module.view.showMilliseconds = CBool(setting->field(QStringLiteral("Value")));
        setting->close();

        vGrid->setFont(font());
        vGrid->setRowMode(true);
        vGrid->setBackColour(m_module.profile.colourSlots[0]);
        vGrid->setGridLines(false);
        vGrid->setHeaderVisible(true);

        if (m_module.profile.ColumnHeaders == useObjectDefault)
            addDefaultColumns();
        else
            addColumnsFrom(m_module.profile.ColumnHeaders);
        columnsBuilt = true;

        vGrid->setHotTrack(false);

        vGrid->clearSortKeys();
        // A layout without the host-time column has nothing to sort by; that is the operator's choice,
        // not a failure.
        if (const int hostTime = vGrid->findColumn(QStringLiteral("dbTime"))) {
            vGrid->addSortKey(hostTime, SortOrder::Descending, SortType::DateTime);
            vGrid->setColumnTag(hostTime, QString());
        }
        ignoringErrors([&] { vGrid->sort(); });
    });
    if (columnsBuilt)
        return;
    // The stored layout was never shown, so it is not saved over; a grid left without columns would
    // refuse, and report, every row it is given, so it shows the default columns meanwhile.
    m_module.profile.unreadSettings.insert(columnHeadersSetting);
    if (vGrid->columnCount() == 0)
        ignoringErrors([&] { addDefaultColumns(); });
}

void FEvents::addDefaultColumns()
{
    for (const BuiltInColumn &column : builtInColumns) {
        const QString key = QLatin1String(column.key);
        const QString caption = column.resource ? m_module.GRS(column.resource) : key;
        vGrid->addColumn(key, caption, 0, -1, column.width, column.visible);
    }
}

// Position P takes the first element whose third field is P; a position no element claims stays
// empty, and an element whose key the viewer does not know adds nothing.
void FEvents::addColumnsFrom(const QString &columnHeaders)
{
    // An empty setting holds no elements at all, not one empty element.
    const QStringList elements = columnHeaders.isEmpty() ? QStringList() : columnHeaders.split(QLatin1Char(','));
    for (int position = 1; position <= elements.size(); ++position) {
        for (const QString &element : elements) {
            const QStringList fields = element.split(fieldSeparator);
            if (fields.size() < 5)
                throw VbError::fromNumber(VbError::SubscriptOutOfRange);
            if (CLng(Variant(fields.at(2))) != position)
                continue;
            if (const BuiltInColumn *column = builtInColumn(fields.at(0))) {
                const QString key = fields.at(0);
                const QString caption = column->resource ? m_module.GRS(column->resource) : key;
                vGrid->addColumn(key, caption, 0, -1, CLng(Variant(fields.at(3))), CBool(Variant(fields.at(4))));
            }
            break;
        }
    }
}

bool FEvents::passesTypeFilter(qint32 eventNumber, const std::function<int()> &requiredIndex) const
{
    if (!m_module.typeRange.active)
        return true;
    if (!EventNumbers::isSecondFamily(eventNumber))
        return eventNumber >= m_module.typeRange.low && eventNumber <= m_module.typeRange.high;
    const int required = requiredIndex();
    return required == 0 || required == m_module.profile.TypeFilter;
}

bool FEvents::AddEvent(const QString &lData, bool)
{
    bool result = false;
    guarded(m_module.errors(), QStringLiteral("FEvents.AddEvent"), [&] {
        LineSource line(lData.split(QLatin1Char(',')));
        result = admitAndShow(line);
    });
    return result;
}

bool FEvents::AddGenericEvent(cGenericEvent &oMsg, bool)
{
    bool result = false;
    guarded(m_module.errors(), QStringLiteral("FEvents.AddGenericEvent"), [&] {
        RecordSource record(oMsg, m_module.view.showMilliseconds, m_dayText);
        result = admitAndShow(record);
    });
    return result;
}

// The one way from an event to a row: routing and time zones (archive replay only), the filter group
// or the right to see every event, the quick type filter, the colour, and the row unless scrolling is
// suspended.
bool FEvents::admitAndShow(IntakeSource &event)
{
    if (m_module.filter.RoutingEnabled && m_module.view.LoadingArchive) {
        const qint32 user = CLng(m_module.nt().get(QStringLiteral("UserId")));
        const qint32 workstation = CLng(m_module.nt().get(QStringLiteral("WorkstationID")));
        if (event.routingDenied(m_module, user, workstation))
            return false;
        if (!TimeZones(m_module).Role_EventInTimeZone(user, event.routingTime()))
            return false;
    }

    if (!m_module.filter.FilterActive) {
        if (!m_module.filter.CanViewAllEvents)
            return false;
    } else if (!event.admitted(m_module)) {
        return false;
    }

    if (!passesTypeFilter(event.eventNumber(), [&] { return event.requiredTypeIndex(); }))
        return false;

    m_rowColour = event.colour(m_module);
    if (!m_module.view.scrollSuspended)
        insertRow(event.row());
    return true;
}

// Drawing goes off with the first row of a burst and comes back on the refresh timer's third tick,
// so a burst is painted once; trimming takes exactly one row per insertion, and the trimmed row's
// storage takes the new row's texts.
void FEvents::insertRow(const RowTexts &texts)
{
    vGrid->setRedraw(false);
    const bool atTop = m_module.profile.DisplayEventsAtTop;
    // Columns are only ever added and keys never change, so the columns found for the six keys
    // stay right until the grid has a different number of columns.
    if (m_cellColumnsFor != vGrid->columnCount()) {
        static constexpr std::array<const char *, 6> keys{"dtTime", "dbTime", "Address", "ID", "Type", "Description"};
        for (std::size_t i = 0; i < keys.size(); ++i)
            m_cellColumns[i] = vGrid->findColumn(QLatin1String(keys[i]));
        m_cellColumnsFor = vGrid->columnCount();
    }
    // A key the profile's column layout left out has no cell to fill; the row goes in without it.
    const std::array<QStringView, 6> all{texts.controllerTime, texts.hostTime, texts.address,
                                         texts.id,             texts.type,     texts.description};
    std::array<GridCellText, 6> cells;
    std::size_t count = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (const int column = m_cellColumns[i])
            cells[count++] = GridCellText{column, all[i]};
    }
    (void)vGrid->addFilledRow(atTop, std::span(cells.data(), count), cellFlags, -1, -1, m_rowColour,
                              m_module.profile.MaxLines);
    vGrid->ensureVisible(atTop ? 1 : vGrid->rowCount(), 1);
    if (!timerRefresh.isActive())
        timerRefresh.start();
}

// The date rebuilt from its whole seconds, and the rest as milliseconds; the platform rounds the
// second, so a rest of more than half a second comes out negative and borrows a second back.
QString FEvents::FormatDateMS(const Date &d)
{
    const qint64 dayMilliseconds = d.millisecondsOfDay();
    qint64 ms = dayMilliseconds - (dayMilliseconds + 500) / 1000 * 1000;
    Date whole = d.addMilliseconds(-ms);
    if (ms < 0) {
        ms += 1000;
        whole = whole.addMilliseconds(-1000);
    }
    QString text = whole.format(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    // ms is 0 to 999 here: three digits, zeros in front.
    const char16_t rest[] = {u'.', char16_t(u'0' + ms / 100), char16_t(u'0' + ms / 10 % 10), char16_t(u'0' + ms % 10)};
    text.append(reinterpret_cast<const QChar *>(rest), 4);
    return text;
}

QString FEvents::PadMidnight(const QString &s)
{
    if (s.isEmpty())
        return s;
    const Date date = CDate(Variant(s));
    if (date.hour() == 0 && date.minute() == 0 && date.second() == 0)
        return s + QStringLiteral(" 00:00:00");
    return s;
}

void FEvents::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FEvents::keyReleaseEvent(QKeyEvent *event)
{
    Form_KeyUp(platformKeyCode(event->key()), platformShiftState(event->modifiers()));
    QWidget::keyReleaseEvent(event);
}

void FEvents::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        Form_Deactivate();
    QWidget::changeEvent(event);
}

// The operator closing the window unloads it: the handlers may keep it open; otherwise it is deleted
// once the event has been handled, and counts as unloaded meanwhile.
void FEvents::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (!unload()) {
        event->ignore();
        return;
    }
    event->accept();
    deleteLater();
}

} // namespace Ostraven
