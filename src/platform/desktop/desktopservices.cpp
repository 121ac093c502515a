#include "desktopservices.h"

#include "platform/vberror.h"

namespace Ostraven {

namespace {

constexpr int ButtonsMask = 0x7;
constexpr int IconMask = 0x70;
constexpr int DefaultButtonMask = 0x300;

} // namespace

QString iconName(MsgBoxIcon icon)
{
    switch (icon) {
    case MsgBoxIcon::Critical:
        return QStringLiteral("critical");
    case MsgBoxIcon::Question:
        return QStringLiteral("question");
    case MsgBoxIcon::Exclamation:
        return QStringLiteral("exclamation");
    case MsgBoxIcon::Information:
        return QStringLiteral("information");
    case MsgBoxIcon::None:
        break;
    }
    return QStringLiteral("none");
}

QString buttonsName(MsgBoxButtons buttons)
{
    switch (buttons) {
    case MsgBoxButtons::OkCancel:
        return QStringLiteral("okCancel");
    case MsgBoxButtons::YesNoCancel:
        return QStringLiteral("yesNoCancel");
    case MsgBoxButtons::YesNo:
        return QStringLiteral("yesNo");
    case MsgBoxButtons::Ok:
        break;
    }
    return QStringLiteral("ok");
}

QString resultName(MsgBoxResult result)
{
    switch (result) {
    case MsgBoxResult::Cancel:
        return QStringLiteral("cancel");
    case MsgBoxResult::Yes:
        return QStringLiteral("yes");
    case MsgBoxResult::No:
        return QStringLiteral("no");
    case MsgBoxResult::Ok:
        break;
    }
    return QStringLiteral("ok");
}

MessageBoxRequest MessageBoxRequest::fromStyle(const QString &text, int style, const QString &title)
{
    const int buttons = style & ButtonsMask;
    const int icon = style & IconMask;
    if (style < 0 || buttons == 2 || buttons > 4 || icon > int(MsgBoxIcon::Information)) {
        throw VbError(VbError::InvalidProcedureCall,
                      QStringLiteral("Invalid procedure call or argument: message box style %1").arg(style));
    }
    MessageBoxRequest request{text, title, MsgBoxIcon(icon), MsgBoxButtons(buttons), 1};
    request.defaultButton = ((style & DefaultButtonMask) >> 8) + 1;
    return request;
}

std::vector<MsgBoxResult> MessageBoxRequest::choices() const
{
    switch (buttons) {
    case MsgBoxButtons::OkCancel:
        return {MsgBoxResult::Ok, MsgBoxResult::Cancel};
    case MsgBoxButtons::YesNoCancel:
        return {MsgBoxResult::Yes, MsgBoxResult::No, MsgBoxResult::Cancel};
    case MsgBoxButtons::YesNo:
        return {MsgBoxResult::Yes, MsgBoxResult::No};
    case MsgBoxButtons::Ok:
        break;
    }
    return {MsgBoxResult::Ok};
}

MsgBoxResult MessageBoxRequest::defaultChoice() const
{
    const std::vector<MsgBoxResult> buttonList = choices();
    const bool inRange = defaultButton >= 1 && defaultButton <= int(buttonList.size());
    return buttonList[std::size_t(inRange ? defaultButton - 1 : 0)];
}

int DesktopServices::msgBox(const QString &prompt, int style, const QString &title)
{
    return int(messageBox(MessageBoxRequest::fromStyle(prompt, style, title)));
}

} // namespace Ostraven
