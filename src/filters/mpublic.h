#pragma once

#include "errors/errorhandling.h"
#include "model/colourslots.h"

#include "platform/db/connection.h"
#include "platform/dispatch.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

namespace Ostraven {

class DesktopServices;
class FEvents;
class FMenu;
class FCustom;
class cCachedZEKOEventTypes;
class cCircularBuffer;

// The component's shared module: one set of state for the whole loaded component (host objects,
// profile settings, colour slots, filter state, flags) and the windows, created on first reference.
// Windows and classes hold a reference to it; tests build their own, so each starts clean.
class MPublic
{
public:
    MPublic(std::shared_ptr<DesktopServices> desktop, QString logFolder);
    ~MPublic();

    MPublic(const MPublic &) = delete;
    MPublic &operator=(const MPublic &) = delete;

    // Host objects and values.
    ConnectionPtr DBConnection;
    DispatchPtr NTConnection;
    DispatchPtr Parent;
    qint32 CurrentProfileID = 0;
    bool IsAdmin = false;
    qint32 EventQueueID = 0;

    // Profile settings. MaxLinesSetting is the stored value, MaxLines the working limit.
    qint32 FilterGroupID = 0;
    qint32 MaxLines = 100;
    qint32 MaxLinesSetting = 100;
    bool LoadCachedEvents = false;
    bool DisplayEventsAtTop = true;
    QString Colors;
    QString ColumnHeaders;
    qint32 TypeFilter = 0;
    // Settings whose stored value could not be read (a failed load) or that the grid could not show:
    // until the operator sets them again, saving leaves their stored rows alone rather than overwriting
    // them with whatever the viewer happened to hold.
    QSet<QString> unreadSettings;

    ColourSlots colourSlots{};

    bool FilterActive = false;
    bool FilterInclusive = false;
    QString FilterClause;
    QStringList FilterStrings;
    bool CanViewAllEvents = false;
    bool RoutingEnabled = false;
    bool LoadingArchive = false;
    bool closeGuard = false;

    struct TypeFilterRange {
        bool active = false;
        qint32 low = 0;
        qint32 high = 0;
    } typeFilter;

    bool scrollSuspended = false;
    // The parked events of a suspended grid and the second family's event definitions: one of each
    // per component, made on first use.
    [[nodiscard]] cCircularBuffer &messageBuffer();
    [[nodiscard]] cCachedZEKOEventTypes &zekoEventTypes();
    [[nodiscard]] int bufferCount() const;
    bool showMilliseconds = false;
    bool zk2Hardware = false;
    bool restoreDefaults = false;
    bool openOnFilters = false;

    // Shared utilities.
    // A date text the platform's date conversion accepts, repaired from a text of uncertain form;
    // empty when it cannot be repaired.
    [[nodiscard]] static QString CleanDateStr(const QString &text);
    // The localised resource text; with texts, the host's composition of the resource with them.
    [[nodiscard]] QString GRS(qint32 number, const QStringList &texts = {});
    // The text made safe between single quotes in SQL, by the host's rules.
    [[nodiscard]] QString FixA(const QString &text);
    // The colours setting split into the twelve colour slots.
    void InitColors();

    [[nodiscard]] DesktopServices &desktop() { return *m_desktop; }
    [[nodiscard]] ErrorHandling &errors() { return m_errors; }

    // The viewer window, loaded (its load handler run) on first reference.
    [[nodiscard]] FEvents &events();
    [[nodiscard]] bool isEventsLoaded() const { return m_events != nullptr; }
    // Unloads the viewer window as closing it would; false when its handlers cancelled the unload.
    bool unloadEvents();
    // Called by the window when it has gone (closed by the operator).
    void eventsWindowGone(FEvents *window);
    // The menu window, loaded on first reference.
    [[nodiscard]] FMenu &menu();
    [[nodiscard]] bool isMenuLoaded() const { return m_menu != nullptr; }
    void unloadMenu();
    // Opens the customisation dialog on its filters tab or on its general tab.
    void showCustomDialog(bool openOnFilters);
    // The customisation dialog, created and loaded on first reference.
    [[nodiscard]] FCustom &custom();
    [[nodiscard]] bool isCustomLoaded() const { return m_custom != nullptr; }
    void unloadCustom();

    // The connection, or VbError 91 when the host has not handed one over.
    [[nodiscard]] Connection &db();
    // The host's service object, or VbError 91.
    [[nodiscard]] Dispatch &nt();
    // The host's parent object, or VbError 91.
    [[nodiscard]] Dispatch &parent();

private:
    std::shared_ptr<DesktopServices> m_desktop;
    ErrorHandling m_errors;
    FEvents *m_events = nullptr;
    FMenu *m_menu = nullptr;
    FCustom *m_custom = nullptr;
    std::unique_ptr<cCircularBuffer> m_messageBuffer;
    std::unique_ptr<cCachedZEKOEventTypes> m_zekoEventTypes;
};

} // namespace Ostraven
