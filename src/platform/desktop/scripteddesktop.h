#pragma once

#include "desktopservices.h"

#include <QJsonObject>
#include <QStringList>

#include <deque>
#include <vector>

namespace Ostraven {

// A desktop for tests and the headless host: it shows nothing, records everything it was asked to
// show, and answers from a queue filled beforehand. Each box, input, colour picker or menu takes the
// next answer in the queue, whatever kind it is:
//   message box   "ok", "cancel", "yes" or "no" (letter case ignored); the button must be on the box
//   input box     any text, taken as typed; "" answers as a cancel does
//   colour picker a colour number (decimal, or hexadecimal with 0x) or "cancel"
//   pop-up menu   an item id, or "none"; a disabled, hidden or submenu item cannot be chosen
// An answer that does not fit raises VbError 5 and is used up. With the queue empty: a box with an
// OK button answers OK, any other box its default button (the first unless the style names
// another); an input box answers empty text, the colour picker cancels, a menu is dismissed.
// The clipboard is the desktop's own text, so no system clipboard is needed.
class ScriptedDesktop : public DesktopServices
{
public:
    struct ShownBox {
        MessageBoxRequest request;
        MsgBoxResult answer = MsgBoxResult::Ok;
    };
    struct ShownInput {
        QString prompt;
        QString title;
        QString defaultText;
        QString answer;
    };
    struct ShownColourPicker {
        qint64 initialColour = 0;
        std::optional<qint64> answer;
    };
    struct ShownMenu {
        std::vector<PopupMenuItem> items;
        std::optional<int> answer;
    };

    void queueAnswer(const QString &answer) { m_answers.push_back(answer); }
    [[nodiscard]] int pendingAnswers() const { return int(m_answers.size()); }
    void clearAnswers() { m_answers.clear(); }

    [[nodiscard]] const std::vector<ShownBox> &boxes() const { return m_boxes; }
    [[nodiscard]] const std::vector<ShownInput> &inputs() const { return m_inputs; }
    [[nodiscard]] const std::vector<ShownColourPicker> &colourPickers() const { return m_colourPickers; }
    [[nodiscard]] const std::vector<ShownMenu> &menus() const { return m_menus; }
    [[nodiscard]] const std::vector<quintptr> &ownerHandles() const { return m_ownerHandles; }
    // "default" or "busy".
    [[nodiscard]] QString cursor() const;
    // Every cursor change in order, so a caller can see the hourglass that was shown and taken away.
    [[nodiscard]] const QStringList &cursorHistory() const { return m_cursorHistory; }
    // Forgets what was shown; the clipboard, the cursor and the queue stay.
    void clearRecords();

    // boxes [{text, title, icon, buttons, answer}], inputs [{prompt, title, default, answer}],
    // colourPickers [{initial, answer|null}], menus [{items, answer|null}], clipboard, cursor,
    // pendingAnswers.
    [[nodiscard]] QJsonObject dumpState() const;

    [[nodiscard]] MsgBoxResult messageBox(const MessageBoxRequest &request) override;
    [[nodiscard]] QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void clearClipboard() override { m_clipboard.clear(); }
    void setClipboardText(const QString &text) override { m_clipboard = text; }
    [[nodiscard]] QString clipboardText() const override { return m_clipboard; }
    void setBusyCursor(bool busy) override;
    [[nodiscard]] bool busyCursor() const override { return m_busy; }
    [[nodiscard]] std::optional<qint64> pickColour(qint64 initialColour) override;
    [[nodiscard]] std::optional<int> popupMenu(const std::vector<PopupMenuItem> &items) override;
    bool setOwnerWindow(QWidget *dialog, quintptr ownerHandle) override;

private:
    [[nodiscard]] std::optional<QString> takeAnswer();

    std::deque<QString> m_answers;
    std::vector<ShownBox> m_boxes;
    std::vector<ShownInput> m_inputs;
    std::vector<ShownColourPicker> m_colourPickers;
    std::vector<ShownMenu> m_menus;
    std::vector<quintptr> m_ownerHandles;
    QStringList m_cursorHistory;
    QString m_clipboard;
    bool m_busy = false;
};

} // namespace Ostraven
