#include "filtergrouppage.h"

#include "customise/fcustom.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/db/connection.h"
#include "platform/db/sqlliteral.h"
#include "platform/desktop/desktopservices.h"
#include "platform/variant.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace Ostraven {

namespace {

// Message-box styles: buttons + icon, as the platform numbers them.
constexpr int okOnly = msgBoxStyle(MsgBoxIcon::None);
constexpr int informationOk = msgBoxStyle(MsgBoxIcon::Information);
constexpr int informationOkCancel = msgBoxStyle(MsgBoxIcon::Information, MsgBoxButtons::OkCancel);
constexpr int questionYesNo = msgBoxStyle(MsgBoxIcon::Question, MsgBoxButtons::YesNo);

constexpr int answerOk = int(MsgBoxResult::Ok);
constexpr int answerYes = int(MsgBoxResult::Yes);

// Resource texts of the filter page.
constexpr qint32 nothingChosenText = 271;
constexpr qint32 anyEntryText = 323;
constexpr qint32 newGroupText = 324;
constexpr qint32 noFilterText = 325;
constexpr qint32 namePromptText = 337;
constexpr qint32 namePromptTitle = 338;
constexpr qint32 portWord = 349;
constexpr qint32 controllerWord = 350;
constexpr qint32 ardoWord = 351;
constexpr qint32 unsavedChangesText = 2604;

constexpr int maxNameLength = 32;
constexpr int filterTextColumn = 0;
constexpr int sqlColumn = 1;

// Ports are compared without their server part, and second-family addresses are kept out of that
// comparison because their first part is the panel itself.
const QString portCondition = QStringLiteral(
    R"((Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");
const QString twoBackslashes = QStringLiteral(R"(\\)");
const QString ardoCondition = QStringLiteral(R"((Address NOT LIKE '\\ZEKO%' AND Address LIKE ')");

const QString controllerQuery =
    QStringLiteral("Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers ");
const QString withPanels = QStringLiteral(" Union Select ID, [Name], 2 From ZEKO_Controllers Order By [Name] desc");
const QString withoutPanels = QStringLiteral(" Order By [Name] desc");

const QString panelEventQuery = QStringLiteral(
    "Select EventID, DefaultDescription, Description From [ZEKO_EventDefinitions] Where DefaultDescription Not "
    "Like 'Undefined%' Order By eventID desc");
// The first family's event tables, in the order they are loaded; the table loaded last ends up on top.
const std::array<const char *, 10> eventQueryHeads{
    "Select EventID, DefaultDescription, Description From IntegratedEvents Where ",
    "Select EventID, DefaultDescription, Description From InternalEvents Where ",
    "Select EventID, DefaultDescription, Description From PortEvents  Where ",
    "Select EventID, DefaultDescription, Description From MISCEvents  Where ",
    "Select EventID, DefaultDescription, Description From ArdoEvents  Where ",
    "Select EventID, DefaultDescription, Description From ProgrammingEvents  Where ",
    "Select EventID, DefaultDescription, Description From Alarms  Where ",
    "Select EventID, DefaultDescription, Description From ExternalEvents  Where ",
    "Select EventID, DefaultDescription, Description From SystemTransactionEvents  Where ",
    "Select EventID, DefaultDescription, Description From SoftwareTransactionEvents  Where ",
};
const QString eventQueryTail = QStringLiteral(" DefaultDescription Not Like 'Undefined%' Order By eventID desc");
const QString internalEventQueryTail =
    QStringLiteral(" DefaultDescription Not Like 'Undefined%'  Order By eventID desc");
const QString withoutSecondBus = QStringLiteral("DefaultDescription Not Like '%PELA*Bus%' AND ");

const QString noCriteriaMessage = QStringLiteral("This filter group has no valid Selected Criteria defined.")
                                  + QChar(13)
                                  + QStringLiteral(
                                      "Press OK to continue and NOT use a filter, or Cancel to go back and define one.");
const QString emptyNameMessage =
    QStringLiteral("Name cannot be empty.") + QChar(13) + QStringLiteral("Do you want to try again?");
const QString duplicateNameMessage = QStringLiteral("Name already exists.");

// Concatenation drops a Null, as the platform's "&" does.
QString textOrEmpty(const Variant &value)
{
    return value.isNull() ? QString() : CStr(value);
}

// An entry's ItemData; an index outside the list fails as the platform's list properties do.
QVariant itemData(const QComboBox &combo, int index)
{
    if (index < 0 || index >= combo.count())
        throw VbError(381, QStringLiteral("Invalid property array index"));
    return combo.itemData(index, Qt::UserRole);
}

qint32 itemNumber(const QComboBox &combo, int index)
{
    return CLng(Variant(itemData(combo, index).toString()));
}

// The platform's Mid(text, InStr(text, ".") + 1): all of the text when it has no point.
QString afterFirstPoint(const QString &text)
{
    return text.mid(text.indexOf(QLatin1Char('.')) + 1);
}

QString withoutLast(const QString &text, int count)
{
    return text.left(std::max<qsizetype>(0, text.size() - count));
}

// One criterion as it is composed: the event part opens a bracket that only the final closing
// shuts, and the sources are joined by OR without brackets of their own, so the stored clause
// reads (event AND first source) OR each further source.
struct CriterionText {
    QString filter;
    QString description;
    QString clause;
    QString closing;
    bool chosen = false;

