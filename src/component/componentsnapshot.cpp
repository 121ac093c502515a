#include "componentsnapshot.h"

#include "customise/dialogcontrol.h"
#include "filters/mpublic.h"
#include "menus/fmenu.h"
#include "viewer/fevents.h"

#include <QAction>
#include <QJsonArray>

namespace Ostraven {

namespace {

QJsonObject windowsOf(const MPublic &module)
{
    return QJsonObject{{QStringLiteral("FEvents"), module.isEventsLoaded()},
                       {QStringLiteral("FMenu"), module.isMenuLoaded()},
                       {QStringLiteral("FCustom"), module.isCustomLoaded()}};
}

QJsonObject stateOf(const MPublic &module)
{
    QJsonArray slots;
    for (const qint32 colour : module.colourSlots)
        slots.append(colour);
    return QJsonObject{
        {QStringLiteral("MaxLines"), module.MaxLines},
        {QStringLiteral("MaxLinesSetting"), module.MaxLinesSetting},
        {QStringLiteral("LoadCachedEvents"), module.LoadCachedEvents},
        {QStringLiteral("DisplayEventsAtTop"), module.DisplayEventsAtTop},
        {QStringLiteral("FilterGroupID"), module.FilterGroupID},
        {QStringLiteral("Colors"), module.Colors},
        {QStringLiteral("ColumnHeaders"), module.ColumnHeaders},
        {QStringLiteral("TypeFilter"), module.TypeFilter},
        {QStringLiteral("colour_slots"), slots},
        {QStringLiteral("FilterActive"), module.FilterActive},
        {QStringLiteral("FilterInclusive"), module.FilterInclusive},
        {QStringLiteral("FilterClause"), module.FilterClause},
        {QStringLiteral("FilterStrings"), QJsonArray::fromStringList(module.FilterStrings)},
        {QStringLiteral("CanViewAllEvents"), module.CanViewAllEvents},
        {QStringLiteral("RoutingEnabled"), module.RoutingEnabled},
        {QStringLiteral("LoadingArchive"), module.LoadingArchive},
        {QStringLiteral("type_filter"),
         QJsonObject{{QStringLiteral("active"), module.typeFilter.active},
                     {QStringLiteral("low"), module.typeFilter.low},
                     {QStringLiteral("high"), module.typeFilter.high}}},
        {QStringLiteral("scroll_suspended"), module.scrollSuspended},
        {QStringLiteral("show_ms"), module.showMilliseconds},
        {QStringLiteral("zk2_hardware"), module.zk2Hardware},
        {QStringLiteral("restore_defaults"), module.restoreDefaults},
        {QStringLiteral("open_on_filters"), module.openOnFilters},
        {QStringLiteral("buffer_count"), module.bufferCount()},
        {QStringLiteral("EventQueueID"), module.EventQueueID},
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
    if (!module.isMenuLoaded())
        return QJsonValue::Null;
    const FMenu &menu = module.menu();
    return QJsonObject{{QStringLiteral("events"), itemsOf(menu, FMenu::eventItemCount, &FMenu::mnuEventArray)},
                       {QStringLiteral("filters"), itemsOf(menu, FMenu::filterItemCount, &FMenu::mnuFilterArray)}};
}

} // namespace

QJsonObject snapshotOf(MPublic &module)
{
    QJsonObject result{{QStringLiteral("windows"), windowsOf(module)}, {QStringLiteral("state"), stateOf(module)}};
    result.insert(QStringLiteral("grid"),
                  module.isEventsLoaded() ? QJsonValue(module.events().vGrid->dumpState()) : QJsonValue::Null);
    result.insert(QStringLiteral("menu"), menuOf(module));
    result.insert(QStringLiteral("dialog"),
                  module.isCustomLoaded() ? QJsonValue(DialogControl(module.custom()).dump()) : QJsonValue::Null);
    return result;
}

} // namespace Ostraven
