#pragma once

namespace Ostraven {

class FEvents;
class FMenu;
class FCustom;

// The component's windows as the rest of it reaches them: the viewer, its pop-up menu and the
// customisation dialog, each loaded (its load handler run) on first reference. The component owns
// them (component/componentwindows.h); code in the layers below the windows names them only here,
// so it never includes a window above it.
class Windows
{
public:
    virtual ~Windows() = default;

    [[nodiscard]] virtual FEvents &events() = 0;
    [[nodiscard]] virtual bool isEventsLoaded() const = 0;
    // Unloads the viewer as closing it would; false when its handlers cancelled the unload.
    virtual bool unloadEvents() = 0;

    [[nodiscard]] virtual FMenu &menu() = 0;
    [[nodiscard]] virtual bool isMenuLoaded() const = 0;
    virtual void unloadMenu() = 0;
    // What the viewer asks of its menu: the pop-up at the mouse, and one of the menu's commands.
    virtual void popUpMenu() = 0;
    virtual void runMenuCommand(int index) = 0;

    // Opens the customisation dialog on its filters tab or on its general tab.
    virtual void showCustomDialog(bool openOnFilters) = 0;
    [[nodiscard]] virtual FCustom &custom() = 0;
    [[nodiscard]] virtual bool isCustomLoaded() const = 0;
    virtual void unloadCustom() = 0;
};

} // namespace Ostraven
