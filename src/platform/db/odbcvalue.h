#pragma once

#include "connection.h"
#include "odbcapi.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace Ostraven {

// How a column or an output parameter of an SQL type is read, and which Variant it becomes. The mapping
// follows the SQLite backend's: whole numbers as Long while they fit (Double beyond), bit as Boolean,
// dates and times as Date, text as String, binary as its bytes read as UTF-8 text.
enum class OdbcValueKind {
    Integer,   // read as SQL_C_SBIGINT
    Double,    // SQL_C_DOUBLE
    Decimal,   // read as text, so that no digit is lost on the way; a whole number that fits is a Long
    Bit,       // SQL_C_BIT
    Timestamp, // SQL_C_TYPE_TIMESTAMP
    Time,      // SQL_C_TYPE_TIME: the time alone, on day 0
    Text,      // SQL_C_WCHAR
    Binary,    // SQL_C_BINARY
};

[[nodiscard]] OdbcValueKind odbcValueKind(SQLSMALLINT sqlType);
[[nodiscard]] SQLSMALLINT odbcCType(OdbcValueKind kind);

// The conversions from what the driver wrote to the Variant the component sees.
[[nodiscard]] Variant odbcWholeNumber(qint64 value);
// Raises DbError for a text that is not a decimal number.
[[nodiscard]] Variant odbcDecimal(const QString &text);
// Fractions are nanoseconds; the Date keeps the nearest millisecond.
[[nodiscard]] Variant odbcTimestamp(const SQL_TIMESTAMP_STRUCT &value);
[[nodiscard]] Variant odbcTime(const SQL_TIME_STRUCT &value);

// One bound parameter of a procedure call: the buffer the driver reads the input from and, for an output
// parameter, writes the result into. It must stay where it is until the call's results are all read.
struct OdbcBinding {
    SQLSMALLINT ioType = SQL_PARAM_INPUT;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT decimalDigits = 0;
    OdbcValueKind kind = OdbcValueKind::Text;
    QByteArray buffer;
    SQLLEN indicator = 0;
};

// What the server says a parameter is (SQLDescribeParam), when it says.
struct OdbcParameterType {
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

// Room an output text parameter gets when nothing tells its size: the longest nvarchar short of max.
inline constexpr SQLULEN odbcOutputTextCharacters = 4000;

// The binding for a parameter from its value: texts as SQL_C_WCHAR/SQL_WVARCHAR, so characters beyond
// Latin-1 reach the server intact. An output parameter with no value yet is bound as described, or as text
// when the server does not describe it. Raises VbError 13 for an object.
[[nodiscard]] OdbcBinding odbcBinding(const Parameter &parameter, const std::optional<OdbcParameterType> &described);
// The value the driver left in an output parameter's buffer.
[[nodiscard]] Variant odbcBoundValue(const OdbcBinding &binding);

// "EXEC name @a = ?, @b = ? OUTPUT" for a command, its parameters named as in the command. Raises DbError
// for a procedure or parameter name that is not a plain (optionally bracketed, dotted) name, since the
// names are written into the statement text.
[[nodiscard]] QString odbcProcedureCall(Command &command);

} // namespace Ostraven
