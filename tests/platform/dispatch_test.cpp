#include "platform/dispatch.h"

#include <gtest/gtest.h>

using namespace Ostraven;

namespace {

// A host-like object with a property, a method that writes back into its argument, and an object slot.
std::shared_ptr<MemberTable> makeHost(Variant &stored, DispatchPtr &slot)
{
    auto host = std::make_shared<MemberTable>();
    host->onGet(QStringLiteral("UserId"), [](Args &) { return Variant(qint32(42)); });
    host->onPut(QStringLiteral("Caption"), [&stored](Args &args) {
        stored = args.at(0);
        return Variant();
    });
    host->onPutRef(QStringLiteral("Parent"), [&slot](Args &args) {
        slot = args.at(0).asObject();
        return Variant();
    });
    host->onCall(QStringLiteral("Twice"), [](Args &args) {
        const qint32 doubled = CLng(args.at(0)) * 2;
        args[0] = Variant(doubled);
        return Variant(doubled);
    });
    return host;
}

int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const VbError &error) {
        return error.number();
    }
    return 0;
}

} // namespace

TEST(Dispatch, CallsMembersByNameWithoutRegardToCase)
{
    Variant stored;
    DispatchPtr slot;
    const auto host = makeHost(stored, slot);

    EXPECT_EQ(host->get(QStringLiteral("USERID")), Variant(qint32(42)));
    host->put(QStringLiteral("caption"), Variant("Events"));
    EXPECT_EQ(stored, Variant("Events"));
    host->putRef(QStringLiteral("parent"), Variant(DispatchPtr(host)));
    EXPECT_EQ(slot, host);

    Args args{Variant(qint32(21))};
    EXPECT_EQ(host->call(QStringLiteral("twice"), args), Variant(qint32(42)));
    EXPECT_EQ(args.at(0), Variant(qint32(42)));
    // A method read as a property and a property called as a method both reach their handler.
    Args seven{Variant(qint32(7))};
    EXPECT_EQ(host->get(QStringLiteral("Twice"), seven), Variant(qint32(14)));
    EXPECT_EQ(host->callWith(QStringLiteral("UserId")), Variant(qint32(42)));
}

TEST(Dispatch, UnknownMembersAndMissingObjectsRaise)
{
    Variant stored;
    DispatchPtr slot;
    const auto host = makeHost(stored, slot);

    try {
        host->callWith(QStringLiteral("NoSuchMember"), qint32(1));
        ADD_FAILURE() << "unknown member was called";
    } catch (const VbError &error) {
        EXPECT_EQ(error.number(), 438);
        EXPECT_EQ(error.description(), QStringLiteral("Object doesn't support this property or method"));
    }
    // Put is not Get: a read-only property cannot be written.
    EXPECT_EQ(errorOf([&] { host->put(QStringLiteral("UserId"), Variant(qint32(1))); }), 438);
    EXPECT_EQ(errorOf([&] { host->put(QStringLiteral("Twice"), Variant(qint32(1))); }), 438);
    EXPECT_EQ(stored, Variant());

    EXPECT_EQ(errorOf([] { (void)objectOf(Variant()); }), 91);
    EXPECT_EQ(errorOf([] { (void)objectOf(Variant(qint32(1))); }), 91);
    EXPECT_EQ(errorOf([] { (void)objectOf(Variant(DispatchPtr())); }), 91);
    EXPECT_EQ(&objectOf(Variant(DispatchPtr(host))), host.get());
}
