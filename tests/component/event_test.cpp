#include "support/componentfixture.h"

#include "component/event.h"
#include "component/eventclassfactory.h"
#include "inspection/eventinspector.h"
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
        // The Event object shares the fixture's module, as every object of one component does.
        m_shared = std::shared_ptr<MPublic>(&module(), [](MPublic *) {});
        m_event = std::make_unique<Event>(m_shared);
    }
    void TearDown() override
    {
        m_event.reset();
        ComponentTest::TearDown();
    }

    Event &event() { return *m_event; }
    QJsonArray callbacks() const { return const_cast<EventTest *>(this)->record().callbacks; }
    QJsonObject snapshot() { return QJsonDocument::fromJson(EventInspector(m_shared).snapshotJson()).object(); }

private:
    std::shared_ptr<MPublic> m_shared;
    std::unique_ptr<Event> m_event;
};

QJsonArray unloadCallback()
{
    return QJsonArray{QStringLiteral("EVENTVIEWER"), 0, QStringLiteral("UNLOAD")};
}

} // namespace

TEST_F(EventTest, ShowLoadsTheWindowAndSendsLoadWithItsHandle)
{
    EXPECT_EQ(event().Show(), Com::S_OK);

    ASSERT_TRUE(module().windows().isEventsLoaded());
    EXPECT_FALSE(module().windows().events().isVisible()) << "showing the window is the host's part";
    ASSERT_EQ(callbacks().size(), 1);
    const QJsonArray load = callbacks().at(0).toArray();
    EXPECT_EQ(load.at(0).toString(), QStringLiteral("EVENTVIEWER"));
    EXPECT_NE(load.at(1).toInt(), 0);
    EXPECT_EQ(load.at(1).toInt(), module().windows().events().handle());
    EXPECT_EQ(load.at(2).toString(), QStringLiteral("LOAD"));
}

TEST_F(EventTest, ShutDownSendsUnloadFromTheWindowAndFromItself)
{
    struct Case {
        const char *name;
        bool showFirst;
        int unloads;
    };
    for (const Case &c : {Case{"window loaded", true, 2}, Case{"window never loaded", false, 1}}) {
        SCOPED_TRACE(c.name);
        record().callbacks = QJsonArray();
        module().host.Parent = std::make_shared<Host::HostParent>(config(), record(), [](qint64) {});
        if (c.showFirst)
            event().Show();
        record().callbacks = QJsonArray();

        bool result = true;
        EXPECT_EQ(event().ShutDown(&result), Com::S_OK);

        EXPECT_FALSE(result);
        EXPECT_FALSE(module().windows().isEventsLoaded());
        EXPECT_EQ(module().host.Parent, nullptr) << "ShutDown lets go of the parent";
        ASSERT_EQ(callbacks().size(), c.unloads);
        for (const QJsonValue &callback : callbacks())
            EXPECT_EQ(callback.toArray(), unloadCallback());
    }
    EXPECT_TRUE(desktop().boxes().empty());
}

TEST_F(EventTest, MembersByNameReachTheSameState)
{
    Args args{Variant(qint32(42))};
    event().invoke(QStringLiteral("eventqueueid"), InvokeKind::Put, args);
    EXPECT_EQ(event().get(QStringLiteral("EventQueueID")), Variant(qint32(42)));

    qint32 viaInterface = 0;
    event().get_EventQueueID(&viaInterface);
    EXPECT_EQ(viaInterface, 42);

    event().put(QStringLiteral("CurrentProfileID"), Variant(QStringLiteral("7")));
    EXPECT_EQ(module().host.CurrentProfileID, 7);
    event().put(QStringLiteral("IsAdmin"), Variant(false));
    EXPECT_FALSE(module().host.IsAdmin);

    Args none;
    EXPECT_EQ(event().call(QStringLiteral("ShutDown"), none), Variant(false));

    try {
        event().call(QStringLiteral("Refresh"), none);
        FAIL() << "an unknown member must raise";
    } catch (const VbError &error) {
        EXPECT_EQ(error.number(), 438);
    }
}

TEST_F(EventTest, EventQueueIdStartsAtZero)
{
    qint32 value = -1;
    event().get_EventQueueID(&value);
    EXPECT_EQ(value, 0);
}

TEST_F(EventTest, IgnoredMembersChangeNothing)
{
    event().Show();
    const QJsonObject before = snapshot();
    event().put_ViewerFont(QStringLiteral("Courier New"));
    event().put_TimeFormat(true);
    QString line = QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1.1.2.IN05,4001,KORA*GATE External,Door forced");
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
    EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("Function: EventViewObject.Event.host.DBConnection(Set)(0)")));
    EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("Error Number: 13")));
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

TEST_F(EventTest, CUnloadClosesOnlyTheWindow)
{
    event().Show();
    event().cUnload();
    EXPECT_FALSE(module().windows().isEventsLoaded());
    EXPECT_NE(module().host.Parent, nullptr);
    ASSERT_EQ(callbacks().size(), 2);
    EXPECT_EQ(callbacks().at(1).toArray(), unloadCallback());

    event().Show(); // the window is made again after unloading
    EXPECT_TRUE(module().windows().isEventsLoaded());
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

    auto *a = static_cast<_Event *>(first->queryInterface(_Event::IID));
    auto *b = static_cast<_Event *>(second->queryInterface(_Event::IID));
    qint32 value = 5;
    a->put_EventQueueID(value);
    b->get_EventQueueID(&value);
    EXPECT_EQ(value, 5) << "every object of the component shares its state";

    std::shared_ptr<Com::Unknown> refused;
    EXPECT_EQ(factory.createInstance(QUuid::createUuid(), &refused), Com::E_NOINTERFACE);

    factory.lockServer(true);
    first.reset();
    second.reset();
    EXPECT_FALSE(factory.canUnload()) << "a lock keeps the library";
    factory.lockServer(false);
    EXPECT_TRUE(factory.canUnload());
}

} // namespace Ostraven::Testing
