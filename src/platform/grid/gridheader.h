#pragma once

#include <QPixmap>
#include <QWidget>

namespace Ostraven {

class GridControl;

// The column header strip above the grid's rows. It draws the grid's visible columns in display
// order, follows the grid's horizontal scrolling and redraw switch, and reports a click (press and
// release on the same column) to the grid.
class GridHeader : public QWidget
{
    Q_OBJECT

public:
    explicit GridHeader(GridControl *grid);

    // 1-based column index under x (header pixels); 0 for none.
    [[nodiscard]] int columnAt(int x) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void render(QPainter &painter) const;

    GridControl *m_grid = nullptr;
    QPixmap m_frame;
    int m_pressedColumn = 0;
};

} // namespace Ostraven
