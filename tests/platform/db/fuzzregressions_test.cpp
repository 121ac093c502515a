#include "platform/db/storedprocedure.h"

#include "platform/vberror.h"

#include <gtest/gtest.h>

namespace Ostraven::Testing {
namespace {

// Parameter lists the fuzz target read, kept so the ordinary suite catches the fault again. A list
// is either refused as malformed, or every parameter in it can be passed by its own name.
struct ParameterListCase {
    const char *name;
    const char *parameters;
    QStringList names; // empty: the list is refused
};

class ParameterListFuzzRegression : public ::testing::TestWithParam<ParameterListCase>
{};

TEST_P(ParameterListFuzzRegression, EveryParameterCanBePassedByName)
{
    const ParameterListCase &c = GetParam();
    if (c.names.isEmpty()) {
        EXPECT_THROW(StoredProcedure(QStringLiteral("p"), QString::fromUtf8(c.parameters), QStringLiteral("SELECT 1")),
                     VbError);
        return;
    }
    const StoredProcedure procedure(QStringLiteral("p"), QString::fromUtf8(c.parameters), QStringLiteral("SELECT 1"));
    QStringList names;
    for (const StoredProcedure::ParameterDefinition &parameter : procedure.parameters()) {
        names << parameter.name;
        EXPECT_GE(procedure.indexOf(QLatin1Char('@') + parameter.name), 0) << parameter.name.toStdString();
        const std::vector<Variant> values =
            procedure.bind({StoredProcedure::Argument{parameter.name, Variant(qint32(7))}});
        EXPECT_EQ(values.at(size_t(procedure.indexOf(parameter.name))), Variant(qint32(7)));
    }
    EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Found, ParameterListFuzzRegression,
    ::testing::Values(
        // "@@C" was kept as the parameter "@C", which a call's "@C = 1" looks up as "C".
        ParameterListCase{"DoubleAtIsRefused", "@A, @@C, @DAND", {}},
        ParameterListCase{"DoubleAtOutputIsRefused", "@@Out OUTPUT", {}},
        ParameterListCase{"LoneAtIsRefused", "@A, @", {}},
        ParameterListCase{"OrdinaryNames", "@SiteID, @GroupName, @ReturnedID OUTPUT", {"SiteID", "GroupName", "ReturnedID"}},
        ParameterListCase{"AtInsideAName", "@A@B", {"A@B"}}),
    [](const ::testing::TestParamInfo<ParameterListCase> &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven::Testing
