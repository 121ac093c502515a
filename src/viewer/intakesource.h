#pragma once

#include "platform/date.h"

#include <QString>

namespace Ostraven {

class MPublic;

// The six cell texts of a row, in the grid's column order: views of texts the source keeps until the
// row is written, so that a live event's texts go into the grid's cells without a string of their own.
struct RowTexts {
    QStringView controllerTime;
    QStringView hostTime;
    QStringView address;
    QStringView id;
    QStringView type;
    QStringView description;
};

// One event on its way to a row, whichever form it came in: a text line (the archive replay and the
// host's text events) or a record (the host's live events). The viewer's one intake pipeline asks each
// question only when the step before has let the event through, so a field that does not convert is
// reported by the step that reads it.
class IntakeSource
{
public:
    virtual ~IntakeSource() = default;

    // Routing and time zones, asked only during an archive replay with routing on.
    [[nodiscard]] virtual bool routingDenied(MPublic &module, qint32 user, qint32 workstation) = 0;
    [[nodiscard]] virtual Date routingTime() = 0;
    // The operator's filter group, asked only while one is active.
    [[nodiscard]] virtual bool admitted(MPublic &module) = 0;
    [[nodiscard]] virtual qint32 eventNumber() = 0;
    // The quick type filter's index a second-family event needs (0: any).
    [[nodiscard]] virtual int requiredTypeIndex() = 0;
    [[nodiscard]] virtual qint64 colour(MPublic &module) = 0;
    // Valid while the source lives and is not asked again.
    [[nodiscard]] virtual RowTexts row() = 0;
};

} // namespace Ostraven
