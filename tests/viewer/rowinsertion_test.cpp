#include "support/componentfixture.h"

#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "model/cgenericevent.h"
#include "viewer/fevents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace Ostraven::Testing {

namespace {

const ColourSlots defaultSlots{0, 16777215, 6250335, 255, 65280, 16776960, 16777215, 32896, 33023, 65535, 16744703,
                               16730712};

class RowInsertionTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
        module().profile.colourSlots = defaultSlots;
        module().filter.CanViewAllEvents = true;
        module().messageBuffer().SetBufferSize(100);
    }

    FEvents &window() { return module().windows().events(); }
    GridControl &grid() { return *window().vGrid; }
    QString cell(int row, const char *key) { return grid().cellText(row, QString::fromLatin1(key)); }

    HostEventRecord record(qint32 number, qint32 type, const QString &text = QStringLiteral("Something happened,"))
    {
        HostEventRecord r;
        r.eventNumber = number;
        r.typeCode = type;
        r.address = QStringLiteral("\\\\SRV1.1.2.IN05");
        r.hostDate = Date::fromParts(2026, 12, 5, 10, 0, 0);
        r.controllerDate = Date::fromParts(2026, 12, 5, 9, 59, 58);
        r.messageText = text;
        return r;
    }

    void push(const HostEventRecord &r) { EventIntake(module()).AddNewEvent(r); }
};

} // namespace

