#pragma once

#include <QJsonObject>

namespace Ostraven {

class MPublic;

// The observable state of a component for the host's dump: which windows are loaded, the grid and
// the shared state, under the names the control protocol documents.
[[nodiscard]] QJsonObject snapshotOf(MPublic &module);

} // namespace Ostraven
