#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <utility>
#include <vector>

namespace Ostraven {

// The probe interface: what the reference host and the acceptance tests read of a running
// component (its windows, grid, shared state and menus as one JSON object) and the operator's hand on
// its grid, menus and dialog for drivers without a mouse. Not part of the host's contract: only a
// component built with the probe (OSTRAVEN_PROBE, the default for development builds) answers
// it; the shipped one does not.
class EventProbe
{
public:
    static inline const QUuid IID{QStringLiteral("{2f5d8c3e-97a1-4b6e-8c2d-5a4e1b0f9d62}")};

    virtual ~EventProbe() = default;
    [[nodiscard]] virtual QByteArray snapshotJson() = 0;
    // The error report's log file.
    [[nodiscard]] virtual QString errorLogPath() = 0;
    // A comma-separated event line handed to the viewer's row insertion, as the archive replay does.
    virtual bool addEventLine(const QString &line) = 0;
    // Brings the scroll-suspended flag to the state given, through the event menu's toggle.
    virtual void setScrollSuspended(bool suspended) = 0;

    // The operator's hand on the viewer's grid and menus, for drivers without a mouse. Points are
    // grid pixels from its top-left corner; a press or release there is handled as the grid handles
    // a real one (its own events follow). Bad rows, columns, keys and items raise VbError 9.
    virtual void selectGridRows(const std::vector<int> &rows) = 0;
    virtual void clickGridCell(int row, int column) = 0;
    virtual void pressGridMouse(int button, int shift, int x, int y) = 0;
    virtual void releaseGridMouse(int button, int shift, int x, int y) = 0;
    virtual void clickGridColumn(const QString &key) = 0;
    // The centre of a cell in view, in grid pixels.
    [[nodiscard]] virtual std::pair<int, int> gridCellPoint(int row, int column) = 0;
    // Runs an item of the event menu or of its type-filter submenu as choosing it does.
    virtual void runEventMenuItem(int index) = 0;
    virtual void runFilterMenuItem(int index) = 0;
    // One operator action on the properties dialog ("control", "click", "focus", "keypress", "tab");
    // the reason when it cannot be carried out, else the empty text.
    [[nodiscard]] virtual QString runDialogAction(const QByteArray &commandJson) = 0;
};

} // namespace Ostraven
