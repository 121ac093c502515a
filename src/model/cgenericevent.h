#pragma once

#include "colourslots.h"

#include "platform/date.h"

#include <QString>

namespace Ostraven {

// The one in-memory form of a live event: filled by the intake, parked by the ring buffer, read by
// the admission checks and turned into a grid row. Records travel as shared pointers because the
// ring buffer and the viewer hand the same record on.
class cGenericEvent
{
public:
    [[nodiscard]] const QString &Address() const { return m_address; }
    void setAddress(const QString &value) { m_address = value; }

    [[nodiscard]] qint32 EventID() const { return m_eventID; }
    void setEventID(qint32 value) { m_eventID = value; }

    [[nodiscard]] qint32 CredID1() const { return m_credID1; }
    void setCredID1(qint32 value) { m_credID1 = value; }

    [[nodiscard]] qint32 CredID2() const { return m_credID2; }
    void setCredID2(qint32 value) { m_credID2 = value; }

    [[nodiscard]] qint32 ZEKOEventSubType() const { return m_zekoEventSubType; }
    void setZEKOEventSubType(qint32 value) { m_zekoEventSubType = value; }

    [[nodiscard]] qint32 HostID1() const { return m_hostID1; }
    void setHostID1(qint32 value) { m_hostID1 = value; }

    [[nodiscard]] qint32 HostID2() const { return m_hostID2; }
    void setHostID2(qint32 value) { m_hostID2 = value; }

    [[nodiscard]] bool ReportAsAlarm() const { return m_reportAsAlarm; }
    void setReportAsAlarm(bool value) { m_reportAsAlarm = value; }

    [[nodiscard]] qint32 EventType() const { return m_eventType; }
    void setEventType(qint32 value) { m_eventType = value; }

    // The row's text colour: a slot value, or the button-face system colour for types without a
    // class. The slots are passed in rather than copied so that a colour change reaches every later
    // row.
    [[nodiscard]] qint64 Color(const ColourSlots &slots) const;

    [[nodiscard]] const QString &Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }

    [[nodiscard]] Date EventDate() const { return m_eventDate; }
    void setEventDate(Date value) { m_eventDate = value; }

    [[nodiscard]] Date HostDate() const { return m_hostDate; }
    void setHostDate(Date value) { m_hostDate = value; }

    // The category text of a type code; empty for codes without one.
    [[nodiscard]] static QString GetEventDescription(qint32 lEventType);

private:
    QString m_address;
    qint32 m_eventID = 0;
    qint32 m_credID1 = 0;
    qint32 m_credID2 = 0;
    qint32 m_zekoEventSubType = 0;
    qint32 m_hostID1 = 0;
    qint32 m_hostID2 = 0;
    bool m_reportAsAlarm = false;
    qint32 m_eventType = 0;
    QString m_description;
    Date m_eventDate;
    Date m_hostDate;
};

} // namespace Ostraven
