#include "platformtest.h"
#include "platform/dispatch.h"
#include "platform/variant.h"

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
    for (const Case<T> &c : cases) { // a row that raises expects the untouched default
        T result{};
        EXPECT_EQ(errorNumber([&] { result = convert(c.input); }), c.error) << "row " << row;
        EXPECT_EQ(result, c.expected) << "row " << row;
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
                   {Variant::null(), 0, NullUse}, {object(), 0, Mismatch}, {Date(39449.75), 39450}, {Date(39448.5), 39448}}, CLng);
    check<qint16>({{32767.4, 32767}, {32767.5, 0, Overflow}, {-32768.5, -32768}, {-32768.6, 0, Overflow},
                   {qint32(40000), 0, Overflow}, {"  -12.5", -12}, {"1.2.3", 0, Mismatch}}, CInt);
    check<double>({{" -3.25 ", -3.25}, {true, -1.0}, {Date(39449.25), 39449.25}, {"1,5", 0, Mismatch}, {" +007 ", 7.0},
                   {"-123456789012345", -123456789012345.0}, {"12345678901234567", 12345678901234567.0}, {"1e3", 0, Mismatch}}, CDbl);
}

TEST(VariantConversions, BooleansTextsDatesAndTheirTests)
{
    check<bool>({{"tRUE", true}, {"FALSE", false}, {"0", false}, {" 0.5 ", true}, {"yes", false, Mismatch},
                 {"", false, Mismatch}, {0.0, false}, {0.1, true}, {Variant(), false}, {Variant::null(), false, NullUse},
                 {object(), false, Mismatch}}, CBool);
    check<QString>({{true, "True"}, {qint16(-5), "-5"}, {1.5, "1.5"}, {3.0, "3"}, {0.1 + 0.2, "0.3"},
                    {123456789012345.0, "123456789012345"}, {1e15, "1E+15"}, {0.00001, "1E-05"},
                    {Date(39449.5), "1/2/2008 12:00:00 PM"}, {Variant(), ""}, {Variant::null(), "", NullUse},
                    {object(), "", Mismatch}}, CStr);
    check<Date>({{qint32(-1), Date(-1.0)}, {Variant(), Date(0.0)},
                 {" 1/2/2008 1:05:09 PM ", Date::fromParts(2008, 1, 2, 13, 5, 9)}, {"39449", {}, Mismatch},
                 {"", {}, Mismatch}, {Variant::null(), {}, NullUse}, {3e6, {}, Overflow}}, CDate);
    check<bool>({{" +1.5 ", true}, {".5", true}, {"5.", true}, {"", false}, {".", false}, {"+", false}, {"1.2.3", false},
                 {"1e3", false}, {"1,000", false}, {"- 7", false}, {"--7", false}, {true, true}, {Variant(), true},
                 {Variant::null(), false}, {Date(1.0), false}, {object(), false}}, IsNumeric);
    check<double>({{"  12abc", 12.0}, {"abc", 0.0}, {"1.2.3", 1.2}, {"1e3", 1.0}, {"+.5", 0.5}, {"-", 0.0}, {"  -0042 ", -42.0}},
                  [](const Variant &text) { return Val(CStr(text)); });
    check<bool>({{Date(0.0), true}, {"2008-01-02 13:05", true}, {"[Zone] 1/2/2008", false}, {39449.0, false}, {Variant::null(), false}}, IsDate);
}

TEST(VbErrorTexts, StandardDescriptionsAndWhat)
{
    const VbError withUnicode(13, QStringLiteral("Größe ungültig"), QStringLiteral("FEvents.AddEvent"), 12);
    EXPECT_THAT(withUnicode.what(), ::testing::AllOf(HasSubstr("Größe ungültig"), HasSubstr("FEvents.AddEvent")));
    EXPECT_EQ(std::tuple(VbError::fromNumber(6).description(), VbError::fromNumber(6).source(), withUnicode.line()),
              std::tuple(QStringLiteral("Overflow"), VbError::defaultSource(), 12));
}

// A host-like object with a property, a method that writes back into its argument, and an object slot;
// members are found by name without regard to case, and a member of the wrong kind is not there.
TEST(Dispatch, CallsMembersByNameWithoutRegardToCaseAndRaisesForOthers)
{
    const auto host = std::make_shared<MemberTable>();
    Variant stored;
    DispatchPtr slot;
    host->onGet("UserId", [](Args &) { return Variant(qint32(42)); });
    host->onPut("Caption", [&](Args &args) { return stored = args.at(0), Variant(); });
    host->onPutRef("Parent", [&](Args &args) { return slot = args.at(0).asObject(), Variant(); });
    host->onCall("Twice", [](Args &args) { return args[0] = Variant(CLng(args.at(0)) * 2); });
    host->put("caption", Variant("Events"));
    host->putRef("parent", Variant(DispatchPtr(host)));
    Args args{Variant(qint32(21))};
    EXPECT_EQ((std::tuple{host->get("USERID"), stored, slot, host->call("twice", args), args.at(0)}), // braces: in this order
              std::tuple(Variant(qint32(42)), Variant("Events"), DispatchPtr(host), Variant(qint32(42)), Variant(qint32(42))));
    // A method read as a property and a property called as a method both reach their handler.
    Args seven{Variant(qint32(7))};
    EXPECT_EQ(std::pair(host->get("Twice", seven), host->callWith("UserId")), std::pair(Variant(qint32(14)), Variant(qint32(42))));
    // Unknown members and missing objects raise.
    const VbError unknown = errorOf([&] { host->callWith("NoSuchMember", qint32(1)); });
    EXPECT_EQ(std::pair(unknown.number(), unknown.description()), std::pair(438, QStringLiteral("Object doesn't support this property or method")));
    // Put is not Get: a read-only property cannot be written, nor a method.
    EXPECT_EQ(std::pair(errorNumber([&] { host->put("UserId", Variant(qint32(1))); }), errorNumber([&] { host->put("Twice", Variant(qint32(1))); })),
              std::pair(438, 438));
    EXPECT_EQ(stored, Variant("Events")); // neither failed put reached the Caption handler
    for (const Variant &none : {Variant(), Variant(qint32(1)), Variant(DispatchPtr())})
        EXPECT_EQ(errorNumber([&] { (void)objectOf(none); }), 91);
    EXPECT_EQ(&objectOf(Variant(DispatchPtr(host))), host.get());
    // Registering a member again, in any spelling, replaces it for every spelling.
    host->onGet("USERID", [](Args &) { return Variant(qint32(7)); });
    EXPECT_EQ(std::pair(host->get("UserId"), host->get("userid")), std::pair(Variant(qint32(7)), Variant(qint32(7))));
}
