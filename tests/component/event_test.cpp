#include "support/componentfixture.h"

#include "component/eventclassfactory.h"
#include "probe/eventprober.h"
#include "viewer/fevents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Ostraven::Testing {
namespace {

class EventTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }
    QJsonArray callbacks() { return record().callbacks; }
    QJsonObject snapshot() { return QJsonDocument::fromJson(EventProber(shared()).snapshotJson()).object(); }
};

const QJsonArray unloadCallback{"EVENTVIEWER", 0, "UNLOAD"};

// Show sends LOAD with the window's handle; cUnload closes the window (UNLOAD) but keeps the parent, and the
// next Show makes the window again.
TEST_F(EventTest, ShowLoadsTheWindowAndCUnloadClosesOnlyIt)
{
    EXPECT_EQ(event().Show(), Com::S_OK);
    ASSERT_TRUE(module().windows().isEventsLoaded());
    EXPECT_FALSE(module().windows().events().isVisible()) << "showing the window is the host's part";
    const auto handle = module().windows().events().handle();
    EXPECT_NE(handle, 0);
    event().cUnload();
    EXPECT_FALSE(module().windows().isEventsLoaded());
    EXPECT_NE(module().host.Parent, nullptr);
    EXPECT_EQ(callbacks(), (QJsonArray{QJsonArray{"EVENTVIEWER", handle, "LOAD"}, unloadCallback}));
    event().Show();
    EXPECT_TRUE(module().windows().isEventsLoaded());
}

// ShutDown answers false, lets go of the parent, and sends UNLOAD from the window (when it was loaded) and
// from itself.
struct ShutDownCase { const char *name; bool showFirst; QJsonArray unloads; };
class ShutDown : public EventTest, public ::testing::WithParamInterface<ShutDownCase> {};
TEST_P(ShutDown, SendsUnloadFromTheWindowAndFromItself)
{
    if (GetParam().showFirst)
        event().Show();
    record().callbacks = QJsonArray();
    bool result = true;
    EXPECT_EQ(event().ShutDown(&result), Com::S_OK);
    EXPECT_FALSE(result);
    EXPECT_FALSE(module().windows().isEventsLoaded());
    EXPECT_EQ(module().host.Parent, nullptr);
    EXPECT_EQ(callbacks(), GetParam().unloads);
    EXPECT_TRUE(desktop().boxes().empty());
}
INSTANTIATE_TEST_SUITE_P(Window, ShutDown, ::testing::Values(ShutDownCase{"Loaded", true, {unloadCallback, unloadCallback}},
                                                           ShutDownCase{"NeverLoaded", false, {QJsonValue(unloadCallback)}}),
                         [](const auto &row) { return std::string(row.param.name); });

TEST_F(EventTest, MembersByNameReachTheSameState)
{
    Args args{Variant(qint32(42))};
    event().invoke("eventqueueid", InvokeKind::Put, args);
    EXPECT_EQ(event().get("EventQueueID"), Variant(qint32(42)));
    qint32 viaInterface = 0;
    event().get_EventQueueID(&viaInterface);
    EXPECT_EQ(viaInterface, 42);
    event().put("CurrentProfileID", Variant(QStringLiteral("7")));
    EXPECT_EQ(module().host.CurrentProfileID, 7);
    event().put("IsAdmin", Variant(false));
    EXPECT_FALSE(module().host.IsAdmin);
    Args none;
    EXPECT_EQ(event().call("ShutDown", none), Variant(false));
    try {
        event().call("Refresh", none);
        FAIL() << "an unknown member must raise";
    } catch (const VbError &error) {
        EXPECT_EQ(error.number(), 438);
    }
}

TEST_F(EventTest, IgnoredMembersChangeNothing)
{
    event().Show();
    const QJsonObject before = snapshot();
    event().put_ViewerFont("Courier New");
    event().put_TimeFormat(true);
    QString line = R"(1/2/2008,1/2/2008,\\SRV1.1.2.IN05,4001,KORA*GATE External,Door forced)";
    event().cAddEvent(line);
    DispatchPtr queue = std::make_shared<MemberTable>();
    event().putref_QueueObject(queue);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(EventTest, ANonConnectionObjectIsRefusedAndReported)
{
    const ConnectionPtr before = module().host.DBConnection;
    event().putref_DBConnection(std::make_shared<MemberTable>());
    EXPECT_EQ(module().host.DBConnection, before);
    ASSERT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(boxTexts().first().contains("Function: EventViewObject.Event.host.DBConnection(Set)(0)"));
    EXPECT_TRUE(boxTexts().first().contains("Error Number: 13"));
}

TEST_F(EventTest, ReShowNeverTroublesTheOperator)
{
    event().ReShow();
    EXPECT_FALSE(module().windows().isEventsLoaded()) << "ReShow does not open a window that is not there";
    event().Show();
    event().ReShow(); // loaded but hidden: the focus cannot go there
    EXPECT_TRUE(desktop().boxes().empty());
}

TEST_F(EventTest, OnUserSwitchStartsTheReloadTimer)
{
    event().Show();
    EXPECT_FALSE(module().windows().events().tTemp.isActive());
    event().OnUserSwitch();
    EXPECT_TRUE(module().windows().events().tTemp.isActive());
    EXPECT_EQ(module().windows().events().tTemp.interval(), 250);
}

TEST(EventClassFactoryTest, ObjectsShareOneModuleAndTheLibraryKnowsWhenItIsFree)
{
    QTemporaryDir folder;
    EventClassFactory factory(folder.path());
    factory.setDesktopServices(std::make_shared<ScriptedDesktop>());
    EXPECT_TRUE(factory.canUnload());
    std::shared_ptr<Com::Unknown> first;
    std::shared_ptr<Com::Unknown> second;
    ASSERT_EQ(factory.createInstance(Com::IID_IDispatch, &first), Com::S_OK);
    ASSERT_EQ(factory.createInstance(_Event::IID, &second), Com::S_OK);
    EXPECT_FALSE(factory.canUnload());
    qint32 value = 5;
    static_cast<_Event *>(first->queryInterface(_Event::IID))->put_EventQueueID(value);
    qint32 read = 0;
    static_cast<_Event *>(second->queryInterface(_Event::IID))->get_EventQueueID(&read);
    EXPECT_EQ(read, 5) << "every object of the component shares its state";
    std::shared_ptr<Com::Unknown> refused;
    EXPECT_EQ(factory.createInstance(QUuid::createUuid(), &refused), Com::E_NOINTERFACE);
    factory.lockServer(true);
    first.reset();
    second.reset();
    EXPECT_FALSE(factory.canUnload()) << "a lock keeps the library";
    factory.lockServer(false);
    EXPECT_TRUE(factory.canUnload());
}

} // namespace
} // namespace Ostraven::Testing
