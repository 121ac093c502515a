// The date texts every live row is built from, checked against Qt's own calendar and formatter, which
// share no code with them.
#include "platformtest.h"
#include "platform/date.h"

#include <QDateTime>

using namespace Ostraven;

namespace {

constexpr qint64 julianDayOfDayZero = 2'415'019;

// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

struct TextCase { const char *name; Date date; };
class DateTexts : public ::testing::TestWithParam<TextCase> {};

// The default form as the platform writes it: the date alone at midnight (below one second), the time
// alone on day 0. The cell pattern with anything after it takes the general formatter: both ways agree.
TEST_P(DateTexts, MatchQtsFormatter)
{
    const Date date = GetParam().date;
    const QDateTime at = date.toDateTime();
    const QString day = at.date().toString(u"M/d/yyyy"), time = at.time().toString(u"h:mm:ss AP");
    const QString cell = date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    const QString shown = at.date().toJulianDay() == julianDayOfDayZero ? time
                          : at.time().msecsSinceStartOfDay() < 1000   ? day : day + u' ' + time;
    EXPECT_EQ(QStringList({date.toString(), cell, cell + u'|'}),
              QStringList({shown, at.toString(u"yyyy-MM-dd HH:mm:ss"), date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss|"))}));
}

INSTANTIATE_TEST_SUITE_P(DefaultAndCellForms, DateTexts, ::testing::Values(
    TextCase{"BelowOneSecondIsMidnight", Date::fromParts(2026, 12, 5, 0, 0, 0, 999)},
    TextCase{"OneSecondPastMidnight", Date::fromParts(2026, 12, 5, 0, 0, 1)},
    TextCase{"Noon", Date::fromParts(2026, 12, 5, 12)},
    TextCase{"RoundsIntoTheNextDay", Date(Date::fromParts(2026, 12, 5).serial() + (86'400'000.0 - 0.4) / 86'400'000.0)},
    TextCase{"TwoDigitMonthAndDay", Date::fromParts(2011, 11, 22, 22, 2, 3)},
    TextCase{"DayZeroTime", Date(0.75)},
    TextCase{"DayZeroMidnight", Date(0.0)},
    TextCase{"BeforeDayZero", Date(-1.25)},
    TextCase{"FirstYear", Date::fromParts(100, 1, 1, 0, 0, 1)},
    TextCase{"LastDay", Date::fromParts(9999, 12, 31, 23, 59, 59)}), rowName);

// The form written into the caller's buffer is the default form, with the parts it was made from;
// asked again, and after a date of another day, it stays the same (the last day is remembered).
TEST_P(DateTexts, BufferedFormIsTheDefaultForm)
{
    const Date date = GetParam().date;
    const Date otherDay = date.addMilliseconds(3 * 86'400'000LL + 1234);
    for (const Date asked : {date, date, otherDay, date}) {
        const Date::Text text = asked.text();
        EXPECT_EQ(std::tuple(text.view().toString(), text.year, text.millisecondsOfDay),
                  std::tuple(asked.toString(), asked.year(), asked.millisecondsOfDay()));
    }
}

// Across days, in steps that land on every hour and on both sides of midnight and noon; and years
// before the first, which only toString writes.
TEST(DateBufferedText, FollowsTheDefaultFormAcrossDaysAndLeavesNegativeYearsToToString)
{
    const Date start = Date::fromParts(2026, 12, 30, 22, 59, 58, 500);
    for (qint64 step = 0; step < 200; ++step) {
        const Date date = start.addMilliseconds(step * 1'799'501);
        ASSERT_EQ(date.text().view().toString(), date.toString()) << step;
    }
    const Date ancient(-800'000.25);
    EXPECT_EQ(std::pair(ancient.text().size, ancient.text().year), std::pair(-1, ancient.year()));
}

struct CalendarCase { const char *name; qint64 firstJulianDay, lastJulianDay, step; };
class Calendar : public ::testing::TestWithParam<CalendarCase> {};

// Year, month, day and weekday of a serial agree with QDate's proleptic Gregorian calendar.
TEST_P(Calendar, AgreesWithQDate)
{
    const CalendarCase &c = GetParam();
    for (qint64 julianDay = c.firstJulianDay; julianDay <= c.lastJulianDay; julianDay += c.step) {
        const QDate expected = QDate::fromJulianDay(julianDay);
        const Date date(double(julianDay - julianDayOfDayZero) + (julianDay >= julianDayOfDayZero ? 0.5 : -0.5));
        ASSERT_EQ(std::tuple(date.year(), date.month(), date.day(), date.weekday()),
                  std::tuple(expected.year(), expected.month(), expected.day(), expected.dayOfWeek() % 7 + 1))
            << julianDay;
    }
}

INSTANTIATE_TEST_SUITE_P(Days, Calendar, ::testing::Values(
    CalendarCase{"EveryDayFromBeforeDayZeroPastTheYear2000", julianDayOfDayZero - 800, QDate(2001, 12, 31).toJulianDay(), 1},
    CalendarCase{"EveryDayAroundTheFirstYears", QDate(-3, 1, 1).toJulianDay(), QDate(3, 12, 31).toJulianDay(), 1},
    CalendarCase{"TheWholeRangeInSteps", QDate(-4000, 1, 1).toJulianDay(), QDate(12000, 12, 31).toJulianDay(), 97}), rowName);

} // namespace
