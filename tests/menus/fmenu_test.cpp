#include "support/componentfixture.h"
#include "component/event.h"
#include "component/eventintake.h"
#include "inspection/eventinspector.h"
#include "menus/fmenu.h"
#include "model/ccircularbuffer.h"
#include "viewer/fevents.h"
#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMouseEvent>

namespace Ostraven::Testing {
namespace {
const QString when = QStringLiteral("11/27/2026 6:30:00 PM");
const QString apostrophe = QStringLiteral("Access Granted - O'Brien's door");
struct RowText {
    QString id, controllerTime, description, address = QStringLiteral(R"(\\SRV1.1.1.RD01)"), type = "Access", hostTime = when;
};
class FMenuTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }
    FEvents &viewer() { return module().windows().events(); }
    GridControl &grid() { return *viewer().vGrid; }
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
    // The cells of a column, or the selected rows' numbers when no column is named.
    QStringList cells(const char *key = nullptr)
    {
        QStringList texts;
        for (int row = 1; row <= grid().rowCount(); ++row)
            if (key || grid().cellSelected(row, 1))
                texts << (key ? grid().cellText(row, key) : QString::number(row));
        return texts;
    }
    QString enabledItems()
    {
        QString states;
        for (int index = 0; index < FMenu::eventItemCount; ++index)
            states += QLatin1Char(FMenu::itemEnabled(*menu().mnuEventArray(index)) ? '1' : '0');
        return states;
    }
    void expectNoBoxes() { EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString(); }
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
    // Second-family rows pass a type filter by their category, first-family rows by their number.
    void expectFirstFamilyWithin(int low, int high)
    {
        for (const QString &id : cells("ID"))
            EXPECT_TRUE(id.toInt() >= 80000 || (id.toInt() >= low && id.toInt() <= high)) << id.toStdString();
    }
};
TEST_F(FMenuTest, PreparingThePopUpFollowsTheSelectionAndThePermissions)
{
    // An empty grid disables only the address and credential items, and reads no log.
    menu().mnuEvents_Click();
    EXPECT_EQ(enabledItems(), "1111110111011");
    EXPECT_FALSE(menu().mnuEventArray(11)->isVisible());
    EXPECT_TRUE(menu().mnuFilterArray(0)->isChecked());
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Log_")).isEmpty());
    const QString badge = QStringLiteral("Access Granted - Badge 4242");
    db().execute(QStringLiteral("INSERT INTO Log_Transactions (Event, NetAddress, Type, dtDate, dbDate, Description, UID1) VALUES (2001, "
                                "'\\\\SRV1.1.1.RD01', 'KORA*GATE Transaction', '2026-11-27 18:30:00', '2026-11-27 18:30:00.120', '%1', 17)")
                     .arg(badge));
    const int row = addRow({"2001", when, badge});
    const std::tuple<qint32, bool, QString, const char *> cases[] = { // user, selected, description, items 0 to 12
        {101, true, badge, "1111111111111"}, {101, true, "Other", "1111111111011"}, // no credential
        {102, true, badge, "0011111101111"},                                         // no ChangeProps
        {102, false, badge, "0011110101011"}, // only items 6 and 10 change; the rest keep what they were
        {103, true, badge, "1111100111111"},  // no CopyToClipboard
    };
    for (const auto &[user, selected, description, expected] : cases) {
        config().user = user;
        grid().setCellText(row, "Description", description);
        selected ? select({row}) : select({});
        menu().mnuEvents_Click();
        EXPECT_EQ(enabledItems(), expected);
    }
    expectNoBoxes();
    // Properties without the permission explain why.
    config().user = 102;
    menu().mnuEventArray_Click(8);
    ASSERT_EQ(desktop().boxes().size(), 1u);
    const MessageBoxRequest &box = desktop().boxes().front().request;
    EXPECT_EQ(std::tie(box.text, box.icon, box.title),
              std::tuple("You do not have permission to change the Event Viewer properties.", MsgBoxIcon::Information,
                         module().errors().title()));
}
TEST_F(FMenuTest, SuspendingTwiceShowsParkedEventsInArrivalOrder)
{
    module().filter.CanViewAllEvents = true;
    module().messageBuffer().SetBufferSize(10);
    module().profile.colourSlots[0] = 0xFFFFFF;
    module().profile.colourSlots[2] = 0x606060;
    for (const bool suspend : {true, false}) {
        viewer().timerRefresh.stop();
        menu().mnuEventArray_Click(3);
        EXPECT_EQ(module().view.scrollSuspended, suspend);
        EXPECT_EQ(menu().mnuEventArray(3)->isChecked(), suspend);
        EXPECT_EQ(grid().backColour(), suspend ? 0x606060 : 0xFFFFFF);
        EXPECT_TRUE(viewer().timerRefresh.isActive());
        for (const qint32 id : suspend ? std::vector<qint32>{2001, 5001, 8001} : std::vector<qint32>{}) {
            const Date now = Date::now();
            EventIntake(module()).AddNewEvent({.eventNumber = id, .address = R"(\\SRV1.1.1.RD01)", .hostDate = now,
                                               .controllerDate = now, .typeCode = 3, .messageText = QStringLiteral("Event %1,").arg(id)});
        }
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
    viewer().Form_KeyUp(67, 2);
    EXPECT_EQ(desktop().clipboardText(), lines.join(QString()));
    select({2});
    menu().mnuEventArray_Click(6);
    EXPECT_EQ(desktop().clipboardText(), "a2");
    grid().clear();
    menu().mnuEventArray_Click(5);
    EXPECT_EQ(desktop().clipboardText(), QString());
    expectNoBoxes();
}
TEST_F(FMenuTest, TypeFiltersSetBoundsAndReloadTheArchiveWithTheirClause)
{
    const std::tuple<int, qint32, qint32, const char *> cases[] = { // index, low, high, clause
        {1, 1000, 1500, "Software"},      {2, 2000, 3900, "Transaction"}, {3, 9000, 9500, "Internal"},
        {4, 4000, 4500, "External"},      {5, 5000, 5500, "Alarm"},       {6, 6000, 9000, "Programming"},
        {7, 7000, 7500, "Communication"}, {8, 8000, 8499, "Misc"},        {9, 8500, 8600, "Communication"},
        {0, 8500, 8600, nullptr}, // "All" keeps the last bounds but turns the filter off
    };
    module().profile.LoadCachedEvents = true;
    module().filter.CanViewAllEvents = true;
    // Loading the viewer resets the type filter, so it is loaded first, as Show does.
    viewer();
    menu();
    (void)takeTrace();
    for (const auto &[index, low, high, clause] : cases) {
        SCOPED_TRACE(index);
        desktop().clearRecords();
        menu().mnuFilterArray_Click(index);
        EXPECT_EQ(module().profile.TypeFilter, index);
        EXPECT_EQ(std::tie(module().typeRange.active, module().typeRange.low, module().typeRange.high),
                  std::tuple(clause != nullptr, low, high));
        for (int item = 0; item < FMenu::filterItemCount; ++item)
            EXPECT_EQ(menu().mnuFilterArray(item)->isChecked(), item == index) << item;
        const QString where = clause ? QStringLiteral("Where Type like N'%%1%'").arg(QLatin1String(clause)) : QString();
        const QString archive = QStringLiteral("from [VIEW_EventLog_AllEvents] %1 order by [dbDate] desc").arg(where);
        EXPECT_EQ(takeTrace().filter(archive).size(), 1) << archive.toStdString();
        const QStringList cursors = desktop().cursorHistory();
        EXPECT_EQ(cursors.value(0), "busy");
        EXPECT_EQ(cursors.value(cursors.size() - 1), "default");
        if (clause)
            expectFirstFamilyWithin(low, high);
    }
    EXPECT_GT(grid().rowCount(), 0);
    expectNoBoxes();
    // Without cached events "All" only moves the check mark.
    module().profile.LoadCachedEvents = false;
    menu().mnuFilterArray_Click(5);
    grid().clear();
    addRow({"2001", QString(), "kept"});
    (void)takeTrace();
    menu().mnuFilterArray_Click(0);
    EXPECT_FALSE(module().typeRange.active);
    EXPECT_TRUE(menu().mnuFilterArray(0)->isChecked());
    EXPECT_FALSE(menu().mnuFilterArray(5)->isChecked());
    EXPECT_TRUE(takeTrace().isEmpty());
    EXPECT_EQ(cells("Description"), QStringList({"kept"}));
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
        viewer().vGrid_ColumnClick(column);
        ASSERT_EQ(grid().sortKeys().size(), 1u);
        const auto &sort = grid().sortKeys().front();
        EXPECT_EQ(std::tuple(sort.column, int(sort.order), int(sort.type)), std::tuple(column, order, type));
        EXPECT_EQ(grid().columnTag(column), order == 1 ? QStringLiteral("DESC") : QString());
        EXPECT_EQ(desktop().cursorHistory(), QStringList({"busy", "default"}));
    }
    viewer().vGrid_ColumnClick(grid().columnIndex("ID"));
    EXPECT_EQ(cells("ID"), QStringList({"100", "10", "9"}));
}
TEST_F(FMenuTest, RightClickKeepsASelectionOfSeveralRowsAndPopsTheMenu)
{
    viewer().show();
    QApplication::processEvents();
    for (int i = 1; i <= 5; ++i)
        addRow({"2001", when, QStringLiteral("row %1").arg(i)});
    select({1, 2, 3});
    desktop().queueAnswer("none");
    click(Qt::RightButton, 2);
    EXPECT_EQ(cells(), QStringList({"1", "2", "3"}));
    ASSERT_EQ(desktop().menus().size(), 1u);
    EXPECT_FALSE(viewer().cellClickedFlag());
    // One selected row: the click selects the clicked row as usual.
    select({1});
    click(Qt::RightButton, 4);
    EXPECT_EQ(cells(), QStringList({"4"}));
    EXPECT_EQ(desktop().menus().size(), 2u);
    // A left click on the empty space below the last row clears the selection.
    click(Qt::LeftButton, 0, QPoint(5, grid().viewport()->height() - 2));
    EXPECT_TRUE(cells().isEmpty());
    EXPECT_EQ(desktop().menus().size(), 2u);
    expectNoBoxes();
}
TEST_F(FMenuTest, ThePopUpShowsTheLocalisedItemsAndRunsTheChosenOne)
{
    db().execute(QStringLiteral("Insert Into Localization Values (17, 'mnuEventArray', 10, 'Display Credential Photo')"));
    module().windows().unloadMenu(); // the next reference loads the menu again, with the new caption
    addRow({"2001", when, "only"});
    select({1});
    menu().mnuFilterArray_Click(4);
    desktop().queueAnswer("12");
    viewer().vGrid_MouseUp(2, 0, 0, 0);
    ASSERT_EQ(desktop().menus().size(), 1u);
    const std::vector<PopupMenuItem> &items = desktop().menus().front().items;
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(std::tie(items[10].caption, items[12].caption), std::tuple("Display Credential Photo", "&Help"));
    EXPECT_TRUE(items[2].separator);
    EXPECT_FALSE(items[11].visible);
    ASSERT_EQ(items[0].children.size(), 10u);
    const PopupMenuItem &external = items[0].children[4];
    EXPECT_EQ(std::tie(external.caption, external.checked, external.id), std::tuple("External", true, FMenu::filterItemIdBase + 4));
    EXPECT_EQ(record().help, QJsonArray({194}));
    EXPECT_TRUE(cells().isEmpty()) << "the release followed no cell click";
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
    const std::tuple<qint32, QString, qint32, qint32> cases[] = { // type, description, credential (-1: none), door
        {0, "Alarm - O'Brien's door", 31, 6}, {0, "Zeko - O'Brien's door", 32, 501}, {3, apostrophe, 41, 1},
        {3, "Zeko " + apostrophe, 42, 502},   {3, "No card", 0, 2},                   {3, "Stores", 43, 77},
        {4, "Misc - O'Brien's door", 51, 8},
        {3, "Nothing like it", -1, -1}, // not logged
        {5, apostrophe, -1, -1},        // a type without a log
    };
    for (const auto &[type, description, credentialID, doorID] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << description.toStdString());
        EXPECT_EQ(viewer().pEventHasCredential(type, when, description), credentialID > 0);
        qint32 credential = -1, door = -1;
        viewer().pGetPhotoInfo(type, credential, door, when, description);
        EXPECT_EQ(std::pair(credential, door), std::pair(credentialID, doorID));
    }
    expectNoBoxes();
    // A time that is no date asks nothing; an address too short to name a door is reported, the credential
    // still found.
    (void)takeTrace();
    qint32 credential = 0, door = 0;
    viewer().pGetPhotoInfo(4, credential, door, "not a date", "Short");
    EXPECT_TRUE(takeTrace().isEmpty());
    credential = door = 0;
    viewer().pGetPhotoInfo(4, credential, door, when, "Short");
    EXPECT_EQ(std::pair(credential, door), std::pair(52, 0));
    ASSERT_EQ(desktop().boxes().size(), 1u);
    EXPECT_TRUE(boxTexts().first().contains("FEvents.GetDoorAddress"));
}
TEST_F(FMenuTest, DisplayCredentialAsksTheHostForThePhotoOfTheLoggedCard)
{
    // A logged card transaction whose time and description are its own.
    auto logged = db().openRecordset(QStringLiteral(
        "Select Event, NetAddress, dtDate, Description, UID1 From Log_Transactions Where UID1 > 0 And Event Between 2000 And 3700 "
        "And NetAddress Like '%.RD0_' Group By dtDate, Description Having Count(*) = 1 Order By dtDate"));
    ASSERT_FALSE(logged->eof());
    const QString address = CStr(logged->field(1));
    const qint32 credentialID = CLng(logged->field(4));
    addRow({CStr(logged->field(0)), FEvents::PadMidnight(CStr(logged->field(2))), CStr(logged->field(3)), address});
    logged->close();
    const QString doorAddress = address.left(address.size() - 4) + "DR" + address.right(2);
    const QStringList doorIDs = column(QStringLiteral("Select DoorID From Doors Where Address = '%1'").arg(doorAddress));
    ASSERT_EQ(doorIDs.size(), 1);
    select({1});
    desktop().queueAnswer("10");
    viewer().vGrid_CellClick(1, 1);
    viewer().vGrid_MouseUp(2, 0, 10, 10);
    EXPECT_TRUE(desktop().menus().front().items[10].enabled);
    ASSERT_FALSE(record().callbacks.isEmpty());
    EXPECT_EQ(record().callbacks.last().toArray(), QJsonArray({"PhotoCallupBT", credentialID, doorIDs.first().toInt()}));
    EXPECT_EQ(cells(), QStringList({"1"}));
    expectNoBoxes();
}
TEST_F(FMenuTest, ShowAppliesTheSavedTypeFilterWhenCachedEventsLoad)
{
    db().execute(QStringLiteral("Update Profile_Details Set [Value] = '5' Where ProfileID = 1 AND ObjectID = 4 "
                                "AND Property = 'TypeFilter'"));
    const std::shared_ptr<MPublic> shared(&module(), [](MPublic *) {});
    Event event(shared);
    event.Show();
    ASSERT_TRUE(module().windows().isMenuLoaded());
    EXPECT_TRUE(menu().mnuFilterArray(5)->isChecked());
    EXPECT_TRUE(module().typeRange.active);
    EXPECT_EQ(takeTrace().filter(QStringLiteral("[VIEW_EventLog_AllEvents] Where Type like N'%Alarm%'")).size(), 1);
    EXPECT_GT(grid().rowCount(), 0);
    expectFirstFamilyWithin(5000, 5500);
    const QJsonObject dump = QJsonDocument::fromJson(EventInspector(shared).snapshotJson()).object();
    EXPECT_TRUE(dump["menu"]["filters"][5]["checked"].toBool());
}
} // namespace
} // namespace Ostraven::Testing