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
#include <QRegularExpression>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace Ostraven::Testing {
namespace {
const QString insertHead = QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)Values (");
const QString profileUpdate = QStringLiteral("Update Profile_Details Set Value = '%1' Where Property = 'FilterGroupID' AND ObjectID = 4 AND ProfileID = 1");

// The stored rows of the event-5000 criterion and of the panel criterion, after the group's head.
const QString event5000Row = QStringLiteral(R"(5000', N'((Event is ''5000'') )', N'(([ID] = 5000) )'))");
const QString panelRow = QStringLiteral(R"(\\ZEKO01', N'(Controller is ''Laboratory Panel'')', N'(Address LIKE ''\\ZEKO01%'')'))");

std::vector<std::string> texts(const QStringList &list)
{
    std::vector<std::string> result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}

struct Box { QString text; MsgBoxIcon icon; MsgBoxButtons buttons; };
const Box emptyName{QStringLiteral("Name cannot be empty.\rDo you want to try again?"), MsgBoxIcon::Question, MsgBoxButtons::YesNo};

// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
const auto rowName = [](const auto &row) { return std::string(row.param.name); };

class FilterGroupTest : public ComponentTest
{
public:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().view.zk2Hardware = true;
        module().profile.Colors = module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }

    FCustom &dialog() { return module().windows().custom(); }
    FilterGroupPage &page() { return dialog().filterPage(); }
    QComboBox &groups() { return *dialog().cmbFilterGroup; }
    void pickGroup(int index) { groups().setCurrentIndex(index); Q_EMIT groups().activated(index); }
    void typeGroupName(const QString &name) { groups().lineEdit()->setText(name); Q_EMIT groups().lineEdit()->textEdited(name); }

    // The statements sent since the last call, without the host's resource look-ups.
    QStringList statements() { return takeTrace().filter(QRegularExpression("^(?!Select ResourceText From)")); }

    // Each entry as "text=data", or the text alone.
    static std::vector<std::string> entries(const QComboBox &combo, bool withData = true)
    {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemText(i) + (withData ? QLatin1Char('=') + combo.itemData(i).toString() : QString());
        return texts(items);
    }

    // Picks each given entry by its data, "(Any)" for the others, and adds the criterion.
    void addCriterion(QVariant event, QVariant port = {}, QVariant ardo = {}, QVariant controller = {})
    {
        const std::pair<QComboBox *, QVariant> pickers[] = {
            {dialog().cmbEvent, event}, {dialog().cmbPort, port}, {dialog().cmbArdo, ardo}, {dialog().cboController, controller}};
        for (const auto &[combo, data] : pickers) {
            combo->setCurrentIndex(data.isValid() ? combo->findData(data) : 0);
            ASSERT_GE(combo->currentIndex(), data.isValid() ? 1 : 0) << data.toString().toStdString();
        }
        page().AddFilter_Click();
    }

    // Each criterion as description | filter | SQL.
    QStringList criteria()
    {
        QStringList rows;
        for (int i = 0; i < dialog().lstSelectedFilters->topLevelItemCount(); ++i) {
            const QTreeWidgetItem &item = *dialog().lstSelectedFilters->topLevelItem(i);
            rows << item.text(0) + " | " + item.data(0, Qt::UserRole).toString() + " | " + item.text(1);
        }
        return rows;
    }

    int storedRows(qint32 group) { return column(QStringLiteral("Select Count(*) From EventFilters Where GroupID = %1").arg(group)).value(0).toInt(); }
    QStringList groupNames() { return column(QStringLiteral("Select GroupName From EventFilterGroups Order By GroupID")); }
    QString profileGroup(qint32 profile) { return column("Select Value From Profile_Details Where ObjectID = 4 AND Property = 'FilterGroupID' AND ProfileID = " + QString::number(profile)).value(0); }

    // Each box shown since the last clear, as text, icon, buttons and the component's title.
    void expectBoxes(const std::vector<Box> &expected)
    {
        const auto &shown = desktop().boxes();
        ASSERT_EQ(shown.size(), expected.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const auto &box = shown[i].request;
            EXPECT_EQ(box.text.toStdString(), expected[i].text.toStdString());
            EXPECT_TRUE(box.icon == expected[i].icon && box.buttons == expected[i].buttons && box.title == "EventViewObject");
        }
    }

    static bool anyWrite(const QStringList &sent) { return !sent.filter(QRegularExpression("^(Insert|Update|Delete|EXEC|ZUL_Delete)", QRegularExpression::CaseInsensitiveOption)).isEmpty(); }

    // Save group, delete group, and delete row where given.
    void expectButtons(bool save, bool remove, std::optional<bool> removeRow = {})
    {
        const FCustom &form = dialog();
        EXPECT_EQ(std::tuple(form.FilterGroup[0]->isEnabled(), form.FilterGroup[1]->isEnabled(), form.DeleteFilter->isEnabled()),
                  std::tuple(save, remove, removeRow.value_or(form.DeleteFilter->isEnabled())));
    }
};

