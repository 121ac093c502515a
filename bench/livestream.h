#pragma once

// The live intake's stream and viewer, shared by the performance table and the profiling run: a
// shown viewer at its 1500-line limit with an exclude group of twenty strings, and a mixed stream of
// both controller families.

#include "bench/wiredviewer.h"

#include "component/eventintake.h"
#include "module/mpublic.h"
#include "platform/dispatch.h"
#include "viewer/fevents.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <array>
#include <vector>

namespace Ostraven::Bench {

inline constexpr int lineLimit = 1500;

// A loaded, shown viewer with the operator's exclude group in force.
struct LiveViewer : WiredViewer {
    LiveViewer() : WiredViewer(lineLimit)
    {
        FEvents &window = module->windows().events();
        window.resize(900, 480);
        window.show();
        settle();

        // What the filter-group builder leaves behind for an exclude group: its strings, one per
        // criterion. None of them matches the stream below, so every event is shown.
        QStringList group;
        for (int i = 1; i <= 8; ++i)
            group << QStringLiteral(R"(\\SRV9.1.%1.RD01)").arg(i);
        for (int i = 0; i < 6; ++i)
            group << QString::number(5100 + i);
        for (int i = 0; i < 3; ++i)
            group << QStringLiteral(R"(2999,\\SRV1.1.%1.RD01)").arg(i + 1);
        for (int i = 0; i < 3; ++i)
            group << QStringLiteral(R"(\\ZEKO09.%1)").arg(i + 1);
        module->filter.FilterStrings = group;
        module->filter.FilterInclusive = false;
        module->filter.FilterActive = true;
    }

    FEvents &window() { return module->windows().events(); }

    // Runs the event loop until the refresh timer has drawn the last burst, then a little longer so
    // that the paint it asked for is delivered.
    void settle()
    {
        QElapsedTimer clock;
        clock.start();
        while (window().timerRefresh.isActive() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

// One event of the stream in plain fields, for the bare work.
struct PlainEvent {
    bool secondFamily = false;
    qint32 id = 0;
    qint32 type = 0;
    Date controller;
    Date host;
    QString address;
    QString text; // the record's message text, or the message's description
};

inline DispatchPtr secondFamilyMessage(const PlainEvent &event)
{
    auto message = std::make_shared<MemberTable>();
    const PlainEvent copy = event;
    message->onGet(QStringLiteral("EventID"), [copy](Args &) { return Variant(copy.id); });
    message->onGet(QStringLiteral("EventType"), [copy](Args &) { return Variant(copy.type); });
    message->onGet(QStringLiteral("SubType"), [](Args &) { return Variant(qint32(0)); });
    message->onGet(QStringLiteral("ControllerDate"), [copy](Args &) { return Variant(copy.controller); });
    message->onGet(QStringLiteral("HostDate"), [copy](Args &) { return Variant(copy.host); });
    message->onGet(QStringLiteral("IsAlarm"), [copy](Args &) { return Variant(copy.id == 80101); });
    message->onGet(QStringLiteral("Description"), [copy](Args &) { return Variant(copy.text); });
    message->onGet(QStringLiteral("Address"), [copy](Args &) { return Variant(copy.address); });
    return message;
}

// Four first-family events to one second-family message, as the demo host sends them, across the
// classes and addresses of a working day; each with its own host time.
class LiveStream
{
public:
    static constexpr int poolSize = 5000;

    LiveStream()
    {
        struct Kind {
            qint32 id;
            qint32 type;
            const char *address;
            const char *text;
        };
        static constexpr std::array<Kind, 8> firstFamily{{
            {2001, 3, R"(\\SRV1.1.1.RD01)", "Access Granted,,,,,,%1,0"},
            {2002, 3, R"(\\SRV1.1.2.RD02)", "Access Denied - Invalid Time Zone,,,,,,%1,0"},
            {4001, 1, R"(\\SRV1.1.2.IN05)", "Door Held Open,"},
            {5001, 0, R"(\\SRV1.1.3.IN01)", "Door Forced Open,"},
            {1001, 6, R"(\\SRV1)", "Operator Logged In,"},
            {7001, 4, R"(\\SRV1.1)", "Communication Restored,"},
            {9001, 2, R"(\\SRV1.1.2)", "Tamper Switch Closed,"},
            {2001, 3, R"(\\SRV1.1.4.RD03)", "Access Granted,,,,,,%1,0"},
        }};
        const Date start = Date::fromParts(2026, 12, 5, 10, 0, 0);
        for (int i = 0; i < poolSize; ++i) {
            PlainEvent event;
            event.host = start.addMilliseconds(qint64(i) * 137);
            event.controller = event.host.addMilliseconds(-(i % 900));
            if (i % 5 == 4) {
                const bool alarm = i % 20 == 4;
                event.secondFamily = true;
                event.id = alarm ? 80101 : 80001;
                event.type = alarm ? 0 : 20;
                event.address = alarm ? QStringLiteral(R"(\\ZEKO01.2.3)") : QStringLiteral(R"(\\ZEKO01.1.DR01)");
                event.text = alarm ? QStringLiteral("Input Alarm") : QStringLiteral("Access Granted");
                m_messages.push_back(secondFamilyMessage(event));
            } else {
                const Kind &kind = firstFamily[std::size_t(i % int(firstFamily.size()))];
                event.id = kind.id;
                event.type = kind.type;
                event.address = QString::fromLatin1(kind.address);
                event.text = QString::fromLatin1(kind.text);
                if (event.text.contains(QLatin1String("%1")))
                    event.text = event.text.arg(1000 + i % 400);
                HostEventRecord record;
                record.eventNumber = event.id;
                record.typeCode = event.type;
                record.address = event.address;
                record.hostDate = event.host;
                record.controllerDate = event.controller;
                record.messageText = event.text;
                m_records.push_back(record);
            }
            m_plain.push_back(event);
        }
    }

    // Pushes events first .. first + count - 1 of the endless stream.
    void push(EventIntake &intake, qint64 first, qint64 count) const
    {
        for (qint64 n = first; n < first + count; ++n) {
            const int slot = int(n % poolSize);
            if (slot % 5 == 4)
                intake.AddZK2Message(m_messages[std::size_t(slot / 5)]);
            else
                intake.AddNewEvent(m_records[std::size_t(slot - (slot + 1) / 5)]);
        }
    }

    [[nodiscard]] const PlainEvent &plain(qint64 n) const { return m_plain[std::size_t(n % poolSize)]; }

private:
    std::vector<HostEventRecord> m_records;
    std::vector<DispatchPtr> m_messages;
    std::vector<PlainEvent> m_plain;
};

} // namespace Ostraven::Bench
