#include "componentwindows.h"

#include "customise/fcustom.h"
#include "menus/fmenu.h"
#include "module/mpublic.h"
#include "viewer/fevents.h"

#include "platform/desktop/windowstacking.h"

namespace Ostraven {

ComponentWindows::~ComponentWindows()
{
    delete m_custom.data();
    delete m_menu.data();
    delete m_events.data();
}

void ComponentWindows::attachTo(MPublic &module)
{
    module.attachWindows(std::make_unique<ComponentWindows>(module));
}

FEvents &ComponentWindows::events()
{
    if (!isEventsLoaded()) {
        m_events = new FEvents(m_module);
        m_events->load();
    }
    return *m_events;
}

// A viewer the operator has closed is on its way out (deleted later) and no longer counts as loaded.
bool ComponentWindows::isEventsLoaded() const
{
    return m_events && !m_events->isUnloaded();
}

bool ComponentWindows::unloadEvents()
{
    if (!isEventsLoaded())
        return true;
    if (!m_events->unload())
        return false;
    FEvents *window = m_events;
    m_events = nullptr;
    window->hide();
    window->deleteLater();
    return true;
}

FMenu &ComponentWindows::menu()
{
    if (!m_menu) {
        m_menu = new FMenu(m_module);
        m_menu->load();
    }
    return *m_menu;
}

void ComponentWindows::unloadMenu()
{
    if (!m_menu)
        return;
    FMenu *window = m_menu;
    m_menu = nullptr;
    window->unload();
    window->deleteLater();
}

void ComponentWindows::popUpMenu()
{
    menu().popUp();
}

void ComponentWindows::runMenuCommand(int index)
{
    menu().mnuEventArray_Click(index);
}

// The dialog reads the flag when it opens to pick its first tab; an open dialog is brought forward.
void ComponentWindows::showCustomDialog(bool openOnFilters)
{
    m_module.view.openOnFilters = openOnFilters;
    const bool wasLoaded = isCustomLoaded();
    FCustom &dialog = custom();
    const bool wasVisible = dialog.isVisible();
    dialog.show();
    WindowStacking::bringToFront(dialog);
    if (wasLoaded && wasVisible)
        dialog.Form_Activate();
}

FCustom &ComponentWindows::custom()
{
    if (!m_custom) {
        m_custom = new FCustom(m_module);
        m_custom->load();
    }
    return *m_custom;
}

void ComponentWindows::unloadCustom()
{
    if (!m_custom)
        return;
    FCustom *dialog = m_custom;
    m_custom = nullptr;
    dialog->unload();
    dialog->deleteLater();
}

} // namespace Ostraven
