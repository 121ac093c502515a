#pragma once

#include <Qt>

namespace Ostraven {

// The platform's virtual key codes and shift-state bits (1 Shift, 2 Ctrl, 4 Alt), which the windows'
// key handlers are written against, converted from and to Qt's.
[[nodiscard]] int platformKeyCode(int qtKey);
[[nodiscard]] int qtKeyOf(int platformKeyCode);
[[nodiscard]] int platformShiftState(Qt::KeyboardModifiers modifiers);
[[nodiscard]] Qt::KeyboardModifiers qtModifiersOf(int shiftState);

} // namespace Ostraven
