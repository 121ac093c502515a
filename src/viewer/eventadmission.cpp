#include "eventadmission.h"
#include "verdicttable.h"

#include "model/cgenericevent.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/variant.h"

#include <QHash>
#include <QHashSeed>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

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

// The work of StripZeros without its error handler: a failure throws.
QString stripZerosOrThrow(const QString &s)
{
    QStringList parts = s.split(QLatin1Char('.'));
    for (QString &part : parts) {
        if (isNumericText(part))
            part = QString::number(CLng(Variant(part)));
    }
    return parts.join(QLatin1Char('.'));
}

std::optional<QString> tryStripZeros(const QString &s)
{
    try {
        return stripZerosOrThrow(s);
    } catch (...) {
        return std::nullopt;
    }
}

// One string of the group, taken apart as the containment check reads it.
struct CompiledFilter {
    QStringList items;
    bool firstNumeric = false;
    std::optional<double> firstValue;           // the first item's value, when it converts
    std::vector<std::optional<QString>> stripped; // each item without leading zeros; none when that fails
};

struct CompiledGroup {
    QStringList source;
    std::vector<CompiledFilter> filters;
    // Whether every string took apart without a failure: only then is an answer the same each time
    // (a failure is reported by every event that meets it), and remembered in matches.
    bool reliable = true;
    // Whether a record's address (as the check reads it) and number match one of the strings.
    mutable VerdictTable matches;
};

CompiledFilter compileFilter(const QString &filter)
{
    CompiledFilter compiled;
    compiled.items = splitItems(filter);
    if (compiled.items.isEmpty())
        return compiled;
    compiled.firstNumeric = isNumericText(compiled.items.at(0));
    if (compiled.firstNumeric) {
        try {
            compiled.firstValue = CDbl(Variant(compiled.items.at(0)));
        } catch (...) {
        }
    }
    compiled.stripped.reserve(std::size_t(compiled.items.size()));
    for (const QString &item : compiled.items)
        compiled.stripped.push_back(tryStripZeros(item));
    return compiled;
}

// The group last asked for on this thread. The group's strings change only when the operator's filter
// group is applied; the list kept here shares its data with the module's, so the comparison costs
// nothing until the module's list is replaced or changed (which gives it new data).
// The answer refers to the thread's own pointer, replaced by the next call for other strings: a
// caller that may run other code before it is done with the group keeps a copy.
const std::shared_ptr<const CompiledGroup> &compiledGroup(const QStringList &strings)
{
    thread_local std::shared_ptr<const CompiledGroup> last;
    if (!last || last->source != strings) {
        auto group = std::make_shared<CompiledGroup>();
        group->source = strings;
        group->filters.reserve(std::size_t(strings.size()));
        for (const QString &filter : strings) {
            CompiledFilter compiled = compileFilter(filter);
            const bool stripped = std::all_of(compiled.stripped.begin(), compiled.stripped.end(),
                                              [](const std::optional<QString> &item) { return item.has_value(); });
            group->reliable = group->reliable && !compiled.items.isEmpty() && stripped
                              && (!compiled.firstNumeric || compiled.firstValue);
            group->filters.push_back(std::move(compiled));
        }
        last = std::move(group);
    }
    return last;
}

// StripZeros of an address, remembered: live events come from a few hundred addresses. Nothing when
// stripping fails, which the caller reports.
std::optional<QString> knownStripped(const QString &address)
{
    thread_local QHash<QString, QString> known;
    if (const auto found = known.constFind(address); found != known.constEnd())
        return *found;
    std::optional<QString> stripped = tryStripZeros(address);
    if (!stripped)
        return std::nullopt;
    // Bounded, so that a stream of ever new addresses cannot grow it without end.
    if (known.size() >= 4096)
        known.clear();
    known.insert(address, *stripped);
    return stripped;
}

// Whether one of the group's strings matches: the second family's containment of the stripped
// patterns in the stripped address.
bool groupMatches(EventAdmission &admission, const CompiledGroup &group, const QString &strippedAddress,
                  const EventAdmission::EventNumber &number)
{
    // An item whose stripping fails is stripped again here, so that the failure is reported as it
    // always was (and its empty result is contained in every address).
    auto matchesStripped = [&](const CompiledFilter &filter, qsizetype first) {
        for (qsizetype i = first; i < filter.items.size(); ++i) {
            const std::optional<QString> &item = filter.stripped[std::size_t(i)];
            if (strippedAddress.contains(item ? *item : admission.StripZeros(filter.items.at(i))))
                return true;
        }
        return false;
    };
    auto numberMatches = [&](const CompiledFilter &filter) {
        if (number.text)
            return filter.items.at(0) == *number.text;
        if (filter.firstValue)
            return *filter.firstValue == number.value;
        return CDbl(Variant(filter.items.at(0))) == number.value;
    };
    for (const CompiledFilter &filter : group.filters) {
        // An empty filter string has no first item and fails here, unlike in the general check.
        (void)fieldAt(filter.items, 0);
        if (!filter.firstNumeric) {
            if (matchesStripped(filter, 0))
                return true;
        } else if (numberMatches(filter) && (filter.items.size() == 1 || matchesStripped(filter, 1))) {
            return true;
        }
    }
    return false;
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

bool EventAdmission::containmentVerdict(const QString &strippedAddress, const EventNumber &number)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    const std::shared_ptr<const CompiledGroup> group = compiledGroup(m_module.filter.FilterStrings);
    return groupMatches(*this, *group, strippedAddress, number) ? inclusive : !inclusive;
}

// A record's answer depends only on its address, its number and the group, unless something fails on
// the way; the answers without a failure are remembered per group.
bool EventAdmission::recordVerdict(const QString &address, qint32 eventId)
{
    const bool inclusive = m_module.filter.FilterInclusive;
    static const std::size_t seed = QHashSeed::globalSeed();
    const std::size_t hash = VerdictTable::hashOf(address, eventId, seed);
    // A remembered answer is only looked up, so the group need not be held for it.
    if (const CompiledGroup &current = *compiledGroup(m_module.filter.FilterStrings); current.reliable) {
        if (const bool *found = current.matches.find(address, eventId, hash))
            return *found ? inclusive : !inclusive;
    }
    // Matching may report a failure, and whatever runs meanwhile may apply another group.
    const std::shared_ptr<const CompiledGroup> group = compiledGroup(m_module.filter.FilterStrings);
    const std::optional<QString> stripped = knownStripped(address);
    const bool matched = groupMatches(*this, *group, stripped ? *stripped : StripZeros(address), EventNumber{nullptr, eventId});
    if (group->reliable && stripped && !group->matches.find(address, eventId, hash))
        group->matches.insert(address, eventId, hash, matched);
    return matched ? inclusive : !inclusive;
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
        result = containmentVerdict(StripZeros(fields.at(2)), EventNumber{&fields.at(3), 0});
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

        result = recordVerdict(oMsg.Address(), eventId);
    });
    return result;
}

QString EventAdmission::StripZeros(const QString &s)
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("FEvents.StripZeros"), [&] { result = stripZerosOrThrow(s); });
    return result;
}

} // namespace Ostraven
