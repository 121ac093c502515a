#include "support/componentfixture.h"

#include "component/event.h"
#include "component/eventintake.h"
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

struct RowText {
    QString id;
    QString controllerTime;
    QString description;
    QString address = QStringLiteral(R"(\\SRV1.1.1.RD01)");
    QString type = QStringLiteral("Access");
    QString hostTime = QStringLiteral("11/27/2026 6:30:00 PM");
};

class FMenuTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().ColumnHeaders = QStringLiteral("Use Object Default");
    }

    FEvents &viewer() { return module().events(); }
    GridControl &grid() { return *viewer().vGrid; }
    FMenu &menu() { return module().menu(); }

    int addRow(const RowText &text)
    {
        const int row = grid().addRow();
        grid().setCellDetails(row, QStringLiteral("ID"), text.id);
        grid().setCellDetails(row, QStringLiteral("dtTime"), text.controllerTime);
        grid().setCellDetails(row, QStringLiteral("dbTime"), text.hostTime);
        grid().setCellDetails(row, QStringLiteral("Description"), text.description);
        grid().setCellDetails(row, QStringLiteral("Address"), text.address);
        grid().setCellDetails(row, QStringLiteral("Type"), text.type);
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
        for (int row = 1; row <= grid().rowCount(); ++row) {
            if (grid().cellSelected(row, 1))
                rows << QString::number(row);
        }
        return rows;
    }

    QStringList cells(const QString &key)
    {
        QStringList texts;
        for (int row = 1; row <= grid().rowCount(); ++row)
            texts << grid().cellText(row, key);
        return texts;
    }

    QString enabledItems()
    {
        QString states;
        for (int index = 0; index < FMenu::eventItemCount; ++index)
            states += FMenu::itemEnabled(*menu().mnuEventArray(index)) ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    }

    // A real button event on the grid, at the centre of a cell or at a point of the viewport.
    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint at)
    {
        QMouseEvent event(type, at, grid().viewport()->mapToGlobal(at), button,
                          type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid().viewport(), &event);
    }
    void rightClick(QPoint at)
    {
        mouse(QEvent::MouseButtonPress, Qt::RightButton, at);
        mouse(QEvent::MouseButtonRelease, Qt::RightButton, at);
    }
    QPoint cellCentre(int row) { return grid().cellRect(row, QStringLiteral("Description")).center(); }

    void insertLog(const QString &sql) { db().execute(sql); }

    // Second-family rows pass a type filter by their category, first-family rows by their number.
    void expectFirstFamilyWithin(int low, int high)
    {
        for (const QString &id : cells(QStringLiteral("ID"))) {
            if (id.toInt() < 80000) {
                EXPECT_TRUE(id.toInt() >= low && id.toInt() <= high) << id.toStdString();
            }
        }
    }
};

constexpr const char *apostrophe = "Access Granted - O'Brien's door";

TEST_F(FMenuTest, PreparingThePopUpFollowsTheSelectionAndThePermissions)
{
    insertLog(QStringLiteral("INSERT INTO Log_Transactions (Event, NetAddress, Type, dtDate, dbDate, Description, UID1) "
                             "VALUES (2001, '\\\\SRV1.1.1.RD01', 'KORA*GATE Transaction', '2026-11-27 18:30:00', "
                             "'2026-11-27 18:30:00.120', 'Access Granted - Badge 4242', 17)"));
    struct Case {
        const char *name;
        qint32 user;
        bool selected;
        QString description;
        QString expected; // items 0 to 12, 1 = enabled
    };
    const QString badge = QStringLiteral("Access Granted - Badge 4242");
    const Case cases[] = {
        {"all rights, a credential", 101, true, badge, QStringLiteral("1111111111111")},
        {"all rights, no credential", 101, true, QStringLiteral("Other"), QStringLiteral("1111111111011")},
        {"no ChangeProps", 102, true, badge, QStringLiteral("0011111101111")},
        // Only items 6 and 10 change; the rest keep what the row before left them.
        {"then an empty selection", 102, false, badge, QStringLiteral("0011110101011")},
        {"no CopyToClipboard", 103, true, badge, QStringLiteral("1111100111111")},
    };
    const int row = addRow({QStringLiteral("2001"), QStringLiteral("11/27/2026 6:30:00 PM"), badge});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        config().user = c.user;
        grid().setCellText(row, QStringLiteral("Description"), c.description);
        if (c.selected)
            select({row});
        else
            grid().clearSelection();
        menu().mnuEvents_Click();
        EXPECT_EQ(enabledItems(), c.expected);
    }
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FMenuTest, AnEmptyGridDisablesOnlyAddressAndCredential)
{
    menu().mnuEvents_Click();
    EXPECT_EQ(enabledItems(), QStringLiteral("1111110111011"));
    EXPECT_FALSE(menu().mnuEventArray(11)->isVisible());
    EXPECT_TRUE(menu().mnuFilterArray(0)->isChecked());
    EXPECT_TRUE(takeTrace().filter(QStringLiteral("Log_")).isEmpty());
}

