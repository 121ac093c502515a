#pragma once

#include "gridmodel.h"
#include "gridwidthunit.h"

#include <QJsonObject>
#include <QPixmap>
#include <QTableView>

#include <functional>
#include <vector>

class QHeaderView;

namespace Ostraven {

class GridTableModel;

// The event grid: rows of text cells under a header, whole-row selection, sorting, and a redraw
// switch. Rows and columns are numbered from 1 and columns are found by key; a row or column that
// does not exist raises VbError 9, a value the grid cannot take raises VbError 380.
//
// The data lives in GridModel; the view sees it through GridTableModel, and the header is a
// QHeaderView whose sections mirror GridColumnSet. The operator may resize and drag the sections;
// the new widths and positions are written back to the column set and announced by
// columnLayoutChanged.
//
// Redraw: while the switch is off nothing reaches the screen: row changes are held back from the
// view, and a paint the window system asks for shows the frame kept when the switch went off.
// Switching it on makes exactly one repaint request, so a burst of changes made with the switch off
// is painted once. repaintCount() and paintCount() let the caller prove it. The scroll position the
// grid reports (topRow, cellRect) follows every change at once; the scroll bars follow it when
// redraw is on.
//
// The font is the widget's own (setFont); rows and header follow it. Column widths, as set, read
// back and announced, are in the grid's width unit (GridWidthUnit), not in pixels of that font: the
// header shows them scaled to the font, and a section the operator drags is read back in the unit.
//
// Events are signals. Buttons: 1 left, 2 right, 4 middle. Shift state bits: 1 Shift, 2 Ctrl, 4 Alt.
// x and y are pixels relative to the grid. A press first raises mouseDown, then asks the mouse-down
// handler, if one is set, whether the default selection runs (true: select the pressed row; false:
// keep the current selection). cellClicked follows every press on a cell, whether or not the default
// selection ran. Arrows, Page Up/Down, Home and End move the selected row; Shift extends the
// selection from the anchor when multiSelect is on.
class GridControl : public QTableView
{
    Q_OBJECT

public:
    struct ColumnSpan {
        int column = 0; // 1-based index
        int left = 0;   // viewport pixels, after horizontal scrolling
        int width = 0;
    };

    explicit GridControl(QWidget *parent = nullptr);
    ~GridControl() override;

    // Answers whether the default selection of a press runs: (button, shift, x, y).
    using MouseDownHandler = std::function<bool(int, int, int, int)>;

    [[nodiscard]] const GridModel &gridModel() const { return m_model; }
    [[nodiscard]] GridTableModel *tableModel() const { return m_table; }

    // Rows.
    [[nodiscard]] int rowCount() const { return m_model.rowCount(); }
    // before = 0 adds after the last row; before = n inserts at row n. Returns the new row.
    int addRow(int before = 0);
    void removeRow(int row);
    // Removes every row; the columns and their keys stay.
    void clear();
    [[nodiscard]] int rowHeight(int row) const;
    void setRowHeight(int row, int height);
    // Makes the row as high as its tallest cell text needs.
    void autoHeightRow(int row);
    // A whole new row in one call, as a live event arrives: what addRow (at the top or the bottom),
    // setCellDetails for each of the cells (one set of flags, icon and colours), autoHeightRow and
    // then, when the grid holds more than maxRows rows, removeRow of the row at the other end do one
    // after the other. While drawing is off and a row is trimmed, the trimmed row's storage becomes
    // the new row's, so a grid at its line limit allocates nothing for the row. Columns are checked
    // first (VbError 9, nothing changed); a colour the grid cannot take leaves the row added but
    // empty (VbError 380), as setCellDetails would. Returns the new row as it stands afterwards.
    int addFilledRow(bool atTop, std::span<const GridCellText> cells, int flags, int icon, qint64 backColour,
                     qint64 foreColour, int maxRows);

