#include "dialogcontrol.h"

#include "customise/columnsandcolours.h"
#include "customise/fcustom.h"
#include "customise/filtergrouppage.h"

#include "errors/numberfield.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>

#include <optional>
#include <stdexcept>
#include <vector>

namespace Ostraven {

namespace {

[[noreturn]] void refuse(const QString &message)
{
    throw std::invalid_argument(message.toStdString());
}

QString controlName(const QJsonObject &command)
{
    const QString name = command.value(QStringLiteral("name")).toString();
    if (name.isEmpty())
        refuse(QStringLiteral("\"%1\" needs the field \"name\"").arg(command.value(QStringLiteral("op")).toString()));
    if (!command.contains(QStringLiteral("index")) || name.contains(QLatin1Char('(')))
        return name;
    return QStringLiteral("%1(%2)").arg(name).arg(NumberField::whole(command.value(QStringLiteral("index")),
                                                                     u"index", NumberField::Integer));
}

// Control-array indexes, list indexes and tab numbers are Integers to the dialog.
int integerField(const QJsonObject &command, const QString &field, NumberField::Range range = NumberField::Integer)
{
    return NumberField::whole(command.value(field), field, range);
}

bool booleanField(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = command.value(field);
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0;
    refuse(QStringLiteral("\"%1\" must be true or false").arg(field));
}

// A control's own Enabled and Visible, whatever its container's.
void addCommon(QJsonObject &object, const QWidget &widget)
{
    object.insert(QStringLiteral("enabled"), !widget.testAttribute(Qt::WA_ForceDisabled));
    object.insert(QStringLiteral("visible"), !widget.isHidden());
}

QJsonObject comboState(const QComboBox &combo, int listIndex)
{
    QJsonArray items;
    for (int i = 0; i < combo.count(); ++i)
        items.append(QJsonObject{{QStringLiteral("text"), combo.itemText(i)},
                                 {QStringLiteral("data"), QJsonValue::fromVariant(combo.itemData(i, Qt::UserRole))}});
    QJsonObject object{{QStringLiteral("text"), combo.currentText()},
                       {QStringLiteral("list_index"), listIndex},
                       {QStringLiteral("items"), items}};
    addCommon(object, combo);
    return object;
}

QJsonObject selectedFiltersState(const QTreeWidget &list)
{
    QJsonArray items;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list.topLevelItem(i);
        items.append(QJsonObject{{QStringLiteral("text"), item->text(0)},
                                 {QStringLiteral("filter"), item->data(0, Qt::UserRole).toString()},
                                 {QStringLiteral("sql"), item->text(1)}});
    }
    return QJsonObject{{QStringLiteral("items"), items},
                       {QStringLiteral("selected"), list.currentItem() ? list.indexOfTopLevelItem(list.currentItem()) : -1},
                       {QStringLiteral("enabled"), !list.testAttribute(Qt::WA_ForceDisabled)}};
}

QJsonObject columnListState(const QTreeWidget &list)
{
    QJsonArray items;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list.topLevelItem(i);
        items.append(QJsonObject{{QStringLiteral("key"), item->data(0, Qt::UserRole).toString()},
                                 {QStringLiteral("text"), item->text(0)},
                                 {QStringLiteral("checked"), item->checkState(0) == Qt::Checked}});
    }
    return QJsonObject{{QStringLiteral("items"), items},
                       {QStringLiteral("selected"), list.currentItem() ? list.indexOfTopLevelItem(list.currentItem()) : -1}};
}

