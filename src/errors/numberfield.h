#pragma once

#include <QJsonValue>
#include <QString>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace Ostraven {

// Numbers that arrive from outside (JSON numbers are doubles; command-line options are texts) and are
// meant as a field of a given type. Converting a double outside the target type is undefined, and a
// silent clamp would act on a value the caller never gave, so every such number is checked here first
// and refused with a message that names the field and its range.
// Header-only: the host and the component's dialog driver both use it, and they share no library
// beyond the platform.
class NumberField
{
public:
    struct Range {
        // Bounds beyond +-2^53 would not survive the comparison in double.
        qint64 min;
        qint64 max;
    };
    static constexpr Range Long{-2147483647 - 1, 2147483647};
    static constexpr Range Integer{-32768, 32767};

    // The value when it is finite, whole and within range.
    [[nodiscard]] static std::optional<qint64> wholeIn(double value, Range range)
    {
        if (!std::isfinite(value) || std::trunc(value) != value)
            return std::nullopt;
        if (value < double(range.min) || value > double(range.max))
            return std::nullopt;
        return static_cast<qint64>(value);
    }

    [[nodiscard]] static QString wholeMessage(QStringView field, Range range)
    {
        return QStringLiteral("\"%1\" must be a whole number from %2 to %3").arg(field).arg(range.min).arg(range.max);
    }

    // A JSON value that must be a whole number in range; raises std::invalid_argument otherwise. The
    // range must lie within Int.
    template<typename Int = qint32>
    [[nodiscard]] static Int whole(const QJsonValue &value, QStringView field, Range range = Long)
    {
        const std::optional<qint64> number = value.isDouble() ? wholeIn(value.toDouble(), range) : std::nullopt;
        if (!number)
            throw std::invalid_argument(wholeMessage(field, range).toStdString());
        return static_cast<Int>(*number);
    }

    // The same for a command-line text ("--listen 8080").
    template<typename Int = qint32>
    [[nodiscard]] static Int wholeFromText(const QString &text, QStringView field, Range range)
    {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        const std::optional<qint64> number = ok ? wholeIn(value, range) : std::nullopt;
        if (!number)
            throw std::invalid_argument(wholeMessage(field, range).toStdString());
        return static_cast<Int>(*number);
    }

    // A command-line text that must be a finite number from min to max ("--rate 2.5").
    [[nodiscard]] static double realFromText(const QString &text, QStringView field, double min, double max)
    {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < min || value > max) {
            throw std::invalid_argument(
                QStringLiteral("\"%1\" must be a number from %2 to %3").arg(field).arg(min).arg(max).toStdString());
        }
        return value;
    }
};

} // namespace Ostraven
