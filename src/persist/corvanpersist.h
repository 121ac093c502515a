#pragma once

#include "platform/variant.h"

#include <QString>

#include <optional>

class QWidget;

namespace Ostraven {

class MPublic;

// The viewer's settings per operator profile, one Profile_Details row each under the viewer's object
// number. Holds nothing itself: the settings live in the module, so every instance sees the same ones.
class CorvanPersist
{
public:
    explicit CorvanPersist(MPublic &module) : m_module(module) {}

    // Loads the current profile's rows into the module and brings the line limit, the ring buffer,
    // the filter state and the permissions up to date.
    void LoadPersistence();
    // Puts the settings in force: the working line limit and the ring buffer, the filter group (none:
    // no filter) and the operator's rights. The profile load and the dialog's OK both end here.
    void ApplyProfile(std::optional<qint32> filterGroup);
    // Writes every setting that was read (or set since) in one transaction: all of them or, when a
    // statement fails, none, reported once.
    void SavePersistence(QWidget &viewer);
    // Applies the colour setting; the saved size and position are deliberately not applied.
    void SetPosition(QWidget &viewer);
    // Inserts or updates one row. The value goes into the statement unquoted, so it must be numeric.
    void WriteProperty(const QString &Property, const Variant &Value);

private:
    void applyRow(const QString &property, const Variant &value);
    // quote opens the value's literal: "'" or "N'".
    void saveSetting(const QString &property, const QString &quote, const QString &value);
    void writeProperty(const QString &property, const Variant &value);

    MPublic &m_module;
};

} // namespace Ostraven
