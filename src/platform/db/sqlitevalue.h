#pragma once

#include "platform/variant.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <variant>

struct sqlite3_stmt;

namespace Ostraven {

struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const;
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// What a column's declared type makes of its values: DATETIME columns give dates and BIT columns
// Booleans, as the host's data library gives them; everything else goes by the stored value.
enum class DeclaredKind { Other, Date, Bit };

[[nodiscard]] DeclaredKind declaredKind(const char *declared);

// A value as SQLite holds it: null, integer, real, text or blob. Kept apart from the Variant it becomes
// because that conversion forgets distinctions SQLite makes (a date's exact text, 2 against 1 in a BIT
// column, a blob against a text of the same bytes).
using StoredValue = std::variant<std::monostate, qint64, double, QString, QByteArray>;

[[nodiscard]] StoredValue storedValue(sqlite3_stmt *statement, int column);
// Takes the value's text over rather than copying it.
[[nodiscard]] Variant variantOf(StoredValue &&value, DeclaredKind kind);

// Whole numbers come back as Long while they fit, bit columns as Booleans, DATETIME columns as dates.
[[nodiscard]] Variant columnValue(sqlite3_stmt *statement, int column, DeclaredKind kind);

} // namespace Ostraven
