#include "date.h"

#include "digitpairs.h"
#include "vberror.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace Ostraven {

namespace {

constexpr qint64 msPerDay = 86'400'000;
constexpr qint64 msPerSecond = 1000;
// Julian day number of 30 December 1899, day 0 of the platform's dates.
constexpr qint64 julianDayOfDayZero = 2'415'019;
// The platform's date range: 1 January 100 to 31 December 9999.
constexpr int firstYear = 100;
constexpr int lastYear = 9999;

// A serial taken apart into a plain day count and the time of day, both counted forward.
struct DayAndTime {
    qint64 day = 0;
    qint64 msOfDay = 0;
};

struct Parts {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0;
};

DayAndTime split(double serial)
{
    const double whole = std::trunc(serial);
    // Before day 0 the whole part counts back but the fraction still counts forward from midnight.
    const double fraction = std::fabs(serial - whole);
    // Rounded half away from zero, as llround does, without the library call for the usual value:
    // below 2^52 the fraction of a non-negative number is exact, so comparing it with one half is.
    const double scaled = fraction * msPerDay;
    qint64 ms;
    if (scaled >= 0.0 && scaled < 4.0e15) {
        ms = static_cast<qint64>(scaled);
        if (scaled - static_cast<double>(ms) >= 0.5)
            ++ms;
    } else {
        ms = std::llround(scaled);
    }
    DayAndTime result{static_cast<qint64>(whole), ms};
    if (result.msOfDay >= msPerDay) {
        result.msOfDay -= msPerDay;
        ++result.day;
    }
    return result;
}

double join(qint64 day, qint64 msOfDay)
{
    day += msOfDay / msPerDay;
    msOfDay %= msPerDay;
    if (msOfDay < 0) {
        msOfDay += msPerDay;
        --day;
    }
    const double fraction = static_cast<double>(msOfDay) / static_cast<double>(msPerDay);
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

// The proleptic Gregorian calendar of a Julian day number, as QDate counts it (no year 0: the year
// before 1 is -1, Monday = 1 ... Sunday = 7), in one pass instead of QDate's one per part: every
// live row takes two dates apart.
void civilDate(qint64 julianDay, Parts &parts)
{
    // Days since 1 March of year 0, in eras of 400 years (146097 days).
    const qint64 z = julianDay - 1'721'120;
    const qint64 era = (z >= 0 ? z : z - 146'096) / 146'097;
    const qint64 dayOfEra = z - era * 146'097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153; // March = 0
    parts.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    parts.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    qint64 year = yearOfEra + era * 400 + (parts.month <= 2 ? 1 : 0);
    if (year <= 0)
        --year;
    parts.year = static_cast<int>(year);
    parts.dayOfWeek = static_cast<int>((julianDay % 7 + 7) % 7) + 1;
}

Parts partsOf(const DayAndTime &dayAndTime)
{
    Parts parts;
    civilDate(julianDayOfDayZero + dayAndTime.day, parts);
    const qint64 ms = dayAndTime.msOfDay;
    parts.hour = static_cast<int>(ms / 3'600'000);
    parts.minute = static_cast<int>(ms / 60'000 % 60);
    parts.second = static_cast<int>(ms / msPerSecond % 60);
    parts.millisecond = static_cast<int>(ms % msPerSecond);
    return parts;
}

Parts partsOf(double serial)
{
    return partsOf(split(serial));
}

// Texts of a known most length are written into a buffer on the stack and copied once.
class TextBuffer
{
public:
    void put(char16_t c) { m_text[m_size++] = c; }
    void put(const char *latin1)
    {
        while (*latin1)
            put(char16_t(*latin1++));
    }
    // At least `width` digits, zeros in front; value is not negative.
    void number(int value, int width = 1)
    {
        char16_t digits[12];
        int count = 0;
        do {
            digits[count++] = char16_t(u'0' + value % 10);
            value /= 10;
        } while (value > 0);
        for (int i = count; i < width; ++i)
            put(u'0');
        while (count > 0)
            put(digits[--count]);
    }
    [[nodiscard]] const char16_t *data() const { return m_text; }
    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] QString text(qsizetype reserve = 0) const
    {
        QString result;
        result.reserve(std::max<qsizetype>(reserve, m_size));
        result.append(reinterpret_cast<const QChar *>(m_text), m_size);
        return result;
    }

private:
    char16_t m_text[64];
    qsizetype m_size = 0;
};

bool validTime(int hour, int minute, int second, int millisecond)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60
        && millisecond >= 0 && millisecond < 1000;
}

std::optional<Date> buildDate(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    if (year < firstYear || year > lastYear || !QDate::isValid(year, month, day))
        return std::nullopt;
    if (!validTime(hour, minute, second, millisecond))
        return std::nullopt;
    const qint64 dayNumber = QDate(year, month, day).toJulianDay() - julianDayOfDayZero;
    const qint64 ms = ((hour * 60LL + minute) * 60 + second) * msPerSecond + millisecond;
    return Date(join(dayNumber, ms));
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// The hour on a twelve-hour clock face: midnight and noon are 12.
int clockHour(int hour)
{
    return hour % 12 == 0 ? 12 : hour % 12;
}

QString timeText(const Parts &parts)
{
    return QStringLiteral("%1:%2:%3 %4")
        .arg(clockHour(parts.hour))
        .arg(twoDigits(parts.minute), twoDigits(parts.second),
             parts.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString dateText(const Parts &parts)
{
    return QStringLiteral("%1/%2/%3").arg(parts.month).arg(parts.day).arg(parts.year, 4, 10, QLatin1Char('0'));
}

// Reads the digits at position: at least min and at most max of them. -1 when there are fewer than min.
// Over UTF-16 texts, or over bytes where only ASCII matters (any other byte is simply not a digit or a
// separator).
template <typename Text>
class BasicDigitReader
{
public:
    explicit BasicDigitReader(Text text) : m_text(text) {}

    int digits(int min, int max, int *count = nullptr)
    {
        int value = 0;
        int read = 0;
        while (read < max && m_pos < m_text.size() && at(m_pos) >= u'0' && at(m_pos) <= u'9') {
            value = value * 10 + (at(m_pos) - u'0');
            ++m_pos;
            ++read;
        }
        if (count)
            *count = read;
        return read >= min ? value : -1;
    }
    bool take(char16_t c)
    {
        if (m_pos >= m_text.size() || at(m_pos) != c)
            return false;
        ++m_pos;
        return true;
    }
    int blanks()
    {
        int count = 0;
        while (take(u' '))
            ++count;
        return count;
    }
    [[nodiscard]] bool atEnd() const { return m_pos == m_text.size(); }
    [[nodiscard]] bool more() const { return m_pos < m_text.size(); }

private:
    [[nodiscard]] char16_t at(qsizetype i) const
    {
        if constexpr (std::is_same_v<Text, QByteArrayView>)
            return char16_t(uchar(m_text[i]));
        else
            return m_text[i].unicode();
    }

    Text m_text;
    qsizetype m_pos = 0;
};

using DigitReader = BasicDigitReader<QStringView>;

// Two-digit years fall in 1930 to 2029, as the platform's own window puts them.
int expandYear(int value, int digits)
{
    if (digits > 2)
        return value;
    return value < 30 ? 2000 + value : 1900 + value;
}

// The parts of the default form, however they were read.
struct DefaultForm {
    bool hasDate = false;
    int month = 0, day = 0, year = 0, yearDigits = 0;
    bool hasTime = false;
    int hour = 0, minute = 0, second = 0;
    char16_t marker = 0; // 'A' or 'P'
};

// The form the viewer's own texts have, "M/d/yyyy[ h:mm[:ss]][ AM|PM]", read by hand: the replay reads
// thousands of them. Anything else (hyphens, blanks between the date's parts, a time alone) is left to
// the regular expression, which reads the same language.
bool readSlashForm(const QString &text, DefaultForm &parts)
{
    DigitReader reader(text);
    parts.month = reader.digits(1, 2);
    parts.day = parts.month >= 0 && reader.take(u'/') ? reader.digits(1, 2) : -1;
    parts.year = parts.day >= 0 && reader.take(u'/') ? reader.digits(1, 4, &parts.yearDigits) : -1;
    if (parts.year < 0)
        return false;
    parts.hasDate = true;
    const int blanks = reader.blanks();
    if (blanks > 0) {
        int count = 0;
        const int hour = reader.digits(1, 2, &count);
        if (hour >= 0) {
            parts.hour = hour;
            parts.minute = reader.take(u':') ? reader.digits(1, 2) : -1;
            if (parts.minute < 0)
                return false;
            parts.hasTime = true;
            if (reader.take(u':')) {
                parts.second = reader.digits(1, 2);
                if (parts.second < 0)
                    return false;
            }
            reader.blanks();
        }
    }
    if (reader.take(u'A') || reader.take(u'a'))
        parts.marker = u'A';
    else if (reader.take(u'P') || reader.take(u'p'))
        parts.marker = u'P';
    if (parts.marker && !(reader.take(u'M') || reader.take(u'm')))
        return false;
    return reader.atEnd();
}

// "yyyy-M-d", then "H:mm", ":ss" and ".f" (up to milliseconds), the time after "T" or blanks.
// Hand-read: the replay reads thousands of these, and a regular expression cost most of its time.
template <typename Text>
std::optional<Date> parseIso(Text text)
{
    BasicDigitReader<Text> reader(text);
    const int year = reader.digits(4, 4);
    const int month = year >= 0 && reader.take(u'-') ? reader.digits(1, 2) : -1;
    const int day = month >= 0 && reader.take(u'-') ? reader.digits(1, 2) : -1;
    if (day < 0)
        return std::nullopt;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    if (reader.more()) {
        if (!reader.take(u'T') && reader.blanks() == 0)
            return std::nullopt;
        hour = reader.digits(1, 2);
        minute = hour >= 0 && reader.take(u':') ? reader.digits(2, 2) : -1;
        if (minute < 0)
            return std::nullopt;
        if (reader.take(u':')) {
            second = reader.digits(2, 2);
            if (second < 0)
                return std::nullopt;
            if (reader.take(u'.')) {
                int count = 0;
                const int fraction = reader.digits(1, 3, &count);
                if (fraction < 0)
                    return std::nullopt;
                // ".5" is half a second, not five milliseconds.
                millisecond = fraction * (count == 1 ? 100 : count == 2 ? 10 : 1);
            }
        }
    }
    if (!reader.atEnd())
        return std::nullopt;
    return buildDate(year, month, day, hour, minute, second, millisecond);
}

// The default form and its parts: "M/d/yyyy", "h:mm[:ss]", an optional AM/PM, in that order.
// Dates also read with "-" or single blanks between their parts, as texts repaired by stripping
// letters and separators come out that way.
std::optional<Date> parseDefault(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^(?:([0-9]{1,2})([/-])([0-9]{1,2})\2([0-9]{1,4})|([0-9]{1,2}) ([0-9]{1,2}) ([0-9]{1,4}))?)"
        R"((?:(?:^| +)([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))?)?)"
        R"((?: *([AaPp][Mm]))?$)"));
    DefaultForm parts;
    if (!readSlashForm(text, parts)) {
        parts = DefaultForm();
        const QRegularExpressionMatch match = form.match(text);
        if (!match.hasMatch())
            return std::nullopt;
        const bool slashDate = match.hasCaptured(1);
        parts.hasDate = slashDate || match.hasCaptured(5);
        if (parts.hasDate) {
            const int base = slashDate ? 1 : 5;
            const QString year = match.captured(slashDate ? 4 : 7);
            parts.month = match.captured(base).toInt();
            parts.day = match.captured(base + (slashDate ? 2 : 1)).toInt();
            parts.year = year.toInt();
            parts.yearDigits = int(year.size());
        }
        parts.hasTime = match.hasCaptured(8);
        parts.hour = parts.hasTime ? match.captured(8).toInt() : 0;
        parts.minute = parts.hasTime ? match.captured(9).toInt() : 0;
        parts.second = match.hasCaptured(10) ? match.captured(10).toInt() : 0;
        parts.marker = match.hasCaptured(11) ? match.captured(11).at(0).toUpper().unicode() : 0;
    }
    if (!parts.hasDate && !parts.hasTime)
        return std::nullopt;

    int hour = parts.hour;
    if (parts.marker) {
        if (hour > 12)
            return std::nullopt;
        hour = hour % 12 + (parts.marker == u'P' ? 12 : 0);
    }
    if (!parts.hasDate) {
        if (!validTime(hour, parts.minute, parts.second, 0))
            return std::nullopt;
        return Date(join(0, ((hour * 60LL + parts.minute) * 60 + parts.second) * msPerSecond));
    }
    return buildDate(expandYear(parts.year, parts.yearDigits), parts.month, parts.day, hour, parts.minute,
                     parts.second, 0);
}

// Format's day and month names are English, as the default form is US English.
QString dayName(int dayOfWeek, bool abbreviated)
{
    static const char *const names[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    const QString name = QString::fromLatin1(names[dayOfWeek - 1]);
    return abbreviated ? name.left(3) : name;
}

QString monthName(int month, bool abbreviated)
{
    static const char *const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    const QString name = QString::fromLatin1(names[month - 1]);
    return abbreviated ? name.left(3) : name;
}

QString numberField(int value, int length)
{
    return length >= 2 ? twoDigits(value) : QString::number(value);
}

bool isFieldLetter(QChar c)
{
    return QStringLiteral("ymdhns0").contains(c.toLower());
}

class DateFormatter
{
public:
    DateFormatter(const Parts &parts, const QString &pattern)
        : m_parts(parts)
        , m_pattern(pattern)
        , m_twelveHour(pattern.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive)
                       || pattern.contains(QLatin1String("A/P"), Qt::CaseInsensitive))
    {
    }

    QString run()
    {
        while (m_at < m_pattern.size()) {
            if (takeMarker(QStringLiteral("AM/PM"), QStringLiteral("AM"), QStringLiteral("PM"))
                || takeMarker(QStringLiteral("A/P"), QStringLiteral("A"), QStringLiteral("P")) || takeLiteral())
                continue;
            takeField();
        }
        return m_out;
    }

private:
    // The marker keeps the letter case the pattern writes it in.
    bool takeMarker(const QString &marker, const QString &morning, const QString &afternoon)
    {
        if (m_pattern.mid(m_at, marker.size()).compare(marker, Qt::CaseInsensitive) != 0)
            return false;
        const QString text = m_parts.hour < 12 ? morning : afternoon;
        m_out += m_pattern.at(m_at).isLower() ? text.toLower() : text;
        m_at += marker.size();
        return true;
    }

    bool takeLiteral()
    {
        const QChar c = m_pattern.at(m_at);
        if (c == QLatin1Char('"')) {
            const qsizetype close = m_pattern.indexOf(QLatin1Char('"'), m_at + 1);
            const qsizetype end = close < 0 ? m_pattern.size() : close;
            m_out += m_pattern.mid(m_at + 1, end - m_at - 1);
            m_at = end + 1;
            return true;
        }
        if (c == QLatin1Char('\\') && m_at + 1 < m_pattern.size()) {
            m_out += m_pattern.at(m_at + 1);
            m_at += 2;
            return true;
        }
        if (isFieldLetter(c))
            return false;
        m_out += c;
        ++m_at;
        return true;
    }

    void takeField()
    {
        const QChar letter = m_pattern.at(m_at).toLower();
        qsizetype end = m_at;
        while (end < m_pattern.size() && m_pattern.at(end).toLower() == letter)
            ++end;
        const int length = static_cast<int>(end - m_at);
        m_out += field(letter.toLatin1(), length);
        // After an hour, "m" is the minute; any other field ends that.
        m_afterHour = letter == QLatin1Char('h');
        m_at = end;
    }

    QString field(char letter, int length) const
    {
        switch (letter) {
        case 'y':
            return length >= 3 ? QStringLiteral("%1").arg(m_parts.year, 4, 10, QLatin1Char('0'))
                               : twoDigits(m_parts.year % 100);
        case 'm':
            if (m_afterHour)
                return numberField(m_parts.minute, length);
            return length >= 3 ? monthName(m_parts.month, length == 3) : numberField(m_parts.month, length);
        case 'd':
            return length >= 3 ? dayName(m_parts.dayOfWeek, length == 3) : numberField(m_parts.day, length);
        case 'h':
            return numberField(m_twelveHour ? clockHour(m_parts.hour) : m_parts.hour, length);
        case 'n':
            return numberField(m_parts.minute, length);
        case 's':
            return numberField(m_parts.second, length);
        default:
            // A run of zeros gives the leading digits of the milliseconds.
            return QStringLiteral("%1").arg(m_parts.millisecond, 3, 10, QLatin1Char('0')).left(std::min(length, 3));
        }
    }

    const Parts &m_parts;
    const QString &m_pattern;
    const bool m_twelveHour = false;
    QString m_out;
    qsizetype m_at = 0;
    bool m_afterHour = false;
};

} // namespace

Date Date::fromParts(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    const std::optional<Date> date = buildDate(year, month, day, hour, minute, second, millisecond);
    if (!date)
        throw VbError::fromNumber(VbError::InvalidProcedureCall);
    return *date;
}

Date Date::fromDateTime(const QDateTime &dateTime)
{
    const qint64 day = dateTime.date().toJulianDay() - julianDayOfDayZero;
    return Date(join(day, dateTime.time().msecsSinceStartOfDay()));
}

Date Date::now()
{
    return fromDateTime(QDateTime::currentDateTime());
}

std::optional<Date> Date::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (std::optional<Date> iso = parseIso(QStringView(trimmed)))
        return iso;
    return parseDefault(trimmed);
}