    void setEvent(const QString &id)
    {
        filter = id + QLatin1Char(',');
        description = QStringLiteral("((Event is '") + id + QStringLiteral("') AND ");
        closing = QStringLiteral(")");
        clause = QStringLiteral("(([ID] = ") + id + QStringLiteral(") AND ");
        chosen = true;
    }

    void addSource(const QString &address, const QString &condition, const QString &word, const QString &shownName)
    {
        filter += address + QLatin1Char(',');
        clause += condition + QStringLiteral(" OR ");
        description += QStringLiteral("(") + word + QStringLiteral(" is '") + shownName + QStringLiteral("') OR ");
        chosen = true;
    }

    // Each text loses its last joint ("AND " or " OR ", or the last comma); the blank before a lone
    // event's closing bracket stays, as stored groups have it.
    [[nodiscard]] QString shownDescription() const { return withoutLast(description, 4) + closing; }
    [[nodiscard]] QString shownFilter() const { return withoutLast(filter, 1); }
    [[nodiscard]] QString shownClause() const { return withoutLast(clause, 4) + closing; }
};

// Every list query is read descending and each row goes directly below the any entry, so the
// list reads ascending.
template <typename Row>
void insertPickerRows(Connection &db, const QString &sql, QComboBox &combo, Row &&row)
{
    auto rows = db.openRecordset(sql);
    for (; !rows->eof(); rows->moveNext()) {
        const auto [text, data] = row(*rows);
        combo.insertItem(1, text, data);
    }
    rows->close();
}

void startPicker(QComboBox &combo, const QString &anyText, const QVariant &anyData)
{
    combo.clear();
    combo.addItem(anyText, anyData);
}

std::pair<QString, QVariant> idAndName(const Recordset &rows)
{
    return {CStr(rows.field(1)), CLng(rows.field(0))};
}

std::pair<QString, QVariant> eventEntry(const Recordset &rows)
{
    const QString description = textOrEmpty(rows.field(QStringLiteral("Description")));
    const QString shown = description.isEmpty() ? CStr(rows.field(QStringLiteral("DefaultDescription"))) : description;
    const qint32 id = CLng(rows.field(QStringLiteral("EventID")));
    return {QString::number(id) + QLatin1Char(' ') + shown, id};
}

std::pair<QString, QVariant> controllerEntry(const Recordset &rows)
{
    return {CStr(rows.field(QStringLiteral("Name"))),
            CStr(rows.field(QStringLiteral("ID"))) + QLatin1Char('|') + CStr(rows.field(2))};
}

QTreeWidgetItem *addCriterion(QTreeWidget &list, const QString &description, const QString &filter,
                              const QString &sql)
{
    auto *item = new QTreeWidgetItem(&list);
    item->setText(filterTextColumn, description);
    item->setData(filterTextColumn, Qt::UserRole, filter);
    item->setText(sqlColumn, sql);
    return item;
}

} // namespace

FilterGroupPage::FilterGroupPage(FCustom &dialog, MPublic &module) : m_dialog(dialog), m_module(module) {}

QString FilterGroupPage::title() const
{
    return m_module.errors().title();
}

int FilterGroupPage::groupListIndex() const
{
    const QComboBox &combo = *m_dialog.cmbFilterGroup;
    const int index = combo.currentIndex();
    if (index < 0 || m_typedName || combo.currentText() != combo.itemText(index))
        return -1;
    return index;
}

void FilterGroupPage::selectGroup(int index)
{
    QComboBox &combo = *m_dialog.cmbFilterGroup;
    {
        const QSignalBlocker blocker(combo);
        combo.setCurrentIndex(index);
        if (index >= 0 && combo.isEditable())
            combo.setEditText(combo.itemText(index));
    }
    m_typedName = false;
    cmbFilterGroup_Click();
}

