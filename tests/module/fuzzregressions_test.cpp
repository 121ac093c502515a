#include "module/mpublic.h"

#include "platform/variant.h"

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

// Inputs the fuzz targets found, kept so the ordinary suite catches the fault again. Each row is
// the input as it was found (bytes, not necessarily valid UTF-8) and what it must give.
struct CleanDateCase {
    const char *name;
    QByteArray input;
    QString cleaned;
};

class CleanDateStrFuzzRegression : public ::testing::TestWithParam<CleanDateCase>
{};

// Whatever the repair gives is empty or a text the date conversion reads: the row insertion
// converts it without another check.
TEST_P(CleanDateStrFuzzRegression, GivesADateOrNothing)
{
    const QString cleaned = MPublic::CleanDateStr(QString::fromUtf8(GetParam().input));
    EXPECT_EQ(cleaned, GetParam().cleaned);
    EXPECT_TRUE(cleaned.isEmpty() || IsDate(Variant(cleaned))) << cleaned.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Found, CleanDateStrFuzzRegression,
    ::testing::Values(
        // An ISO text with a stray byte after it: the repaired text took " AM", which ISO does not.
        CleanDateCase{"IsoTimeKeepsNoMarker", QByteArray("2026-12-05 10:00:05.40\xc9"),
                      QStringLiteral("2026-12-05 10:00:05.40")},
        CleanDateCase{"IsoDateOnly", QByteArray("2026-12-05 [x]"), QStringLiteral("2026-12-05 ")},
        // The default form still takes its marker.
        CleanDateCase{"DefaultFormStillMarked", QByteArray("12/5/2026 10:00:05\xc9"),
                      QStringLiteral("12/5/2026 10:00:05 AM")}),
    [](const ::testing::TestParamInfo<CleanDateCase> &row) { return std::string(row.param.name); });

} // namespace
} // namespace Ostraven
