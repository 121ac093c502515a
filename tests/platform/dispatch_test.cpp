#include "platformtest.h"
#include "platform/dispatch.h"
#include <gtest/gtest.h>

using namespace Ostraven;

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
    EXPECT_EQ(host->get("USERID"), Variant(qint32(42)));
    host->put("caption", Variant("Events"));
    EXPECT_EQ(stored, Variant("Events"));
    host->putRef("parent", Variant(DispatchPtr(host)));
    EXPECT_EQ(slot, host);
    Args args{Variant(qint32(21))};
    EXPECT_EQ(host->call("twice", args), Variant(qint32(42)));
    EXPECT_EQ(args.at(0), Variant(qint32(42)));
    // A method read as a property and a property called as a method both reach their handler.
    Args seven{Variant(qint32(7))};
    EXPECT_EQ(host->get("Twice", seven), Variant(qint32(14)));
    EXPECT_EQ(host->callWith("UserId"), Variant(qint32(42)));
    // Unknown members and missing objects raise.
    const VbError unknown = errorOf([&] { host->callWith("NoSuchMember", qint32(1)); });
    EXPECT_EQ(std::pair(unknown.number(), unknown.description()), std::pair(438, QStringLiteral("Object doesn't support this property or method")));
    // Put is not Get: a read-only property cannot be written, nor a method.
    EXPECT_EQ(errorNumber([&] { host->put("UserId", Variant(qint32(1))); }), 438);
    EXPECT_EQ(errorNumber([&] { host->put("Twice", Variant(qint32(1))); }), 438);
    EXPECT_EQ(stored, Variant("Events")); // neither failed put reached the Caption handler
    for (const Variant &none : {Variant(), Variant(qint32(1)), Variant(DispatchPtr())})
        EXPECT_EQ(errorNumber([&] { (void)objectOf(none); }), 91);
    EXPECT_EQ(&objectOf(Variant(DispatchPtr(host))), host.get());
}
