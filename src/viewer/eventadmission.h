#pragma once

#include <QString>
#include <QStringList>

namespace Ostraven {

class MPublic;
class cGenericEvent;

// The viewer's admission of one event against the profile's filter group (the module's
// FilterInclusive and FilterStrings). Each check answers true to admit; a leading "$" of the
// event's address is removed and written back to the caller's event.
class EventAdmission
{
public:
    // Selects the second family's text check among the two that share the name.
    struct SecondFamily {};

    explicit EventAdmission(MPublic &module);

    // fields: an event text line split at ","; 2 is the address, 3 the event number as text.
    [[nodiscard]] bool CheckEvent(QStringList &fields);
    [[nodiscard]] bool CheckEvent(QStringList &fields, SecondFamily);
    [[nodiscard]] bool CheckGenericEvent(cGenericEvent &oMsg);

    // The address with every numeric part written without leading zeros, so that "\\ZEKO01.002"
    // and "\\ZEKO01.2" compare equal.
    [[nodiscard]] QString StripZeros(const QString &s);

    // The event number a criterion's leading number is compared with: as text (a line's field) or as
    // a value (a record's number).
    struct EventNumber {
        const QString *text = nullptr;
        qint32 value = 0;
    };

private:
    enum class Verdict { Admit, Refuse, Undecided };

    [[nodiscard]] Verdict textPreChecks(QStringList &fields) const;
    // The second family's way, used by the record check for every event: containment of the
    // stripped patterns in the stripped address. The group's strings are taken apart once per group,
    // not once per event.
    [[nodiscard]] bool containmentVerdict(const QString &strippedAddress, const EventNumber &number);
    [[nodiscard]] bool recordVerdict(const QString &address, qint32 eventId);

    MPublic &m_module;
};

} // namespace Ostraven
