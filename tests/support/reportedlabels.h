#pragma once

#include "platform/desktop/scripteddesktop.h"

#include <string>
#include <vector>

namespace Ostraven::Testing {

// The <label> of "Function: <source>.<label>(<line>)" in every error box the desktop has shown.
[[nodiscard]] inline std::vector<std::string> reportedLabels(const ScriptedDesktop &desktop)
{
    std::vector<std::string> labels;
    for (const ScriptedDesktop::ShownBox &box : desktop.boxes())
        labels.push_back(box.request.text.section("Function: ", 1).section('.', 1, -1).section('(', 0, 0).toStdString());
    return labels;
}

} // namespace Ostraven::Testing
