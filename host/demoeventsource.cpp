#include "demoeventsource.h"

#include "controlprotocol.h"
#include "hostsession.h"

#include "errors/numberfield.h"
#include "platform/vberror.h"

#include <QJsonObject>
#include <QRandomGenerator>

#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>

namespace Ostraven::Host {

namespace {

Date dateField(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = command.value(field);
    if (value.isUndefined() || value.isNull())
        return Date::now();
    const std::optional<Date> date = Date::parse(value.toString());
    if (!date)
        throw std::invalid_argument(QStringLiteral("\"%1\" is not a date: \"%2\"").arg(field, value.toString()).toStdString());
    return *date;
}

// Event numbers, types and subtypes are Longs in both families' records.
qint32 numberField(const QJsonObject &command, const QString &field, qint32 fallback = 0)
{
    const QJsonValue value = command.value(field);
    if (value.isUndefined() || value.isNull())
        return fallback;
    return NumberField::whole(value, field);
}

EventProbe &sideDoor(HostSession &session)
{
    EventProbe *probe = session.probe();
    if (!probe)
        throw std::invalid_argument("the component offers no way in for text lines");
    return *probe;
}

// A second-family message as the host's support library hands it over: properties by name.
DispatchPtr secondFamilyMessage(qint32 id, qint32 type, qint32 subType, Date controller, Date host, bool alarm,
                                QString description, QString address)
{
    auto message = std::make_shared<MemberTable>();
    message->onGet(QStringLiteral("EventID"), [id](Args &) { return Variant(id); });
    message->onGet(QStringLiteral("EventType"), [type](Args &) { return Variant(type); });
    message->onGet(QStringLiteral("SubType"), [subType](Args &) { return Variant(subType); });
    message->onGet(QStringLiteral("ControllerDate"), [controller](Args &) { return Variant(controller); });
    message->onGet(QStringLiteral("HostDate"), [host](Args &) { return Variant(host); });
    message->onGet(QStringLiteral("IsAlarm"), [alarm](Args &) { return Variant(alarm); });
    message->onGet(QStringLiteral("Description"), [description](Args &) { return Variant(description); });
    message->onGet(QStringLiteral("Address"), [address](Args &) { return Variant(address); });
    return message;
}

struct DemoEvent {
    qint32 id;
    qint32 type;
    const char *address;
    const char *text;
};

// First-family events across the classes an operator sees in a working day.
constexpr std::array<DemoEvent, 12> firstFamily{{
    {2001, 3, R"(\\SRV1.1.1.RD01)", "Access Granted,,,,,,%1,0"},
    {2002, 3, R"(\\SRV1.1.2.RD02)", "Access Denied - Invalid Time Zone,,,,,,%1,0"},
    {2010, 3, R"(\\SRV1.1.1.RD01)", "Access Granted - Door Used,,,,,,%1,0"},
    {5001, 0, R"(\\SRV1.1.2.IN05)", "Door Forced Open,"},
    {5002, 0, R"(\\SRV1.1.1.IN01)", "Door Held Open,"},
    {4001, 1, R"(\\SRV1.1.3.IN02)", "Motion Detected,"},
    {1001, 6, R"(\\SRV1)", "Operator Logged In,"},
    {6001, 6, R"(\\SRV1)", "Cardholder Record Changed,"},
    {7001, 4, R"(\\SRV1.1)", "Communication Restored,"},
    {8001, 4, R"(\\SRV1.1.2)", "Controller Power Restored,"},
    {9001, 2, R"(\\SRV1.1.2)", "Tamper Switch Closed,"},
    {10001, 4, R"(\\SRV1.1.4)", "Fire Panel Trouble,"},
}};

} // namespace

DemoEventSource::DemoEventSource(HostSession &session) : m_session(session)
{
    connect(&m_timer, &QTimer::timeout, this, &DemoEventSource::pushNext);
}

void DemoEventSource::addOps(ControlProtocol &protocol)
{
    protocol.addOp(QStringLiteral("event"), [this](const QJsonObject &command) {
        HostEventRecord record;
        record.eventNumber = numberField(command, QStringLiteral("id"));
        record.address = command.value(QStringLiteral("address")).toString();
        record.hostDate = dateField(command, QStringLiteral("host"));
        record.controllerDate = dateField(command, QStringLiteral("controller"));
        record.typeCode = numberField(command, QStringLiteral("type"));
        record.messageText = command.value(QStringLiteral("text")).toString();
        m_session.component().AddNewEvent(record);
    });
    protocol.addOp(QStringLiteral("zk2"), [this](const QJsonObject &command) {
        DispatchPtr message = secondFamilyMessage(
            numberField(command, QStringLiteral("id")), numberField(command, QStringLiteral("type")),
            numberField(command, QStringLiteral("subtype")), dateField(command, QStringLiteral("controller")),
            dateField(command, QStringLiteral("host")), command.value(QStringLiteral("alarm")).toBool(),
            command.value(QStringLiteral("description")).toString(), command.value(QStringLiteral("address")).toString());
        m_session.component().AddZK2Message(message);
    });
    protocol.addOp(QStringLiteral("line"), [this](const QJsonObject &command) {
        const QJsonValue text = command.value(QStringLiteral("text"));
        if (!text.isString())
            throw std::invalid_argument("\"line\" needs the field \"text\"");
        (void)sideDoor(m_session).addEventLine(text.toString());
    });
    protocol.addOp(QStringLiteral("suspend"), [this](const QJsonObject &command) {
        // Without a value the op toggles, as the menu item does; with one it reaches that state.
        const QJsonValue value = command.value(QStringLiteral("value"));
        if (value.isUndefined())
            sideDoor(m_session).runEventMenuItem(3);
        else
            sideDoor(m_session).setScrollSuspended(value.toBool());
    });
}

void DemoEventSource::start(double eventsPerSecond)
{
    // The command line keeps the rate within 0.01 to 1000 a second, so the interval is 1 ms to 100 s.
    m_timer.start(std::chrono::milliseconds(std::max(1L, std::lround(1000.0 / eventsPerSecond))));
}

void DemoEventSource::stop()
{
    m_timer.stop();
}

// Mostly card transactions, now and then an alarm, a system message or a second-family event.
void DemoEventSource::pushNext()
{
    QRandomGenerator &random = *QRandomGenerator::global();
    ++m_sequence;
    const Date now = Date::now();
    if (m_sequence % 5 == 0) {
        const bool alarm = random.bounded(4) == 0;
        DispatchPtr message = secondFamilyMessage(
            alarm ? 80101 : 80001, alarm ? 0 : 20, 0, now.addMilliseconds(-random.bounded(900)), now, alarm,
            alarm ? QStringLiteral("Input Alarm") : QStringLiteral("Access Granted"),
            alarm ? QStringLiteral(R"(\\ZEKO01.2.3)") : QStringLiteral(R"(\\ZEKO01.1.DR01)"));
        m_session.component().AddZK2Message(message);
        return;
    }
    const DemoEvent &event = firstFamily[random.bounded(int(firstFamily.size()))];
    HostEventRecord record;
    record.eventNumber = event.id;
    record.typeCode = event.type;
    record.address = QString::fromLatin1(event.address);
    record.hostDate = now;
    record.controllerDate = now.addMilliseconds(-random.bounded(900));
    record.messageText = QString::fromLatin1(event.text);
    if (record.messageText.contains(QLatin1String("%1")))
        record.messageText = record.messageText.arg(1001 + random.bounded(32));
    m_session.component().AddNewEvent(record);
}

} // namespace Ostraven::Host
