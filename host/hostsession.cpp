#include "hostsession.h"

#include "component/eventclassfactory.h"
#include "platform/com/comregistry.h"
#include "platform/desktop/qtdesktop.h"
#include "platform/desktop/scripteddesktop.h"
#include "platform/vberror.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QWidget>

#include <dlfcn.h>

namespace Ostraven::Host {

namespace {

const QString progId = QStringLiteral("EventViewObject.Event");

// Beside the program in the build folder; where the install put it otherwise.
QString defaultLibrary()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString beside = programFolder.filePath(EventViewObject::LibraryFileName);
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(programFolder.filePath(QStringLiteral(OSTRAVEN_HOST_TO_LIBRARY_DIR "/") +
                                                  EventViewObject::LibraryFileName));
}

// What registering a server does from the outside: load it and call its DllRegisterServer.
void registerServer(const QString &library)
{
    void *handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw VbError(429, QStringLiteral("Cannot load %1: %2").arg(library, QString::fromLocal8Bit(dlerror())));
    auto entry = reinterpret_cast<Com::DllRegisterServerFunction>(dlsym(handle, "DllRegisterServer"));
    if (!entry || !Com::succeeded(entry()))
        throw VbError(429, QStringLiteral("%1 could not register itself").arg(library));
}

} // namespace

HostSession::HostSession(Options options) : m_options(std::move(options)) {}

QString HostSession::defaultComponentLibrary()
{
    return defaultLibrary();
}

HostSession::~HostSession()
{
    release();
}

void HostSession::start()
{
    m_database = m_options.database.open();
    if (!m_options.traceFile.isEmpty())
        m_database->setTraceFile(m_options.traceFile);

    if (m_options.headless) {
        auto scripted = std::make_shared<ScriptedDesktop>();
        m_scripted = scripted.get();
        m_desktop = scripted;
    } else {
        m_desktop = std::make_shared<QtDesktop>();
    }
    m_ntConnection = std::make_shared<HostNTConnection>(m_config, m_database, m_record);
    m_parent = std::make_shared<HostParent>(m_config, m_record, [this](qint64 handle) { placeViewer(handle); });

    const QString library = m_options.componentLibrary.isEmpty() ? defaultLibrary() : m_options.componentLibrary;
    if (m_options.registryFile.isEmpty()) {
        registerServer(library);
    } else {
        // A private registration (tests): the same entries, in a file of the caller's choosing.
        Com::ComRegistry(m_options.registryFile).registerClass(EventClassFactory::CLSID, progId, library);
    }
    const Com::ComRegistry registry = m_options.registryFile.isEmpty() ? Com::ComRegistry()
                                                                       : Com::ComRegistry(m_options.registryFile);
    Com::LoadedServer server;
    auto *site = static_cast<ComponentSite *>(Com::getClassObject(progId, ComponentSite::IID, registry, &server));
    site->setDesktopServices(m_desktop);
    m_canUnloadNow = server.canUnloadNow;

    m_object = Com::CreateObject(progId, registry);
    m_event = static_cast<_Event *>(m_object->queryInterface(_Event::IID));
    m_dispatch = static_cast<Dispatch *>(m_object->queryInterface(Com::IID_IDispatch));
    m_probe = static_cast<EventProbe *>(m_object->queryInterface(EventProbe::IID));
    if (!m_event || !m_dispatch)
        throw VbError(430, QStringLiteral("The viewer component does not offer its interface"));

    m_event->putref_DBConnection(m_database);
    m_event->putref_NTConnection(m_ntConnection);
    DispatchPtr parent = m_parent;
    m_event->putref_Parent(parent);
    applyConfig();
}

void HostSession::applyConfig()
{
    if (!m_event)
        return;
    m_event->put_CurrentProfileID(m_config.profile);
    bool admin = m_config.admin;
    m_event->put_IsAdmin(admin);
}

QWidget *HostSession::viewerWindow() const
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("FEvents"))
            return widget;
    }
    return nullptr;
}

// The host's part of showing the viewer: place it and make it visible.
void HostSession::placeViewer(qint64 handle)
{
    QWidget *window = QWidget::find(WId(handle));
    if (!window)
        return;
    // Wide enough for the built-in columns in the default font, so the demo shows every one of them.
    window->resize(1300, 540);
    if (const QScreen *screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - window->rect().center());
    }
    window->show();
}

QJsonObject HostSession::dump()
{
    QJsonObject result;
    if (m_probe)
        result = QJsonDocument::fromJson(m_probe->snapshotJson()).object();

    QJsonObject host{{QStringLiteral("callbacks"), m_record.callbacks},
                     {QStringLiteral("help"), m_record.help},
                     {QStringLiteral("log_error"), m_record.logErrors},
                     {QStringLiteral("error_log"), m_probe ? m_probe->errorLogPath() : QString()}};
    if (m_scripted) {
        QJsonArray boxes;
        for (const ScriptedDesktop::ShownBox &box : m_scripted->boxes())
            boxes.append(QJsonObject{{QStringLiteral("text"), box.request.text},
                                     {QStringLiteral("title"), box.request.title},
                                     {QStringLiteral("icon"), iconName(box.request.icon)},
                                     {QStringLiteral("buttons"), buttonsName(box.request.buttons)}});
        QJsonArray inputs;
        for (const ScriptedDesktop::ShownInput &input : m_scripted->inputs())
            inputs.append(QJsonObject{{QStringLiteral("prompt"), input.prompt}, {QStringLiteral("title"), input.title}});
        host.insert(QStringLiteral("boxes"), boxes);
        host.insert(QStringLiteral("inputs"), inputs);
        host.insert(QStringLiteral("cursor"), m_scripted->cursor());
    } else {
        host.insert(QStringLiteral("boxes"), QJsonArray());
        host.insert(QStringLiteral("inputs"), QJsonArray());
        host.insert(QStringLiteral("cursor"), m_desktop && m_desktop->busyCursor() ? QStringLiteral("busy")
                                                                                  : QStringLiteral("default"));
    }
    host.insert(QStringLiteral("clipboard"), m_desktop ? m_desktop->clipboardText() : QString());
    result.insert(QStringLiteral("host"), host);
    return result;
}

void HostSession::release()
{
    m_event = nullptr;
    m_dispatch = nullptr;
    m_probe = nullptr;
    m_object.reset();
}

bool HostSession::canUnloadNow() const
{
    return m_canUnloadNow && m_canUnloadNow() == Com::S_OK;
}

} // namespace Ostraven::Host
