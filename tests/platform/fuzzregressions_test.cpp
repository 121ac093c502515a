#include "platform/date.h"
#include "platform/variant.h"
#include "platform/vberror.h"

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

// Date serials the fuzz target converted, kept so the ordinary suite catches the fault again. A
// serial either converts to a date whose default form reads back, or is refused with Overflow.
struct SerialCase {
    const char *name;
    double serial;
    const char *shown; // nullptr: refused
};

class DateSerialFuzzRegression : public ::testing::TestWithParam<SerialCase>
{};

TEST_P(DateSerialFuzzRegression, ConvertsToAReadableDateOrIsRefused)
{
    const SerialCase &c = GetParam();
    if (!c.shown) {
        try {
            (void)CDate(Variant(c.serial));
            FAIL() << "converted";
        } catch (const VbError &error) {
            EXPECT_EQ(error.number(), VbError::Overflow);
        }
        return;
    }
    const Date date = CDate(Variant(c.serial));
    EXPECT_EQ(date.toString(), QString::fromLatin1(c.shown));
    const std::optional<Date> reread = Date::parse(date.toString());
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(reread->toString(), date.toString());
}

INSTANTIATE_TEST_SUITE_P(
    Found, DateSerialFuzzRegression,
    ::testing::Values(
        // Converted to 1/1/10000, which no date text reads back.
        SerialCase{"LastHalfMillisecondOf9999", 2958465.999999997, nullptr},
        SerialCase{"LastMillisecondOf9999", 2958465.99999998, "12/31/9999 11:59:59 PM"},
        SerialCase{"LastSecondOf9999", 2958465.99999, "12/31/9999 11:59:59 PM"},
        SerialCase{"LastMillisecondBeforeYear100Ends", -657434.99999998, "1/1/0100 11:59:59 PM"},
        SerialCase{"DayZeroShowsTheTimeAlone", 0.5, "12:00:00 PM"}),
    [](const ::testing::TestParamInfo<SerialCase> &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven
