#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

class QWidget;

namespace Ostraven {

// The platform's message-box style numbers and answers.
enum class MsgBoxIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgBoxButtons { Ok = 0, OkCancel = 1, YesNoCancel = 3, YesNo = 4 };
enum class MsgBoxResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// The numeric style msgBox takes, from its parts.
[[nodiscard]] constexpr int msgBoxStyle(MsgBoxIcon icon, MsgBoxButtons buttons = MsgBoxButtons::Ok)
{
    return int(icon) + int(buttons);
}

[[nodiscard]] QString iconName(MsgBoxIcon icon);           // "none", "critical", "question", ...
[[nodiscard]] QString buttonsName(MsgBoxButtons buttons);  // "ok", "okCancel", "yesNoCancel", "yesNo"
[[nodiscard]] QString resultName(MsgBoxResult result);     // "ok", "cancel", "yes", "no"

struct MessageBoxRequest {
    QString text;
    QString title;
    MsgBoxIcon icon = MsgBoxIcon::None;
    MsgBoxButtons buttons = MsgBoxButtons::Ok;
    int defaultButton = 1; // 1-based among the box's buttons

    // Reads the platform's numeric style: buttons (0, 1, 3, 4) + icon (16, 32, 48, 64) + default
    // button (0, 256, 512); modality and other flags are accepted and ignored. Raises VbError 5 for
    // button sets and icons the component never asks for.
    [[nodiscard]] static MessageBoxRequest fromStyle(const QString &text, int style, const QString &title);

    // The box's buttons from left to right.
    [[nodiscard]] std::vector<MsgBoxResult> choices() const;
    [[nodiscard]] MsgBoxResult defaultChoice() const;
};

// One item of a pop-up menu. The caller picks the ids; the menu answers with the id of the chosen
// item. An item with children opens a submenu and cannot itself be chosen.
struct PopupMenuItem {
    int id = -1;
    QString caption;
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    bool separator = false;
    std::vector<PopupMenuItem> children;

    [[nodiscard]] static PopupMenuItem action(int id, QString caption, bool enabled = true, bool checked = false,
                                              bool visible = true)
    {
        PopupMenuItem item;
        item.id = id;
        item.caption = std::move(caption);
        item.enabled = enabled;
        item.checked = checked;
        item.visible = visible;
        return item;
    }
    [[nodiscard]] static PopupMenuItem separatorItem(int id = -1)
    {
        PopupMenuItem item = action(id, QStringLiteral("-"));
        item.separator = true;
        return item;
    }
    [[nodiscard]] static PopupMenuItem submenu(int id, QString caption, std::vector<PopupMenuItem> children,
                                               bool enabled = true)
    {
        PopupMenuItem item = action(id, std::move(caption), enabled);
        item.children = std::move(children);
        return item;
    }
};

// What the component asks of the desktop. Windows and routines reach message boxes, the clipboard
// and the cursor only through this, so tests and the headless host swap in a scripted desktop and
// nothing modal ever blocks them.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;

    // The platform's MsgBox: style as MessageBoxRequest::fromStyle reads it; returns 1 OK,
    // 2 Cancel, 6 Yes or 7 No.
    int msgBox(const QString &prompt, int style = 0, const QString &title = {});
    [[nodiscard]] virtual MsgBoxResult messageBox(const MessageBoxRequest &request) = 0;

    // The typed text; empty when cancelled.
    [[nodiscard]] virtual QString inputBox(const QString &prompt, const QString &title = {},
                                           const QString &defaultText = {}) = 0;

    virtual void clearClipboard() = 0;
    virtual void setClipboardText(const QString &text) = 0;
    [[nodiscard]] virtual QString clipboardText() const = 0;

    // The hourglass while the component works; switching to the state already shown does nothing.
    virtual void setBusyCursor(bool busy) = 0;
    [[nodiscard]] virtual bool busyCursor() const = 0;

    // The chosen platform colour; nothing when cancelled.
    [[nodiscard]] virtual std::optional<qint64> pickColour(qint64 initialColour) = 0;

    // Shows the menu at the mouse pointer and waits; the chosen item's id, nothing when dismissed.
    [[nodiscard]] virtual std::optional<int> popupMenu(const std::vector<PopupMenuItem> &items) = 0;

    // Makes the host window with that handle the dialog's owner, so the dialog stays above it. A
    // handle of 0, or one this process does not know, leaves the dialog as it is and succeeds.
    virtual bool setOwnerWindow(QWidget *dialog, quintptr ownerHandle) = 0;
};

} // namespace Ostraven