QJsonObject widgetState(FCustom &dialog, QWidget &widget)
{
    QJsonObject object;
    if (auto *combo = qobject_cast<QComboBox *>(&widget)) {
        const int listIndex = combo == dialog.cmbFilterGroup ? dialog.filterPage().groupListIndex() : combo->currentIndex();
        return comboState(*combo, listIndex);
    }
    if (auto *check = qobject_cast<QCheckBox *>(&widget)) {
        object.insert(QStringLiteral("caption"), check->text());
        object.insert(QStringLiteral("value"), check->isChecked() ? 1 : 0);
    } else if (auto *option = qobject_cast<QRadioButton *>(&widget)) {
        object.insert(QStringLiteral("caption"), option->text());
        object.insert(QStringLiteral("value"), option->isChecked());
    } else if (auto *button = qobject_cast<QPushButton *>(&widget)) {
        object.insert(QStringLiteral("caption"), button->text());
    } else if (auto *label = qobject_cast<QLabel *>(&widget)) {
        object.insert(QStringLiteral("caption"), label->text());
    } else if (auto *frame = qobject_cast<QGroupBox *>(&widget)) {
        object.insert(QStringLiteral("caption"), frame->title());
    } else if (auto *text = qobject_cast<QLineEdit *>(&widget)) {
        object.insert(QStringLiteral("text"), text->text());
    } else if (auto *tabs = qobject_cast<QTabWidget *>(&widget)) {
        QJsonArray captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions.append(tabs->tabText(i));
        object.insert(QStringLiteral("tabs"), captions);
        object.insert(QStringLiteral("tab"), tabs->currentIndex());
    } else if (auto *swatch = qobject_cast<QFrame *>(&widget)) {
        object.insert(QStringLiteral("back"), ColumnsAndColours::swatchColour(*swatch));
    }
    addCommon(object, widget);
    return object;
}

std::vector<QWidget *> dumpedControls(FCustom &d)
{
    std::vector<QWidget *> controls{d.tTab,          d.btnRestore,     d.chkDipslayEventsAtTop, d.chkLoadCachedEvents,
                                    d.txtMaxLines,   d.Label1,         d.Label3,                d.Label4,
                                    d.Label5,        d.Label6,         d.lblFilterGroup,        d.cmbFilterGroup,
                                    d.Frame1,        d.fraBuilder,     d.Label7,                d.cmbSD,
                                    d.cmbPort,       d.cboController,  d.cmbArdo,               d.cmbEvent,
                                    d.cmbPoint,      d.cmbServer,      d.AddFilter,             d.fraSelectedFilters,
                                    d.DeleteFilter};
    auto append = [&controls](const auto &array) { controls.insert(controls.end(), array.begin(), array.end()); };
    append(d.Command1);
    append(d.fraGeneral);
    append(d.cmdMove);
    append(d.cmbColor);
    append(d.pbxSample);
    append(d.FilterGroup);
    append(d.optType);
    append(d.Label2);
    return controls;
}

int arrayIndex(const QWidget &widget)
{
    const QString name = widget.objectName();
    const qsizetype open = name.indexOf(QLatin1Char('('));
    return open < 0 ? 0 : name.mid(open + 1, name.size() - open - 2).toInt();
}

} // namespace

QJsonObject DialogControl::dump() const
{
    QJsonObject result{{QStringLiteral("caption"), m_dialog.windowTitle()},
                       {QStringLiteral("tab"), m_dialog.tTab->currentIndex()},
                       {QStringLiteral("pending_changes"), m_dialog.pendingChanges},
                       {QStringLiteral("design_mode"), m_dialog.designMode},
                       {QStringLiteral("help_context"), m_dialog.HelpContextID},
                       {QStringLiteral("visible"), m_dialog.isVisible()}};
    for (QWidget *widget : dumpedControls(m_dialog))
        result.insert(widget->objectName(), widgetState(m_dialog, *widget));
    result.insert(QStringLiteral("lstSelectedFilters"), selectedFiltersState(*m_dialog.lstSelectedFilters));
    result.insert(QStringLiteral("lvwCols"), columnListState(*m_dialog.lvwCols));
    result.insert(QStringLiteral("MhS"), QJsonObject{{QStringLiteral("visible"), !m_dialog.MhS->isHidden()},
                                                     {QStringLiteral("left"), m_dialog.MhS->x()}});
    result.insert(QStringLiteral("selected_control"),
                  m_dialog.selectedControl ? QJsonValue(m_dialog.selectedControl->objectName()) : QJsonValue::Null);
    if (m_dialog.lastKeyResult) {
        result.insert(QStringLiteral("keypress"), QJsonObject{{QStringLiteral("result"), *m_dialog.lastKeyResult},
                                                              {QStringLiteral("discarded"), *m_dialog.lastKeyResult == 0}});
    }
    return result;
}

void DialogControl::run(const QJsonObject &command)
{
    const QString op = command.value(QStringLiteral("op")).toString();
    if (op == QLatin1String("control"))
        setControl(command);
    else if (op == QLatin1String("click"))
        click(command);
    else if (op == QLatin1String("focus"))
        focus(command);
    else if (op == QLatin1String("keypress"))
        keypress(command);
    else if (op == QLatin1String("tab"))
        tab(command);
    else
        refuse(QStringLiteral("the dialog knows no action \"%1\"").arg(op));
}

