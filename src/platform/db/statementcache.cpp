#include "statementcache.h"

#include <algorithm>

namespace Ostraven {

StatementCache::Loan::Loan(Entry *entry, DriverStatementPtr own) : m_entry(entry), m_own(std::move(own))
{
    if (m_entry)
        m_entry->lent = true;
}

StatementCache::Loan::Loan(Loan &&other) noexcept
    : m_entry(std::exchange(other.m_entry, nullptr)), m_own(std::move(other.m_own))
{
}

StatementCache::Loan::~Loan()
{
    if (!m_entry)
        return;
    m_entry->statement->reset();
    m_entry->lent = false;
}

DriverStatement *StatementCache::Loan::get() const
{
    return m_entry ? m_entry->statement.get() : m_own.get();
}

StatementCache::Loan StatementCache::borrow(const QString &text)
{
    const auto found = m_entries.find(text);
    if (found == m_entries.end() || found->second.lent)
        return {};
    found->second.lastUse = ++m_clock;
    return Loan(&found->second, nullptr);
}

StatementCache::Loan StatementCache::keep(const QString &text, DriverStatementPtr statement)
{
    if (m_entries.contains(text))
        return Loan(nullptr, std::move(statement)); // the kept one is out on loan
    makeRoom();
    Entry &entry = m_entries[text];
    entry.statement = std::move(statement);
    entry.lastUse = ++m_clock;
    return Loan(&entry, nullptr);
}

// Finding the oldest by a scan costs far less than the compile that comes with every new entry.
void StatementCache::makeRoom()
{
    while (m_entries.size() >= m_capacity) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (!it->second.lent && (oldest == m_entries.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        }
        if (oldest == m_entries.end())
            return; // all out on loan: the cache grows past its bound for the moment
        m_entries.erase(oldest);
    }
}

void StatementCache::clear()
{
    std::erase_if(m_entries, [](const auto &entry) { return !entry.second.lent; });
}

} // namespace Ostraven
