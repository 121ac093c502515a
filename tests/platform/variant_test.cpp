#include "platformtest.h"
#include "platform/dispatch.h"
#include "platform/variant.h"
#include <gtest/gtest.h>

using namespace Ostraven;

namespace {
Variant object() { return Variant(DispatchPtr(std::make_shared<MemberTable>())); }


template <typename T>
struct Case { Variant input; T expected; int error = 0; };

// Each input converts to its expected value, or raises its error.
template <typename T, typename Convert>
void check(std::initializer_list<Case<T>> cases, Convert convert)
{
    int row = 0;
    for (const Case<T> &c : cases) {
        T result{};
        EXPECT_EQ(errorNumber([&] { result = convert(c.input); }), c.error) << "row " << row;
        if (c.error == 0) { EXPECT_EQ(result, c.expected) << "row " << row; }
        ++row;
    }
}

constexpr int Overflow = VbError::Overflow, Mismatch = VbError::TypeMismatch, NullUse = VbError::InvalidUseOfNull;
} // namespace

TEST(VariantConversions, NumbersRoundHalfToEvenAndCheckTheirRange)
{
    check<qint32>({{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.5001, 3}, {2147483647.5, 0, Overflow},
                   {-2147483648.5, -2147483647 - 1}, // half to even keeps this one inside the range
                   {-2147483648.6, 0, Overflow}, {"2147483648", 0, Overflow}, {" +1.5 ", 2}, {"12a", 0, Mismatch},
                   {"1e3", 0, Mismatch}, {"", 0, Mismatch}, {"True", 0, Mismatch}, {true, -1}, {Variant(), 0},
                   {Variant::null(), 0, NullUse}, {object(), 0, Mismatch}, {Date(39449.75), 39450}, {Date(39448.5), 39448}},
                  [](const Variant &v) { return CLng(v); });
    check<qint16>({{32767.4, 32767}, {32767.5, 0, Overflow}, {-32768.5, -32768}, {-32768.6, 0, Overflow},
                   {qint32(40000), 0, Overflow}, {"  -12.5", -12}, {"1.2.3", 0, Mismatch}},
                  [](const Variant &v) { return CInt(v); });
    EXPECT_DOUBLE_EQ(CDbl(" -3.25 "), -3.25);
    EXPECT_DOUBLE_EQ(CDbl(true), -1.0);
    EXPECT_DOUBLE_EQ(CDbl(Date(39449.25)), 39449.25);
    EXPECT_EQ(errorNumber([] { (void)CDbl("1,5"); }), Mismatch);
}

TEST(VariantConversions, BooleansTextsDatesAndTheirTests)
{
    check<bool>({{"tRUE", true}, {"FALSE", false}, {"0", false}, {" 0.5 ", true}, {"yes", false, Mismatch},
                 {"", false, Mismatch}, {0.0, false}, {0.1, true}, {Variant(), false}, {Variant::null(), false, NullUse},
                 {object(), false, Mismatch}},
                [](const Variant &v) { return CBool(v); });
    check<std::string>({{true, "True"}, {qint16(-5), "-5"}, {1.5, "1.5"}, {3.0, "3"}, {0.1 + 0.2, "0.3"},
                        {123456789012345.0, "123456789012345"}, {1e15, "1E+15"}, {0.00001, "1E-05"},
                        {Date(39449.5), "1/2/2008 12:00:00 PM"}, {Variant(), ""}, {Variant::null(), "", NullUse},
                        {object(), "", Mismatch}},
                       [](const Variant &v) { return CStr(v).toStdString(); });
    check<Date>({{qint32(-1), Date(-1.0)}, {Variant(), Date(0.0)},
                 {" 1/2/2008 1:05:09 PM ", Date::fromParts(2008, 1, 2, 13, 5, 9)}, {"39449", {}, Mismatch},
                 {"", {}, Mismatch}, {Variant::null(), {}, NullUse}, {3e6, {}, Overflow}},
                [](const Variant &v) { return CDate(v); });
    check<bool>({{" +1.5 ", true}, {".5", true}, {"5.", true}, {"", false}, {".", false}, {"+", false}, {"1.2.3", false},
                 {"1e3", false}, {"1,000", false}, {"- 7", false}, {"--7", false}, {true, true}, {Variant(), true},
                 {Variant::null(), false}, {Date(1.0), false}, {object(), false}},
                [](const Variant &v) { return IsNumeric(v); });
    for (const auto &[input, expected] : {std::pair{"  12abc", 12.0}, {"abc", 0.0}, {"1.2.3", 1.2}, {"1e3", 1.0},
                                          {"+.5", 0.5}, {"-", 0.0}, {"  -0042 ", -42.0}})
        EXPECT_DOUBLE_EQ(Val(input), expected) << input;
    check<bool>({{Date(0.0), true}, {"2008-01-02 13:05", true}, {"[Zone] 1/2/2008", false}, {39449.0, false},
                 {Variant::null(), false}},
                [](const Variant &v) { return IsDate(v); });
}

TEST(VbErrorTexts, StandardDescriptionsAndWhat)
{
    const VbError overflow = VbError::fromNumber(6);
    EXPECT_EQ(overflow.description(), QStringLiteral("Overflow"));
    EXPECT_EQ(overflow.source(), VbError::defaultSource());
    EXPECT_EQ(VbError::fromNumber(3265).description(),
              QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    const VbError withUnicode(13, QStringLiteral("Größe ungültig"), QStringLiteral("FEvents.AddEvent"), 12);
    const std::string what = withUnicode.what();
    EXPECT_TRUE(what.find("Größe ungültig") != std::string::npos && what.find("FEvents.AddEvent") != std::string::npos) << what;
    EXPECT_EQ(withUnicode.line(), 12);
}
