#include "gridrowstore.h"

#include <algorithm>
#include <utility>

namespace Ostraven {

void GridRowStore::makeRoom()
{
    if (m_size < m_slots.size())
        return;
    std::vector<GridRow> slots(std::max<std::size_t>(16, m_slots.size() * 2));
    for (std::size_t i = 0; i < m_size; ++i)
        slots[i] = std::move(m_slots[slot(i)]);
    m_slots = std::move(slots);
    m_head = 0;
}

GridRow &GridRowStore::pushFront()
{
    makeRoom();
    m_head = m_head == 0 ? m_slots.size() - 1 : m_head - 1;
    ++m_size;
    return m_slots[m_head];
}

GridRow &GridRowStore::pushBack()
{
    makeRoom();
    ++m_size;
    return m_slots[slot(m_size - 1)];
}

GridRow &GridRowStore::insert(std::size_t position)
{
    if (position == 0)
        return pushFront();
    if (position >= m_size)
        return pushBack();
    pushBack();
    for (std::size_t i = m_size - 1; i > position; --i)
        at(i) = std::move(at(i - 1));
    at(position) = GridRow{};
    return at(position);
}

// The nearer end moves up by one, so trimming at either end costs nothing per remaining row. The
// freed slot gives its memory back: only recycling keeps a row's storage.
void GridRowStore::erase(std::size_t position)
{
    if (position >= m_size)
        return;
    if (position < m_size / 2) {
        for (std::size_t i = position; i > 0; --i)
            at(i) = std::move(at(i - 1));
        at(0) = GridRow{};
        m_head = slot(1);
    } else {
        for (std::size_t i = position; i + 1 < m_size; ++i)
            at(i) = std::move(at(i + 1));
        at(m_size - 1) = GridRow{};
    }
    --m_size;
}

void GridRowStore::clear()
{
    m_slots.clear();
    m_head = 0;
    m_size = 0;
}

GridRow &GridRowStore::recycleFrontToBack()
{
    // The slot after the last row is free (or, in a full ring, the first row's own slot).
    std::swap(m_slots[m_head], m_slots[slot(m_size)]);
    m_head = slot(1);
    return emptied(at(m_size - 1));
}

GridRow &GridRowStore::recycleBackToFront()
{
    const std::size_t head = m_head == 0 ? m_slots.size() - 1 : m_head - 1;
    std::swap(m_slots[head], m_slots[slot(m_size - 1)]);
    m_head = head;
    return emptied(at(0));
}

GridRow &GridRowStore::emptied(GridRow &row)
{
    row.selected = false;
    row.height = 0;
    return row;
}

void GridRowStore::permute(const std::vector<std::size_t> &order)
{
    std::vector<GridRow> reordered;
    reordered.reserve(order.size());
    for (const std::size_t from : order)
        reordered.push_back(std::move(at(from)));
    m_slots = std::move(reordered);
    m_head = 0;
    m_size = m_slots.size();
}

} // namespace Ostraven
