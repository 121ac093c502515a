#pragma once

#include "databasesource.h"
#include "hostconfig.h"
#include "hostobjects.h"

#include "component/eventinterface.h"
#include "probe/eventprobe.h"
#include "platform/com/com.h"
#include "platform/db/connection.h"

#include <QJsonObject>
#include <QString>

#include <memory>

class QWidget;

namespace Ostraven {
class DesktopServices;
class ScriptedDesktop;
}

namespace Ostraven::Host {

// One run of the reference host: the host database, the host's own objects, the desktop the
// component uses, and the component itself, loaded from its library through its registration.
class HostSession
{
public:
    struct Options {
        DatabaseSource database;
        QString traceFile;
        // Scripted desktop (nothing modal, answers from a queue) instead of the real one.
        bool headless = false;
        // The component library; empty: libEventViewObject.so beside the host program, or else in the
        // library folder of the install the program belongs to.
        QString componentLibrary;
        // The registration file; empty: the user's.
        QString registryFile;
    };

    explicit HostSession(Options options);
    ~HostSession();

    // The component library a session loads when Options::componentLibrary is empty; its folder is
    // where the component writes its error log when it may.
    [[nodiscard]] static QString defaultComponentLibrary();

    // Opens the database, registers and creates the component and hands it the host's objects.
    // Raises VbError when any of it fails.
    void start();

    [[nodiscard]] HostConfig &config() { return m_config; }
    // Hands the profile and the editing right to the component again after a config change.
    void applyConfig();

    [[nodiscard]] _Event &component() { return *m_event; }
    [[nodiscard]] Dispatch &componentByName() { return *m_dispatch; }
    // The driver's side door into the component, for what no host member reaches (text lines, the
    // scroll-suspended flag); null when the component does not offer it.
    [[nodiscard]] EventProbe *probe() { return m_probe; }
    [[nodiscard]] Connection &database() { return *m_database; }
    [[nodiscard]] ScriptedDesktop *scriptedDesktop() { return m_scripted; }
    [[nodiscard]] DesktopServices &desktop() { return *m_desktop; }
    // The viewer window while it is loaded.
    [[nodiscard]] QWidget *viewerWindow() const;

    // The whole observable state as one JSON object (the dump).
    [[nodiscard]] QJsonObject dump();

    // Drops the component; the library answers DllCanUnloadNow afterwards.
    void release();
    [[nodiscard]] bool canUnloadNow() const;

private:
    void placeViewer(qint64 handle);

    Options m_options;
    HostConfig m_config;
    HostRecord m_record;
    ConnectionPtr m_database;
    std::shared_ptr<DesktopServices> m_desktop;
    ScriptedDesktop *m_scripted = nullptr;
    std::shared_ptr<HostNTConnection> m_ntConnection;
    std::shared_ptr<HostParent> m_parent;
    std::shared_ptr<Com::Unknown> m_object;
    _Event *m_event = nullptr;
    Dispatch *m_dispatch = nullptr;
    EventProbe *m_probe = nullptr;
    Com::DllCanUnloadNowFunction m_canUnloadNow = nullptr;
};

} // namespace Ostraven::Host