template <typename Row> class FilterGroupRows : public FilterGroupTest, public ::testing::WithParamInterface<Row> {};

// The demo site's events as the picker lists them: each table ascending, the table loaded last first,
// reserved numbers left out; 4300 and 9050 are bus events, and 80001 on the second family's.
const std::vector<qint32> firstFamilyEvents{
    1001, 1002, 1010, 1020, 1100, 1200, 1300, 2000, 2001, 2010, 2020, 2100, 2101, 2102, 2103, 2200, 3000, 3701,
    4000, 4001, 4100, 4101, 4200, 4300, 5000, 5001, 5010, 5020, 5100, 5500, 5600, 6000, 6001, 6100, 6200, 8700,
    8701, 7000, 7001, 7100, 7101, 8000, 8001, 8020, 8050, 8400, 8500, 8501, 8550, 9000, 9001, 9010, 9011, 9050,
    10001, 10002, 12000, 12001, 12002, 15000};
const std::vector<qint32> secondFamilyEvents{80001, 80002, 80003, 80100, 80101, 80200, 80201, 80300, 80301, 80400, 80500, 80501};

struct PickerRow { const char *name; bool secondFamily; };
using Pickers = FilterGroupRows<PickerRow>;
TEST_P(Pickers, ListTheSiteWithOrWithoutSecondFamilyHardware)
{
    const bool secondFamily = GetParam().secondFamily;
    module().view.zk2Hardware = secondFamily;
    FCustom &form = dialog();
    EXPECT_EQ(entries(*form.cmbSD), texts({"(Any)=0", "Harbour Street Campus=1", "Riverside Depot=2"}));
    EXPECT_EQ(entries(*form.cmbPort), texts({"(Any)=0", "Port 1 - Main Building=1", "Port 2 - Warehouse=2", "Port 3 - East Wing Ardo=3", "Port 4 - Car Park Ardo=4"}));
    EXPECT_EQ(entries(*form.cmbArdo), texts({"(Any)=0", "Car Park Ardo=2", "East Wing Ardo=1"}));
    QStringList controllers{"(Any)", "Car Park Barrier", "East Wing Offices", "Main Entrance", "Reception", "Server Room", "Warehouse Dock", "Warehouse Office"};
    if (secondFamily)
        controllers.insert(1, QStringLiteral("Annex Panel")), controllers.insert(4, QStringLiteral("Laboratory Panel"));
    EXPECT_EQ(entries(*form.cboController, false), texts(controllers));
    const auto data = [&](const char *text) { return form.cboController->itemData(form.cboController->findText(text)).toString(); };
    EXPECT_EQ(QStringList({data("Reception"), data("Annex Panel")}), QStringList({"2|1", secondFamily ? "2|2" : ""}));
    std::vector<qint32> events = firstFamilyEvents, listed;
    if (secondFamily)
        events.insert(events.end(), secondFamilyEvents.begin(), secondFamilyEvents.end());
    else
        std::erase_if(events, [](qint32 id) { return id == 4300 || id == 9050; });
    for (int i = 1; i < form.cmbEvent->count(); ++i)
        listed.push_back(form.cmbEvent->itemData(i).toInt());
    EXPECT_EQ(listed, events);
    EXPECT_EQ(form.cmbEvent->itemText(0), QStringLiteral("(Any)"));
    // The site's own name wins over the maker's.
    for (const char *name : {"2102 Access Denied - Wrong Time", "12000 Warehouse Alarm Set", "1001 Operator Logged On"})
        EXPECT_GE(form.cmbEvent->findText(QString::fromUtf8(name)), 1) << name;
    for (QComboBox *picker : {form.cmbSD, form.cmbPort, form.cboController, form.cmbArdo, form.cmbEvent})
        EXPECT_EQ(picker->currentIndex(), 0);
}

