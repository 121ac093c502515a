#pragma once

#include "platform/grid/gridcontrol.h"
#include "platform/localizer/localizer.h"

#include "platform/date.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

namespace Ostraven {

class IntakeSource;
struct RowTexts;
class MPublic;
class cGenericEvent;

// The viewer window: the event grid vGrid filling the client area, the localizer and the timers
// that defer work. Loaded by the module on first reference; loading does not show it, the host does.
class FEvents : public QWidget
{
    Q_OBJECT

public:
    explicit FEvents(MPublic &module);
    ~FEvents() override;

    GridControl *vGrid = nullptr;
    Localizer Localizer1;
    QTimer timerRefresh;
    QTimer tTemp;

    // Runs the load handler; the component calls it once, right after creating the window.
    void load();
    // Runs the close-request and unload handlers as unloading the window does; false when one of
    // them cancelled, and the window stays loaded.
    [[nodiscard]] bool unload();
    // True once unloaded: the window only waits to be deleted.
    [[nodiscard]] bool isUnloaded() const { return m_unloaded; }

    // The window handle the host places the window with.
    [[nodiscard]] qint32 handle();
    void takeFocus();
    void startUserSwitchTimer();

    void Form_Load();
    void Form_Resize();
    void Form_KeyUp(int KeyCode, int Shift);
    void Form_Deactivate();
    void Form_QueryUnload(bool &Cancel, int UnloadMode);
    void Form_Unload(bool &Cancel);
    void timerRefresh_Timer();
    void tTemp_Timer();

    void SetPreferences();

    // One event becomes one row, after routing, admission and the type filter; true when it passed.
    // bRedraw is accepted for the callers' sake and changes nothing.
    bool AddEvent(const QString &lData, bool bRedraw = true);
    bool AddGenericEvent(cGenericEvent &oMsg, bool bRedraw = true);

    [[nodiscard]] static QString FormatDateMS(const Date &d);
    [[nodiscard]] static QString PadMidnight(const QString &s);

    // The column-header string of the grid as it stands: key, caption, position, width and
    // visibility of each column in index order.
    [[nodiscard]] QString columnHeaderString() const;

    // The grid's events.
    void vGrid_CellClick(int Row, int Col);
    void vGrid_MouseDown(int Button, int Shift, int x, int y, bool &bDoDefault);
    void vGrid_MouseUp(int Button, int Shift, int x, int y);
    void vGrid_ColumnClick(int Col);
    [[nodiscard]] bool cellClickedFlag() const { return m_cellClicked; }

    // Look-ups for the event menu: whether the logged event of a type code (0 alarm, 3 transaction,
    // 4 miscellaneous), controller time and description carries a credential, and which credential
    // and door belong to it (outputs unchanged when nothing is found).
    [[nodiscard]] bool pEventHasCredential(qint32 EventType, const QString &sDate = {}, const QString &sDesc = {});
    void pGetPhotoInfo(qint32 EventType, qint32 &lCredID, qint32 &lDoorID, const QString &sDate = {},
                       const QString &sDesc = {});

    [[nodiscard]] int refreshTicks() const { return m_refreshTicks; }
    [[nodiscard]] int switchTicks() const { return m_switchTicks; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void LoadResources();
    [[nodiscard]] bool passesTypeFilter(qint32 eventNumber, const std::function<int()> &requiredIndex) const;
    void insertRow(const RowTexts &texts);
    [[nodiscard]] bool admitAndShow(IntakeSource &event);
    void addDefaultColumns();
    void addColumnsFrom(const QString &columnHeaders);
    [[nodiscard]] bool reloadArchive();
    void saveProfile();
    void copyToClipboard();
    [[nodiscard]] QString GetDoorAddress(const QString &address);

    MPublic &m_module;
    qint64 m_rowColour = 0;
    // The grid columns of the six cell texts (0: not in the layout), found for this many columns.
    std::array<int, 6> m_cellColumns{};
    int m_cellColumnsFor = -1;
    // The date part of the last day a live row's time cell showed.
    Date::DayText m_dayText;
    int m_refreshTicks = 0;
    int m_switchTicks = 0;
    bool m_unloaded = false;
    // Set by a click on a cell, consumed by the next mouse release.
    bool m_cellClicked = false;
};

} // namespace Ostraven