TEST_F(FMenuTest, SuspendingTwiceShowsParkedEventsInArrivalOrder)
{
    module().CanViewAllEvents = true;
    module().messageBuffer().SetBufferSize(10);
    module().colourSlots[0] = 0xFFFFFF;
    module().colourSlots[2] = 0x606060;
    viewer().timerRefresh.stop();

    menu().mnuEventArray_Click(3);
    EXPECT_TRUE(module().scrollSuspended);
    EXPECT_TRUE(menu().mnuEventArray(3)->isChecked());
    EXPECT_EQ(grid().backColour(), 0x606060);
    EXPECT_TRUE(viewer().timerRefresh.isActive());

    for (const qint32 id : {2001, 5001, 8001}) {
        HostEventRecord record;
        record.eventNumber = id;
        record.address = QStringLiteral(R"(\\SRV1.1.1.RD01)");
        record.typeCode = 3;
        record.hostDate = Date::now();
        record.controllerDate = record.hostDate;
        record.messageText = QStringLiteral("Event %1,").arg(id);
        EventIntake(module()).AddNewEvent(record);
    }
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_EQ(module().bufferCount(), 3);

    viewer().timerRefresh.stop();
    menu().mnuEventArray_Click(3);
    EXPECT_FALSE(module().scrollSuspended);
    EXPECT_FALSE(menu().mnuEventArray(3)->isChecked());
    EXPECT_EQ(grid().backColour(), 0xFFFFFF);
    EXPECT_EQ(module().bufferCount(), 0);
    // Newest at the top: the first to arrive is the last row.
    EXPECT_EQ(cells(QStringLiteral("ID")), QStringList({"8001", "5001", "2001"}));
    EXPECT_TRUE(viewer().timerRefresh.isActive());
    EXPECT_EQ(desktop().cursorHistory().last(), QStringLiteral("default"));
}

TEST_F(FMenuTest, CopyToClipboardTakesSelectedRowsOrEveryRowWithoutHiddenColumns)
{
    grid().setColumnVisible(QStringLiteral("Address"), false);
    addRow({QStringLiteral("2001"), QString(), QStringLiteral("first"), QStringLiteral("a1"), QStringLiteral("T1"),
            QStringLiteral("h1")});
    addRow({QStringLiteral("2002"), QString(), QStringLiteral("second"), QStringLiteral("a2"), QStringLiteral("T2"),
            QStringLiteral("h2")});
    addRow({QStringLiteral("2003"), QString(), QStringLiteral("third"), QStringLiteral("a3"), QStringLiteral("T3"),
            QStringLiteral("h3")});
    // Index order: dbTime, Description, Address (hidden), Type, ID, dtTime and NotUsed (hidden).
    const QString first = QStringLiteral("h1\tfirst\tT1\t2001\t\r\n");
    const QString second = QStringLiteral("h2\tsecond\tT2\t2002\t\r\n");
    const QString third = QStringLiteral("h3\tthird\tT3\t2003\t\r\n");

    select({1, 3});
    menu().mnuEventArray_Click(5);
    EXPECT_EQ(desktop().clipboardText(), first + third);

    grid().clearSelection();
    viewer().Form_KeyUp(67, 2);
    EXPECT_EQ(desktop().clipboardText(), first + second + third);

    select({2});
    menu().mnuEventArray_Click(6);
    EXPECT_EQ(desktop().clipboardText(), QStringLiteral("a2"));

    grid().clear();
    menu().mnuEventArray_Click(5);
    EXPECT_EQ(desktop().clipboardText(), QString());
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FMenuTest, TypeFiltersSetBoundsAndReloadTheArchiveWithTheirClause)
{
    struct Case {
        int index;
        bool active;
        qint32 low;
        qint32 high;
        const char *clause;
    };
    const Case cases[] = {
        {1, true, 1000, 1500, "Where Type like N'%Software%'"},
        {2, true, 2000, 3900, "Where Type like N'%Transaction%'"},
        {3, true, 9000, 9500, "Where Type like N'%Internal%'"},
        {4, true, 4000, 4500, "Where Type like N'%External%'"},
        {5, true, 5000, 5500, "Where Type like N'%Alarm%'"},
        {6, true, 6000, 9000, "Where Type like N'%Programming%'"},
        {7, true, 7000, 7500, "Where Type like N'%Communication%'"},
        {8, true, 8000, 8499, "Where Type like N'%Misc%'"},
        {9, true, 8500, 8600, "Where Type like N'%Communication%'"},
        {0, false, 8500, 8600, ""},
    };
    module().LoadCachedEvents = true;
    module().CanViewAllEvents = true;
    // Loading the viewer resets the type filter, so it is loaded first, as Show does.
    viewer();
    menu();
    (void)takeTrace();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        desktop().clearRecords();
        menu().mnuFilterArray_Click(c.index);
        EXPECT_EQ(module().TypeFilter, c.index);
        EXPECT_EQ(module().typeFilter.active, c.active);
        EXPECT_EQ(module().typeFilter.low, c.low);
        EXPECT_EQ(module().typeFilter.high, c.high);
        for (int item = 0; item < FMenu::filterItemCount; ++item)
            EXPECT_EQ(menu().mnuFilterArray(item)->isChecked(), item == c.index) << item;
        const QString archive = QStringLiteral("from [VIEW_EventLog_AllEvents] %1 order by [dbDate] desc")
                                    .arg(QLatin1String(c.clause));
        EXPECT_EQ(takeTrace().filter(archive).size(), 1) << archive.toStdString();
        ASSERT_FALSE(desktop().cursorHistory().isEmpty());
        EXPECT_EQ(desktop().cursorHistory().first(), QStringLiteral("busy"));
        EXPECT_EQ(desktop().cursorHistory().last(), QStringLiteral("default"));
        if (c.active)
            expectFirstFamilyWithin(c.low, c.high);
    }
    EXPECT_GT(grid().rowCount(), 0);
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FMenuTest, AllWithoutCachedEventsOnlyMovesTheCheckMark)
{
    module().LoadCachedEvents = false;
    menu().mnuFilterArray_Click(5);
    addRow({QStringLiteral("2001"), QString(), QStringLiteral("kept")});
    (void)takeTrace();

    menu().mnuFilterArray_Click(0);
    EXPECT_FALSE(module().typeFilter.active);
    EXPECT_EQ(module().TypeFilter, 0);
    EXPECT_TRUE(menu().mnuFilterArray(0)->isChecked());
    EXPECT_FALSE(menu().mnuFilterArray(5)->isChecked());
    EXPECT_TRUE(takeTrace().isEmpty());
    EXPECT_EQ(cells(QStringLiteral("Description")), QStringList({"kept"}));
}

TEST_F(FMenuTest, EventTypeOfAnEventNumber)
{
    insertLog(QStringLiteral("INSERT INTO ZEKO_EventDefinitions (EventID, ZEKOEventType, DefaultDescription) "
                             "VALUES (90001, 20, 'Access Granted'), (90002, 22, 'Input Active')"));
    const std::pair<qint32, qint32> cases[] = {
        {4999, 9}, {5000, 0}, {5999, 0}, {6000, 9}, {1999, 9}, {2000, 3}, {3700, 3}, {3701, 9},
        {7999, 9}, {8000, 4}, {8100, 4}, {8101, 9}, {79999, 9}, {90001, 3}, {90002, 0}, {99999, 0},
    };
    menu();
    (void)takeTrace();
    for (const auto &[number, type] : cases)
        EXPECT_EQ(menu().GetEventTypeForEventNumber(number), type) << number;
    EXPECT_EQ(takeTrace(), QStringList({
                               "Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 90001",
                               "Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 90002",
                               "Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 99999",
                           }));
}