void FilterGroupPage::setGroupText(const QString &text)
{
    m_dialog.cmbFilterGroup->setEditText(text);
    m_typedName = true;
}

void FilterGroupPage::fillPickers()
{
    Connection &db = m_module.db();
    const QString any = m_module.GRS(anyEntryText);
    const bool panels = m_module.view.zk2Hardware;

    std::array<QComboBox *, 5> pickers{m_dialog.cmbSD, m_dialog.cmbPort, m_dialog.cboController,
                                       m_dialog.cmbArdo, m_dialog.cmbEvent};
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QComboBox *picker : pickers)
        blockers.push_back(std::make_unique<QSignalBlocker>(picker));

    startPicker(*m_dialog.cmbSD, any, 0);
    insertPickerRows(db, QStringLiteral("Select * From Sites Order By SiteDescr desc"), *m_dialog.cmbSD, idAndName);

    startPicker(*m_dialog.cmbPort, any, 0);
    insertPickerRows(db, QStringLiteral("Select PortID, PortName From ServerPorts Order By PortName desc"),
                     *m_dialog.cmbPort, idAndName);

    startPicker(*m_dialog.cboController, any, QString());
    insertPickerRows(db, controllerQuery + (panels ? withPanels : withoutPanels), *m_dialog.cboController,
                     controllerEntry);

    startPicker(*m_dialog.cmbArdo, any, 0);
    insertPickerRows(db, QStringLiteral("Select ARDOID, ArdoName From Ardoes Order By Ardoname desc"),
                     *m_dialog.cmbArdo, idAndName);

    startPicker(*m_dialog.cmbEvent, any, 0);
    if (panels)
        insertPickerRows(db, panelEventQuery, *m_dialog.cmbEvent, eventEntry);
    const QString busCondition = panels ? QString() : withoutSecondBus;
    for (const char *head : eventQueryHeads) {
        const QString table = QString::fromLatin1(head);
        const QString &tail = table.contains(QStringLiteral(" InternalEvents ")) ? internalEventQueryTail
                                                                                 : eventQueryTail;
        insertPickerRows(db, table + busCondition + tail, *m_dialog.cmbEvent, eventEntry);
    }

    // Nothing is chosen until the dialog puts each picker on its any entry.
    for (QComboBox *picker : pickers)
        picker->setCurrentIndex(-1);
}

void FilterGroupPage::fillFilterGroups()
{
    QComboBox &combo = *m_dialog.cmbFilterGroup;
    const QSignalBlocker blocker(combo);
    combo.clear();
    combo.addItem(m_module.GRS(noFilterText), 0);
    if (m_module.host.IsAdmin)
        combo.addItem(m_module.GRS(newGroupText), 0);
    auto rows = m_module.db().openRecordset(QStringLiteral("ZUL_Roles_Fetch_EventFilterGroups 1, ")
                                            + CStr(m_module.nt().get(QStringLiteral("UserId"))));
    for (; !rows->eof(); rows->moveNext())
        combo.addItem(CStr(rows->field(1)), CLng(rows->field(0)));
    rows->close();
    // The dialog selects the profile's group itself; until then nothing is chosen.
    combo.setCurrentIndex(-1);
    m_typedName = false;
}

QString FilterGroupPage::GetAddressForID(qint32 ID, qint32 kind)
{
    QString address;
    guarded(m_module.errors(), QStringLiteral("FCustom.GetAddressForID"), [&] {
        QString sql;
        switch (kind) {
        case PortAddress:
            sql = QStringLiteral("Select Address From ServerPorts Where PortID = ");
            break;
        case ArdoAddress:
            sql = QStringLiteral("Select Address From Ardoes Where ArdoID = ");
            break;
        case ControllerAddress:
            sql = QStringLiteral("Select Address From Controllers Where Controller_ID = ");
            break;
        case PanelAddress:
            sql = QStringLiteral("Select Address From ZEKO_Controllers Where ID = ");
            break;
        default:
            return;
        }
        auto rows = m_module.db().openRecordset(sql + QString::number(ID));
        for (; !rows->eof(); rows->moveNext())
            address = CStr(rows->field(0));
        rows->close();
    });
    return address;
}

