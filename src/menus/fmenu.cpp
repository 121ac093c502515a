#include "fmenu.h"

#include "errors/errorroutes.h"
#include "filters/permissions.h"
#include "model/ccircularbuffer.h"
#include "model/eventnumbers.h"
#include "module/mpublic.h"
#include "viewer/archiveloader.h"
#include "viewer/fevents.h"

#include "platform/desktop/desktopservices.h"

#include <QAction>
#include <QMenu>

namespace Ostraven {

namespace {

constexpr qint32 menuWindowNumber = 17;
constexpr int informationIcon = msgBoxStyle(MsgBoxIcon::Information);
constexpr qint32 noPermissionMessage = 1571;
constexpr qint32 menuHelpTopic = 194;
constexpr qint32 secondFamilyTransaction = 20;

enum EventItem {
    FilterByType = 0,
    CustomFilter = 1,
    SuspendScrolling = 3,
    CopyToClipboard = 5,
    CopyAddress = 6,
    Properties = 8,
    DisplayCredential = 10,
    ShowStatistics = 11,
    Help = 12,
};

constexpr std::array<const char *, FMenu::eventItemCount> eventCaptions{
    "Filter Events By Type", "Custom Filter...", "-", "Suspend Scrolling", "-", "Copy to Clipboard",
    "Copy Address", "-", "Properties...", "-", "Display Credential", "Show Statistics", "&Help",
};

struct TypeFilter {
    const char *caption;
    qint32 low;
    qint32 high;
    const char *clause;
};

// "Ardo" and "Port" both read the communication category: the archive keeps hub and port events
// under one type text, while live events are told apart by their number bands.
constexpr std::array<TypeFilter, FMenu::filterItemCount> typeFilters{{
    {"All", 0, 0, ""},
    {"Software", 1000, 1500, "Where Type like N'%Software%'"},
    {"Access", 2000, 3900, "Where Type like N'%Transaction%'"},
    {"Internal", 9000, 9500, "Where Type like N'%Internal%'"},
    {"External", 4000, 4500, "Where Type like N'%External%'"},
    {"Alarm", 5000, 5500, "Where Type like N'%Alarm%'"},
    {"Programming", 6000, 9000, "Where Type like N'%Programming%'"},
    {"Ardo", 7000, 7500, "Where Type like N'%Communication%'"},
    {"Misc", 8000, 8499, "Where Type like N'%Misc%'"},
    {"Port", 8500, 8600, "Where Type like N'%Communication%'"},
}};

VbError noSuchMember(const QString &control, int index)
{
    return VbError(340, QStringLiteral("Control array element '%1' doesn't exist").arg(index),
                   QStringLiteral("FMenu.") + control);
}

bool isSeparator(int index)
{
    return QLatin1String(eventCaptions[std::size_t(index)]) == QLatin1String("-");
}

// The busy cursor for the length of an item, taken away however the item ends.
class BusyCursor
{
public:
    explicit BusyCursor(DesktopServices &desktop) : m_desktop(desktop) { m_desktop.setBusyCursor(true); }
    ~BusyCursor()
    {
        ignoringErrors([this] { m_desktop.setBusyCursor(false); });
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    DesktopServices &m_desktop;
};

constexpr const char *enabledProperty = "itemEnabled";

PopupMenuItem popupItemOf(const QAction &action, int id)
{
    return PopupMenuItem::action(id, action.text(), FMenu::itemEnabled(action), action.isChecked(), action.isVisible());
}

} // namespace

FMenu::FMenu(MPublic &module) : m_module(module)
{
    setObjectName(QStringLiteral("FMenu"));
    setWindowTitle(QStringLiteral("FMenu"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildMenus();
}

FMenu::~FMenu() = default;

void FMenu::buildMenus()
{
    mnuEvents = new QMenu(QStringLiteral("Events"), this);
    mnuEvents->setObjectName(QStringLiteral("mnuEvents"));
    // A top-level menu that is never shown in place: it exists to be popped up.
    mnuEvents->menuAction()->setVisible(false);

    m_filterMenu = new QMenu(QString::fromLatin1(eventCaptions[FilterByType]), mnuEvents);
    m_filterMenu->setObjectName(QStringLiteral("mnuEventArray(0)"));
    for (int index = 0; index < filterItemCount; ++index) {
        auto *item = new QAction(QString::fromLatin1(typeFilters[std::size_t(index)].caption), m_filterMenu);
        item->setObjectName(QStringLiteral("mnuFilterArray(%1)").arg(index));
        item->setCheckable(true);
        item->setChecked(index == 0);
        m_filterMenu->addAction(item);
        m_filterItems[std::size_t(index)] = item;
    }

    for (int index = 0; index < eventItemCount; ++index) {
        if (index == FilterByType) {
            m_eventItems[0] = mnuEvents->addMenu(m_filterMenu);
            continue;
        }
        auto *item = new QAction(QString::fromLatin1(eventCaptions[std::size_t(index)]), mnuEvents);
        item->setObjectName(QStringLiteral("mnuEventArray(%1)").arg(index));
        item->setSeparator(isSeparator(index));
        item->setCheckable(index == SuspendScrolling);
        item->setVisible(index != ShowStatistics);
        mnuEvents->addAction(item);
        m_eventItems[std::size_t(index)] = item;
    }
    for (QAction *item : m_eventItems)
        setItemEnabled(*item, true);
    for (QAction *item : m_filterItems)
        setItemEnabled(*item, true);
}

bool FMenu::itemEnabled(const QAction &item)
{
    const QVariant enabled = item.property(enabledProperty);
    return enabled.isValid() ? enabled.toBool() : item.isEnabled();
}

void FMenu::setItemEnabled(QAction &item, bool enabled)
{
    item.setProperty(enabledProperty, enabled);
    item.setEnabled(enabled);
}

QAction *FMenu::mnuEventArray(int Index) const
{
    if (Index < 0 || Index >= eventItemCount)
        throw noSuchMember(QStringLiteral("mnuEventArray"), Index);
    return m_eventItems[std::size_t(Index)];
}

QAction *FMenu::mnuFilterArray(int Index) const
{
    if (Index < 0 || Index >= filterItemCount)
        throw noSuchMember(QStringLiteral("mnuFilterArray"), Index);
    return m_filterItems[std::size_t(Index)];
}

void FMenu::load()
{
    Form_Load();
}

void FMenu::unload()
{
    Form_Unload();
}

void FMenu::Form_Load()
{
    guarded(m_module.errors(), QStringLiteral("FMenu: Form_Load"), [&] {
        if (!CBool(m_module.nt().get(QStringLiteral("EnableCustomize"))))
            return;
        Localizer.setConnection(m_module.host.DBConnection);
        Localizer.setWindowNumber(menuWindowNumber);
        Localizer.setVersion(ErrorHandling::fileVersion());
        Localizer.localize(this);
    });
}

void FMenu::Form_Unload()
{
    guarded(m_module.errors(), QStringLiteral("FMenu: Form_Unload"),
            [&] { Localizer.windowUnloaded(quintptr(winId())); });
}

std::vector<PopupMenuItem> FMenu::popupItems() const
{
    std::vector<PopupMenuItem> filters;
    for (int index = 0; index < filterItemCount; ++index)
        filters.push_back(popupItemOf(*m_filterItems[std::size_t(index)], filterItemIdBase + index));

    std::vector<PopupMenuItem> items;
    for (int index = 0; index < eventItemCount; ++index) {
        const QAction &action = *m_eventItems[std::size_t(index)];
        if (index == FilterByType) {
            PopupMenuItem submenu = PopupMenuItem::submenu(index, action.text(), filters, itemEnabled(action));
            submenu.visible = action.isVisible();
            items.push_back(std::move(submenu));
        } else if (action.isSeparator()) {
            PopupMenuItem separator = PopupMenuItem::separatorItem(index);
            separator.visible = action.isVisible();
            items.push_back(std::move(separator));
        } else {
            items.push_back(popupItemOf(action, index));
        }
    }
    return items;
}

void FMenu::popUp()
{
    mnuEvents_Click();
    const std::optional<int> chosen = m_module.desktop().popupMenu(popupItems());
    if (!chosen)
        return;
    if (*chosen >= filterItemIdBase)
        mnuFilterArray_Click(*chosen - filterItemIdBase);
    else
        mnuEventArray_Click(*chosen);
}

void FMenu::mnuEvents_Click()
{
    guarded(m_module.errors(), QStringLiteral("FMenu.mnuEvents_Click"), [&] {
        GridControl &grid = *m_module.windows().events().vGrid;
        const int row = grid.selectedRow();
        if (row == 0 || grid.rowCount() == 0) {
            setItemEnabled(*mnuEventArray(CopyAddress), false);
            setItemEnabled(*mnuEventArray(DisplayCredential), false);
            return;
        }
        const QString id = grid.cellText(row, QStringLiteral("ID"));
        const QString controllerTime = grid.cellText(row, QStringLiteral("dtTime"));
        const QString description = grid.cellText(row, QStringLiteral("Description"));
        const qint32 eventType = GetEventTypeForEventNumber(CLng(Variant(id)));

        setItemEnabled(*mnuEventArray(DisplayCredential),
                       m_module.windows().events().pEventHasCredential(eventType, controllerTime, description));

        Permissions permissions(m_module);
        const bool changeProps = permissions.CheckTabPermission(Permissions::eventViewerComponent,
                                                                QStringLiteral("ChangeProps"));
        setItemEnabled(*mnuEventArray(FilterByType), changeProps);
        setItemEnabled(*mnuEventArray(CustomFilter), changeProps);
        setItemEnabled(*mnuEventArray(Properties), changeProps);

        const bool copy = permissions.CheckTabPermission(Permissions::eventViewerComponent,
                                                         QStringLiteral("CopyToClipboard"));
        setItemEnabled(*mnuEventArray(CopyToClipboard), copy);
        setItemEnabled(*mnuEventArray(CopyAddress), copy);
    });
}

void FMenu::mnuEventArray_Click(int Index)
{
    BusyCursor busy(m_module.desktop());
    guarded(m_module.errors(), QStringLiteral("FMenu.mnuEventArray_Click"), [&] {
        switch (Index) {
        case CustomFilter:
            m_module.windows().showCustomDialog(true);
            break;
        case SuspendScrolling:
            toggleSuspendScrolling();
            break;
        case CopyToClipboard:
            copyRowsToClipboard();
            break;
        case CopyAddress:
            copyAddress();
            break;
        case Properties:
            showProperties();
            break;
        case DisplayCredential:
            displayCredential();
            break;
        case Help:
            m_module.nt().callWith(QStringLiteral("ShowHelp"), menuHelpTopic);
            break;
        default:
            break;
        }
    });
}

// Parked events are shown in the order they arrived, so a resumed grid reads as if it had never
// stopped.
void FMenu::toggleSuspendScrolling()
{
    m_module.view.scrollSuspended = !m_module.view.scrollSuspended;
    mnuEventArray(SuspendScrolling)->setChecked(m_module.view.scrollSuspended);
    FEvents &viewer = m_module.windows().events();
    if (m_module.view.scrollSuspended) {
        viewer.vGrid->setBackColour(m_module.profile.colourSlots[2]);
    } else {
        viewer.vGrid->setBackColour(m_module.profile.colourSlots[0]);
        cCircularBuffer &buffer = m_module.messageBuffer();
        while (buffer.Count() > 0) {
            const std::shared_ptr<cGenericEvent> parked = buffer.Message();
            (void)viewer.AddGenericEvent(*parked, true);
        }
    }
    if (!viewer.timerRefresh.isActive())
        viewer.timerRefresh.start();
}

// Selection is read through column 1; with nothing selected the whole grid is copied, hidden
// columns left out either way.
void FMenu::copyRowsToClipboard()
{
    const GridControl &grid = *m_module.windows().events().vGrid;
    auto appendRow = [&grid](QString &text, int row) {
        for (int column = 1; column <= grid.columnCount(); ++column) {
            if (grid.columnVisible(column))
                text += grid.cellText(row, column) + QLatin1Char('\t');
        }
        text += QStringLiteral("\r\n");
    };

    QString text;
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (grid.cellSelected(row, 1))
            appendRow(text, row);
    }
    if (text.isEmpty()) {
        for (int row = 1; row <= grid.rowCount(); ++row)
            appendRow(text, row);
    }
    DesktopServices &desktop = m_module.desktop();
    desktop.clearClipboard();
    desktop.setClipboardText(text);
}

void FMenu::copyAddress()
{
    const GridControl &grid = *m_module.windows().events().vGrid;
    const QString address = grid.cellText(grid.selectedRow(), QStringLiteral("Address"));
    DesktopServices &desktop = m_module.desktop();
    desktop.clearClipboard();
    desktop.setClipboardText(address);
}

void FMenu::showProperties()
{
    if (Permissions(m_module).CheckTabPermission(Permissions::eventViewerComponent, QStringLiteral("ChangeProps"))) {
        m_module.windows().showCustomDialog(false);
        return;
    }
    m_module.desktop().msgBox(m_module.GRS(noPermissionMessage), informationIcon, m_module.errors().title());
}

void FMenu::displayCredential()
{
    FEvents &viewer = m_module.windows().events();
    const GridControl &grid = *viewer.vGrid;
    const int row = grid.selectedRow();
    const qint32 eventNumber = CLng(Variant(grid.cellText(row, QStringLiteral("ID"))));
    const QString controllerTime = grid.cellText(row, QStringLiteral("dtTime"));
    const QString description = grid.cellText(row, QStringLiteral("Description"));
    const qint32 eventType = GetEventTypeForEventNumber(eventNumber);

    qint32 credential = 0;
    qint32 door = 0;
    viewer.pGetPhotoInfo(eventType, credential, door, controllerTime, description);

    const QString verb = EventNumbers::isSecondFamily(eventNumber) ? QStringLiteral("ZEKO_PhotoCallupBT")
                                                               : QStringLiteral("PhotoCallupBT");
    Args args{Variant(verb), Variant(credential), Variant(door)};
    m_module.parent().call(QStringLiteral("CallBack"), args);
}

void FMenu::mnuFilterArray_Click(int Index)
{
    guarded(m_module.errors(), QStringLiteral("FMenu.mnuFilterArray_Click"), [&] {
        for (int item = 0; item < filterItemCount; ++item)
            mnuFilterArray(item)->setChecked(false);
        mnuFilterArray(Index)->setChecked(true);

        m_module.profile.TypeFilter = Index;
        m_module.profile.unreadSettings.remove(QStringLiteral("TypeFilter"));
        const TypeFilter &filter = typeFilters[std::size_t(Index)];
        m_module.typeRange.active = true;
        QString clause;
        if (Index == 0) {
            m_module.typeRange.active = false;
        } else {
            m_module.typeRange.low = filter.low;
            m_module.typeRange.high = filter.high;
            clause = QString::fromLatin1(filter.clause);
        }

        BusyCursor busy(m_module.desktop());
        if (m_module.profile.LoadCachedEvents)
            (void)ArchiveLoader(m_module).LoadArchivedEvents(clause);
    });
}

qint32 FMenu::GetEventTypeForEventNumber(qint32 EventNumber)
{
    qint32 result = 0;
    guarded(m_module.errors(), QStringLiteral("FMenu.GetEventTypeForEventNumber"), [&] {
        if (EventNumbers::isAlarm(EventNumber)) {
            result = 0;
        } else if (EventNumber >= 2000 && EventNumber <= 3700) {
            result = 3;
        } else if (EventNumber >= 8000 && EventNumber <= 8100) {
            result = 4;
        } else if (EventNumbers::isSecondFamily(EventNumber)) {
            result = 0;
            auto rows = m_module.db().openRecordset(
                QStringLiteral("Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = ")
                + QString::number(EventNumber));
            for (; !rows->eof(); rows->moveNext()) {
                if (CLng(rows->field(0)) == secondFamilyTransaction)
                    result = 3;
            }
            rows->close();
        } else {
            result = 9;
        }
    });
    return result;
}

} // namespace Ostraven
