#include "localizer.h"

#include "platform/vberror.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWidget>

#include <memory>

namespace Ostraven {

namespace {

bool setStringProperty(QObject *object, const char *name, const QString &value)
{
    const int at = object->metaObject()->indexOfProperty(name);
    if (at < 0)
        return false;
    const QMetaProperty property = object->metaObject()->property(at);
    if (!property.isWritable() || property.metaType().id() != QMetaType::QString)
        return false;
    return property.write(object, value);
}

} // namespace

std::pair<QString, std::optional<int>> Localizer::splitControlName(const QString &objectName)
{
    static const QRegularExpression arrayMember(QStringLiteral("^(.+)\\((\\d+)\\)$"));
    const QRegularExpressionMatch match = arrayMember.match(objectName);
    if (!match.hasMatch())
        return {objectName, std::nullopt};
    return {match.captured(1), match.captured(2).toInt()};
}

std::vector<Localizer::Caption> Localizer::readCaptions() const
{
    const QString sql = QStringLiteral("Select ControlName, ControlIndex, Caption From Localization Where WindowNumber = ")
                        + QString::number(m_windowNumber);
    std::unique_ptr<Recordset> rows = m_connection->openRecordset(sql);
    std::vector<Caption> captions;
    while (!rows->eof()) {
        const Variant index = rows->field(1);
        captions.push_back(Caption{CStr(rows->field(0)),
                                   index.isNull() || index.isEmpty() ? std::nullopt : std::optional<int>(CLng(index)),
                                   CStr(rows->field(2))});
        rows->moveNext();
    }
    rows->close();
    return captions;
}

bool Localizer::applyCaption(QObject *object, QWidget *window, std::optional<int> index, const QString &caption)
{
    if (object == window) {
        window->setWindowTitle(caption);
        return true;
    }
    if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
        if (!index || *index < 0 || *index >= tabs->count())
            return false;
        tabs->setTabText(*index, caption);
        return true;
    }
    if (auto *menu = qobject_cast<QMenu *>(object)) {
        menu->setTitle(caption);
        return true;
    }
    if (auto *group = qobject_cast<QGroupBox *>(object)) {
        group->setTitle(caption);
        return true;
    }
    return setStringProperty(object, "text", caption) || setStringProperty(object, "title", caption);
}

int Localizer::localize(QWidget *window)
{
    if (!m_enabled)
        return 0;
    if (!window)
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: no window to localise"));
    if (!m_connection)
        throw VbError(VbError::ObjectNotSet, QStringLiteral("Object variable not set: the localizer has no connection"));

    const std::vector<Caption> captions = readCaptions();
    const QString windowName = window->objectName();
    int replaced = 0;
    for (const Caption &caption : captions) {
        const bool namesWindow = caption.controlName.compare(QStringLiteral("Form"), Qt::CaseInsensitive) == 0
                                 || (!windowName.isEmpty() && caption.controlName.compare(windowName, Qt::CaseInsensitive) == 0);
        if (namesWindow && !caption.controlIndex) {
            replaced += applyCaption(window, window, std::nullopt, caption.caption) ? 1 : 0;
            continue;
        }
        for (QObject *object : window->findChildren<QObject *>()) {
            auto [name, index] = splitControlName(object->objectName());
            const QVariant indexProperty = object->property(IndexProperty);
            if (!index && indexProperty.isValid())
                index = indexProperty.toInt();
            if (name.compare(caption.controlName, Qt::CaseInsensitive) != 0)
                continue;
            // A tab strip is one control whose index picks the tab.
            const bool tabStrip = qobject_cast<QTabWidget *>(object) != nullptr;
            if (!tabStrip && index != caption.controlIndex)
                continue;
            replaced += applyCaption(object, window, tabStrip ? caption.controlIndex : index, caption.caption) ? 1 : 0;
        }
    }
    return replaced;
}

void Localizer::windowUnloaded(quintptr windowHandle)
{
    m_unloadedHandle = windowHandle;
    m_connection.reset();
}

} // namespace Ostraven
