#include "sqlitevalue.h"

#include "platform/date.h"

#include <sqlite3.h>

namespace Ostraven {

void StatementFinalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

DeclaredKind declaredKind(const char *declared)
{
    if (!declared)
        return DeclaredKind::Other;
    QByteArrayView type(declared);
    if (const qsizetype parenthesis = type.indexOf('('); parenthesis >= 0)
        type = type.first(parenthesis);
    type = type.trimmed();
    const auto is = [type](const char *name) { return qstrnicmp(type.data(), type.size(), name) == 0; };
    if (is("DATETIME") || is("DATETIME2") || is("SMALLDATETIME") || is("DATE"))
        return DeclaredKind::Date;
    if (is("BIT") || is("BOOLEAN"))
        return DeclaredKind::Bit;
    return DeclaredKind::Other;
}

// One look-up of the column, then the value's own accessors, which take no lock.
StoredValue storedValue(sqlite3_stmt *statement, int column)
{
    sqlite3_value *value = sqlite3_column_value(statement, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return qint64(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(sqlite3_value_blob(value));
        return QByteArray(bytes, sqlite3_value_bytes(value));
    }
    default:
        break;
    }
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(bytes, sqlite3_value_bytes(value));
}

Variant variantOf(StoredValue &&value, DeclaredKind kind)
{
    if (std::holds_alternative<std::monostate>(value))
        return Variant::null();
    if (const qint64 *whole = std::get_if<qint64>(&value)) {
        if (kind == DeclaredKind::Bit)
            return Variant(*whole != 0);
        if (*whole >= INT32_MIN && *whole <= INT32_MAX)
            return Variant(qint32(*whole));
        return Variant(double(*whole));
    }
    if (const double *real = std::get_if<double>(&value))
        return Variant(*real);
    // A blob reads as the text of its bytes, as SQLite's own text conversion gives it.
    QString text = std::holds_alternative<QString>(value) ? std::move(std::get<QString>(value))
                                                          : QString::fromUtf8(std::get<QByteArray>(value));
    if (kind == DeclaredKind::Date) {
        if (const std::optional<Date> date = Date::parse(text))
            return Variant(*date);
    }
    return Variant(std::move(text));
}

// A date stored in ISO form, the usual case, is read from SQLite's own bytes without a string between.
Variant columnValue(sqlite3_stmt *statement, int column, DeclaredKind kind)
{
    if (kind == DeclaredKind::Date) {
        sqlite3_value *value = sqlite3_column_value(statement, column);
        if (sqlite3_value_type(value) == SQLITE_TEXT) {
            const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
            if (const std::optional<Date> date = Date::parseIsoBytes(QByteArrayView(bytes, sqlite3_value_bytes(value))))
                return Variant(*date);
        }
    }
    return variantOf(storedValue(statement, column), kind);
}

} // namespace Ostraven
