#pragma once

#include "errors/errorroutes.h"
#include "platform/db/connection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace Ostraven::Testing {

// A copy of a database built by the host's own builder, one per test, so rows a test inserts or
// deletes never reach another test. The demo site is built once per program.
class ModelTestDatabase
{
public:
    ModelTestDatabase();

    [[nodiscard]] const ConnectionPtr &connection() const { return m_connection; }
    [[nodiscard]] const QString &folder() const { return m_folderPath; }
    void execute(const QString &sql) { m_connection->execute(sql); }

    // Every statement sent from now on is written to the trace; statements() reads it back.
    void startTrace();
    [[nodiscard]] QStringList statements() const;

private:
    QTemporaryDir m_folder;
    QString m_folderPath;
    ConnectionPtr m_connection;
};

// Records where failures were reported instead of showing them, for the classes that take the
// routes directly.
class RecordingRoutes : public ErrorRoutes
{
public:
    struct Report {
        QString label;
        int number = 0;
    };

    void reportError(const QString &label, const VbError &error) override
    {
        reports.push_back({label, error.number()});
    }
    void logToHost(const QString &label, const VbError &error, const Variant &) override
    {
        reports.push_back({label, error.number()});
    }

    std::vector<Report> reports;
};

} // namespace Ostraven::Testing
