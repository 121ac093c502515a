#include "support/componentfixture.h"

#include "customise/fcustom.h"
#include "customise/filtergrouppage.h"
#include "filters/filterclausebuilder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <functional>
#include <optional>
#include <vector>

namespace Ostraven::Testing {

namespace {

const QString title = QStringLiteral("EventViewObject");
const QString emptyNameMessage = QStringLiteral("Name cannot be empty.\rDo you want to try again?");
const QString duplicateNameMessage = QStringLiteral("Name already exists.");
const QString noCriteriaMessage = QStringLiteral(
    "This filter group has no valid Selected Criteria defined.\rPress OK to continue and NOT use a filter, or "
    "Cancel to go back and define one.");
const QString insertHead =
    QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)Values (");

std::vector<std::string> texts(const QStringList &list)
{
    std::vector<std::string> result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}

struct Box {
    QString text;
    MsgBoxIcon icon;
    MsgBoxButtons buttons;
};

class FilterGroupTest : public ComponentTest
{
public:
    void SetUp() override
    {
        ComponentTest::SetUp();
        // The demo site has second-family panels; the viewer reads the flag when it opens.
        module().zk2Hardware = true;
        module().Colors = QStringLiteral("Use Object Default");
        module().ColumnHeaders = QStringLiteral("Use Object Default");
    }

    FCustom &dialog() { return module().custom(); }
    FilterGroupPage &page() { return dialog().filterPage(); }
    QComboBox &groups() { return *dialog().cmbFilterGroup; }

    // The statements sent since the last call, without the resource look-ups of the host's GRS.
    QStringList statements()
    {
        QStringList sent;
        for (const QString &statement : takeTrace()) {
            if (!statement.startsWith(QStringLiteral("Select ResourceText From ResourceStrings")))
                sent << statement;
        }
        return sent;
    }

    static QStringList itemTexts(const QComboBox &combo)
    {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemText(i);
        return items;
    }

    static QStringList itemData(const QComboBox &combo)
    {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemData(i, Qt::UserRole).toString();
        return items;
    }

    static void choose(QComboBox &combo, const QVariant &data)
    {
        const int index = combo.findData(data, Qt::UserRole);
        ASSERT_GE(index, 1) << data.toString().toStdString();
        combo.setCurrentIndex(index);
    }

    // As the operator picks an entry from the drop-down list.
    void pickGroup(int index)
    {
        groups().setCurrentIndex(index);
        Q_EMIT groups().activated(index);
    }

    // As the operator types into the combo's text.
    void typeGroupName(const QString &name)
    {
        QLineEdit &edit = *groups().lineEdit();
        edit.setText(name);
        Q_EMIT edit.textEdited(name);
    }

    void addCriterion(std::optional<qint32> event, std::optional<qint32> port = {}, std::optional<qint32> ardo = {},
                      std::optional<QString> controller = {})
    {
        for (QComboBox *picker : {dialog().cmbEvent, dialog().cmbPort, dialog().cmbArdo, dialog().cboController})
            picker->setCurrentIndex(0);
        if (event)
            choose(*dialog().cmbEvent, *event);
        if (port)
            choose(*dialog().cmbPort, *port);
        if (ardo)
            choose(*dialog().cmbArdo, *ardo);
        if (controller)
            choose(*dialog().cboController, *controller);
        page().AddFilter_Click();
    }

    // Each criterion as description | filter | SQL.
    QStringList criteria()
    {
        QStringList rows;
        const QTreeWidget &list = *dialog().lstSelectedFilters;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            const QTreeWidgetItem &item = *list.topLevelItem(i);
            rows << item.text(0) + QStringLiteral(" | ") + item.data(0, Qt::UserRole).toString()
                        + QStringLiteral(" | ") + item.text(1);
        }
        return rows;
    }

    QStringList storedRows(qint32 groupId)
    {
        return column(QStringLiteral("Select FilterName || ' | ' || FilterType || ' | ' || Filter || ' | ' || "
                                     "FilterDescription || ' | ' || SQL From EventFilters Where GroupID = ")
                      + QString::number(groupId));
    }

    QStringList groupNames() { return column(QStringLiteral("Select GroupName From EventFilterGroups Order By GroupID")); }

    QString profileGroup(qint32 profile)
    {
        return column(QStringLiteral("Select Value From Profile_Details Where ObjectID = 4 AND "
                                     "Property = 'FilterGroupID' AND ProfileID = ")
                      + QString::number(profile))
            .value(0);
    }

    void expectBoxes(const std::vector<Box> &expected)
    {
        const auto &shown = desktop().boxes();
        ASSERT_EQ(shown.size(), expected.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].request.text.toStdString(), expected[i].text.toStdString());
            EXPECT_EQ(shown[i].request.icon, expected[i].icon) << i;
            EXPECT_EQ(shown[i].request.buttons, expected[i].buttons) << i;
            EXPECT_EQ(shown[i].request.title.toStdString(), title.toStdString());
        }
    }

    static bool anyWrite(const QStringList &sent)
    {
        for (const QString &statement : sent) {
            for (const char *verb : {"Insert", "Update", "Delete", "EXEC", "ZUL_Delete"}) {
                if (statement.startsWith(QLatin1String(verb), Qt::CaseInsensitive))
                    return true;
            }
        }
        return false;
    }
};

