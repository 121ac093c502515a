#pragma once

#include "eventinterface.h"
#include "eventviewobject.h"

#include <QString>

#include <memory>

namespace Ostraven {

class MPublic;

// The class object of Event. Every Event object alive at one time shares one module (one viewer per
// loaded component). The module goes with the last object, as the library itself would be unloaded
// then, so that no window outlives the objects the host holds.
class EventClassFactory : public Com::ClassFactory, public ComponentSite
{
public:
    static inline const QUuid CLSID = EventViewObject::EventClassId;
    static inline const QString ProgID = EventViewObject::EventProgId;

    // logFolder: where the error report writes its log (the folder of the component's file); the
    // report falls back to the user's state folder when that one is not writable.
    explicit EventClassFactory(QString logFolder);
    ~EventClassFactory() override;

    void *queryInterface(const QUuid &iid) override;
    Com::HResult createInstance(const QUuid &iid, std::shared_ptr<Com::Unknown> *object) override;
    Com::HResult lockServer(bool lock) override;
    void setDesktopServices(std::shared_ptr<DesktopServices> desktop) override;

    // True when no object and no lock keeps the library in use.
    [[nodiscard]] bool canUnload() const;

private:
    QString m_logFolder;
    std::shared_ptr<DesktopServices> m_desktop;
    std::weak_ptr<MPublic> m_module;
    int m_locks = 0;
};

} // namespace Ostraven
