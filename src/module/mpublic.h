#pragma once

#include "sharedstate.h"
#include "windows.h"

#include "errors/errorhandling.h"

#include <memory>

namespace Ostraven {

class DesktopServices;
class cCachedZEKOEventTypes;
class cCircularBuffer;

// The component's shared module: one per loaded component, held by every window and class of it.
// Its state comes in named parts (sharedstate.h); its windows are reached through windows(), which
// the component attaches. Tests build their own, so each starts clean.
class MPublic
{
public:
    MPublic(std::shared_ptr<DesktopServices> desktop, QString logFolder);
    ~MPublic();

    MPublic(const MPublic &) = delete;
    MPublic &operator=(const MPublic &) = delete;

    HostLink host;
    ProfileSettings profile;
    FilterState filter;
    ViewFlags view;
    TypeRange typeRange;

    // The parked events of a suspended grid and the second family's event definitions: one of each
    // per component, made on first use.
    [[nodiscard]] cCircularBuffer &messageBuffer();
    [[nodiscard]] cCachedZEKOEventTypes &zekoEventTypes();
    [[nodiscard]] int bufferCount() const;

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

    // The windows; VbError 91 until the component has attached them. The module keeps the directory
    // and lets it go first when it goes, while the state the windows read is still there.
    [[nodiscard]] Windows &windows();
    [[nodiscard]] const Windows &windows() const;
    void attachWindows(std::unique_ptr<Windows> windows);

    // The connection, or VbError 91 when the host has not handed one over.
    [[nodiscard]] Connection &db();
    // The host's service object, or VbError 91.
    [[nodiscard]] Dispatch &nt();
    // The host's parent object, or VbError 91.
    [[nodiscard]] Dispatch &parent();

private:
    std::shared_ptr<DesktopServices> m_desktop;
    ErrorHandling m_errors;
    std::unique_ptr<Windows> m_windows;
    std::unique_ptr<cCircularBuffer> m_messageBuffer;
    std::unique_ptr<cCachedZEKOEventTypes> m_zekoEventTypes;
};

} // namespace Ostraven
