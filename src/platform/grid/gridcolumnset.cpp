#include "gridcolumnset.h"

#include "platform/vberror.h"

#include <algorithm>

namespace Ostraven {

QString ColumnRef::describe() const
{
    return isKey() ? QStringLiteral("\"%1\"").arg(key()) : QString::number(index());
}

int GridColumnSet::add(const QString &key, const QString &header, int alignment, int icon, int width,
                       bool visible)
{
    if (!key.isEmpty() && find(key) != 0) {
        throw VbError(457, QStringLiteral("This key is already associated with an element of this "
                                          "collection: column \"%1\"").arg(key));
    }
    m_columns.push_back(GridColumn{key, header, width < 0 ? DefaultWidth : width, visible, {}, alignment, icon});
    m_displayOrder.push_back(count());
    return count();
}

int GridColumnSet::indexOf(const ColumnRef &column) const
{
    const int index = column.isKey() ? find(column.key()) : column.index();
    if (index < 1 || index > count())
        throw VbError(VbError::SubscriptOutOfRange, QStringLiteral("Subscript out of range: no grid column %1")
                                                         .arg(column.describe()));
    return index;
}

int GridColumnSet::find(const QString &key) const
{
    const auto found = std::find_if(m_columns.begin(), m_columns.end(),
                                    [&key](const GridColumn &column) { return column.key == key; });
    return found == m_columns.end() ? 0 : int(found - m_columns.begin()) + 1;
}

int GridColumnSet::find(QLatin1StringView key) const
{
    const auto found = std::find_if(m_columns.begin(), m_columns.end(),
                                    [key](const GridColumn &column) { return column.key == key; });
    return found == m_columns.end() ? 0 : int(found - m_columns.begin()) + 1;
}

int GridColumnSet::position(const ColumnRef &column) const
{
    const int index = indexOf(column);
    return int(std::find(m_displayOrder.begin(), m_displayOrder.end(), index) - m_displayOrder.begin()) + 1;
}

void GridColumnSet::setPosition(const ColumnRef &column, int newPosition)
{
    const int index = indexOf(column);
    if (newPosition < 1 || newPosition > count()) {
        throw VbError(380, QStringLiteral("Invalid property value: column position %1 (the grid has %2 columns)")
                               .arg(newPosition).arg(count()));
    }
    m_displayOrder.erase(std::find(m_displayOrder.begin(), m_displayOrder.end(), index));
    m_displayOrder.insert(m_displayOrder.begin() + (newPosition - 1), index);
}

void GridColumnSet::setWidth(const ColumnRef &column, int width)
{
    const std::size_t at = slot(column);
    if (width < 0)
        throw VbError(380, QStringLiteral("Invalid property value: column width %1").arg(width));
    m_columns[at].width = width;
}

} // namespace Ostraven