    // Columns. Index order is the order of adding.
    int addColumn(const QString &key, const QString &header, int alignment = 0, int icon = -1, int width = -1,
                  bool visible = true);
    [[nodiscard]] int columnCount() const { return m_model.columns().count(); }
    [[nodiscard]] QString columnKey(int column) const { return m_model.columns().at(column).key; }
    // Raises VbError 9 for an unknown key; findColumn answers 0 instead.
    [[nodiscard]] int columnIndex(const QString &key) const { return m_model.columns().indexOf(key); }
    [[nodiscard]] int findColumn(const QString &key) const { return m_model.columns().find(key); }
    [[nodiscard]] int findColumn(QLatin1StringView key) const { return m_model.columns().find(key); }
    [[nodiscard]] QString columnHeader(const ColumnRef &column) const { return m_model.columns().at(column).header; }
    void setColumnHeader(const ColumnRef &column, const QString &header);
    [[nodiscard]] int columnPosition(const ColumnRef &column) const { return m_model.columns().position(column); }
    void setColumnPosition(const ColumnRef &column, int position);
    [[nodiscard]] int columnWidth(const ColumnRef &column) const { return m_model.columns().at(column).width; }
    [[nodiscard]] const GridWidthUnit &widthUnit() const { return m_widthUnit; }
    void setColumnWidth(const ColumnRef &column, int width);
    [[nodiscard]] bool columnVisible(const ColumnRef &column) const { return m_model.columns().at(column).visible; }
    void setColumnVisible(const ColumnRef &column, bool visible);
    [[nodiscard]] QString columnTag(const ColumnRef &column) const { return m_model.columns().at(column).tag; }
    void setColumnTag(const ColumnRef &column, const QString &tag);
    [[nodiscard]] int columnAlignment(const ColumnRef &column) const { return m_model.columns().at(column).alignment; }
    [[nodiscard]] int columnIcon(const ColumnRef &column) const { return m_model.columns().at(column).icon; }

    // Cells. Colours are platform colours; -1 means the grid's own. Icons are kept, not drawn: the
    // grid has no image list.
    void setCellDetails(int row, const ColumnRef &column, const QString &text, int flags = CellFlag::SingleLineEllipsis,
                        int icon = -1, qint64 backColour = -1, qint64 foreColour = -1);
    [[nodiscard]] GridCell cell(int row, const ColumnRef &column) const { return m_model.cell(row, column); }
    [[nodiscard]] QString cellText(int row, const ColumnRef &column) const { return m_model.cell(row, column).text; }
    void setCellText(int row, const ColumnRef &column, const QString &text);

    // Selection is per row: every column of a row reads and writes the same state.
    [[nodiscard]] bool cellSelected(int row, const ColumnRef &column) const;
    void setCellSelected(int row, const ColumnRef &column, bool selected);
    // The first selected row; 0 when none is.
    [[nodiscard]] int selectedRow() const { return m_model.selectedRow(); }
    [[nodiscard]] int selectedRowCount() const { return m_model.selectedRowCount(); }
    void clearSelection();

    // Sorting: order values 1 ascending, 2 descending; types 100 number, 102 text, 200 date and time.
    void clearSortKeys() { m_model.clearSortKeys(); }
    void addSortKey(const ColumnRef &column, SortOrder order, SortType type);
    // The platform's numeric codes; raises VbError 380 for any other value.
    void addSortKey(const ColumnRef &column, int orderValue, int sortType);
    [[nodiscard]] const std::vector<SortKey> &sortKeys() const { return m_model.sortKeys(); }
    void sort();

    [[nodiscard]] bool redraw() const { return m_redraw; }
    void setRedraw(bool redraw);
    [[nodiscard]] int repaintCount() const { return m_repaintRequests; }
    [[nodiscard]] int paintCount() const { return m_paintCount; }

    // Scrolls so that the cell is in view (a hidden column only scrolls vertically).
    void ensureVisible(int row, const ColumnRef &column);
    // The first row in view; 0 for an empty grid.
    [[nodiscard]] int topRow() const;

    [[nodiscard]] qint64 backColour() const { return m_backColour; }
    void setBackColour(qint64 colour);
    [[nodiscard]] qint64 foreColour() const { return m_foreColour; }
    void setForeColour(qint64 colour);

    // Display switches. rowMode: the selection highlight spans the whole width of the grid, not
    // only the cells. gridLines: lines between cells. multiSelect: Ctrl and Shift clicks extend the
    // selection. hotTrack: the row under the mouse is tinted.
    [[nodiscard]] bool rowMode() const { return m_rowMode; }
    void setRowMode(bool on);
    [[nodiscard]] bool gridLines() const { return m_gridLines; }
    void setGridLines(bool on);
    [[nodiscard]] bool multiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on) { m_multiSelect = on; }
    [[nodiscard]] bool hotTrack() const { return m_hotTrack; }
    void setHotTrack(bool on);
    [[nodiscard]] bool headerVisible() const { return m_headerVisible; }
    void setHeaderVisible(bool visible);

