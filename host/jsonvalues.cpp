#include "jsonvalues.h"

namespace Ostraven::Host {

QString isoText(const Date &date)
{
    QString text = date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    if (const int ms = date.millisecond(); ms != 0)
        text += QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
    return text;
}

QJsonValue toJson(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
        return QJsonValue::Null;
    case VarType::Boolean:
        return value.asBool();
    case VarType::Integer:
        return value.asInteger();
    case VarType::Long:
        return value.asLong();
    case VarType::Double:
        return value.asDouble();
    case VarType::Date:
        return isoText(value.asDate());
    case VarType::String:
        return value.asString();
    }
    return QJsonValue::Null;
}

} // namespace Ostraven::Host