INSTANTIATE_TEST_SUITE_P(FilterGroup, Pickers, ::testing::Values(PickerRow{"SecondFamilyOn", true}, PickerRow{"SecondFamilyOff", false}), rowName);

struct GroupListRow { const char *name; bool admin; qint32 user; std::vector<std::string> entries; };
using GroupList = FilterGroupRows<GroupListRow>;
TEST_P(GroupList, OffersTheOperatorsGroups)
{
    const GroupListRow &c = GetParam();
    module().host.IsAdmin = c.admin;
    module().profile.FilterGroupID = c.admin ? 0 : 1;
    config().user = c.user;
    (void)statements();
    FCustom &form = dialog();
    EXPECT_TRUE(statements().contains(QStringLiteral("ZUL_Roles_Fetch_EventFilterGroups 1, %1").arg(c.user)));
    EXPECT_EQ(std::pair(entries(*form.cmbFilterGroup), form.cmbFilterGroup->currentIndex()), std::pair(c.entries, c.admin ? 0 : 1));
    if (c.admin)
        return;
    // Without the admin right the operator only picks: no pickers, no builder, nothing written.
    for (QComboBox *picker : {form.cmbSD, form.cmbPort, form.cboController, form.cmbArdo, form.cmbEvent})
        EXPECT_EQ(picker->count(), 0);
    EXPECT_FALSE(!criteria().isEmpty() || form.fraBuilder->isEnabled() || form.AddFilter->isEnabled());
    page().pUpdateEnabledStatus();
    expectButtons(false, false, false);
    typeGroupName(QStringLiteral("Mine"));
    EXPECT_TRUE(page().SaveFilterGroup());
    pickGroup(1);
    page().DeleteFilterGroup();
    page().FilterGroup_Click(1);
    EXPECT_EQ(std::tuple(anyWrite(statements()), groupNames().size(), desktop().boxes().size()), std::tuple(false, qsizetype(2), std::size_t(0)));
}

INSTANTIATE_TEST_SUITE_P(FilterGroup, GroupList, ::testing::Values(
    GroupListRow{"Admin", true, 101, {"(No Filter)=0", "<New Filter Group>=0", "Front Entrance & Alarms=1", "Hide Warehouse & Annex=2"}},
    GroupListRow{"GrantedThroughRole", false, 102, {"(No Filter)=0", "Front Entrance & Alarms=1"}}), rowName);

// The condition a first-family port's address opens with.
const QString portHead = QStringLiteral(R"((Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");

// expected: description | filter | SQL, empty when refused; lookUps: the address look-ups made.
struct CriterionRow { const char *name; QVariant event, port, ardo, controller; QString expected; QStringList lookUps; };
using AddCriterion = FilterGroupRows<CriterionRow>;
TEST_P(AddCriterion, ComposesDescriptionFilterAndClause)
{
    const CriterionRow &c = GetParam();
    db().execute(QStringLiteral(R"(Insert Into ServerPorts Values (9, 'Modem Line', 1, '\\MODEM'))"));
    db().execute(QStringLiteral(R"(Insert Into Controllers Values (98, 'Stores Door', 1, '\\SRV1.1.9''A'))"));
    const bool refused = c.expected.isEmpty();
    pickGroup(1);
    dialog().pendingChanges = false;
    desktop().clearRecords();
    (void)statements();
    addCriterion(c.event, c.port, c.ardo, c.controller);
    EXPECT_TRUE(dialog().pendingChanges);
    expectButtons(!refused, !refused, !refused);
    const QStringList sent = statements();
    for (const QString &lookUp : c.lookUps)
        EXPECT_TRUE(sent.contains(QStringLiteral("Select Address From ") + lookUp)) << lookUp.toStdString();
    expectBoxes(refused ? std::vector<Box>{{"Choose an event, a port, a controller or an Ardo before adding a criterion.", MsgBoxIcon::Information, MsgBoxButtons::Ok}}
                        : std::vector<Box>{});
    ASSERT_EQ(texts(criteria()), refused ? texts({}) : texts({c.expected}));
    if (refused)
        return;
    // The clause must stay valid SQL on the archive, whatever it selects.
    EXPECT_EQ(column("Select Count(*) From [VIEW_EventLog_AllEvents] Where " + dialog().lstSelectedFilters->topLevelItem(0)->text(1)).size(), 1);
}

