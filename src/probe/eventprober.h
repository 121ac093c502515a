#pragma once

#include "eventprobe.h"

#include <memory>

namespace Ostraven {

class MPublic;

// The probe interface over one component's shared module: the snapshot the host dumps, and the
// grid, menus and dialog driven as the operator would drive them.
class EventProber final : public EventProbe
{
public:
    explicit EventProber(std::shared_ptr<MPublic> module);

    QByteArray snapshotJson() override;
    QString errorLogPath() override;
    bool addEventLine(const QString &line) override;
    void setScrollSuspended(bool suspended) override;
    void selectGridRows(const std::vector<int> &rows) override;
    void clickGridCell(int row, int column) override;
    void pressGridMouse(int button, int shift, int x, int y) override;
    void releaseGridMouse(int button, int shift, int x, int y) override;
    void clickGridColumn(const QString &key) override;
    std::pair<int, int> gridCellPoint(int row, int column) override;
    void runEventMenuItem(int index) override;
    void runFilterMenuItem(int index) override;
    QString runDialogAction(const QByteArray &commandJson) override;

private:
    std::shared_ptr<MPublic> m_module;
};

} // namespace Ostraven
