#pragma once

#include "sqldriver.h"

#include <QHashFunctions>
#include <QString>

#include <memory>
#include <unordered_map>

namespace Ostraven {

struct TextHash {
    size_t operator()(const QString &text) const { return qHash(text); }
};

// Prepared statements kept by the statement text that produced them, so that a text the viewer sends
// again costs a reset instead of a lexer pass, a dialect rewrite and a compile. Bounded: when a new
// statement needs room, the one unused for longest is finalized.
//
// A statement is lent for one run and is never lent twice at once: a caller that meets a statement
// already out on loan gets its own, which is finalized when that run ends. Every loan ends with the
// statement reset and its bindings cleared, so the next run starts before the first row with nothing
// bound. (Recordsets hold copies of their rows, so no statement is still being read after its run.)
class StatementCache
{
    struct Entry {
        DriverStatementPtr statement;
        quint64 lastUse = 0;
        bool lent = false;
    };

public:
    static constexpr size_t defaultCapacity = 96;

    class Loan
    {
    public:
        Loan() = default;
        Loan(Loan &&other) noexcept;
        Loan &operator=(Loan &&) = delete;
        ~Loan();

        [[nodiscard]] DriverStatement *get() const;
        explicit operator bool() const { return get() != nullptr; }

    private:
        friend class StatementCache;
        Loan(Entry *entry, DriverStatementPtr own);

        Entry *m_entry = nullptr;
        DriverStatementPtr m_own; // a statement the cache does not keep
    };

    explicit StatementCache(size_t capacity = defaultCapacity) : m_capacity(capacity) {}

    // The statement kept for text, lent for one run; an empty loan when there is none to lend.
    [[nodiscard]] Loan borrow(const QString &text);
    // Keeps statement (prepared from text) for later runs and lends it for this one.
    [[nodiscard]] Loan keep(const QString &text, DriverStatementPtr statement);
    // Finalizes every statement not out on loan.
    void clear();
    [[nodiscard]] size_t size() const { return m_entries.size(); }

private:
    void makeRoom();

    size_t m_capacity;
    quint64 m_clock = 0;
    std::unordered_map<QString, Entry, TextHash> m_entries;
};

} // namespace Ostraven
