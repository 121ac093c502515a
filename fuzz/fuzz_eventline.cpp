// The text-line pipeline: one comma-separated event line through the viewer's row insertion
// (routing, admission against a filter group, the type filter, colouring, the grid).
//
// Input: the event line, then optionally "\n" and filter strings one per line, then one byte of
// switches (bit 0 filter group active, 1 inclusive group, 2 operator may see everything, 3 type
// filter 2000-3900 / index 2, 4 routing during archive replay, 5 scrolling suspended, 6 newest row
// at the top, 7 milliseconds shown).

#include "support/fuzzsupport.h"

#include "viewer/fevents.h"

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

// The grid never holds more than this many rows, whatever the input does.
constexpr int maxLines = 5;

struct Viewer {
    std::unique_ptr<MPublic> module;
    FEvents *window = nullptr;
};

Viewer &viewer()
{
    static Viewer *v = [] {
        auto *made = new Viewer;
        made->module = FuzzSite::instance().makeModule();
        made->module->profile.ColumnHeaders = QStringLiteral("Use Object Default");
        made->window = &made->module->windows().events();
        return made;
    }();
    return *v;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    (void)viewer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TextAndSwitches input;
    if (!splitInput(data, size, input))
        return 0;
    FuzzSite::instance().reset();
    Viewer &v = viewer();
    MPublic &module = *v.module;
    const QStringList lines = input.text.split(QLatin1Char('\n'));

    module.filter.FilterActive = input.on(0);
    module.filter.FilterInclusive = input.on(1);
    module.filter.FilterStrings = lines.mid(1);
    module.filter.CanViewAllEvents = input.on(2);
    module.typeRange = {input.on(3), 2000, 3900};
    module.profile.TypeFilter = 2;
    module.filter.RoutingEnabled = input.on(4);
    module.view.LoadingArchive = input.on(4);
    module.view.scrollSuspended = input.on(5);
    module.profile.DisplayEventsAtTop = input.on(6);
    module.view.showMilliseconds = input.on(7);
    module.profile.MaxLines = maxLines;

    const int before = v.window->vGrid->rowCount();
    const bool shown = v.window->AddEvent(lines.first());
    const int after = v.window->vGrid->rowCount();
    if (shown && !module.view.scrollSuspended && after != std::min(before + 1, maxLines))
        invariantBroken("a shown event did not become exactly one row", lines.first());
    if ((!shown || module.view.scrollSuspended) && after != before)
        invariantBroken("an event that was not shown changed the grid", lines.first());
    // Keep the grid small but not always empty, so trimming is reached.
    if (after >= maxLines)
        v.window->vGrid->clear();
    return 0;
}
