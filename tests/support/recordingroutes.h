#pragma once

#include "errors/errorroutes.h"

#include <vector>

namespace Ostraven::Testing {

// Records where failures were reported instead of showing them, for the classes that take the
// routes directly.
class RecordingRoutes : public ErrorRoutes
{
public:
    struct Report {
        QString label;
        int number = 0;
    };

    void reportError(const QString &label, const VbError &error) override { reports.push_back({label, error.number()}); }
    void logToHost(const QString &label, const VbError &error, const Variant &) override { reportError(label, error); }

    std::vector<Report> reports;
};

} // namespace Ostraven::Testing
