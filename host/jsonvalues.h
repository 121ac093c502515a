#pragma once

#include "platform/variant.h"

#include <QJsonValue>

namespace Ostraven::Host {

// Dates travel as ISO texts ("yyyy-MM-dd HH:mm:ss", with ".zzz" when there are milliseconds);
// objects as null, since nothing outside the process could use them.
[[nodiscard]] QJsonValue toJson(const Variant &value);
[[nodiscard]] QString isoText(const Date &date);

} // namespace Ostraven::Host
