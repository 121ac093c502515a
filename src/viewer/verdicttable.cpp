#include "verdicttable.h"

#include <cstring>

namespace Ostraven {

namespace {

constexpr std::size_t firstCapacity = 64;

std::uint64_t mix(std::uint64_t h, std::uint64_t word, std::uint64_t factor)
{
    h = (h ^ word) * factor;
    return h ^ (h >> 32);
}

} // namespace

std::size_t VerdictTable::hashOf(QStringView address, qint32 number, std::size_t seed)
{
    const char16_t *at = address.utf16();
    qsizetype left = address.size();
    std::uint64_t h = std::uint64_t(seed) ^ (std::uint64_t(std::uint32_t(number)) << 20) ^ std::uint64_t(left);
    h *= 0x9E3779B97F4A7C15ull;
    while (left >= 4) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        h = mix(h, word, 0xff51afd7ed558ccdull);
        at += 4;
        left -= 4;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, at, std::size_t(left) * sizeof(char16_t));
    h = mix(h, tail, 0xc4ceb9fe1a85ec53ull);
    return std::size_t(h ^ (h >> 29));
}

const bool *VerdictTable::find(QStringView address, qint32 number, std::size_t hash) const
{
    if (m_slots.empty())
        return nullptr;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = m_slots[at];
        if (!slot.used)
            return nullptr;
        if (slot.hash == hash && slot.number == number && QStringView(slot.address) == address)
            return &slot.matched;
    }
}

void VerdictTable::insert(const QString &address, qint32 number, std::size_t hash, bool matched)
{
    if (m_size >= entryLimit) {
        m_slots.clear();
        m_size = 0;
    }
    if ((m_size + 1) * 2 > m_slots.size())
        grow();
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    while (m_slots[at].used)
        at = (at + 1) & mask;
    m_slots[at] = Slot{hash, address, number, true, matched};
    ++m_size;
}

void VerdictTable::grow()
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots = std::vector<Slot>(old.empty() ? firstCapacity : old.size() * 2);
    const std::size_t mask = m_slots.size() - 1;
    for (Slot &slot : old) {
        if (!slot.used)
            continue;
        std::size_t at = slot.hash & mask;
        while (m_slots[at].used)
            at = (at + 1) & mask;
        m_slots[at] = std::move(slot);
    }
}

} // namespace Ostraven