std::optional<Date> Date::parseIsoBytes(QByteArrayView text)
{
    return parseIso(text);
}

QDateTime Date::toDateTime() const
{
    const DayAndTime parts = split(m_serial);
    return QDateTime(QDate::fromJulianDay(julianDayOfDayZero + parts.day),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(parts.msOfDay)));
}

int Date::year() const { return partsOf(m_serial).year; }
int Date::month() const { return partsOf(m_serial).month; }
int Date::day() const { return partsOf(m_serial).day; }
int Date::hour() const { return partsOf(m_serial).hour; }
int Date::minute() const { return partsOf(m_serial).minute; }
int Date::second() const { return partsOf(m_serial).second; }
int Date::millisecond() const { return partsOf(m_serial).millisecond; }

int Date::weekday() const
{
    // QDate counts Monday = 1 ... Sunday = 7.
    return partsOf(m_serial).dayOfWeek % 7 + 1;
}

qint64 Date::millisecondsOfDay() const
{
    return split(m_serial).msOfDay;
}

Date Date::addMilliseconds(qint64 milliseconds) const
{
    const DayAndTime parts = split(m_serial);
    return Date(join(parts.day, parts.msOfDay + milliseconds));
}

namespace {

// The default form of a date whose year is not negative.
void writeDefaultText(TextBuffer &text, const DayAndTime &dayAndTime, const Parts &parts)
{
    if (dayAndTime.day != 0) {
        text.number(parts.month);
        text.put(u'/');
        text.number(parts.day);
        text.put(u'/');
        text.number(parts.year, 4);
        if (dayAndTime.msOfDay < msPerSecond)
            return;
        text.put(u' ');
    }
    text.number(clockHour(parts.hour));
    text.put(u':');
    text.number(parts.minute, 2);
    text.put(u':');
    text.number(parts.second, 2);
    text.put(parts.hour < 12 ? " AM" : " PM");
}

} // namespace

