#include "platform/dispatch.h"
#include "platform/variant.h"
#include "platform/vberror.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Ostraven;

namespace {

// The error number a conversion raised, 0 when it returned normally.
int errorOf(const std::function<void()> &conversion)
{
    try {
        conversion();
    } catch (const VbError &error) {
        return error.number();
    }
    return 0;
}

Variant object()
{
    return Variant(DispatchPtr(std::make_shared<MemberTable>()));
}

// A readable label for a value of any type, without converting it (Null and objects cannot be).
std::string describe(const Variant &value)
{
    if (value.isString())
        return "\"" + value.asString().toStdString() + "\"";
    if (value.type() == VarType::Double)
        return std::to_string(value.asDouble());
    if (value.type() == VarType::Date)
        return "Date " + std::to_string(value.asDate().serial());
    if (value.type() == VarType::Boolean || value.type() == VarType::Integer || value.type() == VarType::Long)
        return value.typeName().toStdString() + " " + CStr(value).toStdString();
    return value.typeName().toStdString();
}

constexpr qint32 longMin = -2147483647 - 1;

} // namespace

TEST(VariantConversions, CLngRoundsHalfToEvenAndChecksRange)
{
    struct Case {
        Variant input;
        qint32 expected;
        int error;
    };
    const Case cases[] = {
        {2.5, 2, 0},
        {3.5, 4, 0},
        {-2.5, -2, 0},
        {-3.5, -4, 0},
        {2.4999, 2, 0},
        {2.5001, 3, 0},
        {-0.5, 0, 0},
        {2147483647.4, 2147483647, 0},
        {2147483647.5, 0, VbError::Overflow},
        // Half to even keeps this one inside the range.
        {-2147483648.5, longMin, 0},
        {-2147483648.6, 0, VbError::Overflow},
        {"2147483648", 0, VbError::Overflow},
        {" +1.5 ", 2, 0},
        {"-7", -7, 0},
        {".5", 0, 0},
        {"12a", 0, VbError::TypeMismatch},
        {"1e3", 0, VbError::TypeMismatch},
        {"", 0, VbError::TypeMismatch},
        {"True", 0, VbError::TypeMismatch},
        {true, -1, 0},
        {false, 0, 0},
        {Variant(), 0, 0},
        {Variant::null(), 0, VbError::InvalidUseOfNull},
        {object(), 0, VbError::TypeMismatch},
        {Date(39449.75), 39450, 0},
        {Date(39448.5), 39448, 0},
        {qint16(-300), -300, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(describe(c.input));
        qint32 result = 0;
        EXPECT_EQ(errorOf([&] { result = CLng(c.input); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(VariantConversions, CIntHasTheSixteenBitRange)
{
    struct Case {
        Variant input;
        qint16 expected;
        int error;
    };
    const Case cases[] = {
        {32767.4, 32767, 0},
        {32767.5, 0, VbError::Overflow},
        {-32768.5, -32768, 0},
        {-32768.6, 0, VbError::Overflow},
        {qint32(40000), 0, VbError::Overflow},
        {"  -12.5", -12, 0},
        {"1.2.3", 0, VbError::TypeMismatch},
        {true, -1, 0},
        {Variant::null(), 0, VbError::InvalidUseOfNull},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(describe(c.input));
        qint16 result = 0;
        EXPECT_EQ(errorOf([&] { result = CInt(c.input); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(VariantConversions, CBoolReadsWordsAndNumbers)
{
    struct Case {
        Variant input;
        bool expected;
        int error;
    };
    const Case cases[] = {
        {"True", true, 0},
        {"tRUE", true, 0},
        {"false", false, 0},
        {"FALSE", false, 0},
        {"0", false, 0},
        {"-1", true, 0},
        {" 0.5 ", true, 0},
        {"yes", false, VbError::TypeMismatch},
        {"", false, VbError::TypeMismatch},
        {0.0, false, 0},
        {0.1, true, 0},
        {qint32(-1), true, 0},
        {Variant(), false, 0},
        {Variant::null(), false, VbError::InvalidUseOfNull},
        {object(), false, VbError::TypeMismatch},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(describe(c.input));
        bool result = false;
        EXPECT_EQ(errorOf([&] { result = CBool(c.input); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(result, c.expected);
        }
    }
}

TEST(VariantConversions, CStrWritesThePlatformTexts)
{
    struct Case {
        Variant input;
        const char *expected;
        int error;
    };
    const Case cases[] = {
        {true, "True", 0},
        {false, "False", 0},
        {qint16(-5), "-5", 0},
        {qint32(2147483647), "2147483647", 0},
        {1.5, "1.5", 0},
        {3.0, "3", 0},
        {-0.25, "-0.25", 0},
        {0.1 + 0.2, "0.3", 0},
        {123456789012345.0, "123456789012345", 0},
        {1e15, "1E+15", 0},
        {0.00001, "1E-05", 0},
        {Date(39449.5), "1/2/2008 12:00:00 PM", 0},
        {"as is ", "as is ", 0},
        {Variant(), "", 0},
        {Variant::null(), "", VbError::InvalidUseOfNull},
        {object(), "", VbError::TypeMismatch},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(describe(c.input));
        QString result;
        EXPECT_EQ(errorOf([&] { result = CStr(c.input); }), c.error);
        if (c.error == 0) {
            EXPECT_EQ(result.toStdString(), c.expected);
        }
    }
}

TEST(VariantConversions, CDblAndCDate)
{
    EXPECT_DOUBLE_EQ(CDbl(" -3.25 "), -3.25);
    EXPECT_DOUBLE_EQ(CDbl(true), -1.0);
    EXPECT_DOUBLE_EQ(CDbl(Date(39449.25)), 39449.25);
    EXPECT_EQ(errorOf([] { (void)CDbl("1,5"); }), VbError::TypeMismatch);

    EXPECT_EQ(CDate(39449.5), Date(39449.5));
    EXPECT_EQ(CDate(qint32(-1)), Date(-1.0));
    EXPECT_EQ(CDate(Variant()), Date(0.0));
    EXPECT_EQ(CDate(" 1/2/2008 1:05:09 PM "), Date::fromParts(2008, 1, 2, 13, 5, 9));
    EXPECT_EQ(errorOf([] { (void)CDate("39449"); }), VbError::TypeMismatch);
    EXPECT_EQ(errorOf([] { (void)CDate("abc"); }), VbError::TypeMismatch);
    EXPECT_EQ(errorOf([] { (void)CDate(""); }), VbError::TypeMismatch);
    EXPECT_EQ(errorOf([] { (void)CDate(Variant::null()); }), VbError::InvalidUseOfNull);
    EXPECT_EQ(errorOf([] { (void)CDate(3e6); }), VbError::Overflow);
}

TEST(VariantConversions, IsNumericIsTheGeneralNumericTextTest)
{
    struct Case {
        Variant input;
        bool expected;
    };
    const Case cases[] = {
        {" +1.5 ", true},
        {"-7", true},
        {".5", true},
        {"5.", true},
        {"007", true},
        {"", false},
        {"   ", false},
        {".", false},
        {"+", false},
        {"1.2.3", false},
        {"12a", false},
        {"1e3", false},
        {"1,000", false},
        {"- 7", false},
        {"--7", false},
        {qint32(3), true},
        {2.5, true},
        {true, true},
        {Variant(), true},
        {Variant::null(), false},
        {Date(1.0), false},
        {object(), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(describe(c.input));
        EXPECT_EQ(IsNumeric(c.input), c.expected);
    }
}

TEST(VariantConversions, ValTakesTheLeadingDecimalNumber)
{
    struct Case {
        const char *input;
        double expected;
    };
    const Case cases[] = {
        {"  12abc", 12.0},
        {"abc", 0.0},
        {"-3.5x", -3.5},
        {"1.2.3", 1.2},
        {"1e3", 1.0},
        {"+.5", 0.5},
        {"", 0.0},
        {"-", 0.0},
        {"  -0042 ", -42.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(c.input)), c.expected);
    }
}

TEST(VariantConversions, IsDateAcceptsDatesAndTextsThatParse)
{
    EXPECT_TRUE(IsDate(Date(0.0)));
    EXPECT_TRUE(IsDate("2008-01-02 13:05"));
    EXPECT_FALSE(IsDate("[Zone] 1/2/2008"));
    EXPECT_FALSE(IsDate(39449.0));
    EXPECT_FALSE(IsDate(Variant()));
    EXPECT_FALSE(IsDate(Variant::null()));
}

TEST(VbErrorTexts, StandardDescriptionsAndWhat)
{
    struct Case {
        int number;
        const char *description;
    };
    const Case cases[] = {
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {13, "Type mismatch"},
        {91, "Object variable or With block variable not set"},
        {94, "Invalid use of Null"},
        {438, "Object doesn't support this property or method"},
        {3021, "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
               "current record."},
        {3265, "Item cannot be found in the collection corresponding to the requested name or ordinal."},
    };
    for (const Case &c : cases) {
        const VbError error = VbError::fromNumber(c.number);
        EXPECT_EQ(error.number(), c.number);
        EXPECT_EQ(error.description().toStdString(), c.description);
        EXPECT_EQ(error.source(), VbError::defaultSource());
    }

    const VbError withUnicode(13, QStringLiteral("Größe ungültig"), QStringLiteral("FEvents.AddEvent"), 12);
    EXPECT_NE(std::string(withUnicode.what()).find("Größe ungültig"), std::string::npos);
    EXPECT_NE(std::string(withUnicode.what()).find("FEvents.AddEvent"), std::string::npos);
    EXPECT_EQ(withUnicode.line(), 12);
}
