#pragma once

#include "module/windows.h"

#include <QPointer>

namespace Ostraven {

class MPublic;

// Owns the component's three windows. Each is made and loaded on first reference and deleted once
// control is back in the event loop after it has been unloaded, because the unload usually starts
// inside one of its own handlers. The pointers are guarded: a window the operator closed, or one Qt
// deleted, reads as not loaded instead of dangling.
class ComponentWindows final : public Windows
{
public:
    explicit ComponentWindows(MPublic &module) : m_module(module) {}
    ~ComponentWindows() override;

    // Gives the module its windows; every module the component (or a test) makes gets them this way.
    static void attachTo(MPublic &module);

    ComponentWindows(const ComponentWindows &) = delete;
    ComponentWindows &operator=(const ComponentWindows &) = delete;

    [[nodiscard]] FEvents &events() override;
    [[nodiscard]] bool isEventsLoaded() const override;
    bool unloadEvents() override;

    [[nodiscard]] FMenu &menu() override;
    [[nodiscard]] bool isMenuLoaded() const override { return !m_menu.isNull(); }
    void unloadMenu() override;
    void popUpMenu() override;
    void runMenuCommand(int index) override;

    void showCustomDialog(bool openOnFilters) override;
    [[nodiscard]] FCustom &custom() override;
    [[nodiscard]] bool isCustomLoaded() const override { return !m_custom.isNull(); }
    void unloadCustom() override;

private:
    MPublic &m_module;
    QPointer<FEvents> m_events;
    QPointer<FMenu> m_menu;
    QPointer<FCustom> m_custom;
};

} // namespace Ostraven
