#include "eventadmission.h"

#include "model/cgenericevent.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/variant.h"

namespace Ostraven {

namespace {

const QString secondFamilyMark = QStringLiteral("ZEKO");
const QString twoBackslashes = QStringLiteral(R"(\\)");

const QString &fieldAt(const QStringList &fields, qsizetype index)
{
    if (index < 0 || index >= fields.size())
        throw VbError::fromNumber(VbError::SubscriptOutOfRange);
    return fields.at(index);
}

// The platform's Split: an empty text has no items at all, so reading its first item fails.
QStringList splitItems(const QString &text)
{
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char(','));
}

void removeDollar(QString &address)
{
    if (address.startsWith(QLatin1Char('$')))
        address.remove(0, 1);
}

bool isNumericText(const QString &text)
{
    return IsNumeric(Variant(text));
}

// The server part of an ordinary address is not compared: "\\" + the rest of the event's address
// must contain "\\" + the rest of the pattern.
bool prefixMatches(const QString &pattern, const QString &address)
{
    const QString patternTail = pattern.mid(pattern.indexOf(QLatin1Char('.')) + 1);
    const QString addressTail = address.mid(address.indexOf(QLatin1Char('.')) + 1);
    return (twoBackslashes + addressTail).contains(twoBackslashes + patternTail);
}

bool anyPrefixMatches(const QStringList &items, qsizetype first, const QString &address)
{
    for (qsizetype i = first; i < items.size(); ++i) {
        if (prefixMatches(items.at(i), address))
            return true;
    }
    return false;
}

// An address criterion matches when any of its patterns does; an event criterion when the number is
// the same text and, if it names addresses, one of them matches.
bool matchesWithPrefix(const QStringList &items, const QString &address, const QString &number)
{
    if (!isNumericText(items.at(0)))
        return anyPrefixMatches(items, 0, address);
    if (items.at(0) != number)
        return false;
    return items.size() == 1 || anyPrefixMatches(items, 1, address);
}

} // namespace

EventAdmission::EventAdmission(MPublic &module) : m_module(module) {}

EventAdmission::Verdict EventAdmission::textPreChecks(QStringList &fields) const
{
    const QString &number = fieldAt(fields, 3);
    // Compared as text, as the archive's lines carry it: the always-shown band is a character range.
    if (number >= QStringLiteral("8700") && number <= QStringLiteral("8799"))
        return Verdict::Admit;
    if (number == QStringLiteral("1020"))
        return Verdict::Refuse;
    removeDollar(fields[2]);
    return Verdict::Undecided;
}

bool EventAdmission::matchesStripped(const QStringList &items, qsizetype first, const QString &address)
{
    for (qsizetype i = first; i < items.size(); ++i) {
        if (address.contains(StripZeros(items.at(i))))
            return true;
    }
    return false;
}

// An empty filter string has no first item and fails here, unlike in the general check.
bool EventAdmission::matchesByContainment(const QStringList &items, const QString &strippedAddress,
                                          const NumberTest &numberMatches)
{
    const QString &first = fieldAt(items, 0);
    if (!isNumericText(first))
        return matchesStripped(items, 0, strippedAddress);
    if (!numberMatches(first))
        return false;
    return items.size() == 1 || matchesStripped(items, 1, strippedAddress);
}

bool EventAdmission::containmentVerdict(const QString &strippedAddress, const NumberTest &numberMatches)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    const QStringList filterStrings = m_module.filter.FilterStrings;
    for (const QString &filter : filterStrings) {
        if (matchesByContainment(splitItems(filter), strippedAddress, numberMatches))
            return inclusive;
    }
    return !inclusive;
}

bool EventAdmission::CheckEvent(QStringList &fields)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    bool result = !inclusive;
    guarded(m_module.errors(), QStringLiteral("FEvents.CheckEvent"), [&] {
        const Verdict verdict = textPreChecks(fields);
        if (verdict != Verdict::Undecided) {
            result = verdict == Verdict::Admit;
            return;
        }
        const QString address = fields.at(2);
        const QString &number = fields.at(3);
        const QStringList filterStrings = m_module.filter.FilterStrings;

        for (const QString &filter : filterStrings) {
            if (filter.contains(secondFamilyMark)) {
                if (address.contains(secondFamilyMark)) {
                    result = CheckEvent(fields, SecondFamily{});
                    return;
                }
                // An exclude group with a second-family criterion lets every first-family event
                // through from here on.
                if (!inclusive) {
                    result = true;
                    return;
                }
                continue;
            }
            if (filter.isEmpty())
                continue;

            if (matchesWithPrefix(splitItems(filter), address, number)) {
                result = inclusive;
                return;
            }
        }
        result = !inclusive;
    });
    return result;
}

bool EventAdmission::CheckEvent(QStringList &fields, SecondFamily)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    bool result = !inclusive;
    guarded(m_module.errors(), QStringLiteral("FEvents.CheckEvent"), [&] {
        const Verdict verdict = textPreChecks(fields);
        if (verdict != Verdict::Undecided) {
            result = verdict == Verdict::Admit;
            return;
        }
        const QString &number = fields.at(3);
        result = containmentVerdict(StripZeros(fields.at(2)), [&](const QString &item) { return item == number; });
    });
    return result;
}

bool EventAdmission::CheckGenericEvent(cGenericEvent &oMsg)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    bool result = !inclusive;
    guarded(m_module.errors(), QStringLiteral("FEvents.CheckGenericEvent"), [&] {
        const qint32 eventId = oMsg.EventID();
        if (eventId >= 8700 && eventId < 8800) {
            result = true;
            return;
        }
        if (eventId == 1020) {
            result = false;
            return;
        }
        if (oMsg.Address().startsWith(QLatin1Char('$')))
            oMsg.setAddress(oMsg.Address().mid(1));

        result = containmentVerdict(StripZeros(oMsg.Address()),
                                    [&](const QString &item) { return CDbl(Variant(item)) == eventId; });
    });
    return result;
}

QString EventAdmission::StripZeros(const QString &s)
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("FEvents.StripZeros"), [&] {
        QStringList parts = s.split(QLatin1Char('.'));
        for (QString &part : parts) {
            if (isNumericText(part))
                part = QString::number(CLng(Variant(part)));
        }
        result = parts.join(QLatin1Char('.'));
    });
    return result;
}

} // namespace Ostraven
