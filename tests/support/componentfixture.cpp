#include "componentfixture.h"

#include "component/componentwindows.h"

namespace Ostraven::Testing {

void wireHost(MPublic &module, const ConnectionPtr &connection, Host::HostConfig &config, Host::HostRecord &record)
{
    ComponentWindows::attachTo(module);
    module.host.DBConnection = connection;
    module.host.NTConnection = std::make_shared<Host::HostNTConnection>(config, connection, record);
    module.host.Parent = std::make_shared<Host::HostParent>(config, record, [](qint64) {});
    module.host.CurrentProfileID = config.profile;
    module.host.IsAdmin = config.admin;
}

void ComponentTest::SetUp()
{
    m_desktop = std::make_shared<ScriptedDesktop>();
    m_module = std::make_unique<MPublic>(m_desktop, folder());
    m_shared = std::shared_ptr<MPublic>(m_module.get(), [](MPublic *) {});
    wireHost(*m_module, m_database.connection(), m_config, m_record);
    m_database.startTrace();
}

void ComponentTest::TearDown()
{
    m_event.reset();
    m_shared.reset();
    m_module.reset();
    m_database.db().close();
}

Event &ComponentTest::event()
{
    return m_event ? *m_event : *(m_event = std::make_unique<Event>(m_shared));
}

QStringList ComponentTest::boxTexts() const
{
    QStringList texts;
    for (const ScriptedDesktop::ShownBox &box : m_desktop->boxes())
        texts << box.request.text;
    return texts;
}

} // namespace Ostraven::Testing
