#include "componentfixture.h"

#include "component/componentwindows.h"

namespace Ostraven::Testing {

void ComponentTest::SetUp()
{
    m_desktop = std::make_shared<ScriptedDesktop>();
    m_module = std::make_unique<MPublic>(m_desktop, folder());
    ComponentWindows::attachTo(*m_module);
    const ConnectionPtr &connection = m_database.connection();
    m_module->host.DBConnection = connection;
    m_module->host.NTConnection = std::make_shared<Host::HostNTConnection>(m_config, connection, m_record);
    m_module->host.Parent = std::make_shared<Host::HostParent>(m_config, m_record, [](qint64) {});
    m_module->host.CurrentProfileID = m_config.profile;
    m_module->host.IsAdmin = m_config.admin;
    m_database.startTrace();
}

void ComponentTest::TearDown()
{
    m_module.reset();
    m_database.db().close();
}

QStringList ComponentTest::boxTexts() const
{
    QStringList texts;
    for (const ScriptedDesktop::ShownBox &box : m_desktop->boxes())
        texts << box.request.text;
    return texts;
}

} // namespace Ostraven::Testing
