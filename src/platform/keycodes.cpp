#include "keycodes.h"

#include <array>
#include <utility>

namespace Ostraven {

namespace {

constexpr int firstFunctionKeyCode = KeyCode::F1;

constexpr std::array<std::pair<int, int>, 18> namedKeys{{
    {Qt::Key_Backspace, 8},  {Qt::Key_Tab, 9},       {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},     {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},     {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},      {Qt::Key_Left, 37},     {Qt::Key_Up, 38},     {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},      {Qt::Key_Delete, 46},
}};

} // namespace

int platformKeyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey; // digits and capital letters share their codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return firstFunctionKeyCode + (qtKey - Qt::Key_F1);
    for (const auto &[qt, code] : namedKeys) {
        if (qt == qtKey)
            return code;
    }
    return 0;
}

int qtKeyOf(int platformKeyCode)
{
    if ((platformKeyCode >= '0' && platformKeyCode <= '9') || (platformKeyCode >= 'A' && platformKeyCode <= 'Z'))
        return platformKeyCode;
    if (platformKeyCode >= firstFunctionKeyCode && platformKeyCode < firstFunctionKeyCode + 24)
        return Qt::Key_F1 + (platformKeyCode - firstFunctionKeyCode);
    for (const auto &[qt, code] : namedKeys) {
        if (code == platformKeyCode)
            return qt;
    }
    return Qt::Key_unknown;
}

int platformShiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? ShiftState::Shift : 0) | (modifiers.testFlag(Qt::ControlModifier) ? ShiftState::Ctrl : 0)
           | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

Qt::KeyboardModifiers qtModifiersOf(int shiftState)
{
    Qt::KeyboardModifiers modifiers;
    if (shiftState & 1)
        modifiers |= Qt::ShiftModifier;
    if (shiftState & 2)
        modifiers |= Qt::ControlModifier;
    if (shiftState & 4)
        modifiers |= Qt::AltModifier;
    return modifiers;
}

} // namespace Ostraven
