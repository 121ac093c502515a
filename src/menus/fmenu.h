#pragma once

#include "platform/localizer/localizer.h"

#include <QWidget>

#include <array>
#include <vector>

class QAction;
class QMenu;

namespace Ostraven {

class MPublic;
struct PopupMenuItem;

// The hidden window that carries the viewer's pop-up menu: mnuEvents with the item array
// mnuEventArray, whose first item opens the type filters mnuFilterArray. The menus are real menus
// and actions named after their controls ("mnuEventArray(3)"), so the localizer translates them;
// popping up goes through the desktop, which shows them (or, scripted, answers from its queue).
class FMenu : public QWidget
{
    Q_OBJECT

public:
    static constexpr int eventItemCount = 13;
    static constexpr int filterItemCount = 10;
    // Pop-up ids: an event item answers with its index, a filter item with this plus its index.
    static constexpr int filterItemIdBase = 100;

    explicit FMenu(MPublic &module);
    ~FMenu() override;

    QMenu *mnuEvents = nullptr;
    Ostraven::Localizer Localizer;

    // The members of the control arrays; an index outside the array raises VbError 340.
    [[nodiscard]] QAction *mnuEventArray(int Index) const;
    [[nodiscard]] QAction *mnuFilterArray(int Index) const;

    // Runs the load handler; the module calls it once, right after creating the window.
    void load();
    // Runs the unload handler.
    void unload();

    void Form_Load();
    void Form_Unload();

    // Prepares mnuEvents, pops it up and runs the chosen item before returning, as the viewer's
    // right-button release does.
    void popUp();

    void mnuEvents_Click();
    void mnuEventArray_Click(int Index);
    void mnuFilterArray_Click(int Index);

    // The type code of an event number: 0 alarm, 3 transaction, 4 miscellaneous, 9 any other.
    [[nodiscard]] qint32 GetEventTypeForEventNumber(qint32 EventNumber);

    // An item's own enabled state. Qt reports every hidden action as disabled; the menu keeps the
    // state it was given, so an item made visible again comes back as it was set.
    [[nodiscard]] static bool itemEnabled(const QAction &item);
    static void setItemEnabled(QAction &item, bool enabled);

    // The items as the desktop pops them up, with their current captions and states.
    [[nodiscard]] std::vector<PopupMenuItem> popupItems() const;

private:
    void buildMenus();
    void toggleSuspendScrolling();
    void copyRowsToClipboard();
    void copyAddress();
    void showProperties();
    void displayCredential();

    MPublic &m_module;
    QMenu *m_filterMenu = nullptr;
    std::array<QAction *, eventItemCount> m_eventItems{};
    std::array<QAction *, filterItemCount> m_filterItems{};
};

} // namespace Ostraven