    [[nodiscard]] const QString &tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Geometry for hit tests: visible columns in display order, and a cell's rectangle in viewport
    // pixels (empty when the cell is out of view or its column hidden).
    [[nodiscard]] std::vector<ColumnSpan> visibleColumnSpans() const;
    [[nodiscard]] QRect cellRect(int row, const ColumnRef &column) const;
    [[nodiscard]] QHeaderView *header() const;
    [[nodiscard]] QRect headerSectionRect(const ColumnRef &column) const;

    // Everything observable, for the host's dump: columns in index order with key, header, position,
    // width, visible and tag; rows with their cells by key, fore colour and selection; the redraw
    // switch, colours, tag and the first sort key (null when there is none).
    [[nodiscard]] QJsonObject dumpState() const;

    void setMouseDownHandler(MouseDownHandler handler) { m_mouseDownHandler = std::move(handler); }

Q_SIGNALS:
    void cellClicked(int row, int column);
    void columnClicked(int column);
    void mouseDown(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    // The operator resized or moved the column's header section (1-based column index).
    void columnLayoutChanged(int column);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void changed();
    void repaintNow();
    // The grid's own state about a removed row: scroll position, anchor, current and hovered row.
    void forgetRemovedRow(int row);
    [[nodiscard]] int autoHeight(int row) const;
    [[nodiscard]] int autoHeight(const GridRow &gridRow) const;
    void keepFrame();
    void syncScrollBars();
    void syncHeader();
    void syncRows(int first, int last);
    void syncSelection();
    void syncRowSelection(int row);
    void setCurrentRow(int row);
    void showSelectionAt(int row);
    void operatorResizedSection(int logical, int oldSize, int newSize);
    void operatorMovedSection(int logical, int oldVisual, int newVisual);
    void applyClickSelection(int row, Qt::KeyboardModifiers modifiers);
    void selectTo(int row, bool extend);
    void scrollRowIntoView(int row);
    [[nodiscard]] int defaultRowHeight() const;
    [[nodiscard]] int lineHeight() const;
    [[nodiscard]] int effectiveRowHeight(int row) const;
    [[nodiscard]] int maxTopIndex() const;
    [[nodiscard]] int rowsPerPage() const;
    [[nodiscard]] int rowAtY(int y) const;
    [[nodiscard]] int columnAtX(int x) const;
    [[nodiscard]] QColor colour(qint64 platformColour) const;

    GridModel m_model;
    GridTableModel *m_table = nullptr;
    GridWidthUnit m_widthUnit;
    MouseDownHandler m_mouseDownHandler;
    bool m_redraw = true;
    bool m_syncing = false; // the grid itself moves the header or the scroll bars
    bool m_grabbing = false;
    QPixmap m_frame;       // the rows as shown when redraw went off
    QPixmap m_headerFrame; // and the header
    // What the last horizontal move of ensureVisible was made for, and the offset it left.
    struct HorizontalFit {
        int logical = -1;
        int sections = 0;
        quint64 geometry = 0;
        int viewWidth = 0;
        int leftOffset = 0;
        friend bool operator==(const HorizontalFit &, const HorizontalFit &) = default;
    };
    quint64 m_sectionGeometry = 0; // counts the header's section changes
    HorizontalFit m_lastFit;
    mutable int m_lineHeight = -1; // -1: not asked since the last change event
    int m_currentRow = 0;
    int m_repaintRequests = 0;
    int m_paintCount = 0;
    int m_topIndex = 0; // 0-based index of the first row in view
    int m_leftOffset = 0;
    int m_anchorRow = 0;
    int m_hoverRow = 0;
    qint64 m_backColour = 0x80000005;
    qint64 m_foreColour = 0x80000008;
    bool m_rowMode = true;
    bool m_gridLines = false;
    bool m_multiSelect = true;
    bool m_hotTrack = false;
    bool m_headerVisible = true;
    QString m_tag;
};

} // namespace Ostraven
