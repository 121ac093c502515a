#pragma once

#include "host/db/demosite.h"
#include "platform/db/connection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace Ostraven::Testing {

// A copy of a database built by the host's own builder, one per test, so what one test writes never
// reaches another. Each site is built once per test program and copied for every test that asks.
class TestDatabase
{
public:
    enum class Site {
        Empty, // the schema and the site's set-up rows, no archive
        Small, // 600 archived events ending on a Friday evening in November 2026
        Demo,  // the demo's archive, ending on a Friday evening in June 2024
    };
    explicit TestDatabase(Site site = Site::Empty);

    // The builder's options of a site; a fixed archive end keeps time-of-day data the same on every run.
    [[nodiscard]] static DemoSite::Options options(Site site);
    [[nodiscard]] static QString pristinePath(Site site);
    [[nodiscard]] const ConnectionPtr &connection() const { return m_connection; }
    [[nodiscard]] Connection &db() const { return *m_connection; }
    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] QString folder() const { return m_folder.path(); }
    void execute(const QString &sql) const { m_connection->execute(sql); }
    // All rows of a statement sent through the facade, as it hands them to the component.
    [[nodiscard]] std::vector<std::vector<Variant>> rows(const QString &sql) const;
    // Column 0 of the first row; the test fails when there is none.
    [[nodiscard]] Variant scalar(const QString &sql) const;
    // Column 0 of every row, as texts.
    [[nodiscard]] QStringList column(const QString &sql) const;
    // The statement texts sent since the trace started (on first call of either) or was last taken.
    void startTrace();
    [[nodiscard]] QStringList takeTrace();
    [[nodiscard]] QString tracePath() const { return folder() + QStringLiteral("/trace.sql"); }

private:
    QTemporaryDir m_folder;
    QString m_path;
    ConnectionPtr m_connection;
    bool m_tracing = false;
    qint64 m_traceRead = 0;
};

} // namespace Ostraven::Testing
