#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ostraven {

// Remembered yes/no answers by address and event number, for the filter group's check of live
// records. Every live event asks once, so a lookup takes the caller's address as it is, without
// copying it into a key, and hashes it with a cheap mix of eight bytes at a time instead of the
// general string hash. Open addressing over a power-of-two table kept at most half full; the table
// grows by doubling up to the entry limit and is emptied when the limit is reached, so a stream of
// ever new addresses cannot grow it without end.
class VerdictTable
{
public:
    static constexpr std::size_t entryLimit = 4096;

    // The hash find and insert expect for an address and number; seed varies it per process.
    [[nodiscard]] static std::size_t hashOf(QStringView address, qint32 number, std::size_t seed);

    // The remembered answer, or nullptr.
    [[nodiscard]] const bool *find(QStringView address, qint32 number, std::size_t hash) const;
    // Remembers an answer for a key not yet in the table; empties the table first when it holds
    // entryLimit entries.
    void insert(const QString &address, qint32 number, std::size_t hash, bool matched);

    [[nodiscard]] std::size_t size() const { return m_size; }

private:
    struct Slot {
        std::size_t hash = 0;
        QString address;
        qint32 number = 0;
        bool used = false;
        bool matched = false;
    };

    void grow();

    std::vector<Slot> m_slots; // empty or a power of two
    std::size_t m_size = 0;
};

} // namespace Ostraven
