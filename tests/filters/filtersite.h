#pragma once
#include "support/reportedlabels.h"
#include "support/testdatabase.h"
#include "module/mpublic.h"
#include <gtest/gtest.h>
#include <functional>

namespace Ostraven::Testing {
using Texts = std::vector<std::string>;
inline Texts texts(const QStringList &list)
{
    Texts result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}
// A bare shared module on its own copy of the empty site, showing its boxes on the scripted desktop.
struct FilterSite {
    FilterSite() { module.host.DBConnection = database.connection(); }
    void execute(std::initializer_list<const char *> statements) const
    {
        for (const char *statement : statements) database.execute(QString::fromUtf8(statement));
    }
    [[nodiscard]] Texts labels() const { return reportedLabels(*desktop); }
    TestDatabase database;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, database.folder()};
};
// Test names show a row's name rather than its bytes.
template <typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
// Names table rows after their name.
inline constexpr auto rowName = [](const auto &row) { return std::string(row.param.name); };
} // namespace Ostraven::Testing