QWidget *DialogControl::control(const QJsonObject &command) const
{
    const QString name = controlName(command);
    for (QWidget *widget : dumpedControls(m_dialog)) {
        if (widget->objectName() == name)
            return widget;
    }
    if (name == QLatin1String("lvwCols"))
        return m_dialog.lvwCols;
    if (name == QLatin1String("lstSelectedFilters"))
        return m_dialog.lstSelectedFilters;
    refuse(QStringLiteral("the dialog has no control \"%1\"").arg(name));
}

void DialogControl::setControl(const QJsonObject &command)
{
    if (command.value(QStringLiteral("name")).toString() == QLatin1String("Localizer")) {
        if (booleanField(command, QStringLiteral("value"))) {
            if (m_dialog.customizing())
                m_dialog.Localizer_EnterDesignMode();
        } else if (m_dialog.designMode) {
            m_dialog.Localizer_ExitDesignMode();
        }
        return;
    }
    QWidget *widget = control(command);
    if (m_dialog.designMode) {
        m_dialog.designSelect(widget);
        return;
    }
    if (widget == m_dialog.lvwCols) {
        QTreeWidget &list = *m_dialog.lvwCols;
        // An item is given by its position or by its column key.
        const QJsonValue item = command.value(QStringLiteral("item"));
        std::optional<int> position;
        if (item.isDouble())
            position = NumberField::whole(item, u"item", NumberField::Integer);
        QTreeWidgetItem *target = nullptr;
        for (int i = 0; i < list.topLevelItemCount() && !target; ++i) {
            QTreeWidgetItem *candidate = list.topLevelItem(i);
            if (position ? i == *position : candidate->data(0, Qt::UserRole).toString() == item.toString())
                target = candidate;
        }
        if (!target)
            refuse(QStringLiteral("lvwCols has no item %1")
                       .arg(position ? QString::number(*position) : item.toString()));
        if (command.contains(QStringLiteral("checked")))
            target->setCheckState(0, booleanField(command, QStringLiteral("checked")) ? Qt::Checked : Qt::Unchecked);
        if (command.contains(QStringLiteral("selected")) && booleanField(command, QStringLiteral("selected")))
            list.setCurrentItem(target);
        return;
    }
    if (widget == m_dialog.lstSelectedFilters) {
        QTreeWidget &list = *m_dialog.lstSelectedFilters;
        const int index = integerField(command, QStringLiteral("selected"));
        if (index >= list.topLevelItemCount())
            refuse(QStringLiteral("lstSelectedFilters has no item %1").arg(index));
        list.setCurrentItem(index < 0 ? nullptr : list.topLevelItem(index));
        if (index < 0)
            list.clearSelection();
        return;
    }
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        int index = -1;
        if (command.contains(QStringLiteral("list_index"))) {
            index = integerField(command, QStringLiteral("list_index"));
        } else {
            const QString text = command.value(QStringLiteral("text")).toString();
            if (combo->isEditable()) {
                combo->lineEdit()->selectAll();
                combo->lineEdit()->insert(text);
                return;
            }
            index = combo->findText(text, Qt::MatchExactly);
            if (index < 0)
                refuse(QStringLiteral("%1 has no item \"%2\"").arg(combo->objectName(), text));
        }
        if (index < -1 || index >= combo->count())
            refuse(QStringLiteral("%1 has no item %2").arg(combo->objectName()).arg(index));
        {
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(index);
            if (combo->isEditable() && index >= 0)
                combo->setEditText(combo->itemText(index));
        }
        if (index >= 0)
            Q_EMIT combo->activated(index);
        return;
    }
    if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        const bool value = booleanField(command, QStringLiteral("value"));
        if (check->isChecked() != value)
            check->click();
        return;
    }
    if (auto *option = qobject_cast<QRadioButton *>(widget)) {
        const bool value = booleanField(command, QStringLiteral("value"));
        option->setAutoExclusive(value);
        option->setChecked(value);
        option->setAutoExclusive(true);
        return;
    }
    if (auto *text = qobject_cast<QLineEdit *>(widget)) {
        text->setText(command.value(QStringLiteral("text")).toString());
        return;
    }
    refuse(QStringLiteral("%1 takes no value; click it instead").arg(widget->objectName()));
}

