// The four entry points of the in-process server. They only hand over to the registration and the
// class object; everything else lives in the component's own code.

#include "eventclassfactory.h"

#include "platform/com/comregistry.h"

#include <QFileInfo>

namespace {

QString libraryPath()
{
    return Ostraven::Com::modulePathOf(reinterpret_cast<const void *>(&libraryPath));
}

// The library's one class object, made when first asked for.
Ostraven::EventClassFactory &classObject()
{
    static Ostraven::EventClassFactory factory(QFileInfo(libraryPath()).absolutePath());
    return factory;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) Ostraven::Com::HResult DllRegisterServer()
{
    try {
        Ostraven::Com::ComRegistry().registerClass(Ostraven::EventClassFactory::CLSID,
                                                   Ostraven::EventClassFactory::ProgID, libraryPath());
        return Ostraven::Com::S_OK;
    } catch (...) {
        return Ostraven::Com::SELFREG_E_CLASS;
    }
}

__attribute__((visibility("default"))) Ostraven::Com::HResult DllUnregisterServer()
{
    try {
        Ostraven::Com::ComRegistry().unregisterClass(Ostraven::EventClassFactory::CLSID,
                                                     Ostraven::EventClassFactory::ProgID);
        return Ostraven::Com::S_OK;
    } catch (...) {
        return Ostraven::Com::SELFREG_E_CLASS;
    }
}

__attribute__((visibility("default"))) Ostraven::Com::HResult DllGetClassObject(const QUuid &clsid, const QUuid &iid,
                                                                                void **factory)
{
    if (!factory)
        return Ostraven::Com::E_POINTER;
    *factory = nullptr;
    if (clsid != Ostraven::EventClassFactory::CLSID)
        return Ostraven::Com::CLASS_E_CLASSNOTAVAILABLE;
    void *answer = classObject().queryInterface(iid);
    if (!answer)
        return Ostraven::Com::E_NOINTERFACE;
    *factory = answer;
    return Ostraven::Com::S_OK;
}

__attribute__((visibility("default"))) Ostraven::Com::HResult DllCanUnloadNow()
{
    return classObject().canUnload() ? Ostraven::Com::S_OK : Ostraven::Com::S_FALSE;
}

} // extern "C"