// A quote in a controller's address is doubled in the clause, which would otherwise end its literal.
INSTANTIATE_TEST_SUITE_P(FilterGroup, AddCriterion, ::testing::Values(
    CriterionRow{"NothingChosen", {}, {}, {}, {}, "", {}},
    CriterionRow{"EventOnly", 5000, {}, {}, {}, R"(((Event is '5000') ) | 5000 | (([ID] = 5000) ))", {}},
    CriterionRow{"EventWithPortAndController", 2100, 2, {}, QStringLiteral("1|1"), R"(((Event is '2100') AND (Port is 'Port 2 - Warehouse') OR (Controller is 'Main Entrance')) | 2100,\\SRV1.2,\\SRV1.1.1 | (([ID] = 2100) AND )" + portHead + R"(\\2%')) OR (Address LIKE '\\SRV1.1.1%')))", {"Controllers Where Controller_ID = 1"}},
    CriterionRow{"EventWithArdoAndPanel", 5000, {}, 2, QStringLiteral("1|2"), R"(((Event is '5000') AND (Ardo is 'Car Park Ardo') OR (Controller is 'Laboratory Panel')) | 5000,\\SRV1.4,\\ZEKO01 | (([ID] = 5000) AND (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.4%') OR (Address LIKE '\\ZEKO01%')))", {"Ardoes Where ArdoID = 2", "ZEKO_Controllers Where ID = 1"}},
    CriterionRow{"PortWithoutPointInAddress", {}, 9, {}, {}, R"((Port is 'Modem Line') | \\MODEM | )" + portHead + R"(\\\\MODEM%')))", {"ServerPorts Where PortID = 9"}},
    CriterionRow{"ControllerAddressHoldsQuote", {}, {}, {}, QStringLiteral("98|1"), R"((Controller is 'Stores Door') | \\SRV1.1.9'A | (Address LIKE '\\SRV1.1.9''A%'))", {}},
    CriterionRow{"AllFourSources", 80100, 1, 1, QStringLiteral("7|1"), R"(((Event is '80100') AND (Port is 'Port 1 - Main Building') OR (Ardo is 'East Wing Ardo') OR (Controller is 'Car Park Barrier')) | 80100,\\SRV1.1,\\SRV1.3,\\SRV1.4.1 | (([ID] = 80100) AND )" + portHead + R"(\\1%')) OR (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.3%') OR (Address LIKE '\\SRV1.4.1%')))", {}}),
    rowName);

