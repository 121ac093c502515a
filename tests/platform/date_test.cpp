#include "platformtest.h"
#include "platform/date.h"
#include "platform/variant.h"

using namespace Ostraven;

namespace {
Date at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int millisecond = 0)
{
    return Date::fromParts(year, month, day, hour, minute, second, millisecond);
}
Date timeOnly(int hour, int minute, int second = 0) { return Date(((hour * 60.0 + minute) * 60.0 + second) / 86400.0); }
} // namespace

TEST(DateSerials, KnownDaysTheNegativeConventionAndMilliseconds)
{
    const std::tuple<Date, double, int> cases[] = { // date, serial, weekday
        {at(1899, 12, 30), 0.0, 7}, {at(1900, 1, 1), 2.0, 2}, {at(2008, 1, 1), 39448.0, 3},
        {at(2024, 3, 10, 23, 59), 45361.0 + (23 * 60 + 59) / 1440.0, 1}, {at(1800, 1, 1), -36522.0, 4},
        // Before day 0 the whole part counts back and the fraction forward: 6 am on 29 December.
        {at(1899, 12, 29, 6), -1.25, 6},
    };
    for (const auto &[date, serial, weekday] : cases) {
        EXPECT_NEAR(date.serial(), serial, 1e-9);
        EXPECT_EQ(std::pair(date.weekday(), Date(serial).toString()), std::pair(weekday, date.toString())) << serial;
    }
    for (const auto &p : {std::array{2008, 13, 1, 0, 0}, {2007, 2, 29, 0, 0}, {2008, 1, 2, 24, 0}, {2008, 1, 2, 0, 1000},
                          {99, 12, 31, 0, 0}, {10000, 1, 1, 0, 0}}) // year, month, day, hour, millisecond
        EXPECT_EQ(errorNumber([&] { (void)Date::fromParts(p[0], p[1], p[2], p[3], 0, 0, p[4]); }), VbError::InvalidProcedureCall)
            << p[0] << "-" << p[1] << "-" << p[2];
    EXPECT_EQ(std::tuple(at(2008, 2, 29).day(), Date(at(2008, 1, 2, 13, 5, 9, 123).serial()).millisecondsOfDay()),
              std::tuple(29, ((13 * 60 + 5) * 60 + 9) * 1000 + 123));
    Date stepped = at(2008, 1, 2, 12, 0, 5);
    for (int i = 0; i < 10; ++i) // ten steps of 0.1 s land exactly on the next second
        stepped = stepped.addMilliseconds(100);
    // Across day 0 (the last) the serial changes convention but the clock keeps counting.
    EXPECT_EQ((std::vector{stepped, at(2008, 1, 2, 23, 59, 59, 900).addMilliseconds(100), at(2008, 1, 1).addMilliseconds(-1),
                           at(1899, 12, 30, 1).addMilliseconds(-2 * 3600 * 1000)}),
              (std::vector{at(2008, 1, 2, 12, 0, 6), at(2008, 1, 3), at(2007, 12, 31, 23, 59, 59, 999), at(1899, 12, 29, 23)}));
    const QDateTime qt = at(2008, 1, 2, 13, 5, 9, 456).toDateTime();
    EXPECT_EQ(std::pair(qt, Date::fromDateTime(qt)), std::pair(QDateTime(QDate(2008, 1, 2), QTime(13, 5, 9, 456)), at(2008, 1, 2, 13, 5, 9, 456)));
}

TEST(DateText, DefaultFormAndPatterns)
{
    const std::pair<Date, const char *> cases[] = {
        {at(2008, 1, 2, 13, 5, 9), "1/2/2008 1:05:09 PM"}, {at(2008, 1, 2), "1/2/2008"},
        {at(2008, 12, 31, 0, 0, 1), "12/31/2008 12:00:01 AM"},
        // Milliseconds never show: this is the second it belongs to, and below one second is midnight.
        {at(2008, 1, 2, 13, 5, 9, 999), "1/2/2008 1:05:09 PM"}, {at(2008, 1, 2, 0, 0, 0, 400), "1/2/2008"},
        {Date::nullDate(), "1/1/1800"}, {Date(0.0), "12:00:00 AM"}, {timeOnly(13, 5, 9), "1:05:09 PM"},
        {at(1899, 12, 29, 6), "12/29/1899 6:00:00 AM"},
    };
    for (const auto &[date, text] : cases) EXPECT_EQ(date.toString().toStdString(), text);
    // Format patterns.
    const Date afternoon = at(2008, 1, 2, 13, 5, 9, 45), morning = at(2024, 11, 30, 0, 7, 3, 600);
    const std::tuple<Date, const char *, const char *> patterns[] = {
        {afternoon, "yyyy-mm-dd hh:nn:ss", "2008-01-02 13:05:09"}, {morning, "hh:mm", "00:07"},
        {afternoon, "h:mm AM/PM", "1:05 PM"}, {morning, "h:mm AM/PM", "12:07 AM"}, {afternoon, "m/d/yy", "1/2/08"},
        {afternoon, "dddd d mmmm yyyy", "Wednesday 2 January 2008"}, {morning, "ddd, mmm d", "Sat, Nov 30"},
        {morning, "yyyy-mm-dd hh:nn:ss.000", "2024-11-30 00:07:03.600"}, {morning, "hh:nn:ss.0", "00:07:03.6"},
        {afternoon, "dd \"at\" h\\h", "02 at 13h"}, {afternoon, "[d] #", "[2] #"},
    };
    for (const auto &[date, pattern, expected] : patterns)
        EXPECT_EQ(date.format(pattern).toStdString(), expected) << pattern;
}

