#pragma once

class QWidget;

namespace Ostraven {

// Bringing a top-level window in front of the others. Platforms without a window stack (offscreen,
// minimal: tests, headless hosts, screenshots) answer a raise with a notice on standard error and do
// nothing else, so there the window is only activated.
class WindowStacking
{
public:
    static void bringToFront(QWidget &window);

    // Whether the running platform stacks windows at all.
    [[nodiscard]] static bool platformStacksWindows();
};

} // namespace Ostraven
