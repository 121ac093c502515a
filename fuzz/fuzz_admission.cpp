// The admission checks against a filter group: the text-line check, its second-family routine, the
// record check and the address normalisation they share.
//
// Input: the event line (split at ","), then optionally "\n" and filter strings one per line, then
// one byte of switches (bit 0 inclusive group; bits 1-2 pick the check: line, second-family routine,
// record, or all three).

#include "support/fuzzsupport.h"

#include "model/cgenericevent.h"
#include "viewer/eventadmission.h"

#include "platform/variant.h"

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

MPublic &module()
{
    static MPublic *m = FuzzSite::instance().makeModule().release();
    return *m;
}

// The event number a record carries for a text's number field; texts that are no whole number in
// range give a number the band checks do not single out.
qint32 recordNumber(const QString &text)
{
    bool ok = false;
    const qint32 number = text.toInt(&ok);
    return ok ? number : 2100;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    (void)module();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TextAndSwitches input;
    if (!splitInput(data, size, input))
        return 0;
    FuzzSite::instance().reset();
    MPublic &m = module();
    const QStringList lines = input.text.split(QLatin1Char('\n'));
    m.filter.FilterActive = true;
    m.filter.FilterInclusive = input.on(0);
    m.filter.FilterStrings = lines.mid(1);
    EventAdmission admission(m);
    const int which = (input.switches >> 1) & 3;

    const QStringList original = lines.first().split(QLatin1Char(','));
    if (which == 0 || which == 3) {
        QStringList fields = original;
        (void)admission.CheckEvent(fields);
        // Only a leading "$" of the address may be taken away; nothing else of the caller's line changes.
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const bool addressLostDollar = i == 2 && original.at(i).startsWith(QLatin1Char('$'))
                                           && fields.at(i) == original.at(i).mid(1);
            if (fields.at(i) != original.at(i) && !addressLostDollar)
                invariantBroken("the line check changed a field it must leave alone", lines.first());
        }
    }
    if (which == 1 || which == 3) {
        QStringList fields = original;
        (void)admission.CheckEvent(fields, EventAdmission::SecondFamily{});
    }
    if (which == 2 || which == 3) {
        cGenericEvent record;
        record.setAddress(original.value(2));
        record.setEventID(recordNumber(original.value(3)));
        (void)admission.CheckGenericEvent(record);
    }
    // Stripping zeros is idempotent: a stripped address is already in its normal form.
    const QString stripped = admission.StripZeros(original.value(2));
    if (admission.StripZeros(stripped) != stripped)
        invariantBroken("stripping zeros twice changed the address", original.value(2));
    return 0;
}
