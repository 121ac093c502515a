#pragma once

#include "model/colourslots.h"

#include "platform/db/connection.h"
#include "platform/dispatch.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace Ostraven {

// The component's shared state, grouped by meaning. Each part names the code that writes it; the
// rest of the component only reads it.

// What the host hands over through the component's properties (component/event.cpp writes them).
struct HostLink {
    ConnectionPtr DBConnection;
    DispatchPtr NTConnection;
    DispatchPtr Parent;
    qint32 CurrentProfileID = 0;
    bool IsAdmin = false;
    qint32 EventQueueID = 0;
};

// The operator's settings, one per stored profile row. Read by the profile load (persist/), set by the
// customisation dialog on OK and by the viewer on unload; MaxLinesSetting is the stored value and
// MaxLines the working limit.
struct ProfileSettings {
    qint32 FilterGroupID = 0;
    qint32 MaxLines = 100;
    qint32 MaxLinesSetting = 100;
    bool LoadCachedEvents = false;
    bool DisplayEventsAtTop = true;
    QString Colors;
    QString ColumnHeaders;
    // The quick type filter the operator last chose from the pop-up menu (its index), kept with the
    // profile; the range it stands for is TypeRange below.
    qint32 TypeFilter = 0;
    // Settings whose stored value could not be read (a failed load) or that the grid could not show:
    // until the operator sets them again, saving leaves their stored rows alone rather than overwriting
    // them with whatever the viewer happened to hold.
    QSet<QString> unreadSettings;
    // The colours setting split into its twelve slots (MPublic::InitColors).
    ColourSlots colourSlots{};
};

// What the operator's filter group and rights let through. The clause builder (filters/) writes the
// group's clause and strings, the permission check writes the rights; the profile routine switches
// the group on and off.
struct FilterState {
    bool FilterActive = false;
    bool FilterInclusive = false;
    QString FilterClause;
    QStringList FilterStrings;
    bool CanViewAllEvents = false;
    bool RoutingEnabled = false;
};

// Switches of the windows' working state, each written by the window or routine named beside it.
struct ViewFlags {
    bool LoadingArchive = false;   // the archive replay, while it runs
    bool closeGuard = false;       // the archive replay: the viewer may not close meanwhile
    bool scrollSuspended = false;  // the viewer and its menu
    bool showMilliseconds = false; // the viewer, from the host's settings
    bool zk2Hardware = false;      // the viewer, from the host's service object
    bool restoreDefaults = false;  // the dialog's restore button
    bool openOnFilters = false;    // the menu, for the dialog's first tab
};

// The event-number range of the quick type filter in force (the menu sets it, admission reads it).
struct TypeRange {
    bool active = false;
    qint32 low = 0;
    qint32 high = 0;
};

} // namespace Ostraven