TEST(DateText, ParsesTheDefaultAndIsoFormsAndNothingElse)
{
    const std::pair<const char *, Date> cases[] = {
        {"1/2/2008 1:05:09 PM", at(2008, 1, 2, 13, 5, 9)}, {"  1/2/2008  ", at(2008, 1, 2)},
        {"1/2/2008 12:30 PM", at(2008, 1, 2, 12, 30)}, {"1/2/2008 1:05PM", at(2008, 1, 2, 13, 5)},
        {"1/2/2008 13:05", at(2008, 1, 2, 13, 5)}, {"1/2/08", at(2008, 1, 2)}, {"1/2/30", at(1930, 1, 2)},
        {"1:05:09 PM", timeOnly(13, 5, 9)}, {"0:30", timeOnly(0, 30)}, {"2008-01-02", at(2008, 1, 2)},
        {"2008-01-02T13:05:09", at(2008, 1, 2, 13, 5, 9)}, {" 2008-01-02 13:05:09.123 ", at(2008, 1, 2, 13, 5, 9, 123)},
        {"2008-01-02 13:05:09.5", at(2008, 1, 2, 13, 5, 9, 500)},
        // Forms that texts repaired by stripping letters and separators come out in.
        {"1/2/2008 00:30:00 AM", at(2008, 1, 2, 0, 30)}, {"1/2/2008 10:00:00  AM", at(2008, 1, 2, 10)},
        {"1/2/2008 AM", at(2008, 1, 2)}, {"1 2 2008 13:05:09 ", at(2008, 1, 2, 13, 5, 9)}, {"1-2-2008", at(2008, 1, 2)},
        {"12/29/1899 6:00:00 AM", at(1899, 12, 29, 6)}, {"12/31/9999 12:00:00 PM", at(9999, 12, 31, 12)}, {"1/1/1800", Date::nullDate()},
        {"1/1/0100 12:00:01 AM", at(100, 1, 1, 0, 0, 1)}, {"11:59:59 PM", timeOnly(23, 59, 59)},
        {"0100-01-01 00:00:01", at(100, 1, 1, 0, 0, 1)}, {"9999-12-31 12:00:00", at(9999, 12, 31, 12)},
        {"1/2/2008PM", at(2008, 1, 2, 12)}, {"1/2/2008 1:5", at(2008, 1, 2, 1, 5)}, {"2008-1-2 3:04", at(2008, 1, 2, 3, 4)},
        {"2008-01-02 13:05:09.05", at(2008, 1, 2, 13, 5, 9, 50)},
    };
    for (const auto &[text, expected] : cases) EXPECT_EQ(Date::parse(text), std::optional<Date>(expected)) << text;
    for (const char *text : {"", "   ", "13/1/2008", "2/30/2008", "0/1/2008", "[Zone] 1/2/2008", "1/2/2008 [Zone]", "25:00",
                             "1:60", "1/2/2008 13:00 PM", "1/2/2008 1:05:09 XM", "2008-02-30", "2008-01-02 24:00",
                             "2008-01-02T", "2008-01-02 13:05:09.1234", "1/2", "1/2/2008x", "1/2-2008", "12:5:7:1", "AM",
                             "1.2.2008", "39449", "1/2/2008 1:05:", "1/2/2008 13", "1/2/2008 1:05 P", "2008-01-02T 10:00",
                             "2008-01-02 13:5", "20081-01-02"})
        EXPECT_FALSE(Date::parse(text).has_value()) << text;
}

// Serials the fuzz target converted: each converts to a date whose default form reads back, or is
// refused with Overflow (shown: nullptr).
struct SerialCase { const char *name; double serial; const char *shown; };
class DateSerialFuzzRegression : public ::testing::TestWithParam<SerialCase> {};
TEST_P(DateSerialFuzzRegression, ConvertsToAReadableDateOrIsRefused)
{
    const SerialCase &c = GetParam();
    Date date;
    EXPECT_EQ(errorNumber([&] { date = CDate(Variant(c.serial)); }), c.shown ? 0 : int(VbError::Overflow));
    EXPECT_EQ(c.shown ? date.toString() : QString(), QString(c.shown));
    EXPECT_EQ(Date::parse(date.toString()).value_or(Date()).toString(), date.toString());
}

INSTANTIATE_TEST_SUITE_P(Found, DateSerialFuzzRegression, ::testing::Values(
    SerialCase{"LastHalfMillisecondOf9999", 2958465.999999997, nullptr}, // was 1/1/10000, which reads back as nothing
    SerialCase{"LastMillisecondOf9999", 2958465.99999998, "12/31/9999 11:59:59 PM"},
    SerialCase{"LastSecondOf9999", 2958465.99999, "12/31/9999 11:59:59 PM"},
    SerialCase{"LastMillisecondBeforeYear100Ends", -657434.99999998, "1/1/0100 11:59:59 PM"},
    SerialCase{"DayZeroShowsTheTimeAlone", 0.5, "12:00:00 PM"}), rowName);