TEST_F(FMenuTest, ColumnClicksAlternateTheOrderAndSortByTheColumnsType)
{
    for (const char *id : {"10", "9", "100"})
        addRow({QString::fromLatin1(id), QString(), QStringLiteral("d%1").arg(QLatin1String(id))});
    struct Click {
        const char *key;
        int order;
        int type;
        QString mark;
    };
    const Click clicks[] = {
        {"Type", 1, 102, QStringLiteral("DESC")}, {"Type", 2, 102, QString()}, {"Type", 1, 102, QStringLiteral("DESC")},
        {"dbTime", 1, 200, QStringLiteral("DESC")}, {"dtTime", 1, 200, QStringLiteral("DESC")},
        {"ID", 1, 100, QStringLiteral("DESC")}, {"Description", 1, 102, QStringLiteral("DESC")},
    };
    for (const Click &click : clicks) {
        SCOPED_TRACE(click.key);
        const int column = grid().columnIndex(QLatin1String(click.key));
        desktop().clearRecords();
        viewer().vGrid_ColumnClick(column);
        ASSERT_EQ(grid().sortKeys().size(), 1u);
        EXPECT_EQ(grid().sortKeys().front().column, column);
        EXPECT_EQ(int(grid().sortKeys().front().order), click.order);
        EXPECT_EQ(int(grid().sortKeys().front().type), click.type);
        EXPECT_EQ(grid().columnTag(column), click.mark);
        EXPECT_EQ(desktop().cursorHistory(), QStringList({"busy", "default"}));
    }
    viewer().vGrid_ColumnClick(grid().columnIndex(QStringLiteral("ID")));
    EXPECT_EQ(cells(QStringLiteral("ID")), QStringList({"100", "10", "9"}));
}

TEST_F(FMenuTest, RightClickKeepsASelectionOfSeveralRowsAndPopsTheMenu)
{
    viewer().show();
    QApplication::processEvents();
    for (int i = 1; i <= 5; ++i)
        addRow({QStringLiteral("2001"), QStringLiteral("11/27/2026 6:30:00 PM"), QStringLiteral("row %1").arg(i)});

    select({1, 2, 3});
    desktop().queueAnswer(QStringLiteral("none"));
    rightClick(cellCentre(2));
    EXPECT_EQ(selectedRows(), QStringList({"1", "2", "3"}));
    ASSERT_EQ(desktop().menus().size(), 1u);
    EXPECT_FALSE(viewer().cellClickedFlag());

    // One selected row: the click selects the clicked row as usual.
    select({1});
    rightClick(cellCentre(4));
    EXPECT_EQ(selectedRows(), QStringList({"4"}));
    EXPECT_EQ(desktop().menus().size(), 2u);

    // A left release on the empty space below the last row clears the selection.
    const QPoint below(5, grid().viewport()->height() - 2);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, below);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, below);
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_EQ(desktop().menus().size(), 2u);
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FMenuTest, ThePopUpShowsTheLocalisedItemsAndRunsTheChosenOne)
{
    db().execute(QStringLiteral("Insert Into Localization Values (17, 'mnuEventArray', 10, 'Display Credential Photo')"));
    module().unloadMenu(); // the next reference loads the menu again, with the new caption
    addRow({QStringLiteral("2001"), QStringLiteral("11/27/2026 6:30:00 PM"), QStringLiteral("only")});
    select({1});
    menu().mnuFilterArray_Click(4);
    desktop().queueAnswer(QStringLiteral("12"));
    viewer().vGrid_MouseUp(2, 0, 0, 0);

    ASSERT_EQ(desktop().menus().size(), 1u);
    const std::vector<PopupMenuItem> &items = desktop().menus().front().items;
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[10].caption, QStringLiteral("Display Credential Photo"));
    EXPECT_EQ(items[12].caption, QStringLiteral("&Help"));
    EXPECT_TRUE(items[2].separator);
    EXPECT_FALSE(items[11].visible);
    ASSERT_EQ(items[0].children.size(), 10u);
    EXPECT_EQ(items[0].children[4].caption, QStringLiteral("External"));
    EXPECT_TRUE(items[0].children[4].checked);
    EXPECT_EQ(items[0].children[4].id, FMenu::filterItemIdBase + 4);
    EXPECT_EQ(record().help, QJsonArray({194}));
    // The release followed no cell click, so it also cleared the selection.
    EXPECT_TRUE(selectedRows().isEmpty());

    ASSERT_TRUE(module().isMenuLoaded());
    module().unloadMenu();
    EXPECT_FALSE(module().isMenuLoaded());
    config().customize = false;
    EXPECT_EQ(menu().mnuEventArray(10)->text(), QStringLiteral("Display Credential"));
}

