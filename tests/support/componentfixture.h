#pragma once

#include "support/testdatabase.h"

#include "host/hostconfig.h"
#include "host/hostobjects.h"
#include "platform/db/connection.h"
#include "module/mpublic.h"
#include "platform/desktop/scripteddesktop.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>

namespace Ostraven::Testing {

// A component's shared module wired as the reference host wires it: its own copy of a small site,
// the host's own NTConnection and Parent objects, and the scripted desktop. Every test starts from a
// clean module.
class ComponentTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] MPublic &module() { return *m_module; }
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
};

} // namespace Ostraven::Testing
