#include "componentsnapshot.h"

#include "dialogcontrol.h"
#include "menus/fmenu.h"
#include "module/mpublic.h"
#include "viewer/fevents.h"

#include <QAction>
#include <QJsonArray>

namespace Ostraven {

namespace {

QJsonObject windowsOf(const MPublic &module)
{
    return QJsonObject{{QStringLiteral("FEvents"), module.windows().isEventsLoaded()},
                       {QStringLiteral("FMenu"), module.windows().isMenuLoaded()},
                       {QStringLiteral("FCustom"), module.windows().isCustomLoaded()}};
}

QJsonObject stateOf(const MPublic &module)
{
    QJsonArray slots;
    for (const qint32 colour : module.profile.colourSlots)
        slots.append(colour);
    return QJsonObject{
        {QStringLiteral("MaxLines"), module.profile.MaxLines},
        {QStringLiteral("MaxLinesSetting"), module.profile.MaxLinesSetting},
        {QStringLiteral("LoadCachedEvents"), module.profile.LoadCachedEvents},
        {QStringLiteral("DisplayEventsAtTop"), module.profile.DisplayEventsAtTop},
        {QStringLiteral("FilterGroupID"), module.profile.FilterGroupID},
        {QStringLiteral("Colors"), module.profile.Colors},
        {QStringLiteral("ColumnHeaders"), module.profile.ColumnHeaders},
        {QStringLiteral("TypeFilter"), module.profile.TypeFilter},
        {QStringLiteral("colour_slots"), slots},
        {QStringLiteral("FilterActive"), module.filter.FilterActive},
        {QStringLiteral("FilterInclusive"), module.filter.FilterInclusive},
        {QStringLiteral("FilterClause"), module.filter.FilterClause},
        {QStringLiteral("FilterStrings"), QJsonArray::fromStringList(module.filter.FilterStrings)},
        {QStringLiteral("CanViewAllEvents"), module.filter.CanViewAllEvents},
        {QStringLiteral("RoutingEnabled"), module.filter.RoutingEnabled},
        {QStringLiteral("LoadingArchive"), module.view.LoadingArchive},
        {QStringLiteral("type_filter"),
         QJsonObject{{QStringLiteral("active"), module.typeRange.active},
                     {QStringLiteral("low"), module.typeRange.low},
                     {QStringLiteral("high"), module.typeRange.high}}},
        {QStringLiteral("scroll_suspended"), module.view.scrollSuspended},
        {QStringLiteral("show_ms"), module.view.showMilliseconds},
        {QStringLiteral("zk2_hardware"), module.view.zk2Hardware},
        {QStringLiteral("restore_defaults"), module.view.restoreDefaults},
        {QStringLiteral("open_on_filters"), module.view.openOnFilters},
        {QStringLiteral("buffer_count"), module.bufferCount()},
        {QStringLiteral("EventQueueID"), module.host.EventQueueID},
    };
}

QJsonArray itemsOf(const FMenu &menu, int count, QAction *(FMenu::*item)(int) const)
{
    QJsonArray items;
    for (int index = 0; index < count; ++index) {
        const QAction &action = *(menu.*item)(index);
        items.append(QJsonObject{{QStringLiteral("index"), index},
                                 {QStringLiteral("caption"), action.text()},
                                 {QStringLiteral("enabled"), FMenu::itemEnabled(action)},
                                 {QStringLiteral("checked"), action.isChecked()},
                                 {QStringLiteral("visible"), action.isVisible()}});
    }
    return items;
}

QJsonValue menuOf(MPublic &module)
{
    if (!module.windows().isMenuLoaded())
        return QJsonValue::Null;
    const FMenu &menu = module.windows().menu();
    return QJsonObject{{QStringLiteral("events"), itemsOf(menu, FMenu::eventItemCount, &FMenu::mnuEventArray)},
                       {QStringLiteral("filters"), itemsOf(menu, FMenu::filterItemCount, &FMenu::mnuFilterArray)}};
}

} // namespace

QJsonObject snapshotOf(MPublic &module)
{
    QJsonObject result{{QStringLiteral("windows"), windowsOf(module)}, {QStringLiteral("state"), stateOf(module)}};
    result.insert(QStringLiteral("grid"),
                  module.windows().isEventsLoaded() ? QJsonValue(module.windows().events().vGrid->dumpState()) : QJsonValue::Null);
    result.insert(QStringLiteral("menu"), menuOf(module));
    result.insert(QStringLiteral("dialog"),
                  module.windows().isCustomLoaded() ? QJsonValue(DialogControl(module.windows().custom()).dump()) : QJsonValue::Null);
    return result;
}

} // namespace Ostraven
