#include "variant.h"

#include "dispatch.h"
#include "vberror.h"

#include <cmath>
#include <limits>

namespace Ostraven {

namespace {

[[noreturn]] void raise(int number)
{
    throw VbError::fromNumber(number);
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The general numeric-text test and its value: blanks around, one sign, digits with at most one
// decimal point and at least one digit. Exponents, thousands separators and currency signs are
// not numbers here, so that address parts such as "1e3" stay texts.
std::optional<double> numericText(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    qsizetype at = begin;
    const bool negative = at < end && text.at(at) == QLatin1Char('-');
    if (at < end && (text.at(at) == QLatin1Char('+') || negative))
        ++at;
    int digits = 0;
    bool point = false;
    qint64 whole = 0;
    for (; at < end; ++at) {
        const QChar c = text.at(at);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            whole = digits <= 15 ? whole * 10 + (c.unicode() - u'0') : whole;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // A whole number of up to 15 digits is exact in a double, so it needs no general conversion
    // (which costs as much as the rest of reading an archived row's fields).
    if (!point && digits <= 15)
        return negative ? -double(whole) : double(whole);
    return text.mid(begin, end - begin).toDouble();
}

double numberFromText(const QString &text)
{
    const std::optional<double> value = numericText(text);
    if (!value)
        raise(VbError::TypeMismatch);
    return *value;
}

template <typename Integer>
Integer toInteger(const Variant &value)
{
    const double rounded = roundHalfEven(CDbl(value));
    if (!(rounded >= std::numeric_limits<Integer>::min() && rounded <= std::numeric_limits<Integer>::max()))
        raise(VbError::Overflow);
    return static_cast<Integer>(rounded);
}

QString textOfDouble(double value)
{
    if (std::isnan(value) || std::isinf(value))
        raise(VbError::Overflow);
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    // Fifteen significant digits, as the platform prints a double; the exponent as it writes it.
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

bool textIsTrue(const QString &text, bool &result)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        result = true;
        return true;
    }
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        result = false;
        return true;
    }
    return false;
}

// The platform's date range, 1 January 100 to 31 December 9999.
constexpr double firstSerial = -657434.0;
constexpr double lastSerial = 2958466.0;
constexpr int lastYear = 9999;

} // namespace

QString Variant::typeName() const
{
    switch (type()) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::Null: return QStringLiteral("Null");
    case VarType::Boolean: return QStringLiteral("Boolean");
    case VarType::Integer: return QStringLiteral("Integer");
    case VarType::Long: return QStringLiteral("Long");
    case VarType::Double: return QStringLiteral("Double");
    case VarType::Date: return QStringLiteral("Date");
    case VarType::String: return QStringLiteral("String");
    case VarType::Object: return QStringLiteral("Object");
    }
    return QString();
}

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double difference = value - below;
    if (difference < 0.5)
        return below;
    if (difference > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

QString CStr(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty: return QString();
    case VarType::Null: raise(VbError::InvalidUseOfNull);
    case VarType::Boolean: return value.asBool() ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Integer: return QString::number(value.asInteger());
    case VarType::Long: return QString::number(value.asLong());
    case VarType::Double: return textOfDouble(value.asDouble());
    case VarType::Date: return value.asDate().toString();
    case VarType::String: return value.asString();
    case VarType::Object: break;
    }
    raise(VbError::TypeMismatch);
}

double CDbl(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty: return 0.0;
    case VarType::Null: raise(VbError::InvalidUseOfNull);
    case VarType::Boolean: return value.asBool() ? -1.0 : 0.0;
    case VarType::Integer: return value.asInteger();
    case VarType::Long: return value.asLong();
    case VarType::Double: return value.asDouble();
    case VarType::Date: return value.asDate().serial();
    case VarType::String: return numberFromText(value.asString());
    case VarType::Object: break;
    }
    raise(VbError::TypeMismatch);
}

qint32 CLng(const Variant &value)
{
    return toInteger<qint32>(value);
}

qint16 CInt(const Variant &value)
{
    return toInteger<qint16>(value);
}

bool CBool(const Variant &value)
{
    if (value.isString()) {
        bool result = false;
        if (textIsTrue(value.asString(), result))
            return result;
    }
    if (value.type() == VarType::Boolean)
        return value.asBool();
    return CDbl(value) != 0.0;
}

Date CDate(const Variant &value)
{
    switch (value.type()) {
    case VarType::Null: raise(VbError::InvalidUseOfNull);
    case VarType::Date: return value.asDate();
    case VarType::String: {
        const std::optional<Date> parsed = Date::parse(value.asString());
        if (!parsed)
            raise(VbError::TypeMismatch);
        return *parsed;
    }
    case VarType::Object: raise(VbError::TypeMismatch);
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: break;
    }
    const double serial = CDbl(value);
    if (!(serial > firstSerial - 1.0 && serial < lastSerial))
        raise(VbError::Overflow);
    // Dates keep whole milliseconds: the last half millisecond of 31 December 9999 rounds into a
    // year no date text can hold.
    const Date date(serial);
    if (date.year() > lastYear)
        raise(VbError::Overflow);
    return date;
}

double Val(const QString &text)
{
    qsizetype at = 0;
    while (at < text.size() && isBlank(text.at(at)))
        ++at;
    const qsizetype begin = at;
    if (at < text.size() && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-')))
        ++at;
    bool digits = false;
    bool point = false;
    for (; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits = true;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    return text.mid(begin, at - begin).toDouble();
}

bool IsNumeric(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double: return true;
    case VarType::String: return numericText(value.asString()).has_value();
    case VarType::Null:
    case VarType::Date:
    case VarType::Object: return false;
    }
    return false;
}

bool IsDate(const Variant &value)
{
    if (value.type() == VarType::Date)
        return true;
    return value.isString() && Date::parse(value.asString()).has_value();
}

} // namespace Ostraven