// The demo site's first-family event definitions as the picker lists them: each table ascending,
// the table loaded last first, reserved numbers left out.
const std::vector<qint32> firstFamilyEvents{
    1001,  1002,  1010,  1020,  1100,  1200,  1300,                                     // software
    2000,  2001,  2010,  2020,  2100,  2101,  2102,  2103, 2200, 3000, 3701,           // transactions
    4000,  4001,  4100,  4101,  4200,  4300,                                            // external
    5000,  5001,  5010,  5020,  5100,  5500,  5600,                                     // alarms
    6000,  6001,  6100,  6200,  8700,  8701,                                            // programming
    7000,  7001,  7100,  7101,                                                          // communication hubs
    8000,  8001,  8020,  8050,  8400,                                                   // miscellaneous
    8500,  8501,  8550,                                                                 // ports
    9000,  9001,  9010,  9011,  9050,                                                   // internal
    10001, 10002, 12000, 12001, 12002, 15000,                                           // integrated
};
const std::vector<qint32> secondFamilyEvents{80001, 80002, 80003, 80100, 80101, 80200,
                                             80201, 80300, 80301, 80400, 80500, 80501};

TEST_F(FilterGroupTest, PickersListTheSiteWithAndWithoutSecondFamilyHardware)
{
    for (const bool secondFamily : {true, false}) {
        SCOPED_TRACE(secondFamily ? "second family on" : "second family off");
        module().unloadCustom();
        module().zk2Hardware = secondFamily;
        (void)statements();
        FCustom &form = dialog();
        const QStringList sent = statements();

        QStringList expected{
            QStringLiteral("Select * From Sites Order By SiteDescr desc"),
            QStringLiteral("Select PortID, PortName From ServerPorts Order By PortName desc"),
            QStringLiteral("Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers ")
                + (secondFamily ? QStringLiteral(" Union Select ID, [Name], 2 From ZEKO_Controllers Order By [Name] desc")
                                : QStringLiteral(" Order By [Name] desc")),
            QStringLiteral("Select ARDOID, ArdoName From Ardoes Order By Ardoname desc"),
        };
        if (secondFamily)
            expected << QStringLiteral("Select EventID, DefaultDescription, Description From [ZEKO_EventDefinitions] "
                                       "Where DefaultDescription Not Like 'Undefined%' Order By eventID desc");
        const QString bus = secondFamily ? QString() : QStringLiteral("DefaultDescription Not Like '%PELA*Bus%' AND ");
        const QString tail = QStringLiteral(" DefaultDescription Not Like 'Undefined%' Order By eventID desc");
        expected << QStringLiteral("Select EventID, DefaultDescription, Description From IntegratedEvents Where ") + bus + tail
                 << QStringLiteral("Select EventID, DefaultDescription, Description From InternalEvents Where ") + bus
                        + QStringLiteral(" DefaultDescription Not Like 'Undefined%'  Order By eventID desc");
        for (const char *table : {"PortEvents", "MISCEvents", "ArdoEvents", "ProgrammingEvents", "Alarms",
                                  "ExternalEvents", "SystemTransactionEvents", "SoftwareTransactionEvents"})
            expected << QStringLiteral("Select EventID, DefaultDescription, Description From ") + QLatin1String(table)
                            + QStringLiteral("  Where ") + bus + tail;
        const qsizetype first = sent.indexOf(expected.first());
        ASSERT_GE(first, 0);
        EXPECT_EQ(texts(sent.mid(first, expected.size())), texts(expected));

        EXPECT_EQ(texts(itemTexts(*form.cmbSD)),
                  texts({"(Any)", "Harbour Street Campus", "Riverside Depot"}));
        EXPECT_EQ(texts(itemData(*form.cmbSD)), texts({"0", "1", "2"}));
        EXPECT_EQ(texts(itemTexts(*form.cmbPort)),
                  texts({"(Any)", "Port 1 - Main Building", "Port 2 - Warehouse", "Port 3 - East Wing Ardo",
                         "Port 4 - Car Park Ardo"}));
        EXPECT_EQ(texts(itemData(*form.cmbPort)), texts({"0", "1", "2", "3", "4"}));
        EXPECT_EQ(texts(itemTexts(*form.cmbArdo)), texts({"(Any)", "Car Park Ardo", "East Wing Ardo"}));
        EXPECT_EQ(texts(itemData(*form.cmbArdo)), texts({"0", "2", "1"}));

        QStringList controllers{QStringLiteral("Car Park Barrier"), QStringLiteral("East Wing Offices"),
                                QStringLiteral("Main Entrance"),    QStringLiteral("Reception"),
                                QStringLiteral("Server Room"),      QStringLiteral("Warehouse Dock"),
                                QStringLiteral("Warehouse Office")};
        if (secondFamily) {
            controllers.insert(0, QStringLiteral("Annex Panel"));
            controllers.insert(3, QStringLiteral("Laboratory Panel"));
        }
        controllers.prepend(QStringLiteral("(Any)"));
        EXPECT_EQ(texts(itemTexts(*form.cboController)), texts(controllers));
        EXPECT_EQ(form.cboController->itemData(form.cboController->findText(QStringLiteral("Reception"))).toString(),
                  QStringLiteral("2|1"));
        if (secondFamily) {
            EXPECT_EQ(form.cboController->itemData(form.cboController->findText(QStringLiteral("Annex Panel")))
                          .toString(),
                      QStringLiteral("2|2"));
        }

        std::vector<qint32> events;
        for (qint32 id : firstFamilyEvents) {
            if (secondFamily || (id != 4300 && id != 9050))
                events.push_back(id);
        }
        if (secondFamily)
            events.insert(events.end(), secondFamilyEvents.begin(), secondFamilyEvents.end());
        std::vector<qint32> listed;
        for (int i = 1; i < form.cmbEvent->count(); ++i)
            listed.push_back(form.cmbEvent->itemData(i).toInt());
        EXPECT_EQ(listed, events);
        EXPECT_EQ(form.cmbEvent->itemText(0), QStringLiteral("(Any)"));
        // The site's own name wins over the maker's.
        EXPECT_GE(form.cmbEvent->findText(QStringLiteral("2102 Access Denied - Wrong Time")), 1);
        EXPECT_GE(form.cmbEvent->findText(QStringLiteral("12000 Warehouse Alarm Set")), 1);
        EXPECT_GE(form.cmbEvent->findText(QStringLiteral("1001 Operator Logged On")), 1);

        for (QComboBox *picker : {form.cmbSD, form.cmbPort, form.cboController, form.cmbArdo, form.cmbEvent})
            EXPECT_EQ(picker->currentIndex(), 0);
    }
}

