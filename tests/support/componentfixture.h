#pragma once

#include "module/mpublic.h"
#include "host/hostconfig.h"
#include "host/hostobjects.h"
#include "platform/db/connection.h"
#include "platform/desktop/scripteddesktop.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace Ostraven::Testing {

// A component's shared module wired as the reference host wires it: a real demo database (one per
// test program, copied for each test), the host's own NTConnection and Parent objects, and the
// scripted desktop. Every test starts from a clean module.
class ComponentTest : public ::testing::Test
{
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] MPublic &module() { return *m_module; }
    [[nodiscard]] Connection &db() { return *m_connection; }
    [[nodiscard]] ScriptedDesktop &desktop() { return *m_desktop; }
    [[nodiscard]] Host::HostConfig &config() { return m_config; }
    [[nodiscard]] Host::HostRecord &record() { return m_record; }
    [[nodiscard]] const QString &folder() const { return m_folderPath; }
    [[nodiscard]] QString tracePath() const { return m_folderPath + QStringLiteral("/trace.sql"); }

    // The statement texts sent since the last call (the connection's trace).
    [[nodiscard]] QStringList takeTrace();
    // The error-report boxes shown so far, as their texts.
    [[nodiscard]] QStringList boxTexts() const;
    // Rows of a statement as texts, for checking what the component wrote.
    [[nodiscard]] QStringList column(const QString &sql);

private:
    QTemporaryDir m_folder;
    QString m_folderPath;
    ConnectionPtr m_connection;
    std::shared_ptr<ScriptedDesktop> m_desktop;
    Host::HostConfig m_config;
    Host::HostRecord m_record;
    std::unique_ptr<MPublic> m_module;
    qint64 m_traceRead = 0;
};

} // namespace Ostraven::Testing
