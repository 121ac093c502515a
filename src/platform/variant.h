#pragma once

#include "date.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <variant>

namespace Ostraven {

class Dispatch;
using DispatchPtr = std::shared_ptr<Dispatch>;

enum class VarType { Empty, Null, Boolean, Integer, Long, Double, Date, String, Object };

// The host platform's variant value. Integer is 16-bit, Long 32-bit, as the host's types are.
class Variant
{
public:
    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(qint16 value) : m_value(value) {}
    Variant(qint32 value) : m_value(value) {}
    Variant(double value) : m_value(value) {}
    Variant(Date value) : m_value(value) {}
    Variant(QString value) : m_value(std::move(value)) {}
    Variant(const char *value) : m_value(QString::fromUtf8(value)) {}
    Variant(DispatchPtr value) : m_value(std::move(value)) {}

    [[nodiscard]] static Variant null()
    {
        Variant v;
        v.m_value = NullTag{};
        return v;
    }

    [[nodiscard]] VarType type() const { return static_cast<VarType>(m_value.index()); }
    [[nodiscard]] bool isEmpty() const { return type() == VarType::Empty; }
    [[nodiscard]] bool isNull() const { return type() == VarType::Null; }
    [[nodiscard]] bool isObject() const { return type() == VarType::Object; }
    [[nodiscard]] bool isString() const { return type() == VarType::String; }
    [[nodiscard]] bool isNumber() const
    {
        const VarType t = type();
        return t == VarType::Integer || t == VarType::Long || t == VarType::Double;
    }

    // Raw access without conversion; the caller has checked type().
    [[nodiscard]] bool asBool() const { return std::get<bool>(m_value); }
    [[nodiscard]] qint16 asInteger() const { return std::get<qint16>(m_value); }
    [[nodiscard]] qint32 asLong() const { return std::get<qint32>(m_value); }
    [[nodiscard]] double asDouble() const { return std::get<double>(m_value); }
    [[nodiscard]] Date asDate() const { return std::get<Date>(m_value); }
    [[nodiscard]] const QString &asString() const { return std::get<QString>(m_value); }
    [[nodiscard]] const DispatchPtr &asObject() const { return std::get<DispatchPtr>(m_value); }

    // The platform's name of the type ("Empty", "Null", "Boolean", "Integer", "Long", "Double",
    // "Date", "String", "Object").
    [[nodiscard]] QString typeName() const;

    // Same type and same value (objects: the same object). Not the platform's "=" operator.
    friend bool operator==(const Variant &, const Variant &) = default;

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    std::variant<std::monostate, NullTag, bool, qint16, qint32, double, Date, QString, DispatchPtr> m_value;
};

// Conversions with the host platform's semantics. All raise VbError: 13 for a value of the wrong
// kind, 6 for a number out of range, 94 for Null where a value is needed. Texts convert to numbers
// only when IsNumeric accepts them.
// Doubles are written with up to 15 significant digits, as the platform prints them ("1.5", "0.3",
// "1E+15"); dates in the default form of Date::toString.
[[nodiscard]] QString CStr(const Variant &value);
// Round half to even, as the platform's integer conversions do.
[[nodiscard]] qint32 CLng(const Variant &value);
[[nodiscard]] qint16 CInt(const Variant &value);
[[nodiscard]] bool CBool(const Variant &value);
[[nodiscard]] double CDbl(const Variant &value);
[[nodiscard]] Date CDate(const Variant &value);

// The leading decimal number of a text (blanks skipped, sign, digits, one point); 0 when none.
// No exponent: Val("1e3") is 1.
[[nodiscard]] double Val(const QString &text);
// The general numeric-text test: optional blanks, one sign, digits with at most one decimal point.
// Exponents ("1e3"), thousands separators and currency signs are not numeric. Numbers, Booleans
// and Empty are numeric; Null, dates and objects are not.
[[nodiscard]] bool IsNumeric(const Variant &value);
// True for a Date and for a text Date::parse reads; numbers are not dates.
[[nodiscard]] bool IsDate(const Variant &value);

// Round half to even to a whole number, as CLng does before its range check.
[[nodiscard]] double roundHalfEven(double value);

} // namespace Ostraven
