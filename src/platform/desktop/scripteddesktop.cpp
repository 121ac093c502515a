#include "scripteddesktop.h"

#include "platform/colour.h"
#include "platform/vberror.h"

#include <QJsonArray>

#include <algorithm>

namespace Ostraven {

namespace {

VbError unfitAnswer(const QString &answer, const QString &what)
{
    return VbError(VbError::InvalidProcedureCall,
                   QStringLiteral("Invalid procedure call or argument: the scripted answer \"%1\" does not fit %2")
                       .arg(answer, what));
}

std::optional<MsgBoxResult> resultNamed(const QString &answer)
{
    for (const MsgBoxResult result : {MsgBoxResult::Ok, MsgBoxResult::Cancel, MsgBoxResult::Yes, MsgBoxResult::No}) {
        if (answer.compare(resultName(result), Qt::CaseInsensitive) == 0)
            return result;
    }
    return std::nullopt;
}

// Only an item the operator could click: visible, enabled, no separator, no submenu, and reached
// through visible, enabled submenus.
const PopupMenuItem *choosableItem(const std::vector<PopupMenuItem> &items, int id)
{
    for (const PopupMenuItem &item : items) {
        if (!item.visible || !item.enabled || item.separator)
            continue;
        if (!item.children.empty()) {
            if (const PopupMenuItem *found = choosableItem(item.children, id))
                return found;
            continue;
        }
        if (item.id == id)
            return &item;
    }
    return nullptr;
}

QJsonArray menuItemsJson(const std::vector<PopupMenuItem> &items)
{
    QJsonArray array;
    for (const PopupMenuItem &item : items) {
        QJsonObject object{{QStringLiteral("id"), item.id},
                           {QStringLiteral("caption"), item.caption},
                           {QStringLiteral("enabled"), item.enabled},
                           {QStringLiteral("checked"), item.checked},
                           {QStringLiteral("visible"), item.visible},
                           {QStringLiteral("separator"), item.separator}};
        if (!item.children.empty())
            object.insert(QStringLiteral("children"), menuItemsJson(item.children));
        array.append(object);
    }
    return array;
}

QJsonValue optionalJson(const std::optional<qint64> &value)
{
    return value ? QJsonValue(double(*value)) : QJsonValue(QJsonValue::Null);
}

} // namespace

std::optional<QString> ScriptedDesktop::takeAnswer()
{
    if (m_answers.empty())
        return std::nullopt;
    QString answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

MsgBoxResult ScriptedDesktop::messageBox(const MessageBoxRequest &request)
{
    const std::vector<MsgBoxResult> choices = request.choices();
    const bool hasOk = std::find(choices.begin(), choices.end(), MsgBoxResult::Ok) != choices.end();
    MsgBoxResult answer = hasOk ? MsgBoxResult::Ok : request.defaultChoice();
    if (const auto scripted = takeAnswer()) {
        const auto named = resultNamed(*scripted);
        if (!named || std::find(choices.begin(), choices.end(), *named) == choices.end()) {
            m_boxes.push_back(ShownBox{request, answer});
            throw unfitAnswer(*scripted, QStringLiteral("a message box with the buttons %1").arg(buttonsName(request.buttons)));
        }
        answer = *named;
    }
    m_boxes.push_back(ShownBox{request, answer});
    return answer;
}

QString ScriptedDesktop::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    const QString answer = takeAnswer().value_or(QString());
    m_inputs.push_back(ShownInput{prompt, title, defaultText, answer});
    return answer;
}

void ScriptedDesktop::setBusyCursor(bool busy)
{
    m_busy = busy;
    m_cursorHistory.append(cursor());
}

QString ScriptedDesktop::cursor() const
{
    return m_busy ? QStringLiteral("busy") : QStringLiteral("default");
}

std::optional<qint64> ScriptedDesktop::pickColour(qint64 initialColour)
{
    ShownColourPicker shown{initialColour, std::nullopt};
    const auto scripted = takeAnswer();
    if (scripted && scripted->compare(QStringLiteral("cancel"), Qt::CaseInsensitive) != 0) {
        bool ok = false;
        const qint64 colour = scripted->trimmed().toLongLong(&ok, 0);
        if (!ok || colour < 0 || colour > PlatformColour::White) {
            m_colourPickers.push_back(shown);
            throw unfitAnswer(*scripted, QStringLiteral("the colour picker (a colour from 0 to 16777215 or cancel)"));
        }
        shown.answer = colour;
    }
    m_colourPickers.push_back(shown);
    return shown.answer;
}

std::optional<int> ScriptedDesktop::popupMenu(const std::vector<PopupMenuItem> &items)
{
    ShownMenu shown{items, std::nullopt};
    const auto scripted = takeAnswer();
    if (scripted && scripted->compare(QStringLiteral("none"), Qt::CaseInsensitive) != 0) {
        bool ok = false;
        const int id = scripted->trimmed().toInt(&ok);
        if (!ok) {
            m_menus.push_back(shown);
            throw unfitAnswer(*scripted, QStringLiteral("a pop-up menu (an item id or none)"));
        }
        if (const PopupMenuItem *item = choosableItem(items, id))
            shown.answer = item->id;
    }
    m_menus.push_back(shown);
    return shown.answer;
}

bool ScriptedDesktop::setOwnerWindow(QWidget *dialog, quintptr ownerHandle)
{
    if (!dialog)
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: no dialog to give an owner"));
    m_ownerHandles.push_back(ownerHandle);
    return true;
}

void ScriptedDesktop::clearRecords()
{
    m_boxes.clear();
    m_inputs.clear();
    m_colourPickers.clear();
    m_menus.clear();
    m_ownerHandles.clear();
    m_cursorHistory.clear();
}

QJsonObject ScriptedDesktop::dumpState() const
{
    QJsonArray boxes;
    for (const ShownBox &box : m_boxes) {
        boxes.append(QJsonObject{{QStringLiteral("text"), box.request.text},
                                 {QStringLiteral("title"), box.request.title},
                                 {QStringLiteral("icon"), iconName(box.request.icon)},
                                 {QStringLiteral("buttons"), buttonsName(box.request.buttons)},
                                 {QStringLiteral("answer"), resultName(box.answer)}});
    }
    QJsonArray inputs;
    for (const ShownInput &input : m_inputs) {
        inputs.append(QJsonObject{{QStringLiteral("prompt"), input.prompt},
                                  {QStringLiteral("title"), input.title},
                                  {QStringLiteral("default"), input.defaultText},
                                  {QStringLiteral("answer"), input.answer}});
    }
    QJsonArray pickers;
    for (const ShownColourPicker &picker : m_colourPickers) {
        pickers.append(QJsonObject{{QStringLiteral("initial"), double(picker.initialColour)},
                                   {QStringLiteral("answer"), optionalJson(picker.answer)}});
    }
    QJsonArray menus;
    for (const ShownMenu &menu : m_menus) {
        const std::optional<qint64> answer = menu.answer ? std::optional<qint64>(*menu.answer) : std::nullopt;
        menus.append(QJsonObject{{QStringLiteral("items"), menuItemsJson(menu.items)},
                                 {QStringLiteral("answer"), optionalJson(answer)}});
    }
    return QJsonObject{{QStringLiteral("boxes"), boxes},
                       {QStringLiteral("inputs"), inputs},
                       {QStringLiteral("colourPickers"), pickers},
                       {QStringLiteral("menus"), menus},
                       {QStringLiteral("clipboard"), m_clipboard},
                       {QStringLiteral("cursor"), cursor()},
                       {QStringLiteral("pendingAnswers"), pendingAnswers()}};
}

} // namespace Ostraven
