#include "viewer/viewerfixture.h"
#include "component/eventintake.h"
#include "menus/fmenu.h"
#include "model/ccircularbuffer.h"

#include <QApplication>
#include <QJsonArray>
#include <QMouseEvent>

namespace Ostraven::Testing {
namespace {
const QString when = QStringLiteral("11/27/2026 6:30:00 PM");
const QString apostrophe = QStringLiteral("Access Granted - O'Brien's door");
const QString badge = QStringLiteral("Access Granted - Badge 4242");
constexpr bool filterChecks = true;
struct RowText {
    QString id, controllerTime, description, address = QStringLiteral(R"(\\SRV1.1.1.RD01)"), type = "Access", hostTime = when;
};
class FMenuTest : public ViewerTest
{
protected:
    FMenu &menu() { return module().windows().menu(); }
    int addRow(const RowText &text)
    {
        const int row = grid().addRow();
        for (const auto &[key, value] : {std::pair<const char *, QString>{"ID", text.id}, {"dtTime", text.controllerTime},
                                         {"dbTime", text.hostTime}, {"Description", text.description},
                                         {"Address", text.address}, {"Type", text.type}})
            grid().setCellDetails(row, key, value);
        return row;
    }
    void select(std::initializer_list<int> rows)
    {
        grid().clearSelection();
        for (const int row : rows)
            grid().setCellSelected(row, 1, true);
    }
    QStringList selectedRows()
    {
        QStringList rows;
        for (int row = 1; row <= grid().rowCount(); ++row)
            if (grid().cellSelected(row, 1))
                rows << QString::number(row);
        return rows;
    }
    // A logged card transaction at the main entrance's reader (door 1) with credential 17, and its grid row.
    int addBadgeRow()
    {
        db().execute(QStringLiteral("INSERT INTO Log_Transactions (Event, NetAddress, Type, dtDate, dbDate, Description, UID1) VALUES "
                                    "(2001, '\\\\SRV1.1.1.RD01', 'KORA*GATE Transaction', '2026-11-27 18:30:00', "
                                    "'2026-11-27 18:30:00.120', '%1', 17)").arg(badge));
        return addRow({"2001", when, badge});
    }
    // One character per item: the event items' enabled states, or the type filter items' check marks.
    QString itemStates(bool filters = false)
    {
        QString states;
        for (int i = 0; i < (filters ? FMenu::filterItemCount : FMenu::eventItemCount); ++i)
            states += QLatin1Char((filters ? menu().mnuFilterArray(i)->isChecked() : FMenu::itemEnabled(*menu().mnuEventArray(i))) ? '1' : '0');
        return states;
    }
    // A real button press and release on the grid's viewport, at a row's description or at a point.
    void click(Qt::MouseButton button, int row, QPoint at = {})
    {
        at = row ? grid().cellRect(row, "Description").center() : at;
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, grid().viewport()->mapToGlobal(at), button,
                              type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(grid().viewport(), &event);
        }
    }
};
TEST_F(FMenuTest, PreparingThePopUpFollowsTheSelectionAndThePermissions)
{
    // An empty grid disables only the address and credential items, and reads no log.
    menu().mnuEvents_Click();
    EXPECT_EQ(itemStates(), "1111110111011");
    EXPECT_EQ(itemStates(filterChecks), "1000000000");
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Log_")).isEmpty());
    const int row = addBadgeRow();
    // User, selected, description, items 0 to 12: "Other" has no credential, 102 may not change the properties,
    // 103 not copy; with nothing selected only items 6 and 10 change, the rest keep what they were.
    const std::tuple<qint32, bool, QString, const char *> cases[] = {{101, true, badge, "1111111111111"},
        {101, true, "Other", "1111111111011"}, {102, true, badge, "0011111101111"}, {102, false, badge, "0011110101011"},
        {103, true, badge, "1111100111111"}};
    for (const auto &[user, selected, description, expected] : cases) {
        config().user = user;
        grid().setCellText(row, "Description", description);
        selected ? select({row}) : select({});
        menu().mnuEvents_Click();
        EXPECT_EQ(itemStates(), expected);
    }
    expectNoBoxes();
    // Properties without the permission explain why.
    config().user = 102;
    menu().mnuEventArray_Click(8);
    ASSERT_EQ(boxTexts(), QStringList{"You do not have permission to change the Event Viewer properties."});
    EXPECT_EQ(std::pair(desktop().boxes().front().request.icon, desktop().boxes().front().request.title),
              std::pair(MsgBoxIcon::Information, module().errors().title()));
}

TEST_F(FMenuTest, SuspendingTwiceShowsParkedEventsInArrivalOrder)
{
    module().filter.CanViewAllEvents = true;
    module().messageBuffer().SetBufferSize(10);
    module().profile.colourSlots[0] = 0xFFFFFF;
    module().profile.colourSlots[2] = 0x606060;
    for (const bool suspend : {true, false}) {
        window().timerRefresh.stop();
        menu().mnuEventArray_Click(3);
        EXPECT_EQ(std::tuple(module().view.scrollSuspended, menu().mnuEventArray(3)->isChecked(), grid().backColour()),
                  std::tuple(suspend, suspend, qint64(suspend ? 0x606060 : 0xFFFFFF)));
        EXPECT_TRUE(window().timerRefresh.isActive());
        for (const qint32 id : suspend ? std::vector<qint32>{2001, 5001, 8001} : std::vector<qint32>{})
            EventIntake(module()).AddNewEvent({.eventNumber = id, .address = R"(\\SRV1.1.1.RD01)", .hostDate = Date::now(),
                                               .controllerDate = Date::now(), .typeCode = 3, .messageText = "Event,"});
        EXPECT_EQ(module().bufferCount(), suspend ? 3 : 0);
        EXPECT_EQ(cells("ID"), suspend ? QStringList() : QStringList({"8001", "5001", "2001"})); // newest at the top
    }
    EXPECT_EQ(desktop().cursorHistory().last(), "default");
}

TEST_F(FMenuTest, CopyToClipboardTakesSelectedRowsOrEveryRowWithoutHiddenColumns)
{
    grid().setColumnVisible("Address", false);
    QStringList lines;
    for (const QString i : {"1", "2", "3"}) {
        addRow({"200" + i, QString(), "d" + i, "a" + i, "T" + i, "h" + i});
        // Index order: dbTime, Description, Address (hidden), Type, ID, dtTime and NotUsed (hidden).
        lines << QStringLiteral("h%1\td%1\tT%1\t200%1\t\r\n").arg(i);
    }
    select({1, 3});
    menu().mnuEventArray_Click(5);
    EXPECT_EQ(desktop().clipboardText(), lines[0] + lines[2]);
    grid().clearSelection();
    window().Form_KeyUp(67, 2);
    EXPECT_EQ(desktop().clipboardText(), lines.join(QString()));
    select({2});
    menu().mnuEventArray_Click(6);
    EXPECT_EQ(desktop().clipboardText(), "a2");
    grid().clear();
    menu().mnuEventArray_Click(5);
    EXPECT_EQ(desktop().clipboardText(), QString());
    expectNoBoxes();
}

// "All" keeps the last bounds but turns the filter off. (Without cached events a click only moves the check
// mark: the pop-up case below keeps its row through one.)
TEST_F(FMenuTest, TypeFiltersSetBoundsAndReloadTheArchiveWithTheirClause)
{
    // Index, low, high, clause.
    const std::tuple<int, qint32, qint32, const char *> cases[] = {{1, 1000, 1500, "Software"}, {2, 2000, 3900, "Transaction"},
        {3, 9000, 9500, "Internal"}, {4, 4000, 4500, "External"}, {5, 5000, 5500, "Alarm"}, {6, 6000, 9000, "Programming"},
        {7, 7000, 7500, "Communication"}, {8, 8000, 8499, "Misc"}, {9, 8500, 8600, "Communication"}, {0, 8500, 8600, nullptr}};
    module().profile.LoadCachedEvents = true;
    module().filter.CanViewAllEvents = true;
    // Loading the viewer resets the type filter, so it is loaded first, as Show does.
    window();
    (void)takeTrace();
    for (const auto &[index, low, high, clause] : cases) {
        SCOPED_TRACE(index);
        menu().mnuFilterArray_Click(index);
        EXPECT_EQ(std::tie(module().profile.TypeFilter, module().typeRange.active, module().typeRange.low, module().typeRange.high),
                  std::tuple(index, clause != nullptr, low, high));
        EXPECT_EQ(itemStates(filterChecks), QString(10, QLatin1Char('0')).replace(index, 1, QLatin1Char('1')));
        const QString where = clause ? QStringLiteral("Where Type like N'%%1%'").arg(QLatin1String(clause)) : QString();
        const QString archive = QStringLiteral("from [VIEW_EventLog_AllEvents] %1 order by [dbDate] desc").arg(where);
        EXPECT_EQ(takeTrace().filter(archive).size(), 1) << archive.toStdString();
        for (const QString &id : cells("ID")) // second-family rows pass a type filter by their category
            EXPECT_TRUE(!clause || id.toInt() >= 80000 || (id.toInt() >= low && id.toInt() <= high)) << id.toStdString();
    }
    expectNoBoxes();
}

TEST_F(FMenuTest, EventTypeOfAnEventNumber)
{
    db().execute(QStringLiteral("INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, DefaultDescription) "
                                "VALUES (90001, 20, 'Access Granted'), (90002, 22, 'Input Active')"));
    const std::pair<qint32, qint32> cases[] = {{4999, 9}, {5000, 0}, {5999, 0}, {6000, 9}, {1999, 9}, {2000, 3}, {3700, 3},
        {3701, 9}, {7999, 9}, {8000, 4}, {8100, 4}, {8101, 9}, {79999, 9}, {90001, 3}, {90002, 0}, {99999, 0}};
    menu();
    (void)takeTrace();
    for (const auto &[number, type] : cases)
        EXPECT_EQ(menu().GetEventTypeForEventNumber(number), type) << number;
    const QString lookUp = QStringLiteral("Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = %1");
    EXPECT_EQ(takeTrace(), QStringList({lookUp.arg(90001), lookUp.arg(90002), lookUp.arg(99999)}));
}

TEST_F(FMenuTest, ColumnClicksAlternateTheOrderAndSortByTheColumnsType)
{
    for (const QString id : {"10", "9", "100"})
        addRow({id, QString(), "d" + id});
    // Order 1 is descending, marked "DESC" in the column's tag; a second click on a column ascends.
    const std::tuple<const char *, int, int> clicks[] = {{"Type", 1, 102},   {"Type", 2, 102}, {"Type", 1, 102},
        {"dbTime", 1, 200}, {"dtTime", 1, 200}, {"ID", 1, 100}, {"Description", 1, 102}};
    for (const auto &[key, order, type] : clicks) {
        SCOPED_TRACE(key);
        const int column = grid().columnIndex(key);
        desktop().clearRecords();
        window().vGrid_ColumnClick(column);
        ASSERT_EQ(grid().sortKeys().size(), 1u);
        const auto &sort = grid().sortKeys().front();
        EXPECT_EQ(std::tuple(sort.column, int(sort.order), int(sort.type), grid().columnTag(column)),
                  std::tuple(column, order, type, order == 1 ? QStringLiteral("DESC") : QString()));
        EXPECT_EQ(desktop().cursorHistory(), QStringList({"busy", "default"}));
    }
    window().vGrid_ColumnClick(grid().columnIndex("ID"));
    EXPECT_EQ(cells("ID"), QStringList({"100", "10", "9"}));
}

TEST_F(FMenuTest, RightClickKeepsASelectionOfSeveralRowsAndPopsTheMenu)
{
    window().show();
    QApplication::processEvents();
    for (int i = 1; i <= 5; ++i)
        addRow({"2001", when, QStringLiteral("row %1").arg(i)});
    select({1, 2, 3});
    desktop().queueAnswer("none");
    click(Qt::RightButton, 2);
    EXPECT_EQ(std::tuple(selectedRows(), desktop().menus().size(), window().cellClickedFlag()),
              std::tuple(QStringList({"1", "2", "3"}), std::size_t{1}, false));
    // One selected row: the click selects the clicked row as usual.
    select({1});
    click(Qt::RightButton, 4);
    EXPECT_EQ(std::pair(selectedRows(), desktop().menus().size()), std::pair(QStringList({"4"}), std::size_t{2}));
    // A left click on the empty space below the last row clears the selection.
    click(Qt::LeftButton, 0, QPoint(5, grid().viewport()->height() - 2));
    EXPECT_EQ(std::pair(selectedRows(), desktop().menus().size()), std::pair(QStringList(), std::size_t{2}));
    expectNoBoxes();
}

TEST_F(FMenuTest, ThePopUpShowsTheLocalisedItemsAndRunsTheChosenOne)
{
    db().execute(QStringLiteral("Insert Into Localization Values (17, 'mnuEventArray', 10, 'Display Credential Photo')"));
    module().windows().unloadMenu(); // the next reference loads the menu again, with the new caption
    select({addBadgeRow()});
    menu().mnuFilterArray_Click(4);
    desktop().queueAnswer("10");
    window().vGrid_MouseUp(2, 0, 0, 0);
    ASSERT_EQ(desktop().menus().size(), 1u);
    const std::vector<PopupMenuItem> &items = desktop().menus().front().items;
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(std::tie(items[2].separator, items[10].caption, items[10].enabled, items[11].visible, items[12].caption),
              std::tuple(true, "Display Credential Photo", true, false, "&Help"));
    ASSERT_EQ(items[0].children.size(), 10u);
    const PopupMenuItem &external = items[0].children[4];
    EXPECT_EQ(std::tie(external.caption, external.checked, external.id), std::tuple("External", true, FMenu::filterItemIdBase + 4));
    // The chosen credential item asks the host for the photo of the logged card at its door.
    ASSERT_FALSE(record().callbacks.isEmpty());
    EXPECT_EQ(record().callbacks.last().toArray(), QJsonArray({"PhotoCallupBT", 17, 1}));
    EXPECT_TRUE(selectedRows().isEmpty()) << "the release followed no cell click";
    menu().mnuEventArray_Click(12);
    EXPECT_EQ(record().help, QJsonArray({194}));
    expectNoBoxes();
    module().windows().unloadMenu();
    config().customize = false;
    EXPECT_EQ(menu().mnuEventArray(10)->text(), "Display Credential");
}

TEST_F(FMenuTest, CredentialLookUpsFindDescriptionsWithApostrophes)
{
    const QString values = QStringLiteral("(Event, NetAddress, Type, dtDate, dbDate, Description, UID1) VALUES ");
    const QString times = QStringLiteral("'2026-11-27 18:30:00', '2026-11-27 18:30:00.500'");
    db().execute(QStringLiteral("INSERT INTO AlarmActive (EventID, Address, Type, dtDate, dbDate, Description, UID1) "
                  "VALUES (5001, '\\\\SRV1.1.3.IN02', 'KORA*GATE Alarm', %1, 'Alarm - O''Brien''s door', 31),"
                  "(80101, '\\\\ZEKO01.1.IN01', 'ZekoSeries Alarm', %1, 'Zeko - O''Brien''s door', 32)").arg(times));
    db().execute(QStringLiteral("INSERT INTO Log_Transactions %3(2001, '\\\\SRV1.1.1.RD01', 'KORA*GATE Transaction', %1, '%2', 41),"
                  "(80001, '\\\\ZEKO01.1.RD02', 'ZekoSeries Transaction', %1, 'Zeko %2', 42),"
                  "(2002, '\\\\SRV1.1.1.RD02', 'KORA*GATE Transaction', %1, 'No card', 0),"
                  "(2003, '\\\\SRV1.1.9''A.RD01', 'KORA*GATE Transaction', %1, 'Stores', 43)")
                     .arg(times, QString(apostrophe).replace("'", "''"), values));
    // A door address holding a quote is looked up as it is, not cut short at the quote.
    db().execute(QStringLiteral("INSERT INTO Doors VALUES (77, 'Stores', 1, '\\\\SRV1.1.9''A.DR01')"));
    db().execute(QStringLiteral("INSERT INTO Log_Misc %2(8001, '\\\\SRV1.2.1.RD02', 'KORA*GATE Misc', %1, 'Misc - O''Brien''s door', 51),"
                  "(8002, '\\\\S', 'KORA*GATE Misc', %1, 'Short', 52)").arg(times, values));
    // Type, description, credential (-1: none), door; the last two are not logged and a type without a log.
    const std::tuple<qint32, QString, qint32, qint32> cases[] = {{0, "Alarm - O'Brien's door", 31, 6},
        {0, "Zeko - O'Brien's door", 32, 501}, {3, apostrophe, 41, 1}, {3, "Zeko " + apostrophe, 42, 502}, {3, "No card", 0, 2},
        {3, "Stores", 43, 77}, {4, "Misc - O'Brien's door", 51, 8}, {3, "Nothing like it", -1, -1}, {5, apostrophe, -1, -1}};
    for (const auto &[type, description, credentialID, doorID] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << description.toStdString());
        EXPECT_EQ(window().pEventHasCredential(type, when, description), credentialID > 0);
        qint32 credential = -1, door = -1;
        window().pGetPhotoInfo(type, credential, door, when, description);
        EXPECT_EQ(std::pair(credential, door), std::pair(credentialID, doorID));
    }
    expectNoBoxes();
    // A time that is no date asks nothing; an address too short to name a door is reported, the credential
    // still found.
    (void)takeTrace();
    qint32 credential = 0, door = 0;
    window().pGetPhotoInfo(4, credential, door, "not a date", "Short");
    EXPECT_TRUE(takeTrace().isEmpty());
    window().pGetPhotoInfo(4, credential, door, when, "Short");
    EXPECT_EQ(std::pair(credential, door), std::pair(52, 0));
    EXPECT_EQ(reportedLabels(desktop()), Labels{"FEvents.GetDoorAddress"});
}

TEST_F(FMenuTest, ShowAppliesTheSavedTypeFilterWhenCachedEventsLoad)
{
    db().execute("Update Profile_Details Set [Value] = '5' Where ProfileID = 1 AND ObjectID = 4 AND Property = 'TypeFilter'");
    event().Show();
    EXPECT_EQ(itemStates(filterChecks), "0000010000");
    EXPECT_EQ(takeTrace().filter(QStringLiteral("[VIEW_EventLog_AllEvents] Where Type like N'%Alarm%'")).size(), 1);
}
} // namespace
} // namespace Ostraven::Testing