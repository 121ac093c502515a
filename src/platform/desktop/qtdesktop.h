#pragma once

#include "desktopservices.h"

#include <QPointer>
#include <QWidget>

namespace Ostraven {

// The real desktop: modal Qt dialogs, the system clipboard and the application's cursor. Dialogs are
// centred over the window given as dialog parent, or over the active window when none is given.
class QtDesktop : public DesktopServices
{
public:
    QtDesktop() = default;
    ~QtDesktop() override;

    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    [[nodiscard]] MsgBoxResult messageBox(const MessageBoxRequest &request) override;
    [[nodiscard]] QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void clearClipboard() override;
    void setClipboardText(const QString &text) override;
    [[nodiscard]] QString clipboardText() const override;
    void setBusyCursor(bool busy) override;
    [[nodiscard]] bool busyCursor() const override { return m_busy; }
    [[nodiscard]] std::optional<qint64> pickColour(qint64 initialColour) override;
    [[nodiscard]] std::optional<int> popupMenu(const std::vector<PopupMenuItem> &items) override;
    bool setOwnerWindow(QWidget *dialog, quintptr ownerHandle) override;

private:
    [[nodiscard]] QWidget *dialogParent() const;

    QPointer<QWidget> m_dialogParent;
    bool m_busy = false;
};

} // namespace Ostraven