TEST_F(FilterGroupTest, GroupListOffersTheOperatorsGroups)
{
    struct Case {
        const char *name;
        bool admin;
        qint32 user;
        std::vector<std::string> entries;
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {"administrator", true, 101,
         {"(No Filter)", "<New Filter Group>", "Front Entrance & Alarms", "Hide Warehouse & Annex"},
         {"0", "0", "1", "2"}},
        {"guard desk, granted one group through the role", false, 102, {"(No Filter)", "Front Entrance & Alarms"},
         {"0", "1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().unloadCustom();
        module().IsAdmin = c.admin;
        config().user = c.user;
        (void)statements();
        FCustom &form = dialog();
        EXPECT_TRUE(statements().contains(QStringLiteral("ZUL_Roles_Fetch_EventFilterGroups 1, ")
                                          + QString::number(c.user)));
        EXPECT_EQ(texts(itemTexts(*form.cmbFilterGroup)), c.entries);
        EXPECT_EQ(texts(itemData(*form.cmbFilterGroup)), c.ids);
        EXPECT_EQ(form.cmbFilterGroup->currentIndex(), 0);
    }
}

TEST_F(FilterGroupTest, AddFilterComposesDescriptionFilterAndClause)
{
    db().execute(QStringLiteral(R"(Insert Into ServerPorts Values (9, 'Modem Line', 1, '\\MODEM'))"));
    struct Case {
        const char *name;
        std::optional<qint32> event;
        std::optional<qint32> port;
        std::optional<qint32> ardo;
        std::optional<QString> controller;
        const char *expected; // description | filter | SQL
    };
    const Case cases[] = {
        {"event only", 5000, {}, {}, {}, R"(((Event is '5000') ) | 5000 | (([ID] = 5000) ))"},
        {"event with a port and a controller", 2100, 2, {}, QStringLiteral("1|1"),
         R"(((Event is '2100') AND (Port is 'Port 2 - Warehouse') OR (Controller is 'Main Entrance')) | )"
         R"(2100,\\SRV1.2,\\SRV1.1.1 | )"
         R"((([ID] = 2100) AND (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\2%')) OR (Address LIKE '\\SRV1.1.1%')))"},
        {"event with an Ardo and a panel", 5000, {}, 2, QStringLiteral("1|2"),
         R"(((Event is '5000') AND (Ardo is 'Car Park Ardo') OR (Controller is 'Laboratory Panel')) | )"
         R"(5000,\\SRV1.4,\\ZEKO01 | )"
         R"((([ID] = 5000) AND (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.4%') OR (Address LIKE '\\ZEKO01%')))"},
        {"port without a point in its address", {}, 9, {}, {},
         R"((Port is 'Modem Line') | \\MODEM | )"
         R"((Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\\\MODEM%')))"},
        {"all four sources", 80100, 1, 1, QStringLiteral("7|1"),
         R"(((Event is '80100') AND (Port is 'Port 1 - Main Building') OR (Ardo is 'East Wing Ardo') OR (Controller is 'Car Park Barrier')) | )"
         R"(80100,\\SRV1.1,\\SRV1.3,\\SRV1.4.1 | )"
         R"((([ID] = 80100) AND (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\1%')) OR (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.3%') OR (Address LIKE '\\SRV1.4.1%')))"},
    };
    pickGroup(1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialog().lstSelectedFilters->clear();
        dialog().pendingChanges = false;
        addCriterion(c.event, c.port, c.ardo, c.controller);
        ASSERT_EQ(texts(criteria()), texts({c.expected}));
        EXPECT_TRUE(dialog().pendingChanges);
        EXPECT_TRUE(dialog().FilterGroup[0]->isEnabled());
        EXPECT_TRUE(dialog().FilterGroup[1]->isEnabled());
        EXPECT_TRUE(dialog().DeleteFilter->isEnabled());
        // The clause must stay valid SQL on the archive, whatever it selects.
        const QString clause = dialog().lstSelectedFilters->topLevelItem(0)->text(1);
        EXPECT_EQ(column(QStringLiteral("Select Count(*) From [VIEW_EventLog_AllEvents] Where ") + clause).size(), 1);
    }
    EXPECT_TRUE(boxTexts().isEmpty()) << boxTexts().join(QStringLiteral("\n---\n")).toStdString();
    const QStringList sent = statements();
    EXPECT_TRUE(sent.contains(QStringLiteral("Select Address From ServerPorts Where PortID = 9")));
    EXPECT_TRUE(sent.contains(QStringLiteral("Select Address From Ardoes Where ArdoID = 2")));
    EXPECT_TRUE(sent.contains(QStringLiteral("Select Address From Controllers Where Controller_ID = 1")));
    EXPECT_TRUE(sent.contains(QStringLiteral("Select Address From ZEKO_Controllers Where ID = 1")));
}

TEST_F(FilterGroupTest, AddFilterWithNothingChosenOnlyTellsTheOperator)
{
    pickGroup(1);
    dialog().pendingChanges = false;
    addCriterion({});
    expectBoxes({{QStringLiteral("Choose an event, a port, a controller or an Ardo before adding a criterion."),
                  MsgBoxIcon::Information, MsgBoxButtons::Ok}});
    EXPECT_TRUE(criteria().isEmpty());
    EXPECT_TRUE(dialog().pendingChanges);
    EXPECT_FALSE(dialog().FilterGroup[0]->isEnabled());
    EXPECT_FALSE(dialog().FilterGroup[1]->isEnabled());
    EXPECT_FALSE(dialog().DeleteFilter->isEnabled());
}

TEST_F(FilterGroupTest, GetAddressForIdAnswersEachKind)
{
    const struct {
        qint32 id;
        qint32 kind;
        const char *address;
    } cases[] = {{2, 2, R"(\\SRV1.2)"}, {1, 3, R"(\\SRV1.3)"},  {5, 4, R"(\\SRV1.2.2)"},
                 {2, 6, R"(\\ZEKO02)"}, {99, 4, ""},             {1, 5, ""}};
    for (const auto &c : cases)
        EXPECT_EQ(page().GetAddressForID(c.id, c.kind), QString::fromLatin1(c.address)) << c.id << " " << c.kind;
}

TEST_F(FilterGroupTest, SavingANewGroupStoresItsRowsAndPointsTheProfileAtIt)
{
    pickGroup(1);
    addCriterion(5000);
    addCriterion({}, {}, {}, QStringLiteral("1|2"));
    dialog().optType[1]->setChecked(true);
    typeGroupName(QStringLiteral("Night's Watch"));
    (void)statements();

    dialog().FilterGroup[0]->click();

    const QString name = QStringLiteral("N'Night''s Watch', 0, N'");
    const QStringList expected{
        QStringLiteral("EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='Night''s Watch', @ReturnedID=NULL "
                       "OUTPUT, @OperatorID=101"),
        insertHead + QStringLiteral("3, ") + name + QStringLiteral(R"(5000', N'((Event is ''5000'') )', N'(([ID] = 5000) )'))"),
        insertHead + QStringLiteral("3, ") + name
            + QStringLiteral(R"(\\ZEKO01', N'(Controller is ''Laboratory Panel'')', N'(Address LIKE ''\\ZEKO01%'')'))"),
        QStringLiteral("Update Profile_Details Set Value = '3' Where Property = 'FilterGroupID' AND ObjectID = 4 AND "
                       "ProfileID = 1"),
        QStringLiteral("Select * from EventFilters Where GroupID = 3"),
    };
    EXPECT_EQ(texts(statements()), texts(expected));
    EXPECT_EQ(column(QStringLiteral("Select SiteID || ',' || GroupName || ',' || OperatorID From EventFilterGroups "
                                    "Where GroupID = 3")),
              QStringList{QStringLiteral("0,Night's Watch,101")});
    EXPECT_EQ(texts(storedRows(3)),
              texts({R"(Night's Watch | 0 | 5000 | ((Event is '5000') ) | (([ID] = 5000) ))",
                     R"(Night's Watch | 0 | \\ZEKO01 | (Controller is 'Laboratory Panel') | (Address LIKE '\\ZEKO01%'))"}));
    EXPECT_EQ(profileGroup(1), QStringLiteral("3"));

    EXPECT_EQ(groups().currentIndex(), 2);
    EXPECT_EQ(groups().itemText(2), QStringLiteral("Night's Watch"));
    EXPECT_EQ(groups().itemData(2).toInt(), 3);
    EXPECT_EQ(page().groupListIndex(), 2);
    EXPECT_EQ(criteria().size(), 2);
    EXPECT_TRUE(dialog().optType[1]->isChecked());
    EXPECT_FALSE(dialog().pendingChanges);
    EXPECT_TRUE(boxTexts().isEmpty());

    // What was stored is what the viewer's clause builder joins and the archive query accepts.
    FilterClauseBuilder(module()).SetFilter2(3);
    EXPECT_EQ(module().FilterClause,
              QStringLiteral(R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\ZEKO01%')))"));
    EXPECT_EQ(column(QStringLiteral("Select Count(*) From [VIEW_EventLog_AllEvents]") + module().FilterClause).size(), 1);
}

TEST_F(FilterGroupTest, SavingAnExistingGroupReplacesItsRows)
{
    module().FilterGroupID = 1;
    ASSERT_EQ(groups().currentIndex(), 2);
    ASSERT_EQ(criteria().size(), 4);
    EXPECT_TRUE(dialog().optType[0]->isChecked());
    dialog().lstSelectedFilters->setCurrentItem(dialog().lstSelectedFilters->topLevelItem(1));
    dialog().DeleteFilter->click();
    addCriterion(2000, 4);
    dialog().optType[1]->setChecked(true);
    (void)statements();

    dialog().FilterGroup[0]->click();

    const QString head = insertHead + QStringLiteral("1, N'Front Entrance & Alarms', 0, '");
    const QStringList expected{
        QStringLiteral("Delete From eventfilters Where GroupID = 1"),
        QStringLiteral("Update Profile_Details Set Value = '1' Where Property = 'FilterGroupID' AND ObjectID = 4 AND "
                       "ProfileID = 1"),
        head + QStringLiteral(R"(5000', N'((Event is ''5000'') )', N'(([ID] = 5000) )'))"),
        head + QStringLiteral(R"(2100,\\SRV1.2', N'((Event is ''2100'') AND (Port is ''Port 2 - Warehouse''))', )")
            + QStringLiteral(R"(N'(([ID] = 2100) AND (Address NOT LIKE ''\\ZEKO%'' AND (''\\'' + Substring(Address, CharIndex(''.'',Address,1) + 1,30) LIKE ''\\2%'')))'))"),
        head + QStringLiteral(R"(\\ZEKO01', N'(Controller is ''Laboratory Panel'')', N'(Address LIKE ''\\ZEKO01%'')'))"),
        head + QStringLiteral(R"(2000,\\SRV1.4', N'((Event is ''2000'') AND (Port is ''Port 4 - Car Park Ardo''))', )")
            + QStringLiteral(R"(N'(([ID] = 2000) AND (Address NOT LIKE ''\\ZEKO%'' AND (''\\'' + Substring(Address, CharIndex(''.'',Address,1) + 1,30) LIKE ''\\4%'')))'))"),
    };
    EXPECT_EQ(texts(statements()), texts(expected));
    const QStringList rows = storedRows(1);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.at(3).toStdString(),
              R"(Front Entrance & Alarms | 0 | 2000,\\SRV1.4 | ((Event is '2000') AND (Port is 'Port 4 - Car Park Ardo')) | )"
              R"((([ID] = 2000) AND (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\4%'))))");
    EXPECT_EQ(groupNames().size(), 2);
    EXPECT_EQ(profileGroup(1), QStringLiteral("1"));
    EXPECT_FALSE(dialog().pendingChanges);
}

TEST_F(FilterGroupTest, DeletingAGroupRemovesItEverywhere)
{
    struct Case {
        const char *name;
        qint32 group;
        bool throughFocus; // emptied and left, rather than the delete button
    };
    for (const Case &c : {Case{"delete button", 2, false}, Case{"emptied group on focus", 1, true}}) {
        SCOPED_TRACE(c.name);
        module().unloadCustom();
        module().FilterGroupID = c.group;
        const QString groupName = groups().currentText();
        ASSERT_GE(groups().currentIndex(), 2);
        if (c.throughFocus) {
            while (dialog().lstSelectedFilters->topLevelItemCount() > 0)
                page().DeleteFilter_Click();
            EXPECT_TRUE(dialog().FilterGroup[1]->isEnabled());
            (void)statements();
            page().cmbFilterGroup_GotFocus();
        } else {
            (void)statements();
            dialog().FilterGroup[1]->click();
        }
        EXPECT_EQ(texts(statements()), texts({QStringLiteral("ZUL_DeleteFilterGroup ") + QString::number(c.group)}));
        EXPECT_TRUE(desktop().boxes().empty());
        EXPECT_EQ(groups().findText(groupName), -1);
        EXPECT_EQ(groups().currentIndex(), 1);
        EXPECT_TRUE(criteria().isEmpty());
        EXPECT_FALSE(dialog().FilterGroup[0]->isEnabled());
        EXPECT_FALSE(dialog().FilterGroup[1]->isEnabled());
        EXPECT_FALSE(dialog().pendingChanges);
        EXPECT_FALSE(groupNames().contains(groupName));
        EXPECT_TRUE(storedRows(c.group).isEmpty());
    }
    // The profiles that used the groups went back to no filter.
    EXPECT_EQ(profileGroup(2), QStringLiteral("0"));
    EXPECT_EQ(profileGroup(3), QStringLiteral("0"));
}

TEST_F(FilterGroupTest, NameRulesBeforeANewGroupIsSaved)
{
    const QString fortyCharacters = QStringLiteral("Loading Bay Doors And Gates North Wing 1");
    struct Case {
        const char *name;
        std::optional<QString> typed;   // nothing: the placeholder stays selected
        bool viaTyping;
        QStringList answers;
        std::vector<Box> boxes;
        int inputs;
        std::optional<QString> saved;
        const char *picked = "<New Filter Group>"; // the entry chosen before the criterion is added
    };
    const Box empty{emptyNameMessage, MsgBoxIcon::Question, MsgBoxButtons::YesNo};
    const Box duplicate{duplicateNameMessage, MsgBoxIcon::None, MsgBoxButtons::Ok};
    // Each case saves under a name of its own, as the groups saved before are listed as existing.
    auto dock = [](int n) { return QStringLiteral("Dock Doors %1").arg(n); };
    const Case cases[] = {
        {"typed new name", dock(1), true, {}, {}, 0, dock(1)},
        {"differs from a group only in letter case", QStringLiteral("hide warehouse & annex"), true, {}, {}, 0,
         QStringLiteral("hide warehouse & annex")},
        {"forty characters typed", fortyCharacters, true, {}, {}, 0, fortyCharacters.left(32)},
        {"forty characters set without typing", fortyCharacters.toUpper(), false, {}, {}, 0,
         fortyCharacters.toUpper().left(32)},
        {"empty, giving up", QString(), true, {QStringLiteral("no")}, {empty}, 0, {}},
        {"empty, trying again", QString(), true, {QStringLiteral("yes"), dock(2)}, {empty}, 1, dock(2)},
        {"placeholder", {}, true, {dock(3)}, {}, 1, dock(3)},
        {"placeholder answered again", {}, true, {QStringLiteral("<New Filter Group>"), dock(4)}, {}, 2, dock(4)},
        {"input box cancelled", {}, true, {QString(), QStringLiteral("no")}, {empty}, 1, {}},
        {"existing group's name", QStringLiteral("Hide Warehouse & Annex"), true, {QStringLiteral("ok"), dock(5)},
         {duplicate}, 1, dock(5)},
        {"name saved by an earlier case", dock(1), true, {QStringLiteral("ok"), dock(6)}, {duplicate}, 1, dock(6)},
        {"no-filter entry answered", {}, true, {QStringLiteral("(No Filter)"), QStringLiteral("ok"), dock(7)},
         {duplicate}, 2, dock(7)},
        {"chosen group's name typed again", QStringLiteral("Hide Warehouse & Annex"), true,
         {QStringLiteral("ok"), dock(8)}, {duplicate}, 1, dock(8), "Hide Warehouse & Annex"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().unloadCustom();
        pickGroup(groups().findText(QString::fromUtf8(c.picked)));
        ASSERT_GE(groups().currentIndex(), 1);
        addCriterion(5000);
        if (c.typed) {
            if (c.viaTyping)
                typeGroupName(*c.typed);
            else
                groups().setEditText(*c.typed);
        }
        if (c.viaTyping && c.typed && c.typed->size() > 32) {
            EXPECT_EQ(groups().currentText(), c.typed->left(32));
            EXPECT_EQ(groups().lineEdit()->cursorPosition(), 32);
        }
        desktop().clearRecords();
        desktop().clearAnswers();
        for (const QString &answer : c.answers)
            desktop().queueAnswer(answer);
        // A spare refusal, so that a name the rules keep refusing ends the loop instead of the test.
        desktop().queueAnswer(QStringLiteral("no"));
        const qsizetype before = groupNames().size();

        EXPECT_TRUE(page().SaveFilterGroup());

        expectBoxes(c.boxes);
        ASSERT_EQ(int(desktop().inputs().size()), c.inputs);
        for (const ScriptedDesktop::ShownInput &input : desktop().inputs()) {
            EXPECT_EQ(input.prompt, QStringLiteral("Enter a name for the filter group:"));
            EXPECT_EQ(input.title, QStringLiteral("Filter Group Name"));
            EXPECT_TRUE(input.defaultText.isEmpty());
        }
        EXPECT_EQ(desktop().pendingAnswers(), 1);
        const QStringList names = groupNames();
        if (c.saved) {
            ASSERT_EQ(names.size(), before + 1);
            EXPECT_EQ(names.last(), *c.saved);
            EXPECT_EQ(groups().currentText(), *c.saved);
        } else {
            EXPECT_EQ(names.size(), before);
            EXPECT_EQ(groups().currentIndex(), 1);
            EXPECT_TRUE(criteria().isEmpty());
        }
    }
}

TEST_F(FilterGroupTest, SavingWithoutCriteriaWritesNothing)
{
    struct Case {
        const char *name;
        std::optional<QString> typed; // nothing: the no-filter entry stays selected
        QStringList answers;
        bool result;
        std::vector<Box> boxes;
        qint32 groupAfter;
    };
    const Box noCriteria{noCriteriaMessage, MsgBoxIcon::Information, MsgBoxButtons::OkCancel};
    const Case cases[] = {
        {"empty name", QString(), {}, true, {}, 0},
        {"named, cancelled", QStringLiteral("Dock"), {QStringLiteral("cancel")}, false, {noCriteria}, 7},
        {"named, continued", QStringLiteral("Dock"), {QStringLiteral("ok")}, true, {noCriteria}, 7},
        {"no-filter entry", {}, {}, true, {}, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().unloadCustom();
        module().FilterGroupID = 0;
        FCustom &form = dialog();
        ASSERT_EQ(form.cmbFilterGroup->currentIndex(), 0);
        module().FilterGroupID = 7;
        if (c.typed)
            typeGroupName(*c.typed);
        desktop().clearRecords();
        for (const QString &answer : c.answers)
            desktop().queueAnswer(answer);
        (void)statements();

        EXPECT_EQ(page().SaveFilterGroup(), c.result);

        expectBoxes(c.boxes);
        EXPECT_FALSE(anyWrite(statements()));
        EXPECT_EQ(module().FilterGroupID, c.groupAfter);
    }
}

TEST_F(FilterGroupTest, FocusOnTheGroupComboOffersToSave)
{
    struct Case {
        const char *name;
        qint32 profileGroup;
        std::function<void(FilterGroupTest &)> edit;
        QString answer;
        std::optional<QString> prompted; // the group named in the question
        int groupsAdded;
        int rowsOfGroupOne;
        bool pendingAfter;
    };
    auto typedGroup = [](FilterGroupTest &t) {
        t.pickGroup(1);
        t.addCriterion(5000);
        t.typeGroupName(QStringLiteral("Dock Doors"));
    };
    const Case cases[] = {
        {"typed name, not saved", 0, typedGroup, QStringLiteral("no"), QStringLiteral("Dock Doors"), 0, 4, true},
        {"typed name, saved", 0, typedGroup, QStringLiteral("yes"), QStringLiteral("Dock Doors"), 1, 4, false},
        {"no-filter entry", 0, [](FilterGroupTest &t) { t.dialog().pendingChanges = true; }, {}, {}, 0, 4, true},
        {"placeholder with changes", 0,
         [](FilterGroupTest &t) {
             t.pickGroup(1);
             t.addCriterion(5000);
         },
         QStringLiteral("no"), QStringLiteral("<New Filter Group>"), 0, 4, true},
        {"group without changes", 1, [](FilterGroupTest &) {}, {}, {}, 0, 4, false},
        {"group with changes, saved", 1, [](FilterGroupTest &t) { t.addCriterion(2000); }, QStringLiteral("yes"),
         QStringLiteral("Front Entrance & Alarms"), 0, 5, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().unloadCustom();
        module().FilterGroupID = c.profileGroup;
        (void)dialog();
        c.edit(*this);
        desktop().clearRecords();
        if (!c.answer.isEmpty())
            desktop().queueAnswer(c.answer);
        const qsizetype before = groupNames().size();

        page().cmbFilterGroup_GotFocus();

        if (c.prompted) {
            expectBoxes({{QStringLiteral("The filter group \"") + *c.prompted
                              + QStringLiteral("\" has changes that are not saved. Do you want to save them?"),
                          MsgBoxIcon::Question, MsgBoxButtons::YesNo}});
        } else {
            EXPECT_TRUE(desktop().boxes().empty());
        }
        EXPECT_EQ(groupNames().size(), before + c.groupsAdded);
        EXPECT_EQ(storedRows(1).size(), c.rowsOfGroupOne);
        EXPECT_EQ(dialog().pendingChanges, c.pendingAfter);
    }
}

TEST_F(FilterGroupTest, EnablingFollowsTheGroupAndTheRows)
{
    FCustom &form = dialog();
    auto builderEnabled = [&] {
        bool all = form.fraBuilder->isEnabled() && form.fraSelectedFilters->isEnabled() && form.cmbEvent->isEnabled()
                   && form.AddFilter->isEnabled() && form.cmbServer->isEnabled();
        for (QLabel *label : form.Label2)
            all = all && label->isEnabled();
        for (QRadioButton *option : form.optType)
            all = all && option->isEnabled();
        return all;
    };
    EXPECT_EQ(form.cmbFilterGroup->currentIndex(), 0);
    EXPECT_FALSE(form.fraBuilder->isEnabled());
    EXPECT_FALSE(form.optType[0]->isEnabled());

    pickGroup(3);
    EXPECT_TRUE(builderEnabled());
    EXPECT_EQ(criteria().size(), 3);
    EXPECT_TRUE(form.optType[1]->isChecked());
    page().pUpdateEnabledStatus();
    EXPECT_TRUE(form.FilterGroup[0]->isEnabled());
    EXPECT_TRUE(form.FilterGroup[1]->isEnabled());
    EXPECT_TRUE(form.DeleteFilter->isEnabled());

    for (int i = 0; i < 3; ++i)
        page().DeleteFilter_Click();
    EXPECT_FALSE(form.FilterGroup[0]->isEnabled());
    EXPECT_TRUE(form.FilterGroup[1]->isEnabled()); // a stored group can still be deleted
    EXPECT_FALSE(form.DeleteFilter->isEnabled());

    pickGroup(1);
    EXPECT_TRUE(builderEnabled());
    EXPECT_FALSE(form.FilterGroup[0]->isEnabled());
    EXPECT_FALSE(form.FilterGroup[1]->isEnabled());

    pickGroup(0);
    EXPECT_FALSE(form.fraBuilder->isEnabled());
    EXPECT_FALSE(form.lstSelectedFilters->isEnabled());
}

TEST_F(FilterGroupTest, OperatorWithoutAdminRightOnlyPicks)
{
    module().IsAdmin = false;
    config().user = 102;
    module().FilterGroupID = 1;
    FCustom &form = dialog();
    const QStringList opened = statements();
    EXPECT_FALSE(opened.contains(QStringLiteral("Select * From Sites Order By SiteDescr desc")));
    for (QComboBox *picker : {form.cmbSD, form.cmbPort, form.cboController, form.cmbArdo, form.cmbEvent})
        EXPECT_EQ(picker->count(), 0);
    EXPECT_EQ(form.cmbFilterGroup->currentText(), QStringLiteral("Front Entrance & Alarms"));
    EXPECT_TRUE(criteria().isEmpty());
    EXPECT_FALSE(form.fraBuilder->isEnabled());
    EXPECT_FALSE(form.AddFilter->isEnabled());

    page().pUpdateEnabledStatus();
    EXPECT_FALSE(form.FilterGroup[0]->isEnabled());
    EXPECT_FALSE(form.FilterGroup[1]->isEnabled());
    EXPECT_FALSE(form.DeleteFilter->isEnabled());

    typeGroupName(QStringLiteral("Mine"));
    EXPECT_TRUE(page().SaveFilterGroup());
    pickGroup(1);
    page().DeleteFilterGroup();
    page().FilterGroup_Click(1);
    EXPECT_FALSE(anyWrite(statements()));
    EXPECT_EQ(groupNames().size(), 2);
    EXPECT_TRUE(desktop().boxes().empty());
}

} // namespace

} // namespace Ostraven::Testing
