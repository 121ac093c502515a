#pragma once

#include "support/testdatabase.h"

#include "component/event.h"
#include "host/hostconfig.h"
#include "host/hostobjects.h"
#include "module/mpublic.h"
#include "platform/desktop/scripteddesktop.h"

#include <memory>

namespace Ostraven::Testing {

// Wires a module to a connection and the host's own NTConnection and Parent objects, as the reference host does.
void wireHost(MPublic &module, const ConnectionPtr &connection, Host::HostConfig &config, Host::HostRecord &record);

// A component's shared module wired as the reference host wires it, over its own copy of a small site and
// the scripted desktop. Every test starts from a clean module.
class ComponentTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] MPublic &module() { return *m_module; }
    // The module as the component's objects hold it (the fixture keeps ownership), and an Event object over it.
    [[nodiscard]] const std::shared_ptr<MPublic> &shared() const { return m_shared; }
    [[nodiscard]] Event &event();
    [[nodiscard]] Connection &db() { return m_database.db(); }
    [[nodiscard]] ScriptedDesktop &desktop() { return *m_desktop; }
    [[nodiscard]] Host::HostConfig &config() { return m_config; }
    [[nodiscard]] Host::HostRecord &record() { return m_record; }
    [[nodiscard]] QString folder() const { return m_database.folder(); }
    [[nodiscard]] QString tracePath() const { return m_database.tracePath(); }
    // The statement texts sent since the last call (the connection's trace).
    [[nodiscard]] QStringList takeTrace() { return m_database.takeTrace(); }
    // The error-report boxes shown so far, as their texts.
    [[nodiscard]] QStringList boxTexts() const;
    // Rows of a statement as texts, for checking what the component wrote.
    [[nodiscard]] QStringList column(const QString &sql) { return m_database.column(sql); }

private:
    TestDatabase m_database{TestDatabase::Site::Small};
    std::shared_ptr<ScriptedDesktop> m_desktop;
    Host::HostConfig m_config;
    Host::HostRecord m_record;
    std::unique_ptr<MPublic> m_module;
    std::shared_ptr<MPublic> m_shared;
    std::unique_ptr<Event> m_event;
};

} // namespace Ostraven::Testing