QString Date::toString() const
{
    const DayAndTime dayAndTime = split(m_serial);
    const Parts parts = partsOf(dayAndTime);
    if (parts.year >= 0) {
        // The same texts as below, written straight into one buffer.
        TextBuffer text;
        writeDefaultText(text, dayAndTime, parts);
        return text.text();
    }
    // Milliseconds never show in the default form, so a time below one second counts as midnight.
    const bool midnight = dayAndTime.msOfDay < msPerSecond;
    if (dayAndTime.day == 0)
        return timeText(parts);
    if (midnight)
        return dateText(parts);
    return dateText(parts) + QLatin1Char(' ') + timeText(parts);
}

Date::Text Date::text() const
{
    thread_local DayText lastDay;
    return text(lastDay);
}

Date::Text Date::text(DayText &last) const
{
    const DayAndTime dayAndTime = split(m_serial);
    // The calendar date of the last day asked for is kept, and its text, which writeDefaultText would
    // write the same way.
    if (last.day != dayAndTime.day) {
        const Parts parts = partsOf(DayAndTime{dayAndTime.day, 0});
        last.day = dayAndTime.day;
        last.year = parts.year;
        last.size = 0;
        if (parts.year >= 0) {
            TextBuffer text;
            text.number(parts.month);
            text.put(u'/');
            text.number(parts.day);
            text.put(u'/');
            text.number(parts.year, 4);
            std::copy_n(text.data(), text.size(), last.date);
            last.size = int(text.size());
        }
    }

    Text result;
    result.year = last.year;
    result.millisecondsOfDay = dayAndTime.msOfDay;
    if (last.year < 0)
        return result;
    int at = 0;
    if (dayAndTime.day != 0) {
        std::copy_n(last.date, last.size, result.chars);
        at = last.size;
        if (dayAndTime.msOfDay < msPerSecond) {
            result.size = at;
            return result;
        }
        result.chars[at++] = u' ';
    }
    // Two digits at a time from a table: every live row writes two of these times.
    const auto &pairs = digitPairs;
    const int seconds = int(dayAndTime.msOfDay / msPerSecond);
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int second = seconds % 60;
    const int clock = clockHour(hour);
    char16_t *out = result.chars + at;
    if (clock >= 10) {
        std::memcpy(out, &pairs[std::size_t(2 * clock)], 2 * sizeof(char16_t));
        out += 2;
    } else {
        *out++ = char16_t(u'0' + clock);
    }
    const char16_t tail[] = {u':', pairs[std::size_t(2 * minute)], pairs[std::size_t(2 * minute + 1)], u':',
                             pairs[std::size_t(2 * second)], pairs[std::size_t(2 * second + 1)], u' ',
                             hour < 12 ? u'A' : u'P', u'M'};
    std::memcpy(out, tail, sizeof tail);
    result.size = int(out - result.chars) + int(std::size(tail));
    return result;
}

QString Date::format(const QString &pattern) const
{
    const Parts parts = partsOf(m_serial);
    // The viewer's cell form with milliseconds asks for this pattern once per row.
    if (parts.year >= 0 && pattern == QLatin1StringView("yyyy-mm-dd hh:nn:ss")) {
        TextBuffer text;
        text.number(parts.year, 4);
        text.put(u'-');
        text.number(parts.month, 2);
        text.put(u'-');
        text.number(parts.day, 2);
        text.put(u' ');
        text.number(parts.hour, 2);
        text.put(u':');
        text.number(parts.minute, 2);
        text.put(u':');
        text.number(parts.second, 2);
        // Room for the milliseconds the viewer appends.
        return text.text(pattern.size() + 4);
    }
    return DateFormatter(parts, pattern).run();
}

} // namespace Ostraven
