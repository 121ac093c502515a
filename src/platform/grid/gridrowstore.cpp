#include "gridrowstore.h"

#include <iterator>

namespace Ostraven {

GridRow &GridRowStore::insert(std::size_t position)
{
    if (position == 0)
        return pushFront();
    if (position >= m_rows.size())
        return pushBack();
    return *m_rows.emplace(m_rows.begin() + std::ptrdiff_t(position));
}

void GridRowStore::erase(std::size_t position)
{
    if (position >= m_rows.size())
        return;
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(position));
}

void GridRowStore::permute(const std::vector<std::size_t> &order)
{
    std::deque<GridRow> reordered;
    for (const std::size_t from : order)
        reordered.push_back(std::move(m_rows[from]));
    m_rows = std::move(reordered);
}

} // namespace Ostraven