void FilterGroupPage::AddFilter_Click()
{
    if (m_dialog.designMode)
        return;
    guarded(m_module.errors(), QStringLiteral("FCustom.AddFilter_Click"), [&] {
        CriterionText criterion;
        if (const int event = m_dialog.cmbEvent->currentIndex(); event >= 1)
            criterion.setEvent(QString::number(itemNumber(*m_dialog.cmbEvent, event)));
        if (const int port = m_dialog.cmbPort->currentIndex(); port >= 1) {
            const QString address = GetAddressForID(itemNumber(*m_dialog.cmbPort, port), PortAddress);
            criterion.addSource(address,
                                portCondition + twoBackslashes + doubledQuotes(afterFirstPoint(address))
                                    + QStringLiteral("%'))"),
                                m_module.GRS(portWord), m_dialog.cmbPort->currentText());
        }
        if (const int ardo = m_dialog.cmbArdo->currentIndex(); ardo >= 1) {
            const QString address = GetAddressForID(itemNumber(*m_dialog.cmbArdo, ardo), ArdoAddress);
            criterion.addSource(address, ardoCondition + doubledQuotes(address) + QStringLiteral("%')"), m_module.GRS(ardoWord),
                                m_dialog.cmbArdo->currentText());
        }
        if (const int controller = m_dialog.cboController->currentIndex(); controller >= 1) {
            const QStringList parts = itemData(*m_dialog.cboController, controller).toString().split(QLatin1Char('|'));
            if (parts.size() < 2)
                throw VbError::fromNumber(VbError::SubscriptOutOfRange);
            const qint32 kind = CDbl(Variant(parts.at(1))) == 1 ? ControllerAddress : PanelAddress;
            const QString address = GetAddressForID(CLng(Variant(parts.at(0))), kind);
            criterion.addSource(address, QStringLiteral("(Address LIKE '") + doubledQuotes(address) + QStringLiteral("%')"),
                                m_module.GRS(controllerWord), m_dialog.cboController->currentText());
        }

        if (criterion.chosen) {
            addCriterion(*m_dialog.lstSelectedFilters, criterion.shownDescription(), criterion.shownFilter(),
                         criterion.shownClause());
        } else {
            (void)m_module.desktop().msgBox(CStr(m_module.nt().callWith(QStringLiteral("GRS"), nothingChosenText)),
                                            informationOk, title());
        }

        const bool anyRows = m_dialog.lstSelectedFilters->topLevelItemCount() >= 1;
        for (QPushButton *button : m_dialog.FilterGroup)
            button->setEnabled(anyRows);
        pUpdateEnabledStatus();
        m_dialog.pendingChanges = true;
    });
}

void FilterGroupPage::DeleteFilter_Click()
{
    if (m_dialog.designMode)
        return;
    guarded(m_module.errors(), QStringLiteral("FCustom.DeleteFilter_Click"), [&] {
        QTreeWidget &list = *m_dialog.lstSelectedFilters;
        if (list.topLevelItemCount() >= 1) {
            // The list always has a selected item once it has items: the first until another is chosen.
            QTreeWidgetItem *selected = list.currentItem();
            const int index = selected ? list.indexOfTopLevelItem(selected) : 0;
            delete list.takeTopLevelItem(index < 0 ? 0 : index);
        }
        pUpdateEnabledStatus();
        m_dialog.pendingChanges = true;
    });
}

void FilterGroupPage::pUpdateEnabledStatus()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.pUpdateEnabledStatus"), [&] {
        const int rows = m_dialog.lstSelectedFilters->topLevelItemCount();
        const bool admin = m_module.host.IsAdmin;
        m_dialog.FilterGroup[0]->setEnabled(rows >= 1 && admin);
        m_dialog.FilterGroup[1]->setEnabled((rows >= 1 || groupListIndex() >= 2) && admin);
        m_dialog.DeleteFilter->setEnabled(rows >= 1 && admin);
    });
}

void FilterGroupPage::SetFeaturesEnabled(bool enabled)
{
    guarded(m_module.errors(), QStringLiteral("FCustom: SetFeaturesEnabled"), [&] {
        const std::array<QWidget *, 11> controls{
            m_dialog.fraSelectedFilters, m_dialog.fraBuilder, m_dialog.lstSelectedFilters, m_dialog.DeleteFilter,
            m_dialog.AddFilter,          m_dialog.cmbSD,      m_dialog.cmbServer,          m_dialog.cmbPort,
            m_dialog.cboController,      m_dialog.cmbArdo,    m_dialog.cmbEvent,
        };
        for (QWidget *control : controls)
            control->setEnabled(enabled);
        for (QLabel *label : m_dialog.Label2)
            label->setEnabled(enabled);
        for (QRadioButton *option : m_dialog.optType)
            option->setEnabled(enabled);
    });
}

