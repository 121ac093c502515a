#pragma once

#include "platform/db/connection.h"

#include <QString>

#include <optional>

class QObject;
class QWidget;

namespace Ostraven {

// Replaces a window's captions with the texts of the host database's localisation table:
//   Localization(WindowNumber, ControlName COLLATE NOCASE, ControlIndex, Caption)
// A row names a control by its objectName, letter case ignored. Members of a control array are
// named "name(index)" (for example "mnuEventArray(3)"), or carry the base name and an int property
// "controlIndex"; a row with a ControlIndex matches only that member, a row without one only a
// control that is no array member. ControlName "Form", or the window's own objectName, is the
// window's title; a tab widget's index is its tab. Anything else takes the caption through its
// "text" property (buttons, labels, actions) or its "title" property (menus, group boxes).
// One localizer serves one window; the window tells it when it goes away.
class Localizer
{
public:
    static constexpr const char *IndexProperty = "controlIndex";

    void setConnection(ConnectionPtr connection) { m_connection = std::move(connection); }
    void setWindowNumber(int windowNumber) { m_windowNumber = windowNumber; }
    // The component's version as "major.minor.revision".
    void setVersion(const QString &version) { m_version = version; }
    // The host's EnableCustomize answer: a disabled localizer leaves every caption as designed.
    void setEnabled(bool enabled) { m_enabled = enabled; }

    [[nodiscard]] const ConnectionPtr &connection() const { return m_connection; }
    [[nodiscard]] int windowNumber() const { return m_windowNumber; }
    [[nodiscard]] const QString &version() const { return m_version; }
    [[nodiscard]] bool enabled() const { return m_enabled; }

    // Reads the window's rows and applies them; returns how many captions changed hands. Raises
    // VbError 91 without a window or connection, and the database's error when the table is missing
    // or the query fails; no caption is touched then.
    int localize(QWidget *window);

    // The window with that handle is gone: the connection is let go, and a later window must be
    // given one again.
    void windowUnloaded(quintptr windowHandle);
    [[nodiscard]] std::optional<quintptr> unloadedHandle() const { return m_unloadedHandle; }

    // The "name(index)" convention: name and index of an objectName, or the name alone.
    [[nodiscard]] static std::pair<QString, std::optional<int>> splitControlName(const QString &objectName);

private:
    struct Caption {
        QString controlName;
        std::optional<int> controlIndex;
        QString caption;
    };

    [[nodiscard]] std::vector<Caption> readCaptions() const;
    [[nodiscard]] static bool applyCaption(QObject *object, QWidget *window, std::optional<int> index,
                                           const QString &caption);

    ConnectionPtr m_connection;
    int m_windowNumber = 0;
    QString m_version;
    bool m_enabled = true;
    std::optional<quintptr> m_unloadedHandle;
};

} // namespace Ostraven
