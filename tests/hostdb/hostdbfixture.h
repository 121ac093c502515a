#pragma once

#include "host/db/demosite.h"
#include "platform/db/connection.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace Ostraven::Testing {

// One demo database per test program, built by the real builder; each test works on its own copy,
// so what one test writes never reaches another.
class HostDbTest : public ::testing::Test
{
public:
    static void SetUpTestSuite();

    // The archive ends on a Friday evening, so time-of-day data is the same on every run.
    [[nodiscard]] static DemoSite::Options demoOptions();
    [[nodiscard]] static const QString &pristinePath();

protected:
    void SetUp() override;

    [[nodiscard]] Connection &db() { return *m_connection; }
    [[nodiscard]] const QString &path() const { return m_path; }

    // All rows of a statement sent through the facade, as it hands them to the component.
    [[nodiscard]] std::vector<std::vector<Variant>> rows(const QString &sql);
    // Column 0 of the first row; the test fails when there is none.
    [[nodiscard]] Variant scalar(const QString &sql);

private:
    static std::unique_ptr<QTemporaryDir> s_folder;
    QTemporaryDir m_folder;
    QString m_path;
    ConnectionPtr m_connection;
};

} // namespace Ostraven::Testing
