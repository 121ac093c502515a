// The profile's layout texts: the viewer's column set built from a ColumnHeaders text (and the
// dialog's column list from the same text), and the colour slots from a Colors text.
//
// Input: the ColumnHeaders text, "\n", the Colors text. A layout the viewer builds without a
// complaint, saved and loaded again, must give the same layout: that is what every close and
// reopen of the viewer does with it.

#include "support/fuzzsupport.h"

#include "customise/columnsandcolours.h"
#include "viewer/fevents.h"

#include "platform/vberror.h"

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

// The column-header string of a viewer loaded with this layout; empty with a box when it failed.
QString loadedLayout(const QString &columnHeaders, const QString &colors)
{
    std::unique_ptr<MPublic> module = FuzzSite::instance().makeModule();
    module->profile.ColumnHeaders = columnHeaders;
    module->profile.Colors = colors;
    module->InitColors();
    return module->windows().events().columnHeaderString();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    (void)FuzzSite::instance();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzSite &site = FuzzSite::instance();
    site.reset();
    const QString text = textOf(data, size);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const QString columnHeaders = newline < 0 ? text : text.left(newline);
    const QString colors = newline < 0 ? QString() : text.mid(newline + 1);

    // The dialog's list raises for a malformed element; its caller reports that through its route.
    try {
        (void)ColumnsAndColours::listedColumns(columnHeaders);
    } catch (const VbError &) {
    }

    const QString saved = loadedLayout(columnHeaders, colors);
    const bool complained = !site.desktop().boxes().empty();
    site.reset();
    if (complained)
        return 0;
    const QString reloaded = loadedLayout(saved, colors);
    if (!site.desktop().boxes().empty())
        invariantBroken("a saved layout does not load again", saved);
    if (reloaded != saved)
        invariantBroken("a saved layout loads as another one", saved + QStringLiteral("\n->\n") + reloaded);
    return 0;
}