TEST_F(RowInsertionTest, IntakeFillsTheRecordAsTheHostSentIt)
{
    struct Case {
        const char *name;
        qint32 number;
        qint32 type;
        QString text;
        QString description;
        QString controllerTime;
        qint64 colour;
    };
    const Case cases[] = {
        {"alarm band start", 5000, 1, QStringLiteral("Door forced,x"), QStringLiteral("Door forced"),
         QStringLiteral("12/5/2026 9:59:58 AM"), 255},
        {"alarm band end", 5999, 1, QStringLiteral("Held,"), QStringLiteral("Held"), QStringLiteral("12/5/2026 9:59:58 AM"), 255},
        {"below the band", 4999, 1, QStringLiteral("Input,"), QStringLiteral("Input"),
         QStringLiteral("12/5/2026 9:59:58 AM"), 65280},
        {"above the band", 6000, 6, QStringLiteral("Changed,"), QStringLiteral("Changed"), QString(), 33023},
        {"software has no controller time", 1001, 6, QStringLiteral("Logged in,"), QStringLiteral("Logged in"),
         QString(), 65535},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        push(record(c.number, c.type, c.text));
        EXPECT_EQ(cell(1, "Description"), c.description);
        EXPECT_EQ(cell(1, "dtTime"), c.controllerTime);
        EXPECT_EQ(cell(1, "dbTime"), QStringLiteral("12/5/2026 10:00:00 AM"));
        EXPECT_EQ(grid().cell(1, QStringLiteral("Description")).foreColour, c.colour);
    }
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(RowInsertionTest, ARecordWithoutACommaIsReportedAndDropped)
{
    push(record(4001, 1, QStringLiteral("no comma here")));
    EXPECT_EQ(grid().rowCount(), 0);
    ASSERT_EQ(boxTexts().size(), 1);
    EXPECT_TRUE(boxTexts().first().contains(QStringLiteral("Event.AddNewEvent")));
}

TEST_F(RowInsertionTest, TransactionCredentialsAreReadFromPositionsSixAndSeven)
{
    struct Case {
        QString text;
        qint32 cred1;
        qint32 cred2;
        int reports;
    };
    const Case cases[] = {
        {QStringLiteral("Granted,a,b,c,d,e, 1007abc,2.5"), 1007, 2, 0},
        {QStringLiteral("Granted,a,b,c,d,e,3.5,x"), 4, 0, 0},
        {QStringLiteral("Granted,a,b"), 0, 0, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        desktop().clearRecords();
        module().view.scrollSuspended = true; // park the record so the test can read it back
        push(record(2001, 3, c.text));
        module().view.scrollSuspended = false;
        ASSERT_EQ(module().messageBuffer().Count(), 1);
        const auto parked = module().messageBuffer().Message();
        EXPECT_EQ(parked->CredID1(), c.cred1);
        EXPECT_EQ(parked->CredID2(), c.cred2);
        EXPECT_EQ(int(desktop().boxes().size()), c.reports);
    }
}

TEST_F(RowInsertionTest, SecondFamilySoftwareIsKeptAsType55)
{
    auto message = std::make_shared<MemberTable>();
    auto property = [&](const char *name, Variant value) {
        message->onGet(QLatin1String(name), [value](Args &) { return value; });
    };
    property("EventID", qint32(80500));
    property("EventType", qint32(25));
    property("SubType", qint32(7000));
    property("ControllerDate", Date::fromParts(2026, 12, 5, 9, 0, 0));
    property("HostDate", Date::fromParts(2026, 12, 5, 9, 0, 1));
    property("IsAlarm", false);
    property("Description", "Panel restarted");
    property("Address", "\\\\ZEKO01.2.3");
    EventIntake(module()).AddZK2Message(message);

    EXPECT_EQ(cell(1, "Type"), QStringLiteral("Software"));
    EXPECT_EQ(grid().cell(1, QStringLiteral("Type")).foreColour, defaultSlots[9]);

    module().typeRange = {true, 0, 0};
    for (const int index : {1, 2, 6}) {
        module().profile.TypeFilter = index;
        EventIntake(module()).AddZK2Message(message);
    }
    EXPECT_EQ(grid().rowCount(), 2) << "sub-type 7000 passes only the software filter";
}

TEST_F(RowInsertionTest, SuspendedEventsAppearBeforeTheNextOneInArrivalOrder)
{
    module().profile.DisplayEventsAtTop = false;
    module().view.scrollSuspended = true;
    for (const char *text : {"first,", "second,", "third,"})
        push(record(4001, 1, QString::fromLatin1(text)));
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_EQ(module().bufferCount(), 3);

    module().view.scrollSuspended = false;
    push(record(4001, 1, QStringLiteral("fourth,")));
    ASSERT_EQ(grid().rowCount(), 4);
    EXPECT_EQ(cell(1, "Description"), QStringLiteral("first"));
    EXPECT_EQ(cell(3, "Description"), QStringLiteral("third"));
    EXPECT_EQ(cell(4, "Description"), QStringLiteral("fourth"));
    EXPECT_EQ(module().bufferCount(), 0);
}

TEST_F(RowInsertionTest, TheGridNeverHoldsMoreThanTheLineLimit)
{
    struct Case {
        const char *name;
        bool atTop;
        int removedEnd; // the row that loses its oldest event
    };
    for (const Case &c : {Case{"newest at the bottom", false, 1}, Case{"newest at the top", true, 100}}) {
        SCOPED_TRACE(c.name);
        module().profile.DisplayEventsAtTop = c.atTop;
        module().profile.MaxLines = 100;
        for (int i = 1; i <= 150; ++i)
            push(record(4001, 1, QStringLiteral("event %1,").arg(i)));
        ASSERT_EQ(grid().rowCount(), 100);
        const int newest = c.atTop ? 1 : 100;
        EXPECT_EQ(cell(newest, "Description"), QStringLiteral("event 150"));
        EXPECT_EQ(cell(c.removedEnd, "Description"), QStringLiteral("event 51"));

        module().profile.MaxLines = 10;
        push(record(4001, 1, QStringLiteral("after lowering,")));
        EXPECT_EQ(grid().rowCount(), 100) << "one row leaves per insertion";
        grid().clear();
    }
}

TEST_F(RowInsertionTest, TextLinesGoThroughTheTypeFilterAndTakeTheirClassColour)
{
    struct Case {
        const char *line;
        bool shown;
        QString type;
    };
    (void)window(); // loading the window clears the type filter
    module().typeRange = {true, 2000, 3900};
    module().profile.TypeFilter = 2;
    const Case cases[] = {
        {"1/2/2008,1/2/2008 10:00:00 AM,\\\\SRV1.1.1.RD01,2500,KORA*GATE Transaction,Granted,5,0", true,
         QStringLiteral("KORA*GATE Transaction")},
        {"1/2/2008,1/2/2008 10:00:00 AM,\\\\SRV1.1.1.RD01,3901,KORA*GATE Transaction,Granted,5,0", false, {}},
        {"1/2/2008,1/2/2008 10:00:00 AM,\\\\ZEKO01.1.2,85000,ZekoSeries Misc,Input,0,0", false, {}},
        {"1/2/2008,1/2/2008 10:00:00 AM,\\\\ZEKO01.1.2,85000,PELA*Bus Internal,Input,0,0", true,
         QStringLiteral("PELA*Bus Internal")},
        {"1/2/2008,1/2/2008 10:00:00 AM,\\\\ZEKO01.1.2,85001,ZekoSeries Transaction,Granted,0,0", true,
         QStringLiteral("ZekoSeries Transaction")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        const int before = grid().rowCount();
        EXPECT_EQ(window().AddEvent(QString::fromLatin1(c.line)), c.shown);
        EXPECT_EQ(grid().rowCount() - before, c.shown ? 1 : 0);
        if (c.shown) {
            EXPECT_EQ(cell(1, "Type"), c.type);
        }
    }

    module().typeRange.active = false;
    EXPECT_TRUE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1,6001,ZEKO Programming,Edited,0,0")));
    EXPECT_EQ(cell(1, "Type"), QStringLiteral("Software"));
    EXPECT_EQ(cell(1, "dtTime"), QStringLiteral("1/2/2008 00:00:00"));
    EXPECT_EQ(cell(1, "dbTime"), QStringLiteral("1/2/2008 00:00:00"));
    EXPECT_EQ(grid().cell(1, QStringLiteral("Type")).foreColour, defaultSlots[8]);

    EXPECT_FALSE(window().AddEvent(QStringLiteral("1/2/2008,1/2/2008,\\\\SRV1")));
    EXPECT_TRUE(boxTexts().last().contains(QStringLiteral("FEvents.AddEvent")));
}

TEST_F(RowInsertionTest, WithoutAGroupOnlyOperatorsWhoMaySeeEverythingSeeEvents)
{
    module().filter.CanViewAllEvents = false;
    push(record(4001, 1));
    EXPECT_EQ(grid().rowCount(), 0);
    EXPECT_TRUE(desktop().boxes().empty());
}

TEST_F(RowInsertionTest, HostTimesWithAndWithoutMilliseconds)
{
    struct Case {
        const char *name;
        bool showMs;
        Date host;
        QString expected;
    };
    const Date noon = Date::fromParts(2026, 12, 5, 12, 0, 5);
    const Case cases[] = {
        {"1800 hidden", false, Date::nullDate(), QString()},
        {"1800 with milliseconds", true, Date::nullDate(), QStringLiteral("1800-01-01 00:00:00.000")},
        {".4 s", true, noon.addMilliseconds(400), QStringLiteral("2026-12-05 12:00:05.400")},
        {".6 s", true, noon.addMilliseconds(600), QStringLiteral("2026-12-05 12:00:05.600")},
        {"midnight padded", false, Date::fromParts(2008, 1, 2), QStringLiteral("1/2/2008 00:00:00")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module().view.showMilliseconds = c.showMs;
        HostEventRecord r = record(4001, 1);
        r.hostDate = c.host;
        push(r);
        EXPECT_EQ(cell(1, "dbTime"), c.expected);
    }
}

TEST_F(RowInsertionTest, ABurstIsPaintedOnce)
{
    FEvents &w = window();
    w.resize(800, 400);
    w.show();
    QCoreApplication::processEvents();
    const int paintsBefore = grid().paintCount();
    for (int i = 0; i < 1000; ++i)
        push(record(4001, 1, QStringLiteral("burst %1,").arg(i)));
    QCoreApplication::processEvents();
    EXPECT_EQ(grid().paintCount(), paintsBefore) << "nothing is painted while the burst arrives";

    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(grid().paintCount() - paintsBefore, 1);
    EXPECT_EQ(grid().rowCount(), 100);
}

} // namespace Ostraven::Testing

namespace Ostraven::Testing {

TEST_F(RowInsertionTest, ColumnsLeftOutOfTheLayoutAreSimplyNotFilled)
{
    module().profile.ColumnHeaders = QStringLiteral("Description][Description][1][400][True,ID][Event ID][2][58][True");
    module().profile.MaxLines = 2;
    for (int i = 1; i <= 3; ++i)
        push(record(4001, 1, QStringLiteral("event %1,").arg(i)));
    ASSERT_EQ(grid().rowCount(), 2);
    EXPECT_EQ(cell(1, "Description"), QStringLiteral("event 3"));
    EXPECT_EQ(cell(2, "ID"), QStringLiteral("4001"));
    EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString();
}

} // namespace Ostraven::Testing
