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
const QString insertHead =
    QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)"
                   "Values (");
// The stored rows of the event-5000 criterion and of the panel criterion, after the group's head.
const QString event5000Row = QStringLiteral(R"(5000', N'((Event is ''5000'') )', N'(([ID] = 5000) )'))");
const QString panelRow =
    QStringLiteral(R"(\\ZEKO01', N'(Controller is ''Laboratory Panel'')', N'(Address LIKE ''\\ZEKO01%'')'))");
std::vector<std::string> texts(const QStringList &list)
{
    std::vector<std::string> result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}
struct Box { QString text; MsgBoxIcon icon; MsgBoxButtons buttons; };
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
const auto rowName = [](const auto &row) { return std::string(row.param.name); };
const Box emptyName{QStringLiteral("Name cannot be empty.\rDo you want to try again?"), MsgBoxIcon::Question,
                    MsgBoxButtons::YesNo};
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
    // The statements sent since the last call, without the host's resource look-ups.
    QStringList statements()
    {
        QStringList sent = takeTrace();
        sent.removeIf([](const QString &s) { return s.startsWith(QStringLiteral("Select ResourceText From")); });
        return sent;
    }
    // Each entry as "text=data", or the text alone.
    static std::vector<std::string> entries(const QComboBox &combo, bool withData = true)
    {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemText(i) + (withData ? QLatin1Char('=') + combo.itemData(i).toString() : QString());
        return texts(items);
    }
    void pickGroup(int index)
    {
        groups().setCurrentIndex(index);
        Q_EMIT groups().activated(index);
    }
    void typeGroupName(const QString &name)
    {
        groups().lineEdit()->setText(name);
        Q_EMIT groups().lineEdit()->textEdited(name);
    }
    // Picks each given entry by its data, "(Any)" for the others, and adds the criterion.
    void addCriterion(QVariant event, QVariant port = {}, QVariant ardo = {}, QVariant controller = {})
    {
        const std::pair<QComboBox *, QVariant> pickers[] = {
            {dialog().cmbEvent, event}, {dialog().cmbPort, port}, {dialog().cmbArdo, ardo},
            {dialog().cboController, controller}};
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
    int storedRows(qint32 group)
    {
        return column(QStringLiteral("Select Count(*) From EventFilters Where GroupID = %1").arg(group))
            .value(0).toInt();
    }
    QStringList groupNames()
    {
        return column(QStringLiteral("Select GroupName From EventFilterGroups Order By GroupID"));
    }
    QString profileGroup(qint32 profile)
    {
        return column(QStringLiteral("Select Value From Profile_Details Where ObjectID = 4 AND Property = "
                                     "'FilterGroupID' AND ProfileID = %1").arg(profile)).value(0);
    }
    void expectBoxes(const std::vector<Box> &expected)
    {
        const auto &shown = desktop().boxes();
        ASSERT_EQ(shown.size(), expected.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const auto &box = shown[i].request;
            EXPECT_EQ(box.text.toStdString(), expected[i].text.toStdString());
            EXPECT_TRUE(box.icon == expected[i].icon && box.buttons == expected[i].buttons) << i;
            EXPECT_EQ(box.title, QStringLiteral("EventViewObject"));
        }
    }
    static bool anyWrite(const QStringList &sent)
    {
        static const QRegularExpression write(QStringLiteral("^(Insert|Update|Delete|EXEC|ZUL_Delete)"),
                                              QRegularExpression::CaseInsensitiveOption);
        return !sent.filter(write).isEmpty();
    }
    // Save group, delete group, and delete row where given.
    void expectButtons(bool save, bool remove, std::optional<bool> removeRow = {})
    {
        EXPECT_EQ(dialog().FilterGroup[0]->isEnabled(), save);
        EXPECT_EQ(dialog().FilterGroup[1]->isEnabled(), remove);
        EXPECT_EQ(dialog().DeleteFilter->isEnabled(), removeRow.value_or(dialog().DeleteFilter->isEnabled()));
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
const std::vector<qint32> secondFamilyEvents{80001, 80002, 80003, 80100, 80101, 80200,
                                             80201, 80300, 80301, 80400, 80500, 80501};
struct PickerRow { const char *name; bool secondFamily; };
using Pickers = FilterGroupRows<PickerRow>;
TEST_P(Pickers, ListTheSiteWithOrWithoutSecondFamilyHardware)
{
    const bool secondFamily = GetParam().secondFamily;
    module().view.zk2Hardware = secondFamily;
    FCustom &form = dialog();
    EXPECT_EQ(entries(*form.cmbSD), texts({"(Any)=0", "Harbour Street Campus=1", "Riverside Depot=2"}));
    EXPECT_EQ(entries(*form.cmbPort), texts({"(Any)=0", "Port 1 - Main Building=1", "Port 2 - Warehouse=2",
                                             "Port 3 - East Wing Ardo=3", "Port 4 - Car Park Ardo=4"}));
    EXPECT_EQ(entries(*form.cmbArdo), texts({"(Any)=0", "Car Park Ardo=2", "East Wing Ardo=1"}));
    QStringList controllers{"(Any)", "Car Park Barrier", "East Wing Offices", "Main Entrance", "Reception",
                            "Server Room", "Warehouse Dock", "Warehouse Office"};
    if (secondFamily) {
        controllers.insert(1, QStringLiteral("Annex Panel"));
        controllers.insert(4, QStringLiteral("Laboratory Panel"));
        EXPECT_EQ(form.cboController->itemData(form.cboController->findText("Annex Panel")).toString(), "2|2");
    }
    EXPECT_EQ(entries(*form.cboController, false), texts(controllers));
    EXPECT_EQ(form.cboController->itemData(form.cboController->findText("Reception")).toString(), "2|1");
    std::vector<qint32> events;
    std::copy_if(firstFamilyEvents.begin(), firstFamilyEvents.end(), std::back_inserter(events),
                 [&](qint32 id) { return secondFamily || (id != 4300 && id != 9050); });
    if (secondFamily)
        events.insert(events.end(), secondFamilyEvents.begin(), secondFamilyEvents.end());
    std::vector<qint32> listed;
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
INSTANTIATE_TEST_SUITE_P(FilterGroup, Pickers,
                         ::testing::Values(PickerRow{"SecondFamilyOn", true}, PickerRow{"SecondFamilyOff", false}),
                         rowName);
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
    EXPECT_EQ(entries(*form.cmbFilterGroup), c.entries);
    EXPECT_EQ(form.cmbFilterGroup->currentIndex(), c.admin ? 0 : 1);
    if (c.admin)
        return;
    // Without the admin right the operator only picks: no pickers, no builder, nothing written.
    for (QComboBox *picker : {form.cmbSD, form.cmbPort, form.cboController, form.cmbArdo, form.cmbEvent})
        EXPECT_EQ(picker->count(), 0);
    EXPECT_TRUE(criteria().isEmpty());
    EXPECT_FALSE(form.fraBuilder->isEnabled() || form.AddFilter->isEnabled());
    page().pUpdateEnabledStatus();
    expectButtons(false, false, false);
    typeGroupName(QStringLiteral("Mine"));
    EXPECT_TRUE(page().SaveFilterGroup());
    pickGroup(1);
    page().DeleteFilterGroup();
    page().FilterGroup_Click(1);
    EXPECT_FALSE(anyWrite(statements()));
    EXPECT_EQ(groupNames().size(), 2);
    EXPECT_TRUE(desktop().boxes().empty());
}
INSTANTIATE_TEST_SUITE_P(FilterGroup, GroupList, ::testing::Values(
    GroupListRow{"Admin", true, 101,
                 {"(No Filter)=0", "<New Filter Group>=0", "Front Entrance & Alarms=1", "Hide Warehouse & Annex=2"}},
    GroupListRow{"GrantedThroughRole", false, 102, {"(No Filter)=0", "Front Entrance & Alarms=1"}}), rowName);
// The condition a first-family port's address opens with.
const QString portHead = QStringLiteral(
    R"((Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");
// expected: description | filter | SQL, empty when refused; lookUps: the address look-ups made.
struct CriterionRow {
    const char *name; QVariant event, port, ardo, controller; QString expected; QStringList lookUps; };
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
    if (refused) {
        expectBoxes({{QStringLiteral("Choose an event, a port, a controller or an Ardo before adding a criterion."),
                      MsgBoxIcon::Information, MsgBoxButtons::Ok}});
        EXPECT_TRUE(criteria().isEmpty());
        return;
    }
    EXPECT_TRUE(desktop().boxes().empty());
    ASSERT_EQ(texts(criteria()), texts({c.expected}));
    // The clause must stay valid SQL on the archive, whatever it selects.
    const QString clause = dialog().lstSelectedFilters->topLevelItem(0)->text(1);
    EXPECT_EQ(column(QStringLiteral("Select Count(*) From [VIEW_EventLog_AllEvents] Where ") + clause).size(), 1);
}
INSTANTIATE_TEST_SUITE_P(FilterGroup, AddCriterion, ::testing::Values(
    CriterionRow{"NothingChosen", {}, {}, {}, {}, "", {}},
    CriterionRow{"EventOnly", 5000, {}, {}, {}, R"(((Event is '5000') ) | 5000 | (([ID] = 5000) ))", {}},
    CriterionRow{"EventWithPortAndController", 2100, 2, {}, QStringLiteral("1|1"),
        R"(((Event is '2100') AND (Port is 'Port 2 - Warehouse') OR (Controller is 'Main Entrance')) | )"
        R"(2100,\\SRV1.2,\\SRV1.1.1 | (([ID] = 2100) AND )" + portHead + R"(\\2%')) OR (Address LIKE '\\SRV1.1.1%')))",
        {"Controllers Where Controller_ID = 1"}},
    CriterionRow{"EventWithArdoAndPanel", 5000, {}, 2, QStringLiteral("1|2"),
        R"(((Event is '5000') AND (Ardo is 'Car Park Ardo') OR (Controller is 'Laboratory Panel')) | )"
        R"(5000,\\SRV1.4,\\ZEKO01 | (([ID] = 5000) AND (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.4%') OR )"
        R"((Address LIKE '\\ZEKO01%')))", {"Ardoes Where ArdoID = 2", "ZEKO_Controllers Where ID = 1"}},
    CriterionRow{"PortWithoutPointInAddress", {}, 9, {}, {},
        R"((Port is 'Modem Line') | \\MODEM | )" + portHead + R"(\\\\MODEM%')))", {"ServerPorts Where PortID = 9"}},
    // The quote of the address is doubled in the clause, which would otherwise end its literal.
    CriterionRow{"ControllerAddressHoldsQuote", {}, {}, {}, QStringLiteral("98|1"),
        R"((Controller is 'Stores Door') | \\SRV1.1.9'A | (Address LIKE '\\SRV1.1.9''A%'))", {}},
    CriterionRow{"AllFourSources", 80100, 1, 1, QStringLiteral("7|1"),
        R"(((Event is '80100') AND (Port is 'Port 1 - Main Building') OR (Ardo is 'East Wing Ardo') OR )"
        R"((Controller is 'Car Park Barrier')) | 80100,\\SRV1.1,\\SRV1.3,\\SRV1.4.1 | (([ID] = 80100) AND )" + portHead
            + R"(\\1%')) OR (Address NOT LIKE '\\ZEKO%' AND Address LIKE '\\SRV1.3%') OR )"
            + R"((Address LIKE '\\SRV1.4.1%')))", {}}), rowName);
TEST_F(FilterGroupTest, UnknownControllerOrKindHasNoAddress)
{
    EXPECT_EQ(QStringList({page().GetAddressForID(5, 4), page().GetAddressForID(2, 6), page().GetAddressForID(99, 4),
                           page().GetAddressForID(1, 5)}), QStringList({R"(\\SRV1.2.2)", R"(\\ZEKO02)", "", ""}));
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
    EXPECT_EQ(texts(statements()),
              texts({QStringLiteral("EXEC ZUL_InsertEventFilterGroup @SiteID=0, @GroupName='Night''s Watch', "
                                    "@ReturnedID=NULL OUTPUT, @OperatorID=101"),
                     head + event5000Row, head + panelRow,
                     QStringLiteral("Update Profile_Details Set Value = '3' Where Property = 'FilterGroupID' AND "
                                    "ObjectID = 4 AND ProfileID = 1"),
                     QStringLiteral("Select * from EventFilters Where GroupID = 3")}));
    EXPECT_EQ(profileGroup(1), QStringLiteral("3"));
    EXPECT_EQ(groups().currentIndex(), 2);
    EXPECT_EQ(entries(groups())[2], "Night's Watch=3");
    EXPECT_EQ(criteria().size(), 2);
    EXPECT_TRUE(dialog().optType[1]->isChecked());
    EXPECT_FALSE(dialog().pendingChanges);
    EXPECT_TRUE(boxTexts().isEmpty());
    // The stored rows are what the viewer's clause builder joins and the archive query accepts.
    FilterClauseBuilder(module()).SetFilter2(3);
    EXPECT_EQ(module().filter.FilterClause,
              QStringLiteral(R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\ZEKO01%')))"));
    EXPECT_EQ(column("Select Count(*) From [VIEW_EventLog_AllEvents]" + module().filter.FilterClause).size(), 1);
}
TEST_F(FilterGroupTest, SavingAnExistingGroupReplacesItsRows)
{
    module().profile.FilterGroupID = 1;
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
    const QString portClause = QStringLiteral(
        R"(N'(([ID] = %1) AND (Address NOT LIKE ''\\ZEKO%'' AND (''\\'' + Substring(Address, )"
        R"(CharIndex(''.'',Address,1) + 1,30) LIKE ''\\%2%'')))'))");
    EXPECT_EQ(texts(statements()), texts({QStringLiteral("Delete From eventfilters Where GroupID = 1"),
                     QStringLiteral("Update Profile_Details Set Value = '1' Where Property = 'FilterGroupID' AND "
                                    "ObjectID = 4 AND ProfileID = 1"),
                     head + event5000Row,
                     head + R"(2100,\\SRV1.2', N'((Event is ''2100'') AND (Port is ''Port 2 - Warehouse''))', )"
                         + portClause.arg(2100).arg(2),
                     head + panelRow,
                     head + R"(2000,\\SRV1.4', N'((Event is ''2000'') AND (Port is ''Port 4 - Car Park Ardo''))', )"
                         + portClause.arg(2000).arg(4)}));
    EXPECT_EQ(storedRows(1), 4);
    EXPECT_EQ(groupNames().size(), 2);
    EXPECT_FALSE(dialog().pendingChanges);
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
    if (c.throughFocus) {
        while (dialog().lstSelectedFilters->topLevelItemCount() > 0)
            page().DeleteFilter_Click();
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
    expectButtons(false, false);
    EXPECT_FALSE(dialog().pendingChanges);
    EXPECT_FALSE(groupNames().contains(groupName));
    EXPECT_EQ(storedRows(c.group), 0);
    EXPECT_EQ(profileGroup(c.profile), QStringLiteral("0")) << "the profile went back to no filter";
}
INSTANTIATE_TEST_SUITE_P(FilterGroup, DeleteGroup, ::testing::Values(DeleteRow{"DeleteButton", false, 2, 3},
                                                                     DeleteRow{"EmptiedOnFocus", true, 1, 2}), rowName);
const Box duplicateName{QStringLiteral("Name already exists."), MsgBoxIcon::None, MsgBoxButtons::Ok};
const QString forty = QStringLiteral("Loading Bay Doors And Gates North Wing 1");
const QString dock = QStringLiteral("Dock Doors"), hide = QStringLiteral("Hide Warehouse & Annex");
// typed: nothing leaves the placeholder; earlier: a group saved the same way before the dialog reopens.
struct NameRow { const char *name; std::optional<QString> typed; bool viaTyping; QStringList answers;
    std::vector<Box> boxes; int inputs; std::optional<QString> saved; const char *picked = "<New Filter Group>";
    QString earlier = {}; };
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
        EXPECT_EQ(std::pair(groups().currentText(), groups().lineEdit()->cursorPosition()),
                  std::pair(c.typed->left(32), 32));
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
    NameRow{"NameSavedEarlier", "Cellar", true, {"ok", dock}, {duplicateName}, 1, dock, "<New Filter Group>",
            "Cellar"},
    NameRow{"NoFilterEntryAnswered", {}, true, {"(No Filter)", "ok", dock}, {duplicateName}, 2, dock},
    NameRow{"ChosenGroupsNameTypedAgain", hide, true, {"ok", dock}, {duplicateName}, 1, dock,
            "Hide Warehouse & Annex"}),
    rowName);
const Box noCriteria{QStringLiteral("This filter group has no valid Selected Criteria defined.\rPress OK to "
                                    "continue and NOT use a filter, or Cancel to go back and define one."),
                     MsgBoxIcon::Information, MsgBoxButtons::OkCancel};
// typed: nothing leaves the no-filter entry selected.
struct NoCriteriaRow { const char *name; std::optional<QString> typed; QString answer; bool result;
    std::vector<Box> boxes; qint32 groupAfter; };
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
    EXPECT_FALSE(anyWrite(statements()));
    EXPECT_EQ(module().profile.FilterGroupID, c.groupAfter);
}
INSTANTIATE_TEST_SUITE_P(FilterGroup, NoCriteria, ::testing::Values(
    NoCriteriaRow{"EmptyName", QString(), {}, true, {}, 0},
    NoCriteriaRow{"NamedCancelled", "Dock", "cancel", false, {noCriteria}, 7},
    NoCriteriaRow{"NamedContinued", "Dock", "ok", true, {noCriteria}, 7},
    NoCriteriaRow{"NoFilterEntry", {}, {}, true, {}, 7}), rowName);
// edit: none types a new name over the placeholder; prompted: the group named in the question.
struct FocusRow { const char *name; qint32 profileGroup; std::function<void(FilterGroupTest &)> edit; QString answer;
    std::optional<QString> prompted; int groupsAdded, rowsOfGroupOne; bool pendingAfter; };
using FocusOnGroups = FilterGroupRows<FocusRow>;
TEST_P(FocusOnGroups, OffersToSave)
{
    const FocusRow &c = GetParam();
    module().profile.FilterGroupID = c.profileGroup;
    (void)dialog();
    if (c.edit)
        c.edit(*this);
    else
        pickGroup(1), addCriterion(5000), typeGroupName(QStringLiteral("Dock Doors"));
    desktop().clearRecords();
    if (!c.answer.isEmpty())
        desktop().queueAnswer(c.answer);
    const qsizetype before = groupNames().size();
    page().cmbFilterGroup_GotFocus();
    const QString question =
        QStringLiteral("The filter group \"%1\" has changes that are not saved. Do you want to save them?");
    expectBoxes(c.prompted ? std::vector<Box>{{question.arg(*c.prompted), MsgBoxIcon::Question, MsgBoxButtons::YesNo}}
                           : std::vector<Box>{});
    EXPECT_EQ(groupNames().size(), before + c.groupsAdded);
    EXPECT_EQ(storedRows(1), c.rowsOfGroupOne);
    EXPECT_EQ(dialog().pendingChanges, c.pendingAfter);
}
INSTANTIATE_TEST_SUITE_P(FilterGroup, FocusOnGroups, ::testing::Values(
    FocusRow{"TypedNameNotSaved", 0, nullptr, "no", "Dock Doors", 0, 4, true},
    FocusRow{"TypedNameSaved", 0, nullptr, "yes", "Dock Doors", 1, 4, false},
    FocusRow{"NoFilterEntry", 0, [](FilterGroupTest &fx) { fx.dialog().pendingChanges = true; }, {}, {}, 0, 4, true},
    FocusRow{"PlaceholderWithChanges", 0, [](FilterGroupTest &fx) { fx.pickGroup(1), fx.addCriterion(5000); }, "no",
             "<New Filter Group>", 0, 4, true},
    FocusRow{"GroupWithoutChanges", 1, [](FilterGroupTest &) {}, {}, {}, 0, 4, false},
    FocusRow{"GroupWithChangesSaved", 1, [](FilterGroupTest &fx) { fx.addCriterion(2000); }, "yes",
             "Front Entrance & Alarms", 0, 5, false}), rowName);
TEST_F(FilterGroupTest, EnablingFollowsTheGroupAndTheRows)
{
    FCustom &form = dialog();
    auto builderEnabled = [&] {
        return form.fraBuilder->isEnabled() && form.fraSelectedFilters->isEnabled() && form.cmbEvent->isEnabled()
               && form.AddFilter->isEnabled() && form.cmbServer->isEnabled()
               && std::all_of(form.Label2.begin(), form.Label2.end(), [](QWidget *w) { return w->isEnabled(); })
               && std::all_of(form.optType.begin(), form.optType.end(), [](QWidget *w) { return w->isEnabled(); });
    };
    EXPECT_FALSE(form.fraBuilder->isEnabled());
    EXPECT_FALSE(form.optType[0]->isEnabled());
    pickGroup(3);
    EXPECT_TRUE(builderEnabled());
    EXPECT_EQ(criteria().size(), 3);
    EXPECT_TRUE(form.optType[1]->isChecked());
    page().pUpdateEnabledStatus();
    expectButtons(true, true, true);
    for (int i = 0; i < 3; ++i)
        page().DeleteFilter_Click();
    expectButtons(false, true, false); // a stored group can still be deleted
    pickGroup(1);
    EXPECT_TRUE(builderEnabled());
    expectButtons(false, false);
    pickGroup(0);
    EXPECT_FALSE(form.fraBuilder->isEnabled());
    EXPECT_FALSE(form.lstSelectedFilters->isEnabled());
}
} // namespace
} // namespace Ostraven::Testing