void FilterGroupPage::cmbFilterGroup_Click()
{
    guarded(m_module.errors(), QStringLiteral("FCustom: cmbFilterGroup_Click"), [&] {
        QComboBox &combo = *m_dialog.cmbFilterGroup;
        m_typedName = false;
        m_dialog.lstSelectedFilters->clear();
        const QString text = combo.currentText();
        if (text == m_module.GRS(noFilterText) || !m_module.host.IsAdmin) {
            SetFeaturesEnabled(false);
            return;
        }
        SetFeaturesEnabled(true);
        if (text == m_module.GRS(newGroupText)) {
            for (QPushButton *button : m_dialog.FilterGroup)
                button->setEnabled(false);
            return;
        }
        const qint32 groupId = itemNumber(combo, combo.currentIndex());
        auto rows = m_module.db().openRecordset(QStringLiteral("Select * from EventFilters Where GroupID = ")
                                                + QString::number(groupId));
        if (!rows->eof()) {
            const bool limit = CBool(rows->field(QStringLiteral("FilterType")));
            m_dialog.optType[0]->setChecked(limit);
            m_dialog.optType[1]->setChecked(!limit);
        }
        for (; !rows->eof(); rows->moveNext())
            addCriterion(*m_dialog.lstSelectedFilters, CStr(rows->field(QStringLiteral("FilterDescription"))),
                         CStr(rows->field(QStringLiteral("Filter"))), textOrEmpty(rows->field(QStringLiteral("sql"))));
        rows->close();
    });
}

void FilterGroupPage::cmbFilterGroup_Change()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.cmbFilterGroup_Change"), [&] {
        QComboBox &combo = *m_dialog.cmbFilterGroup;
        m_typedName = true;
        const QString text = combo.currentText();
        if (text.size() < maxNameLength + 1)
            return;
        combo.setEditText(text.left(maxNameLength));
        if (QLineEdit *edit = combo.lineEdit())
            edit->setCursorPosition(maxNameLength);
    });
}

void FilterGroupPage::cmbFilterGroup_GotFocus()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.cmbFilterGroup_GotFocus"), [&] {
        const int rows = m_dialog.lstSelectedFilters->topLevelItemCount();
        const int index = groupListIndex();
        auto offerSave = [&] {
            const QString prompt = m_module.GRS(unsavedChangesText, {m_dialog.cmbFilterGroup->currentText()});
            if (m_module.desktop().msgBox(prompt, questionYesNo, title()) != answerYes)
                return;
            (void)SaveFilterGroup();
            m_dialog.pendingChanges = false;
        };

        if (index == -1) {
            if (rows >= 1)
                offerSave();
        } else if (index == 1) {
            if (m_dialog.pendingChanges)
                offerSave();
        } else if (index >= 2) {
            if (rows == 0) {
                // A group emptied of all its rows goes without asking.
                DeleteFilterGroup();
                m_dialog.pendingChanges = false;
            } else if (m_dialog.pendingChanges) {
                offerSave();
            }
        }
    });
}

void FilterGroupPage::FilterGroup_Click(int Index)
{
    if (m_dialog.designMode)
        return;
    guarded(m_module.errors(), QStringLiteral("FCustom: FilterGroup_Click"), [&] {
        if (Index == 0)
            (void)SaveFilterGroup();
        else if (Index == 1)
            DeleteFilterGroup();
        m_dialog.pendingChanges = false;
    });
}

void FilterGroupPage::DeleteFilterGroup()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.DeleteFilterGroup"), [&] {
        const int index = groupListIndex();
        if (!m_module.host.IsAdmin || index == -1)
            return;
        QComboBox &combo = *m_dialog.cmbFilterGroup;
        const qint32 groupId = itemNumber(combo, index);
        if (groupId == -1) {
            setGroupText(QString());
            return;
        }
        if (groupId == 0) {
            selectGroup(1);
            return;
        }
        m_module.db().execute(QStringLiteral("ZUL_DeleteFilterGroup ") + QString::number(groupId));
        {
            const QSignalBlocker blocker(combo);
            combo.removeItem(index);
        }
        m_dialog.lstSelectedFilters->clear();
        selectGroup(1);
    });
}

void FilterGroupPage::askName(QString &name)
{
    name = m_module.desktop().inputBox(m_module.GRS(namePromptText), m_module.GRS(namePromptTitle), QString());
    setGroupText(name);
}

