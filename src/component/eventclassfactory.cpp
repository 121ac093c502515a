#include "eventclassfactory.h"

#include "componentwindows.h"
#include "event.h"

#include "module/mpublic.h"
#include "platform/desktop/qtdesktop.h"

namespace Ostraven {

EventClassFactory::EventClassFactory(QString logFolder) : m_logFolder(std::move(logFolder)) {}

EventClassFactory::~EventClassFactory() = default;

void *EventClassFactory::queryInterface(const QUuid &iid)
{
    if (iid == Com::IID_IClassFactory)
        return static_cast<Com::ClassFactory *>(this);
    if (iid == ComponentSite::IID)
        return static_cast<ComponentSite *>(this);
    return nullptr;
}

Com::HResult EventClassFactory::createInstance(const QUuid &iid, std::shared_ptr<Com::Unknown> *object)
{
    if (!object)
        return Com::E_POINTER;
    std::shared_ptr<MPublic> module = m_module.lock();
    if (!module) {
        if (!m_desktop)
            m_desktop = std::make_shared<QtDesktop>();
        module = std::make_shared<MPublic>(m_desktop, m_logFolder);
        ComponentWindows::attachTo(*module);
        m_module = module;
    }
    auto event = std::make_shared<Event>(module);
    if (!event->queryInterface(iid))
        return Com::E_NOINTERFACE;
    *object = event;
    return Com::S_OK;
}

Com::HResult EventClassFactory::lockServer(bool lock)
{
    m_locks += lock ? 1 : -1;
    return Com::S_OK;
}

void EventClassFactory::setDesktopServices(std::shared_ptr<DesktopServices> desktop)
{
    // The module keeps the desktop it was made with; a change applies to a module not yet made.
    m_desktop = std::move(desktop);
}

bool EventClassFactory::canUnload() const
{
    return m_locks <= 0 && Event::liveObjects() == 0;
}

} // namespace Ostraven
