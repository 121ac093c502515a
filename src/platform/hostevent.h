#pragma once

#include "date.h"

#include <QString>

namespace Ostraven {

// The host's first-family event record, as its client library hands it to AddNewEvent.
struct HostEventRecord {
    qint32 eventNumber = 0;
    QString address;
    Date hostDate;
    Date controllerDate;
    qint32 typeCode = 0;
    // Comma-separated values: 0 is the description, 6 and 7 the credential numbers of a transaction.
    QString messageText;
};

} // namespace Ostraven
