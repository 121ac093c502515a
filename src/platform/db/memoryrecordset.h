#pragma once

#include "connection.h"

#include <QStringList>

#include <vector>

namespace Ostraven {

// A result read in full when the statement ran. Both cursor kinds are served from it; the cursor kind only
// decides what the host's data library allows (going back, counting rows). Reading everything at once keeps
// a recordset valid after its connection has moved on to other statements or has been closed.
class MemoryRecordset : public Recordset
{
public:
    using Row = std::vector<Variant>;

    MemoryRecordset(CursorType cursor, QStringList names, std::vector<Row> rows);

    [[nodiscard]] bool eof() const override;
    void moveNext() override;
    void moveFirst() override;
    void close() override;

    [[nodiscard]] int fieldCount() const override;
    [[nodiscard]] QString fieldName(int index) const override;
    [[nodiscard]] Variant field(int index) const override;
    [[nodiscard]] Variant field(const QString &name) const override;
    [[nodiscard]] qint64 recordCount() const override;

    // The position of the named column (letter case ignored), or -1.
    [[nodiscard]] int indexOf(const QString &name) const;
    [[nodiscard]] const std::vector<Row> &rows() const { return m_rows; }

private:
    void requireOpen() const;

    CursorType m_cursor = CursorType::ForwardOnly;
    QStringList m_names;
    std::vector<Row> m_rows;
    size_t m_position = 0;
    bool m_open = true;
};

} // namespace Ostraven
