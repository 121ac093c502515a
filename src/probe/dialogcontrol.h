#pragma once

#include <QJsonObject>
#include <QString>

class QWidget;

namespace Ostraven {

class FCustom;

// The properties dialog as the reference host drives and reads it: each action sets a control as an
// operator would and fires the handler that action fires; the dump shows every control by name.
class DialogControl
{
public:
    explicit DialogControl(FCustom &dialog) : m_dialog(dialog) {}

    // The controls keyed by name ("Command1(0)" for array members), with the dialog's own flags.
    [[nodiscard]] QJsonObject dump() const;

    // Runs one action: "control", "click", "focus", "keypress" or "tab". Raises std::invalid_argument
    // for an action the dialog cannot take (no such control, an index out of range, a wrong field).
    void run(const QJsonObject &command);

private:
    [[nodiscard]] QWidget *control(const QJsonObject &command) const;
    void setControl(const QJsonObject &command);
    void click(const QJsonObject &command);
    void focus(const QJsonObject &command);
    void keypress(const QJsonObject &command);
    void tab(const QJsonObject &command);

    FCustom &m_dialog;
};

} // namespace Ostraven