bool FilterGroupPage::SaveFilterGroup()
{
    bool result = true;
    guarded(m_module.errors(), QStringLiteral("FCustom.SaveFilterGroup"), [&] {
        if (!m_module.host.IsAdmin)
            return;
        QComboBox &combo = *m_dialog.cmbFilterGroup;
        QString name = combo.currentText();
        const int rows = m_dialog.lstSelectedFilters->topLevelItemCount();

        if (name == m_module.GRS(noFilterText))
            return;
        if (rows == 0 && name.isEmpty()) {
            m_module.profile.FilterGroupID = 0;
            return;
        }
        if (rows == 0) {
            result = m_module.desktop().msgBox(noCriteriaMessage, informationOkCancel, title()) == answerOk;
            return;
        }

        const QString placeholder = m_module.GRS(newGroupText);
        for (;;) {
            if (name == placeholder) {
                askName(name);
                continue;
            }
            if (name.isEmpty()) {
                if (m_module.desktop().msgBox(emptyNameMessage, questionYesNo, title()) == answerYes) {
                    askName(name);
                    continue;
                }
                selectGroup(1);
                return;
            }
            if (name.size() >= maxNameLength + 1) {
                name = name.left(maxNameLength);
                combo.setEditText(name);
            }
            bool duplicate = false;
            for (int i = 0; i < combo.count() && !duplicate; ++i)
                duplicate = groupListIndex() == -1 && name == combo.itemText(i);
            if (!duplicate)
                break;
            (void)m_module.desktop().msgBox(duplicateNameMessage, okOnly, title());
            askName(name);
        }

        // The group's rows and the profile's pointer to it change together or not at all: a group
        // emptied by a save that stopped half-way would hide every event from its profiles.
        const int index = groupListIndex();
        if (index == -1)
            insertNewGroup(name);
        else
            replaceGroup(name, itemNumber(combo, index));
    });
    return result;
}

void FilterGroupPage::insertNewGroup(const QString &name)
{
    Command command(QStringLiteral("ZUL_InsertEventFilterGroup"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, qint32(0));
    command.append(QStringLiteral("GroupName"), ParameterDirection::Input, name);
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("OperatorID"), ParameterDirection::Input,
                   CLng(m_module.nt().get(QStringLiteral("UserId"))));
    Transaction transaction(m_module.db());
    m_module.db().execute(command);
    const qint32 groupId = CLng(command.parameters().at(2).value);

    insertFilterRows(groupId, name, QStringLiteral(", N'"));
    pointProfileAt(groupId);
    transaction.commit();

    QComboBox &combo = *m_dialog.cmbFilterGroup;
    {
        const QSignalBlocker blocker(combo);
        combo.insertItem(2, name, groupId);
    }
    selectGroup(2);
}

void FilterGroupPage::replaceGroup(const QString &name, qint32 groupId)
{
    Transaction transaction(m_module.db());
    m_module.db().execute(QStringLiteral("Delete From eventfilters Where GroupID = ") + QString::number(groupId));
    pointProfileAt(groupId);
    insertFilterRows(groupId, name, QStringLiteral(", '"));
    transaction.commit();
}

// textPrefix opens the filter text's literal: a new group writes it as a Unicode literal, a
// replaced group as a plain one.
void FilterGroupPage::insertFilterRows(qint32 groupId, const QString &name, const QString &textPrefix)
{
    const QString filterType = m_dialog.optType[0]->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    const QTreeWidget &list = *m_dialog.lstSelectedFilters;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem &item = *list.topLevelItem(i);
        m_module.db().execute(
            QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL)")
            + QStringLiteral("Values (") + QString::number(groupId) + QStringLiteral(", N'") + m_module.FixA(name)
            + QStringLiteral("', ") + filterType + textPrefix
            + m_module.FixA(item.data(filterTextColumn, Qt::UserRole).toString()) + QStringLiteral("', N'")
            + m_module.FixA(item.text(filterTextColumn)) + QStringLiteral("', N'")
            + m_module.FixA(item.text(sqlColumn)) + QStringLiteral("')"));
    }
}

void FilterGroupPage::pointProfileAt(qint32 groupId)
{
    m_module.db().execute(QStringLiteral("Update Profile_Details Set Value = '") + QString::number(groupId)
                          + QStringLiteral("' Where Property = 'FilterGroupID' AND ObjectID = 4 AND ProfileID = ")
                          + QString::number(m_module.host.CurrentProfileID));
}

} // namespace Ostraven
