// Date texts: the parser, the conversion the component uses everywhere (CDate, IsDate), the repair
// of date texts of uncertain form (CleanDateStr), the default text form and Format patterns.
//
// Input: a date text. The same bytes, read as a number, are also tried as a date serial, so the
// formatting sees dates from the whole range.

#include "support/fuzzsupport.h"

#include "module/mpublic.h"
#include "viewer/fevents.h"

#include "platform/date.h"
#include "platform/variant.h"
#include "platform/vberror.h"

#include <cstring>

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

void checkDate(const Date &date, const QString &source)
{
    // The default form drops the milliseconds and reads back as the same date otherwise.
    const QString shown = date.toString();
    const std::optional<Date> reread = Date::parse(shown);
    if (!reread)
        invariantBroken("a date's default form does not read back", source + QStringLiteral(" -> ") + shown);
    const Date whole = date.addMilliseconds(-date.millisecond());
    if (reread->toString() != shown || reread->millisecondsOfDay() != whole.millisecondsOfDay())
        invariantBroken("a date's default form reads back as another date", source + QStringLiteral(" -> ") + shown);
    (void)date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss.000 dddd mmmm AM/PM"));
    (void)date.weekday();
    (void)FEvents::FormatDateMS(date);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textOf(data, size);

    const std::optional<Date> parsed = Date::parse(text);
    if (IsDate(Variant(text)) != parsed.has_value())
        invariantBroken("IsDate and the parser disagree", text);
    try {
        const Date converted = CDate(Variant(text));
        if (!parsed || converted != *parsed)
            invariantBroken("CDate and the parser disagree", text);
    } catch (const VbError &) {
        if (parsed)
            invariantBroken("CDate refused a text the parser reads", text);
    }
    if (parsed)
        checkDate(*parsed, text);

    const QString cleaned = MPublic::CleanDateStr(text);
    if (!cleaned.isEmpty() && !IsDate(Variant(cleaned)))
        invariantBroken("CleanDateStr gave a text that is no date", text + QStringLiteral(" -> ") + cleaned);
    (void)FEvents::PadMidnight(cleaned);

    // A serial from the same bytes, through the conversion that guards the platform's date range.
    if (size >= sizeof(double)) {
        double serial = 0;
        std::memcpy(&serial, data, sizeof serial);
        try {
            checkDate(CDate(Variant(serial)), QString::number(serial, 'g', 17));
        } catch (const VbError &) {
        }
    }
    return 0;
}
