#pragma once

#include <QString>

#include <variant>
#include <vector>

namespace Ostraven {

// A column named by its 1-based index or by its key, as every column operation of the grid accepts.
class ColumnRef
{
public:
    ColumnRef(int index) : m_ref(index) {}
    ColumnRef(QString key) : m_ref(std::move(key)) {}
    ColumnRef(const char *key) : m_ref(QString::fromUtf8(key)) {}

    [[nodiscard]] bool isKey() const { return std::holds_alternative<QString>(m_ref); }
    [[nodiscard]] int index() const { return std::get<int>(m_ref); }
    [[nodiscard]] const QString &key() const { return std::get<QString>(m_ref); }
    [[nodiscard]] QString describe() const;

private:
    std::variant<int, QString> m_ref;
};

struct GridColumn {
    QString key;
    QString header;
    int width = 64;
    bool visible = true;
    QString tag; // free text kept with the column (the viewer keeps its sort-direction mark here)
    int alignment = 0;
    int icon = -1;
};

// The grid's columns. Index order is the order of adding and never changes; the display position
// (1-based) is a separate order the operator and the dialog rearrange. Keys match exactly.
// Unknown indices and keys raise VbError 9, so a caller filling a column that does not exist hears
// about it instead of writing nowhere.
class GridColumnSet
{
public:
    static constexpr int DefaultWidth = 64;

    // width < 0 takes the default width. Raises VbError 457 for a key already in use.
    int add(const QString &key, const QString &header, int alignment = 0, int icon = -1, int width = -1,
            bool visible = true);

    [[nodiscard]] int count() const { return int(m_columns.size()); }
    [[nodiscard]] int indexOf(const ColumnRef &column) const;
    // Raises VbError 9 when there is no such column.
    void require(const ColumnRef &column) const { static_cast<void>(indexOf(column)); }
    // 0 when no column has that key.
    [[nodiscard]] int find(const QString &key) const;
    // The same for a key the caller holds as Latin-1 text, without making a QString of it.
    [[nodiscard]] int find(QLatin1StringView key) const;
    [[nodiscard]] const GridColumn &at(const ColumnRef &column) const { return m_columns[slot(column)]; }

    [[nodiscard]] int position(const ColumnRef &column) const;
    // Moves the column to display position p (1..count); the columns in between shift by one.
    void setPosition(const ColumnRef &column, int position);
    void setHeader(const ColumnRef &column, const QString &header) { m_columns[slot(column)].header = header; }
    void setWidth(const ColumnRef &column, int width);
    void setVisible(const ColumnRef &column, bool visible) { m_columns[slot(column)].visible = visible; }
    void setTag(const ColumnRef &column, const QString &tag) { m_columns[slot(column)].tag = tag; }

    // 1-based column indices in display order, hidden columns included.
    [[nodiscard]] const std::vector<int> &displayOrder() const { return m_displayOrder; }

private:
    [[nodiscard]] std::size_t slot(const ColumnRef &column) const { return std::size_t(indexOf(column) - 1); }

    std::vector<GridColumn> m_columns;
    std::vector<int> m_displayOrder;
};

} // namespace Ostraven
