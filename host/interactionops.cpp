#include "interactionops.h"

#include "controlprotocol.h"
#include "hostsession.h"

#include "errors/numberfield.h"

#include <QJsonArray>
#include <QJsonObject>

#include <stdexcept>

namespace Ostraven::Host {

namespace {

[[noreturn]] void badCommand(const QString &message)
{
    throw std::invalid_argument(message.toStdString());
}

EventProbe &sideDoor(HostSession &session)
{
    EventProbe *probe = session.probe();
    if (!probe)
        badCommand(QStringLiteral("the component offers no way in for the operator's actions"));
    return *probe;
}

// Rows, columns, pixels and menu indexes are Longs to the grid and the menus; a mouse button and the
// shift state are Integers.
int number(const QJsonObject &command, const QString &field, NumberField::Range range = NumberField::Long)
{
    const QJsonValue value = command.value(field);
    if (value.isUndefined() || value.isNull())
        badCommand(QStringLiteral("\"%1\" needs the field \"%2\"").arg(command.value(QStringLiteral("op")).toString(), field));
    return NumberField::whole(value, field, range);
}

int numberOr(const QJsonObject &command, const QString &field, int fallback,
             NumberField::Range range = NumberField::Long)
{
    return command.contains(field) ? number(command, field, range) : fallback;
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
    action.button = defaultButton ? numberOr(command, QStringLiteral("button"), defaultButton, NumberField::Integer)
                                  : number(command, QStringLiteral("button"), NumberField::Integer);
    action.shift = numberOr(command, QStringLiteral("shift"), 0, NumberField::Integer);
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
        for (const QJsonValue &row : rows.toArray())
            selected.push_back(NumberField::whole(row, u"rows"));
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
