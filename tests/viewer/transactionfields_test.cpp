// A transaction's two credentials are its message's fields 6 and 7: field 7 is read on from field 6's
// comma, so the ends of the text (field 6 last, either field empty) must read as a search from the
// start would.
#include "viewerfixture.h"
#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"

namespace Ostraven::Testing {
namespace {
const auto rowName = [](const auto &row) { return std::string(row.param.name); };

struct FieldsCase {
    const char *name;
    const char *text;
    qint32 credential1, credential2;
    int reports;
};
void PrintTo(const FieldsCase &row, std::ostream *out) { *out << row.name; }

class TransactionFields : public ViewerTest, public ::testing::WithParamInterface<FieldsCase> {};

TEST_P(TransactionFields, ReadAsFieldsSixAndSeven)
{
    const FieldsCase &c = GetParam();
    module().filter.CanViewAllEvents = true;
    module().messageBuffer().SetBufferSize(10);
    module().view.scrollSuspended = true; // parked, so that the record can be read back
    const Date host = Date::fromParts(2026, 12, 5, 10, 0, 0);
    EventIntake(module()).AddNewEvent({.eventNumber = 2001, .address = QStringLiteral(R"(\\SRV1.1.1.RD01)"),
                                       .hostDate = host, .controllerDate = host, .typeCode = 3,
                                       .messageText = QString::fromLatin1(c.text)});
    ASSERT_EQ(module().messageBuffer().Count(), 1);
    const auto parked = module().messageBuffer().Message();
    EXPECT_EQ(std::pair(parked->CredID1(), parked->CredID2()), std::pair(c.credential1, c.credential2));
    EXPECT_EQ(int(desktop().boxes().size()), c.reports);
}

INSTANTIATE_TEST_SUITE_P(LiveIntake, TransactionFields, ::testing::Values(
    FieldsCase{"SixIsTheLastField", "Granted,a,b,c,d,e,77", 77, 0, 1},
    FieldsCase{"SevenEmptyAtTheEnd", "Granted,a,b,c,d,e,77,", 77, 0, 0},
    FieldsCase{"SixEmpty", "Granted,a,b,c,d,e,,5", 0, 5, 0},
    FieldsCase{"FieldsAfterSeven", "Granted,a,b,c,d,e,12,34,56", 12, 34, 0},
    FieldsCase{"NoFieldSix", "Granted,a,b,c,d,e", 0, 0, 2}), rowName);

} // namespace
} // namespace Ostraven::Testing