TEST_F(FMenuTest, PropertiesWithoutThePermissionExplainsWhy)
{
    config().user = 102;
    menu().mnuEventArray_Click(8);
    ASSERT_EQ(desktop().boxes().size(), 1u);
    const MessageBoxRequest &box = desktop().boxes().front().request;
    EXPECT_EQ(box.text, QStringLiteral("You do not have permission to change the Event Viewer properties."));
    EXPECT_EQ(box.icon, MsgBoxIcon::Information);
    EXPECT_EQ(box.title, module().errors().title());
}

TEST_F(FMenuTest, CredentialLookUpsFindDescriptionsWithApostrophes)
{
    const QString when = QStringLiteral("'2026-11-27 18:30:00', '2026-11-27 18:30:00.500'");
    insertLog(QStringLiteral("INSERT INTO AlarmActive (EventID, Address, Type, dtDate, dbDate, Description, UID1) VALUES "
                             "(5001, '\\\\SRV1.1.3.IN02', 'KORA*GATE Alarm', %1, 'Alarm - O''Brien''s door', 31),"
                             "(80101, '\\\\ZEKO01.1.IN01', 'ZekoSeries Alarm', %1, 'Zeko - O''Brien''s door', 32)")
                  .arg(when));
    insertLog(QStringLiteral("INSERT INTO Log_Transactions (Event, NetAddress, Type, dtDate, dbDate, Description, UID1) "
                             "VALUES (2001, '\\\\SRV1.1.1.RD01', 'KORA*GATE Transaction', %1, '%2', 41),"
                             "(80001, '\\\\ZEKO01.1.RD02', 'ZekoSeries Transaction', %1, 'Zeko %2', 42),"
                             "(2002, '\\\\SRV1.1.1.RD02', 'KORA*GATE Transaction', %1, 'No card', 0)")
                  .arg(when, QString::fromLatin1(apostrophe).replace(QLatin1Char('\''), QStringLiteral("''"))));
    insertLog(QStringLiteral("INSERT INTO Log_Misc (Event, NetAddress, Type, dtDate, dbDate, Description, UID1) VALUES "
                             "(8001, '\\\\SRV1.2.1.RD02', 'KORA*GATE Misc', %1, 'Misc - O''Brien''s door', 51),"
                             "(8002, '\\\\S', 'KORA*GATE Misc', %1, 'Short', 52)")
                  .arg(when));

    struct Case {
        const char *name;
        qint32 type;
        QString description;
        bool credential;
        qint32 credentialID;
        qint32 doorID;
    };
    const QString time = QStringLiteral("11/27/2026 6:30:00 PM");
    const Case cases[] = {
        {"alarm, first family", 0, QStringLiteral("Alarm - O'Brien's door"), true, 31, 6},
        {"alarm, second family", 0, QStringLiteral("Zeko - O'Brien's door"), true, 32, 501},
        {"transaction, first family", 3, QString::fromLatin1(apostrophe), true, 41, 1},
        {"transaction, second family", 3, QStringLiteral("Zeko ") + QString::fromLatin1(apostrophe), true, 42, 502},
        {"transaction without a card", 3, QStringLiteral("No card"), false, 0, 2},
        {"miscellaneous", 4, QStringLiteral("Misc - O'Brien's door"), true, 51, 8},
        {"not logged", 3, QStringLiteral("Nothing like it"), false, -1, -1},
        {"a type without a log", 5, QString::fromLatin1(apostrophe), false, -1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(viewer().pEventHasCredential(c.type, time, c.description), c.credential);
        qint32 credential = -1;
        qint32 door = -1;
        viewer().pGetPhotoInfo(c.type, credential, door, time, c.description);
        EXPECT_EQ(credential, c.credentialID);
        EXPECT_EQ(door, c.doorID);
    }
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();

    (void)takeTrace();
    qint32 credential = 0;
    qint32 door = 0;
    viewer().pGetPhotoInfo(3, credential, door, time, QString::fromLatin1(apostrophe));
    EXPECT_EQ(takeTrace(),
              QStringList({"Select UID1, NetAddress, Event From Log_Transactions Where dtDate = '2026-11-27 18:30:00' "
                           "and Description = 'Access Granted - O''Brien''s door'",
                           R"(Select DoorID From Doors Where Address = '\\SRV1.1.1.DR01')"}));
    EXPECT_TRUE(viewer().pEventHasCredential(4, time, QStringLiteral("Misc - O'Brien's door")));
    EXPECT_EQ(takeTrace(), QStringList({"Select UID1 From Log_Misc Where dtDate = '2026-11-27 18:30:00' and "
                                        "Description = 'Misc - O''Brien''s door'"}));
    viewer().pGetPhotoInfo(4, credential, door, QStringLiteral("not a date"), QStringLiteral("Short"));
    EXPECT_TRUE(takeTrace().isEmpty());

    // An address too short to name a door: the failure is reported, the credential still found.
    credential = 0;
    door = 0;
    viewer().pGetPhotoInfo(4, credential, door, time, QStringLiteral("Short"));
    EXPECT_EQ(credential, 52);
    EXPECT_EQ(door, 0);
    ASSERT_EQ(desktop().boxes().size(), 1u);
    EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("FEvents.GetDoorAddress")));
}

