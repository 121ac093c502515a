#include "comregistry.h"

#include "platform/vberror.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <dlfcn.h>

namespace Ostraven::Com {

namespace {

QString classKey(const QUuid &clsid)
{
    return QStringLiteral("CLSID/") + clsid.toString(QUuid::WithoutBraces);
}

QString progIdKey(const QString &progId)
{
    return QStringLiteral("ProgID/") + progId;
}

VbError cannotCreate(const QString &why)
{
    return VbError(429, QStringLiteral("ActiveX component can't create object (%1)").arg(why),
                   QStringLiteral("CreateObject"));
}

} // namespace

ComRegistry::ComRegistry(QString filePath) : m_filePath(std::move(filePath)) {}

QString ComRegistry::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/ostraven/inproc-servers.ini");
}

void ComRegistry::registerClass(const QUuid &clsid, const QString &progId, const QString &libraryPath)
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(classKey(clsid) + QStringLiteral("/InprocServer"), libraryPath);
    settings.setValue(classKey(clsid) + QStringLiteral("/ProgID"), progId);
    settings.setValue(progIdKey(progId) + QStringLiteral("/CLSID"), clsid.toString());
    settings.sync();
}

void ComRegistry::unregisterClass(const QUuid &clsid, const QString &progId)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.remove(classKey(clsid));
    settings.remove(progIdKey(progId));
    settings.sync();
}

QUuid ComRegistry::classIdOf(const QString &progId) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    return QUuid::fromString(settings.value(progIdKey(progId) + QStringLiteral("/CLSID")).toString());
}

QString ComRegistry::libraryOf(const QUuid &clsid) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(classKey(clsid) + QStringLiteral("/InprocServer")).toString();
}

void *getClassObject(const QString &progId, const QUuid &iid, const ComRegistry &registry, LoadedServer *server)
{
    const QUuid clsid = registry.classIdOf(progId);
    if (clsid.isNull())
        throw cannotCreate(QStringLiteral("%1 is not registered").arg(progId));
    const QString library = registry.libraryOf(clsid);
    if (library.isEmpty())
        throw cannotCreate(QStringLiteral("no library registered for %1").arg(progId));

    // Never unloaded by us: objects created from the library may outlive this call, and the
    // library itself answers through DllCanUnloadNow whether it could go.
    void *handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw cannotCreate(QString::fromLocal8Bit(dlerror()));
    auto getClassObjectEntry = reinterpret_cast<DllGetClassObjectFunction>(dlsym(handle, "DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(handle, "DllCanUnloadNow"));
    if (!getClassObjectEntry)
        throw cannotCreate(QStringLiteral("%1 exports no DllGetClassObject").arg(library));
    if (server)
        *server = LoadedServer{handle, canUnloadNow};

    void *answer = nullptr;
    if (!succeeded(getClassObjectEntry(clsid, iid, &answer)) || !answer)
        throw cannotCreate(QStringLiteral("the library has no class object for %1").arg(progId));
    return answer;
}

std::shared_ptr<Unknown> CreateObject(const QString &progId, const ComRegistry &registry, LoadedServer *server)
{
    auto *factory = static_cast<ClassFactory *>(getClassObject(progId, IID_IClassFactory, registry, server));
    std::shared_ptr<Unknown> object;
    if (!succeeded(factory->createInstance(IID_IDispatch, &object)) || !object)
        throw cannotCreate(QStringLiteral("the class object refused to create %1").arg(progId));
    return object;
}

QString modulePathOf(const void *address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

} // namespace Ostraven::Com
