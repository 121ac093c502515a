#include "qtdesktop.h"

#include "platform/colour.h"
#include "platform/vberror.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <map>

namespace Ostraven {

namespace {

QMessageBox::Icon messageIcon(MsgBoxIcon icon)
{
    switch (icon) {
    case MsgBoxIcon::Critical:
        return QMessageBox::Critical;
    case MsgBoxIcon::Question:
        return QMessageBox::Question;
    case MsgBoxIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgBoxIcon::Information:
        return QMessageBox::Information;
    case MsgBoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardButton(MsgBoxResult result)
{
    switch (result) {
    case MsgBoxResult::Cancel:
        return QMessageBox::Cancel;
    case MsgBoxResult::Yes:
        return QMessageBox::Yes;
    case MsgBoxResult::No:
        return QMessageBox::No;
    case MsgBoxResult::Ok:
        break;
    }
    return QMessageBox::Ok;
}

void fillMenu(QMenu &menu, const std::vector<PopupMenuItem> &items, std::map<QAction *, int> &ids)
{
    for (const PopupMenuItem &item : items) {
        if (!item.visible)
            continue;
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        if (!item.children.empty()) {
            QMenu *submenu = menu.addMenu(item.caption);
            submenu->setEnabled(item.enabled);
            fillMenu(*submenu, item.children, ids);
            continue;
        }
        QAction *action = menu.addAction(item.caption);
        action->setEnabled(item.enabled);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        ids.emplace(action, item.id);
    }
}

} // namespace

QtDesktop::~QtDesktop()
{
    setBusyCursor(false);
}

QWidget *QtDesktop::dialogParent() const
{
    return m_dialogParent ? m_dialogParent.data() : QApplication::activeWindow();
}

MsgBoxResult QtDesktop::messageBox(const MessageBoxRequest &request)
{
    QMessageBox box(messageIcon(request.icon), request.title, request.text, QMessageBox::NoButton, dialogParent());
    for (const MsgBoxResult choice : request.choices())
        box.addButton(standardButton(choice));
    box.setDefaultButton(standardButton(request.defaultChoice()));
    const std::vector<MsgBoxResult> choices = request.choices();
    const bool cancellable = std::find(choices.begin(), choices.end(), MsgBoxResult::Cancel) != choices.end();
    // Closing the box without a button answers as the platform does: Cancel when there is one.
    box.setEscapeButton(standardButton(cancellable ? MsgBoxResult::Cancel : choices.back()));
    box.exec();
    for (const MsgBoxResult choice : choices) {
        if (box.clickedButton() == box.button(standardButton(choice)))
            return choice;
    }
    return cancellable ? MsgBoxResult::Cancel : request.defaultChoice();
}

QString QtDesktop::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(dialogParent(), title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

void QtDesktop::clearClipboard()
{
    QGuiApplication::clipboard()->clear();
}

void QtDesktop::setClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString QtDesktop::clipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

void QtDesktop::setBusyCursor(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

std::optional<qint64> QtDesktop::pickColour(qint64 initialColour)
{
    const QColor chosen = QColorDialog::getColor(toQColor(initialColour), dialogParent());
    if (!chosen.isValid())
        return std::nullopt;
    return fromQColor(chosen);
}

std::optional<int> QtDesktop::popupMenu(const std::vector<PopupMenuItem> &items)
{
    QMenu menu(dialogParent());
    std::map<QAction *, int> ids;
    fillMenu(menu, items, ids);
    QAction *chosen = menu.exec(QCursor::pos());
    const auto found = ids.find(chosen);
    if (found == ids.end())
        return std::nullopt;
    return found->second;
}

bool QtDesktop::setOwnerWindow(QWidget *dialog, quintptr ownerHandle)
{
    if (!dialog)
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: no dialog to give an owner"));
    if (ownerHandle == 0)
        return true;
    for (QWindow *window : QGuiApplication::allWindows()) {
        // Only windows that already have a native handle can be the one asked for.
        if (!window->handle() || window->winId() != ownerHandle)
            continue;
        dialog->winId();
        dialog->windowHandle()->setTransientParent(window);
        return true;
    }
    return true;
}

} // namespace Ostraven
