#pragma once

#include "cgenericevent.h"

#include "errors/errorroutes.h"

#include <memory>
#include <vector>

namespace Ostraven {

// Parks live events while the operator has suspended scrolling: the newest ones up to the capacity,
// the oldest given up when full, handed back oldest first. It has no slots until SetBufferSize runs
// (the profile load sizes it with MaxLines); until then, and after a size of 0 or below, every Add
// fails, is reported and parks nothing.
class cCircularBuffer
{
public:
    explicit cCircularBuffer(ErrorRoutes &errors) : m_errors(errors) {}

    // Drops whatever is parked.
    void SetBufferSize(qint32 lSize);
    void Add(std::shared_ptr<cGenericEvent> oMessage);
    [[nodiscard]] int Count() const { return m_count; }
    // The oldest parked record, taken out of the count. Callers read only while Count() is above 0;
    // asked with nothing parked it answers a new, empty record and leaves the buffer as it was.
    [[nodiscard]] std::shared_ptr<cGenericEvent> Message();

    [[nodiscard]] qint32 capacity() const { return qint32(m_slots.size()); }

private:
    ErrorRoutes &m_errors;
    std::vector<std::shared_ptr<cGenericEvent>> m_slots;
    qint32 m_head = -1;
    qint32 m_tail = 0;
    qint32 m_count = 0;
};

} // namespace Ostraven
