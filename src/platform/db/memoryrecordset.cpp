#include "memoryrecordset.h"

#include "dberror.h"

namespace Ostraven {

MemoryRecordset::MemoryRecordset(CursorType cursor, QStringList names, std::vector<Row> rows)
    : m_cursor(cursor), m_names(std::move(names)), m_rows(std::move(rows))
{
}

void MemoryRecordset::requireOpen() const
{
    if (!m_open)
        throw DbError::closed();
}

bool MemoryRecordset::eof() const
{
    requireOpen();
    return m_position >= m_rows.size();
}

void MemoryRecordset::moveNext()
{
    if (eof())
        throw DbError::noCurrentRecord();
    ++m_position;
}

void MemoryRecordset::moveFirst()
{
    requireOpen();
    if (m_cursor == CursorType::ForwardOnly && m_position != 0)
        throw DbError::cannotFetchBackwards();
    m_position = 0;
}

void MemoryRecordset::close()
{
    requireOpen();
    m_open = false;
    m_rows.clear();
}

int MemoryRecordset::fieldCount() const
{
    requireOpen();
    return int(m_names.size());
}

QString MemoryRecordset::fieldName(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_names.size())
        throw DbError::itemNotFound(QString::number(index));
    return m_names.at(index);
}

int MemoryRecordset::indexOf(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Variant MemoryRecordset::field(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_names.size())
        throw DbError::itemNotFound(QString::number(index));
    if (m_position >= m_rows.size())
        throw DbError::noCurrentRecord();
    return m_rows[m_position][size_t(index)];
}

Variant MemoryRecordset::field(const QString &name) const
{
    requireOpen();
    const int index = indexOf(name);
    if (index < 0)
        throw DbError::itemNotFound(name);
    return field(index);
}

qint64 MemoryRecordset::recordCount() const
{
    requireOpen();
    return m_cursor == CursorType::Static ? qint64(m_rows.size()) : -1;
}

} // namespace Ostraven