TEST_F(FilterGroupTest, UnknownControllerOrKindHasNoAddress)
{
    EXPECT_EQ(QStringList({page().GetAddressForID(5, 4), page().GetAddressForID(2, 6), page().GetAddressForID(99, 4), page().GetAddressForID(1, 5)}),
              QStringList({R"(\\SRV1.2.2)", R"(\\ZEKO02)", "", ""}));
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
    const QString head = insertHead + QStringLiteral("3, N'Night''s Watch', 0, N'");
    EXPECT_EQ(texts(statements()), texts({"EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='Night''s Watch', @ReturnedID=NULL OUTPUT, @OperatorID=101",
                                          head + event5000Row, head + panelRow, profileUpdate.arg(3), "Select * from EventFilters Where GroupID = 3"}));
    EXPECT_EQ(profileGroup(1), QStringLiteral("3"));
    EXPECT_EQ(std::tuple(groups().currentIndex(), entries(groups())[2], criteria().size(), dialog().optType[1]->isChecked(), dialog().pendingChanges, boxTexts().size()),
              std::tuple(2, std::string("Night's Watch=3"), qsizetype(2), true, false, qsizetype(0)));
    // The stored rows are what the viewer's clause builder joins and the archive query accepts.
    FilterClauseBuilder(module()).SetFilter2(3);
    EXPECT_EQ(module().filter.FilterClause, QStringLiteral(R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\ZEKO01%')))"));
    EXPECT_EQ(column("Select Count(*) From [VIEW_EventLog_AllEvents]" + module().filter.FilterClause).size(), 1);
}

TEST_F(FilterGroupTest, SavingAnExistingGroupReplacesItsRows)
{
    module().profile.FilterGroupID = 1;
    ASSERT_EQ(std::tuple(groups().currentIndex(), criteria().size(), dialog().optType[0]->isChecked()), std::tuple(2, qsizetype(4), true));
    dialog().lstSelectedFilters->setCurrentItem(dialog().lstSelectedFilters->topLevelItem(1));
    dialog().DeleteFilter->click();
    addCriterion(2000, 4);
    dialog().optType[1]->setChecked(true);
    (void)statements();
    dialog().FilterGroup[0]->click();
    const QString head = insertHead + QStringLiteral("1, N'Front Entrance & Alarms', 0, '");
    const QString portClause = QStringLiteral(
        R"(N'(([ID] = %1) AND (Address NOT LIKE ''\\ZEKO%'' AND (''\\'' + Substring(Address, CharIndex(''.'',Address,1) + 1,30) LIKE ''\\%2%'')))'))");
    EXPECT_EQ(texts(statements()), texts({"Delete From eventfilters Where GroupID = 1", profileUpdate.arg(1), head + event5000Row,
        head + R"(2100,\\SRV1.2', N'((Event is ''2100'') AND (Port is ''Port 2 - Warehouse''))', )" + portClause.arg(2100).arg(2), head + panelRow,
        head + R"(2000,\\SRV1.4', N'((Event is ''2000'') AND (Port is ''Port 4 - Car Park Ardo''))', )" + portClause.arg(2000).arg(4)}));
    EXPECT_EQ(std::tuple(storedRows(1), groupNames().size(), dialog().pendingChanges), std::tuple(4, qsizetype(2), false));
}

// throughFocus: emptied and left, rather than the delete button; profile: the one that used the group.
struct DeleteRow { const char *name; bool throughFocus; qint32 group, profile; };
using DeleteGroup = FilterGroupRows<DeleteRow>;
TEST_P(DeleteGroup, RemovesItEverywhere)
{
    const DeleteRow &c = GetParam();
    module().profile.FilterGroupID = c.group;
    const QString groupName = groups().currentText();
    ASSERT_GE(groups().currentIndex(), 2);
    while (c.throughFocus && dialog().lstSelectedFilters->topLevelItemCount() > 0)
        page().DeleteFilter_Click();
    (void)statements();
    c.throughFocus ? page().cmbFilterGroup_GotFocus() : dialog().FilterGroup[1]->click();
    EXPECT_EQ(texts(statements()), texts({QStringLiteral("ZUL_DeleteFilterGroup ") + QString::number(c.group)}));
    EXPECT_EQ(std::tuple(groups().findText(groupName), groups().currentIndex(), criteria().size(), desktop().boxes().size()),
              std::tuple(-1, 1, qsizetype(0), std::size_t(0)));
    expectButtons(false, false);
    EXPECT_FALSE(dialog().pendingChanges || groupNames().contains(groupName));
    EXPECT_EQ(std::pair(storedRows(c.group), profileGroup(c.profile)), std::pair(0, QStringLiteral("0"))) << "the profile went back to no filter";
}

INSTANTIATE_TEST_SUITE_P(FilterGroup, DeleteGroup, ::testing::Values(DeleteRow{"DeleteButton", false, 2, 3}, DeleteRow{"EmptiedOnFocus", true, 1, 2}), rowName);

const Box duplicateName{QStringLiteral("Name already exists."), MsgBoxIcon::None, MsgBoxButtons::Ok};
const QString forty = QStringLiteral("Loading Bay Doors And Gates North Wing 1");
const QString dock = QStringLiteral("Dock Doors"), hide = QStringLiteral("Hide Warehouse & Annex");

// typed: nothing leaves the placeholder; earlier: a group saved the same way before the dialog reopens.
struct NameRow { const char *name; std::optional<QString> typed; bool viaTyping; QStringList answers; std::vector<Box> boxes; int inputs; std::optional<QString> saved; const char *picked = "<New Filter Group>"; QString earlier = {}; };
using NameRules = FilterGroupRows<NameRow>;
TEST_P(NameRules, ApplyBeforeANewGroupIsSaved)
{
    const NameRow &c = GetParam();
    if (!c.earlier.isEmpty()) {
        pickGroup(1), addCriterion(5000), typeGroupName(c.earlier);
        ASSERT_TRUE(page().SaveFilterGroup());
        module().windows().unloadCustom();
    }
    pickGroup(groups().findText(QString::fromUtf8(c.picked)));
    ASSERT_GE(groups().currentIndex(), 1);
    addCriterion(5000);
    if (c.typed)
        c.viaTyping ? typeGroupName(*c.typed) : groups().setEditText(*c.typed);
    if (c.viaTyping && c.typed && c.typed->size() > 32) {
        EXPECT_EQ(std::pair(groups().currentText(), groups().lineEdit()->cursorPosition()), std::pair(c.typed->left(32), 32));
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
    for (const ScriptedDesktop::ShownInput &input : desktop().inputs())
        EXPECT_EQ(std::tie(input.prompt, input.title, input.defaultText),
                  std::tuple("Enter a name for the filter group:", "Filter Group Name", QString()));
    EXPECT_EQ(desktop().pendingAnswers(), 1);
    const QStringList names = groupNames();
    ASSERT_EQ(names.size(), before + (c.saved ? 1 : 0));
    if (c.saved)
        EXPECT_EQ(QStringList({names.last(), groups().currentText()}), QStringList({*c.saved, *c.saved}));
    else
        EXPECT_EQ(std::pair(groups().currentIndex(), criteria().size()), std::pair(1, qsizetype(0)));
}

INSTANTIATE_TEST_SUITE_P(FilterGroup, NameRules, ::testing::Values(
    NameRow{"TypedNewName", dock, true, {}, {}, 0, dock},
    NameRow{"DiffersOnlyInLetterCase", hide.toLower(), true, {}, {}, 0, hide.toLower()},
    NameRow{"FortyCharactersTyped", forty, true, {}, {}, 0, forty.left(32)},
    NameRow{"FortyCharactersSetWithoutTyping", forty.toUpper(), false, {}, {}, 0, forty.toUpper().left(32)},
    NameRow{"EmptyGivingUp", QString(), true, {"no"}, {emptyName}, 0, {}},
    NameRow{"EmptyTryingAgain", QString(), true, {"yes", dock}, {emptyName}, 1, dock},
    NameRow{"Placeholder", {}, true, {dock}, {}, 1, dock},
    NameRow{"PlaceholderAnsweredAgain", {}, true, {"<New Filter Group>", dock}, {}, 2, dock},
    NameRow{"InputBoxCancelled", {}, true, {QString(), "no"}, {emptyName}, 1, {}},
    NameRow{"ExistingGroupsName", hide, true, {"ok", dock}, {duplicateName}, 1, dock},
    NameRow{"NameSavedEarlier", "Cellar", true, {"ok", dock}, {duplicateName}, 1, dock, "<New Filter Group>", "Cellar"},
    NameRow{"NoFilterEntryAnswered", {}, true, {"(No Filter)", "ok", dock}, {duplicateName}, 2, dock},
    NameRow{"ChosenGroupsNameTypedAgain", hide, true, {"ok", dock}, {duplicateName}, 1, dock, "Hide Warehouse & Annex"}),
    rowName);

const Box noCriteria{"This filter group has no valid Selected Criteria defined.\rPress OK to continue and NOT use a filter, or Cancel to go back and define one.",
                     MsgBoxIcon::Information, MsgBoxButtons::OkCancel};
// typed: nothing leaves the no-filter entry selected.
struct NoCriteriaRow { const char *name; std::optional<QString> typed; QString answer; bool result; std::vector<Box> boxes; qint32 groupAfter; };
using NoCriteria = FilterGroupRows<NoCriteriaRow>;
TEST_P(NoCriteria, SavingWritesNothing)
{
    const NoCriteriaRow &c = GetParam();
    module().profile.FilterGroupID = 0;
    ASSERT_EQ(groups().currentIndex(), 0);
    module().profile.FilterGroupID = 7;
    if (c.typed)
        typeGroupName(*c.typed);
    desktop().clearRecords();
    if (!c.answer.isEmpty())
        desktop().queueAnswer(c.answer);
    (void)statements();
    EXPECT_EQ(page().SaveFilterGroup(), c.result);
    expectBoxes(c.boxes);
    EXPECT_EQ(std::pair(anyWrite(statements()), module().profile.FilterGroupID), std::pair(false, c.groupAfter));
}

INSTANTIATE_TEST_SUITE_P(FilterGroup, NoCriteria, ::testing::Values(
    NoCriteriaRow{"EmptyName", QString(), {}, true, {}, 0},
    NoCriteriaRow{"NamedCancelled", "Dock", "cancel", false, {noCriteria}, 7},
    NoCriteriaRow{"NamedContinued", "Dock", "ok", true, {noCriteria}, 7},
    NoCriteriaRow{"NoFilterEntry", {}, {}, true, {}, 7}), rowName);

// prompted: the group named in the question.
struct FocusRow { const char *name; qint32 profileGroup; std::function<void(FilterGroupTest &)> edit; QString answer; std::optional<QString> prompted; int groupsAdded, rowsOfGroupOne; bool pendingAfter; };
using FocusOnGroups = FilterGroupRows<FocusRow>;
TEST_P(FocusOnGroups, OffersToSave)
{
    const FocusRow &c = GetParam();
    module().profile.FilterGroupID = c.profileGroup;
    (void)dialog();
    c.edit(*this);
    desktop().clearRecords();
    if (!c.answer.isEmpty())
        desktop().queueAnswer(c.answer);
    const qsizetype before = groupNames().size();
    page().cmbFilterGroup_GotFocus();
    const QString question = QStringLiteral("The filter group \"%1\" has changes that are not saved. Do you want to save them?");
    expectBoxes(c.prompted ? std::vector<Box>{{question.arg(*c.prompted), MsgBoxIcon::Question, MsgBoxButtons::YesNo}} : std::vector<Box>{});
    EXPECT_EQ(std::tuple(groupNames().size(), storedRows(1), dialog().pendingChanges), std::tuple(before + c.groupsAdded, c.rowsOfGroupOne, c.pendingAfter));
}

const auto newDockDoors = [](FilterGroupTest &fx) { fx.pickGroup(1), fx.addCriterion(5000), fx.typeGroupName(QStringLiteral("Dock Doors")); };
INSTANTIATE_TEST_SUITE_P(FilterGroup, FocusOnGroups, ::testing::Values(
    FocusRow{"TypedNameNotSaved", 0, newDockDoors, "no", "Dock Doors", 0, 4, true},
    FocusRow{"TypedNameSaved", 0, newDockDoors, "yes", "Dock Doors", 1, 4, false},
    FocusRow{"NoFilterEntry", 0, [](FilterGroupTest &fx) { fx.dialog().pendingChanges = true; }, {}, {}, 0, 4, true},
    FocusRow{"PlaceholderWithChanges", 0, [](FilterGroupTest &fx) { fx.pickGroup(1), fx.addCriterion(5000); }, "no", "<New Filter Group>", 0, 4, true},
    FocusRow{"GroupWithoutChanges", 1, [](FilterGroupTest &) {}, {}, {}, 0, 4, false},
    FocusRow{"GroupWithChangesSaved", 1, [](FilterGroupTest &fx) { fx.addCriterion(2000); }, "yes", "Front Entrance & Alarms", 0, 5, false}),
    rowName);

TEST_F(FilterGroupTest, EnablingFollowsTheGroupAndTheRows)
{
    FCustom &form = dialog();
    auto builderEnabled = [&] {
        QList<QWidget *> parts{form.fraBuilder, form.fraSelectedFilters, form.cmbEvent, form.AddFilter, form.cmbServer};
        parts << QList<QWidget *>(form.Label2.begin(), form.Label2.end()) << QList<QWidget *>(form.optType.begin(), form.optType.end());
        return std::all_of(parts.begin(), parts.end(), [](QWidget *w) { return w->isEnabled(); });
    };
    EXPECT_FALSE(form.fraBuilder->isEnabled() || form.optType[0]->isEnabled());
    pickGroup(3);
    EXPECT_TRUE(builderEnabled());
    EXPECT_TRUE(criteria().size() == 3 && form.optType[1]->isChecked());
    page().pUpdateEnabledStatus();
    expectButtons(true, true, true);
    for (int i = 0; i < 3; ++i)
        page().DeleteFilter_Click();
    expectButtons(false, true, false); // a stored group can still be deleted
    pickGroup(1);
    EXPECT_TRUE(builderEnabled());
    expectButtons(false, false);
    pickGroup(0);
    EXPECT_FALSE(form.fraBuilder->isEnabled() || form.lstSelectedFilters->isEnabled());
}
} // namespace
} // namespace Ostraven::Testing
