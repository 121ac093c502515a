#include "interactionops.h"

#include "controlprotocol.h"
#include "hostsession.h"

#include <QJsonArray>
#include <QJsonObject>

#include <stdexcept>

namespace Ostraven::Host {

namespace {

[[noreturn]] void badCommand(const QString &message)
{
    throw std::invalid_argument(message.toStdString());
}

EventInspection &sideDoor(HostSession &session)
{
    EventInspection *inspection = session.inspection();
    if (!inspection)
        badCommand(QStringLiteral("the component offers no way in for the operator's actions"));
    return *inspection;
}

int number(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = command.value(field);
    if (value.isUndefined() || value.isNull())
        badCommand(QStringLiteral("\"%1\" needs the field \"%2\"").arg(command.value(QStringLiteral("op")).toString(), field));
    if (!value.isDouble() || value.toDouble() != double(qint64(value.toDouble())))
        badCommand(QStringLiteral("\"%1\" must be a whole number").arg(field));
    return int(value.toDouble());
}

int numberOr(const QJsonObject &command, const QString &field, int fallback)
{
    return command.contains(field) ? number(command, field) : fallback;
}

struct MouseAction {
    int button = 0;
    int shift = 0;
    int x = 0;
    int y = 0;
};

// The point is given in grid pixels, or as the cell whose centre it is.
MouseAction mouseAction(const QJsonObject &command, HostSession &session, int defaultButton)
{
    MouseAction action;
    action.button = defaultButton ? numberOr(command, QStringLiteral("button"), defaultButton)
                                  : number(command, QStringLiteral("button"));
    action.shift = numberOr(command, QStringLiteral("shift"), 0);
    if (command.contains(QStringLiteral("row"))) {
        const auto [x, y] = sideDoor(session).gridCellPoint(number(command, QStringLiteral("row")),
                                                            numberOr(command, QStringLiteral("col"), 1));
        action.x = x;
        action.y = y;
        return action;
    }
    action.x = numberOr(command, QStringLiteral("x"), 0);
    action.y = numberOr(command, QStringLiteral("y"), 0);
    return action;
}

} // namespace

void addInteractionOps(ControlProtocol &protocol, HostSession &session)
{
    protocol.addOp(QStringLiteral("select"), [&session](const QJsonObject &command) {
        const QJsonValue rows = command.value(QStringLiteral("rows"));
        if (!rows.isArray())
            badCommand(QStringLiteral("\"select\" needs \"rows\", a list of row numbers"));
        std::vector<int> selected;
        for (const QJsonValue &row : rows.toArray()) {
            if (!row.isDouble() || row.toDouble() != double(qint64(row.toDouble())))
                badCommand(QStringLiteral("\"rows\" must hold whole numbers"));
            selected.push_back(int(row.toDouble()));
        }
        sideDoor(session).selectGridRows(selected);
    });
    protocol.addOp(QStringLiteral("cellclick"), [&session](const QJsonObject &command) {
        sideDoor(session).clickGridCell(number(command, QStringLiteral("row")), numberOr(command, QStringLiteral("col"), 1));
    });
    protocol.addOp(QStringLiteral("mousedown"), [&session](const QJsonObject &command) {
        const MouseAction action = mouseAction(command, session, 0);
        sideDoor(session).pressGridMouse(action.button, action.shift, action.x, action.y);
    });
    protocol.addOp(QStringLiteral("mouseup"), [&session](const QJsonObject &command) {
        const MouseAction action = mouseAction(command, session, 0);
        sideDoor(session).releaseGridMouse(action.button, action.shift, action.x, action.y);
    });
    protocol.addOp(QStringLiteral("popup"), [&session](const QJsonObject &command) {
        const MouseAction action = mouseAction(command, session, 2);
        if (action.button != 2)
            badCommand(QStringLiteral("\"popup\" is a release of the right button (2)"));
        sideDoor(session).releaseGridMouse(action.button, action.shift, action.x, action.y);
    });
    protocol.addOp(QStringLiteral("colclick"), [&session](const QJsonObject &command) {
        const QJsonValue key = command.value(QStringLiteral("key"));
        if (!key.isString())
            badCommand(QStringLiteral("\"colclick\" needs \"key\", a column key such as \"Type\""));
        sideDoor(session).clickGridColumn(key.toString());
    });
    protocol.addOp(QStringLiteral("menu"), [&session](const QJsonObject &command) {
        sideDoor(session).runEventMenuItem(number(command, QStringLiteral("index")));
    });
    protocol.addOp(QStringLiteral("filter"), [&session](const QJsonObject &command) {
        sideDoor(session).runFilterMenuItem(number(command, QStringLiteral("index")));
    });
}

} // namespace Ostraven::Host
