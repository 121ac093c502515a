#include "ccircularbuffer.h"

#include "platform/vberror.h"

#include <algorithm>

namespace Ostraven {

void cCircularBuffer::SetBufferSize(qint32 lSize)
{
    m_slots.assign(std::size_t(std::max<qint32>(lSize, 0)), nullptr);
    m_head = -1;
    m_tail = 0;
    m_count = 0;
}

// When full, the slot after the newest is the oldest, so the tail moves there before the new record
// takes the freed slot.
void cCircularBuffer::Add(std::shared_ptr<cGenericEvent> oMessage)
{
    guarded(m_errors, QStringLiteral("cCircularBuffer.Add"), [&] {
        const qint32 slotCount = capacity();
        if (slotCount == 0)
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        ++m_head;
        if (m_head == slotCount)
            m_head = 0;
        if (m_count == slotCount) {
            m_tail = m_head + 1;
            if (m_tail == slotCount)
                m_tail = 0;
        }
        m_slots[std::size_t(m_head)] = std::move(oMessage);
        if (m_count < slotCount)
            ++m_count;
    });
}

std::shared_ptr<cGenericEvent> cCircularBuffer::Message()
{
    if (m_count <= 0 || m_slots.empty())
        return std::make_shared<cGenericEvent>();
    std::shared_ptr<cGenericEvent> oldest = m_slots[std::size_t(m_tail)];
    ++m_tail;
    if (m_tail == capacity())
        m_tail = 0;
    --m_count;
    return oldest ? oldest : std::make_shared<cGenericEvent>();
}

} // namespace Ostraven
