// The date texts every live row is built from, checked against Qt's own calendar and formatter, which
// share no code with them.
#include "platform/date.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

using namespace Ostraven;

namespace {

constexpr qint64 julianDayOfDayZero = 2'415'019;
constexpr double msPerDay = 86'400'000.0;

// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

// The default form as the platform writes it: the date alone at midnight (below one second), the time
// alone on day 0.
QString expectedDefault(const Date &date)
{
    const QDateTime dateTime = date.toDateTime();
    const QString day = dateTime.date().toString(QStringLiteral("M/d/yyyy"));
    const QString time = dateTime.time().toString(QStringLiteral("h:mm:ss AP"));
    if (dateTime.date().toJulianDay() == julianDayOfDayZero)
        return time;
    if (dateTime.time().msecsSinceStartOfDay() < 1000)
        return day;
    return day + u' ' + time;
}

struct TextCase {
    const char *name;
    double serial;
};

class DateTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(DateTexts, MatchQtsFormatter)
{
    const Date date(GetParam().serial);
    EXPECT_EQ(date.toString(), expectedDefault(date));
    EXPECT_EQ(date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss")),
              date.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    // The pattern with anything after it takes the general formatter: both ways agree.
    EXPECT_EQ(date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss")) + u'|', date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss|")));
}

double serialOf(int year, int month, int day, qint64 ms = 0)
{
    const qint64 dayNumber = QDate(year, month, day).toJulianDay() - julianDayOfDayZero;
    const double fraction = double(ms) / msPerDay;
    return dayNumber >= 0 ? double(dayNumber) + fraction : double(dayNumber) - fraction;
}

constexpr qint64 hours(int h, int m = 0, int s = 0, int ms = 0) { return ((h * 60LL + m) * 60 + s) * 1000 + ms; }

INSTANTIATE_TEST_SUITE_P(
    DefaultAndCellForms, DateTexts,
    ::testing::Values(TextCase{"Midnight", serialOf(2026, 12, 5)},
                      TextCase{"BelowOneSecondIsMidnight", serialOf(2026, 12, 5, 999)},
                      TextCase{"OneSecondPastMidnight", serialOf(2026, 12, 5, 1000)},
                      TextCase{"Noon", serialOf(2026, 12, 5, hours(12))},
                      TextCase{"LastSecondOfTheDay", serialOf(2026, 12, 5, hours(23, 59, 59))},
                      TextCase{"RoundsIntoTheNextDay", serialOf(2026, 12, 5) + (msPerDay - 0.4) / msPerDay},
                      TextCase{"LeapDay", serialOf(2024, 2, 29, hours(9, 5, 7))},
                      TextCase{"NoLeapDayIn1900", serialOf(1900, 3, 1, hours(1))},
                      TextCase{"DayZeroTime", 0.75}, TextCase{"DayZeroMidnight", 0.0},
                      TextCase{"BeforeDayZero", -1.25}, TextCase{"NullDateOfTheHost", serialOf(1800, 1, 1)},
                      TextCase{"FirstYear", serialOf(100, 1, 1, hours(0, 0, 1))},
                      TextCase{"YearWithThreeDigits", serialOf(999, 12, 31, hours(13))},
                      TextCase{"LastDay", serialOf(9999, 12, 31, hours(23, 59, 59))},
                      TextCase{"CenturyLeapDay", serialOf(2000, 2, 29)},
                      TextCase{"TwoDigitMonthAndDay", serialOf(2011, 11, 22, hours(22, 2, 3))}),
    [](const auto &row) { return std::string(row.param.name); });

struct CalendarCase {
    const char *name;
    qint64 firstJulianDay;
    qint64 lastJulianDay;
    qint64 step;
};

class Calendar : public ::testing::TestWithParam<CalendarCase> {};

// Year, month, day and weekday of a serial agree with QDate's proleptic Gregorian calendar.
TEST_P(Calendar, AgreesWithQDate)
{
    const CalendarCase &c = GetParam();
    for (qint64 julianDay = c.firstJulianDay; julianDay <= c.lastJulianDay; julianDay += c.step) {
        const QDate expected = QDate::fromJulianDay(julianDay);
        const Date date(double(julianDay - julianDayOfDayZero) + (julianDay >= julianDayOfDayZero ? 0.5 : -0.5));
        ASSERT_EQ(date.year(), expected.year()) << julianDay;
        ASSERT_EQ(date.month(), expected.month()) << julianDay;
        ASSERT_EQ(date.day(), expected.day()) << julianDay;
        ASSERT_EQ(date.weekday(), expected.dayOfWeek() % 7 + 1) << julianDay;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Days, Calendar,
    ::testing::Values(CalendarCase{"EveryDayAroundDayZero", julianDayOfDayZero - 800, julianDayOfDayZero + 800, 1},
                      CalendarCase{"EveryDayAroundTheYear2000", QDate(1999, 1, 1).toJulianDay(),
                                   QDate(2001, 12, 31).toJulianDay(), 1},
                      CalendarCase{"EveryDayAroundTheFirstYears", QDate(-3, 1, 1).toJulianDay(),
                                   QDate(3, 12, 31).toJulianDay(), 1},
                      CalendarCase{"TheWholeRangeInSteps", QDate(-4000, 1, 1).toJulianDay(),
                                   QDate(12000, 12, 31).toJulianDay(), 97}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
