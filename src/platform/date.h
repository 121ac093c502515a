#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <compare>
#include <limits>
#include <optional>

namespace Ostraven {

// A date as the host platform keeps it: days since 30 December 1899 with the time of day as the
// fraction. Dates before that day use the platform's convention (the whole part counts days back,
// the fraction still counts forward from midnight). Milliseconds survive in the fraction.
class Date
{
public:
    constexpr Date() = default;
    constexpr explicit Date(double serial) : m_serial(serial) {}

    // Throws VbError 5 when a part is out of range.
    [[nodiscard]] static Date fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                                        int second = 0, int millisecond = 0);
    [[nodiscard]] static Date fromDateTime(const QDateTime &dateTime);
    [[nodiscard]] static Date now();
    // 1 January 1800: the "no date" of the host database.
    [[nodiscard]] static Date nullDate() { return fromParts(1800, 1, 1); }

    // Reads the default form ("M/d/yyyy h:mm:ss AM/PM", its date-only and time-only parts, "h:mm",
    // 24-hour "H:mm[:ss]") and ISO "yyyy-MM-dd[ HH:mm[:ss[.fff]]]" (also with "T"), with blanks
    // around. The date may also use "-" or single blanks between its parts and a two-digit year
    // (1930 to 2029); AM/PM may follow a date without a time. Anything else gives nothing.
    [[nodiscard]] static std::optional<Date> parse(const QString &text);
    // The ISO form alone, from bytes (UTF-8 or Latin-1) with nothing around it: what parse() gives for
    // such a text, without making a string of it first. Nothing for any other text, which parse() may
    // still read.
    [[nodiscard]] static std::optional<Date> parseIsoBytes(QByteArrayView text);

    [[nodiscard]] constexpr double serial() const { return m_serial; }
    [[nodiscard]] QDateTime toDateTime() const;

    // The parts of the date rounded to the millisecond: second() is the whole second, not rounded up,
    // and millisecond() the rest, so the parts rebuild the date exactly.
    [[nodiscard]] int year() const;
    [[nodiscard]] int month() const;
    [[nodiscard]] int day() const;
    [[nodiscard]] int hour() const;
    [[nodiscard]] int minute() const;
    [[nodiscard]] int second() const;
    [[nodiscard]] int millisecond() const;
    // Sunday = 1 ... Saturday = 7.
    [[nodiscard]] int weekday() const;
    [[nodiscard]] bool isNullDate() const { return year() == 1800; }

    // Milliseconds since midnight of the same day, rounded to the nearest millisecond.
    [[nodiscard]] qint64 millisecondsOfDay() const;
    [[nodiscard]] Date addMilliseconds(qint64 milliseconds) const;

    // The default text form: US English "M/d/yyyy h:mm:ss AM/PM"; midnight shows the date alone and
    // day 0 (30 December 1899) shows the time alone. Milliseconds are not shown (so a time below one
    // second counts as midnight).
    [[nodiscard]] QString toString() const;

    // The default text form as toString writes it, in a buffer of the caller's instead of a new
    // string, with the year and the time of day it was made from, for a caller that copies the text
    // on and chooses by the year. size is -1 for years before 1, whose text only toString writes.
    struct Text {
        char16_t chars[32];
        int size = -1;
        int year = 0;
        qint64 millisecondsOfDay = 0;
        [[nodiscard]] QStringView view() const { return {chars, size}; }
    };
    [[nodiscard]] Text text() const;
    // The calendar part of the day text() wrote last. Live rows come in order of time, so nearly every
    // date falls on the day of the one before; a caller that writes many dates keeps one of these and
    // hands it to text() each time, and the date part is written only when the day changes.
    struct DayText {
        qint64 day = std::numeric_limits<qint64>::min();
        int year = 0;
        char16_t date[20];
        int size = 0;
    };
    [[nodiscard]] Text text(DayText &last) const;

    // Host-platform Format patterns: yyyy, yy, m, mm (month, or minutes after h/hh), mmm, mmmm, d, dd,
    // ddd, dddd, h, hh, n, nn, s, ss, AM/PM, am/pm, A/P, and "0" runs for the leading digits of the
    // milliseconds (".000"). Quoted text and characters after "\" are copied, as is anything else.
    [[nodiscard]] QString format(const QString &pattern) const;

    friend constexpr bool operator==(const Date &, const Date &) = default;
    friend constexpr auto operator<=>(const Date &, const Date &) = default;

private:
    double m_serial = 0.0;
};

} // namespace Ostraven
