#pragma once

// What a host program includes to embed the viewer: the identifiers of the component's creatable
// class, its entry points, the _Event interface and the objects a host hands to it (the database
// connection, late-bound host objects, the desktop). Installed as <ostraven/eventviewobject.h>.

#include "component/eventinterface.h"
#include "platform/com/com.h"
#include "platform/db/connection.h"
#include "platform/desktop/desktopservices.h"
#include "platform/dispatch.h"
#include "platform/hostevent.h"

#include <QString>
#include <QUuid>

namespace Ostraven {

// The component library (type library EventViewObject) as a host names it: the class identifier and
// programmatic name of its one creatable class, Event.
struct EventViewObject {
    static inline const QUuid EventClassId{QStringLiteral("{4b8e6f2a-1c3d-4e5f-9a7b-0c1d2e3f4a5b}")};
    static inline const QString EventProgId = QStringLiteral("EventViewObject.Event");
    static inline const QString LibraryFileName = QStringLiteral("libEventViewObject.so");
};

} // namespace Ostraven

// The library's exports. A host that loads the component at run time looks them up by these names
// (dlsym) with the signatures of Ostraven::Com; one that links the library may call them directly.
extern "C" {
Ostraven::Com::HResult DllRegisterServer();
Ostraven::Com::HResult DllUnregisterServer();
Ostraven::Com::HResult DllGetClassObject(const QUuid &clsid, const QUuid &iid, void **factory);
Ostraven::Com::HResult DllCanUnloadNow();
}
