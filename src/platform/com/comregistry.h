#pragma once

#include "com.h"

#include <QString>

namespace Ostraven::Com {

// The per-user registration of in-process servers: a class identifier with its library path, and a
// programmatic name ("EventViewObject.Event") leading to the class identifier. Kept in an ini file in
// the user's configuration folder; a different file can be used (tests) by passing its path.
class ComRegistry
{
public:
    explicit ComRegistry(QString filePath = defaultFilePath());

    [[nodiscard]] static QString defaultFilePath();

    void registerClass(const QUuid &clsid, const QString &progId, const QString &libraryPath);
    void unregisterClass(const QUuid &clsid, const QString &progId);

    [[nodiscard]] QUuid classIdOf(const QString &progId) const;
    [[nodiscard]] QString libraryOf(const QUuid &clsid) const;
    [[nodiscard]] const QString &filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

// Loaded server library; kept loaded while objects from it may live.
struct LoadedServer {
    void *handle = nullptr;
    DllCanUnloadNowFunction canUnloadNow = nullptr;
};

// Finds the class registered under progId, loads its library and asks it for its class object's
// interface iid (IID_IClassFactory, or another the class object offers). Raises VbError 429 when the
// class is not registered or the library cannot be loaded or refuses.
[[nodiscard]] void *getClassObject(const QString &progId, const QUuid &iid, const ComRegistry &registry = ComRegistry(),
                                   LoadedServer *server = nullptr);

// Finds the class registered under progId, loads its library, asks the class object for an
// instance and returns it. Raises VbError 429 ("ActiveX component can't create object") when the
// class is not registered or the library cannot be loaded or refuses.
[[nodiscard]] std::shared_ptr<Unknown> CreateObject(const QString &progId, const ComRegistry &registry = ComRegistry(),
                                                    LoadedServer *server = nullptr);

// The path of the shared object (or program) that contains the given address.
[[nodiscard]] QString modulePathOf(const void *address);

} // namespace Ostraven::Com
