#pragma once

#include <QString>

#include <cstddef>

namespace Ostraven {

class MPublic;

// The viewer window's colouring of events that arrive as text lines (the archive replay): the event
// number picks a class and the class a colour slot. Live records colour themselves; the second
// family goes through the same record colouring here, with its type and alarm flag from the
// module's definition cache.
class EventColouring
{
public:
    explicit EventColouring(MPublic &module) : m_module(module) {}

    // The row's text colour; 0 when the class could not be decided (the failure is reported).
    [[nodiscard]] qint64 AssignColor(qint32 eventNumber, const QString &category);

private:
    [[nodiscard]] qint64 slot(std::size_t index) const;
    [[nodiscard]] qint64 integratedEventColour(qint32 eventNumber);
    [[nodiscard]] qint64 secondFamilyColour(qint32 eventNumber, const QString &category);

    MPublic &m_module;
};

} // namespace Ostraven
