// A callgrind-friendly run of the live intake: the performance table's mix of both controller
// families through a shown viewer at its 1500-line limit with an exclude group of twenty strings,
// in a few bursts drawn in between. Only pushBurst does the intake, so
//
//   valgrind --tool=callgrind --toggle-collect='*pushBurst*' build/bin/bench_intakeprofile [EVENTS]
//
// counts the instructions of EVENTS live events (20,000 by default) and nothing else; divide the
// total by EVENTS for the cost of one event.

#include "bench/wiredviewer.h"
#include "component/eventintake.h"
#include "platform/dispatch.h"
#include "viewer/fevents.h"

#include <QApplication>
#include <QElapsedTimer>

#include <vector>

namespace {

using namespace Ostraven;

constexpr int lineLimit = 1500;
constexpr int bursts = 4;

DispatchPtr secondFamilyMessage(qint32 id, qint32 type, const Date &controller, const Date &host, bool alarm)
{
    auto message = std::make_shared<MemberTable>();
    const QString address = alarm ? QStringLiteral(R"(\\ZEKO01.2.3)") : QStringLiteral(R"(\\ZEKO01.1.DR01)");
    const QString text = alarm ? QStringLiteral("Input Alarm") : QStringLiteral("Access Granted");
    message->onGet(QStringLiteral("EventID"), [id](Args &) { return Variant(id); });
    message->onGet(QStringLiteral("EventType"), [type](Args &) { return Variant(type); });
    message->onGet(QStringLiteral("SubType"), [](Args &) { return Variant(qint32(0)); });
    message->onGet(QStringLiteral("ControllerDate"), [controller](Args &) { return Variant(controller); });
    message->onGet(QStringLiteral("HostDate"), [host](Args &) { return Variant(host); });
    message->onGet(QStringLiteral("IsAlarm"), [alarm](Args &) { return Variant(alarm); });
    message->onGet(QStringLiteral("Description"), [text](Args &) { return Variant(text); });
    message->onGet(QStringLiteral("Address"), [address](Args &) { return Variant(address); });
    return message;
}

// Four first-family events to one second-family message, each with its own host time.
struct Stream {
    static constexpr int poolSize = 5000;
    std::vector<HostEventRecord> records;
    std::vector<DispatchPtr> messages;

    Stream()
    {
        struct Kind {
            qint32 id;
            qint32 type;
            const char *address;
            const char *text;
        };
        static constexpr Kind firstFamily[] = {
            {2001, 3, R"(\\SRV1.1.1.RD01)", "Access Granted,,,,,,%1,0"},
            {2002, 3, R"(\\SRV1.1.2.RD02)", "Access Denied - Invalid Time Zone,,,,,,%1,0"},
            {4001, 1, R"(\\SRV1.1.2.IN05)", "Door Held Open,"},
            {5001, 0, R"(\\SRV1.1.3.IN01)", "Door Forced Open,"},
            {1001, 6, R"(\\SRV1)", "Operator Logged In,"},
            {7001, 4, R"(\\SRV1.1)", "Communication Restored,"},
            {9001, 2, R"(\\SRV1.1.2)", "Tamper Switch Closed,"},
            {2001, 3, R"(\\SRV1.1.4.RD03)", "Access Granted,,,,,,%1,0"},
        };
        const Date start = Date::fromParts(2026, 12, 5, 10, 0, 0);
        for (int i = 0; i < poolSize; ++i) {
            const Date host = start.addMilliseconds(qint64(i) * 137);
            const Date controller = host.addMilliseconds(-(i % 900));
            if (i % 5 == 4) {
                const bool alarm = i % 20 == 4;
                messages.push_back(secondFamilyMessage(alarm ? 80101 : 80001, alarm ? 0 : 20, controller, host, alarm));
                continue;
            }
            const Kind &kind = firstFamily[i % 8];
            HostEventRecord record;
            record.eventNumber = kind.id;
            record.typeCode = kind.type;
            record.address = QString::fromLatin1(kind.address);
            record.hostDate = host;
            record.controllerDate = controller;
            record.messageText = QString::fromLatin1(kind.text);
            if (record.messageText.contains(QLatin1String("%1")))
                record.messageText = record.messageText.arg(1000 + i % 400);
            records.push_back(record);
        }
    }
};

void push(EventIntake &intake, const Stream &stream, qint64 first, qint64 count)
{
    for (qint64 n = first; n < first + count; ++n) {
        const int slot = int(n % Stream::poolSize);
        if (slot % 5 == 4)
            intake.AddZK2Message(stream.messages[std::size_t(slot / 5)]);
        else
            intake.AddNewEvent(stream.records[std::size_t(slot - (slot + 1) / 5)]);
    }
}

// The counted bursts.
[[gnu::noinline]] void pushBurst(EventIntake &intake, const Stream &stream, qint64 first, qint64 count)
{
    push(intake, stream, first, count);
}

void settle(FEvents &window)
{
    QElapsedTimer clock;
    clock.start();
    while (window.timerRefresh.isActive() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const qint64 events = argc > 1 ? QByteArray(argv[1]).toLongLong() : 20'000;

    Bench::WiredViewer viewer(lineLimit);
    FEvents &window = viewer.module->windows().events();
    window.resize(900, 480);
    window.show();
    QStringList group;
    for (int i = 1; i <= 8; ++i)
        group << QStringLiteral(R"(\\SRV9.1.%1.RD01)").arg(i);
    for (int i = 0; i < 6; ++i)
        group << QString::number(5100 + i);
    for (int i = 0; i < 3; ++i)
        group << QStringLiteral(R"(2999,\\SRV1.1.%1.RD01)").arg(i + 1);
    for (int i = 0; i < 3; ++i)
        group << QStringLiteral(R"(\\ZEKO09.%1)").arg(i + 1);
    viewer.module->filter.FilterStrings = group;
    viewer.module->filter.FilterInclusive = false;
    viewer.module->filter.FilterActive = true;

    const Stream stream;
    EventIntake intake(*viewer.module);
    // The grid starts full, outside the counted bursts.
    push(intake, stream, 0, lineLimit);
    settle(window);
    qint64 next = lineLimit;
    for (int burst = 0; burst < bursts; ++burst) {
        const qint64 count = events / bursts + (burst < events % bursts ? 1 : 0);
        pushBurst(intake, stream, next, count);
        next += count;
        settle(window);
    }
    return window.vGrid->rowCount() == lineLimit ? 0 : 1;
}