void DialogControl::click(const QJsonObject &command)
{
    QWidget *widget = control(command);
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        // A disabled button ignores the click, as it does under the mouse.
        button->click();
        return;
    }
    if (!widget->isEnabled())
        return;
    const int index = arrayIndex(*widget);
    FCustom &d = m_dialog;
    if (widget == d.pbxSample[0] || widget == d.pbxSample[1])
        d.pbxSample_Click(index);
    else if (widget == d.fraGeneral[0] || widget == d.fraGeneral[1] || widget == d.fraGeneral[2])
        d.fraGeneral_Click(index);
    else if (std::find(d.Label2.begin(), d.Label2.end(), widget) != d.Label2.end())
        d.Label2_Click(index);
    else if (widget == d.fraBuilder)
        d.fraBuilder_Click();
    else if (widget == d.fraSelectedFilters)
        d.fraSelectedFilters_Click();
    else if (widget == d.Label1)
        d.Label1_Click();
    else if (widget == d.Label3)
        d.Label3_Click();
    else if (widget == d.Label4)
        d.Label4_Click();
    else if (widget == d.Label5)
        d.Label5_Click();
    else if (widget == d.Label6)
        d.Label6_Click();
    else if (widget == d.lblFilterGroup)
        d.lblFilterGroup_Click();
    else if (widget == d.lstSelectedFilters)
        d.lstSelectedFilters_MouseDown();
    else if (widget == d.lvwCols)
        d.lvwCols_MouseDown();
    else if (widget == d.txtMaxLines)
        d.txtMaxLines_MouseDown();
    else if (widget == d.tTab)
        d.tTab_MouseDown();
    else
        d.designSelect(widget);
}

void DialogControl::focus(const QJsonObject &command)
{
    QWidget *widget = control(command);
    FCustom &d = m_dialog;
    if (widget == d.cmbFilterGroup)
        d.cmbFilterGroup_GotFocus();
    else if (widget == d.cmbColor[0] || widget == d.cmbColor[1])
        d.cmbColor_GotFocus(arrayIndex(*widget));
    else if (widget == d.cboController)
        d.cboController_GotFocus();
    else if (widget == d.cmbEvent)
        d.cmbEvent_GotFocus();
    else if (widget == d.cmbPoint)
        d.cmbPoint_GotFocus();
    else if (widget == d.cmbPort)
        d.cmbPort_GotFocus();
    else if (widget == d.cmbSD)
        d.cmbSD_GotFocus();
    else if (widget == d.cmbServer)
        d.cmbServer_GotFocus();
    else if (widget == d.cmbArdo)
        d.cmbArdo_GotFocus();
    else
        refuse(QStringLiteral("%1 has no got-focus handler").arg(widget->objectName()));
}

void DialogControl::keypress(const QJsonObject &command)
{
    QWidget *widget = control(command);
    if (widget != m_dialog.txtMaxLines)
        refuse(QStringLiteral("%1 has no key handler").arg(widget->objectName()));
    const QJsonValue key = command.value(QStringLiteral("key"));
    // KeyAscii is a character code; one beyond 16 bits has no character to insert.
    constexpr NumberField::Range characterCodes{0, 65535};
    int code = key.isString() && !key.toString().isEmpty()
                   ? key.toString().at(0).unicode()
                   : integerField(command, QStringLiteral("key"), characterCodes);
    m_dialog.txtMaxLines_KeyPress(code);
    constexpr int backspace = 8;
    if (code == backspace)
        m_dialog.txtMaxLines->backspace();
    else if (code != 0)
        m_dialog.txtMaxLines->insert(QString(QChar(code)));
}

void DialogControl::tab(const QJsonObject &command)
{
    const int index = integerField(command, QStringLiteral("index"));
    QTabWidget &tabs = *m_dialog.tTab;
    if (index < 0 || index >= tabs.count())
        refuse(QStringLiteral("tTab has no tab %1").arg(index));
    if (m_dialog.designMode)
        m_dialog.tTab_MouseDown();
    if (tabs.currentIndex() == index)
        m_dialog.tTab_Click();
    else
        tabs.setCurrentIndex(index);
}

} // namespace Ostraven