TEST_F(FMenuTest, DisplayCredentialAsksTheHostForThePhotoOfTheLoggedCard)
{
    // A logged card transaction whose time and description are its own, as the demo site wrote it.
    auto logged = db().openRecordset(QStringLiteral(
        "Select Event, NetAddress, dtDate, Description, UID1 From Log_Transactions Where UID1 > 0 And Event Between 2000 And 3700 "
        "And NetAddress Like '%.RD0_' Group By dtDate, Description Having Count(*) = 1 Order By dtDate"));
    ASSERT_FALSE(logged->eof());
    const QString address = CStr(logged->field(1));
    const qint32 credentialID = CLng(logged->field(4));
    addRow({CStr(logged->field(0)), FEvents::PadMidnight(CStr(logged->field(2))), CStr(logged->field(3)), address});
    logged->close();
    const QString doorAddress = address.left(address.size() - 4) + QStringLiteral("DR") + address.right(2);
    const QStringList doorIDs = column(
        QStringLiteral("Select DoorID From Doors Where Address = '%1'").arg(doorAddress));
    ASSERT_EQ(doorIDs.size(), 1);

    select({1});
    desktop().queueAnswer(QStringLiteral("10"));
    viewer().vGrid_CellClick(1, 1);
    viewer().vGrid_MouseUp(2, 0, 10, 10);

    EXPECT_TRUE(desktop().menus().front().items[10].enabled);
    ASSERT_FALSE(record().callbacks.isEmpty());
    EXPECT_EQ(record().callbacks.last().toArray(),
              QJsonArray({"PhotoCallupBT", credentialID, doorIDs.first().toInt()}));
    EXPECT_EQ(selectedRows(), QStringList({"1"}));
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FMenuTest, ShowAppliesTheSavedTypeFilterWhenCachedEventsLoad)
{
    db().execute(QStringLiteral("Update Profile_Details Set [Value] = '5' Where ProfileID = 1 AND ObjectID = 4 "
                                "AND Property = 'TypeFilter'"));
    Event event(std::shared_ptr<MPublic>(&module(), [](MPublic *) {}));
    event.Show();

    ASSERT_TRUE(module().isMenuLoaded());
    EXPECT_TRUE(menu().mnuFilterArray(5)->isChecked());
    EXPECT_TRUE(module().typeFilter.active);
    EXPECT_EQ(takeTrace().filter(QStringLiteral("[VIEW_EventLog_AllEvents] Where Type like N'%Alarm%'")).size(), 1);
    EXPECT_GT(grid().rowCount(), 0);
    expectFirstFamilyWithin(5000, 5500);
    const QJsonObject dump = QJsonDocument::fromJson(event.snapshotJson()).object();
    EXPECT_TRUE(dump[QStringLiteral("windows")][QStringLiteral("FMenu")].toBool());
    EXPECT_TRUE(dump[QStringLiteral("menu")][QStringLiteral("filters")][5][QStringLiteral("checked")].toBool());
    EXPECT_EQ(dump[QStringLiteral("menu")][QStringLiteral("events")].toArray().size(), 13);
}

} // namespace

} // namespace Ostraven::Testing
