#include "odbcvalue.h"

#include "dberror.h"
#include "sqllexer.h"

#include <QStringList>

#include <cmath>
#include <cstring>
#include <limits>

namespace Ostraven {

namespace {

// SQL Server's own type codes for time(n) and datetimeoffset, which other drivers never report.
constexpr SQLSMALLINT serverTime2 = -154;
constexpr SQLSMALLINT serverTimestampOffset = -155;

template<typename T>
T bufferAs(const QByteArray &buffer)
{
    T value{};
    std::memcpy(&value, buffer.constData(), std::min(sizeof(T), size_t(buffer.size())));
    return value;
}

template<typename T>
QByteArray bufferOf(const T &value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), qsizetype(sizeof(T)));
}

QByteArray wideBuffer(const QString &text, SQLULEN characters)
{
    QByteArray buffer(qsizetype((characters + 1) * sizeof(SQLWCHAR)), '\0');
    std::memcpy(buffer.data(), text.utf16(), size_t(std::min<qsizetype>(text.size(), qsizetype(characters))) * sizeof(SQLWCHAR));
    return buffer;
}

bool isParameterName(const QString &name)
{
    if (name.isEmpty() || name.at(0).isDigit())
        return false;
    for (const QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_' && c != u'#' && c != u'$' && c != u'@')
            return false;
    }
    return true;
}

bool isProcedureName(const QString &name)
{
    std::vector<SqlToken> tokens;
    try {
        tokens = SqlLexer::tokenize(name);
    } catch (const VbError &) {
        return false;
    }
    if (tokens.empty())
        return false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken &token = tokens[i];
        const bool wantName = i % 2 == 0;
        const bool isName = token.kind == SqlTokenKind::Word || token.kind == SqlTokenKind::Identifier;
        if (wantName ? !isName : !token.isSymbol(QLatin1StringView(".")))
            return false;
    }
    return tokens.size() % 2 == 1;
}

} // namespace

OdbcValueKind odbcValueKind(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_BIT:
        return OdbcValueKind::Bit;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return OdbcValueKind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return OdbcValueKind::Double;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return OdbcValueKind::Decimal;
    case SQL_DATETIME: // also the ODBC 2 SQL_DATE
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case serverTimestampOffset:
        return OdbcValueKind::Timestamp;
    case SQL_TIME:
    case SQL_TYPE_TIME:
    case serverTime2:
        return OdbcValueKind::Time;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return OdbcValueKind::Binary;
    default:
        return OdbcValueKind::Text;
    }
}

SQLSMALLINT odbcCType(OdbcValueKind kind)
{
    switch (kind) {
    case OdbcValueKind::Integer:
        return SQL_C_SBIGINT;
    case OdbcValueKind::Double:
        return SQL_C_DOUBLE;
    case OdbcValueKind::Decimal:
        return SQL_C_CHAR;
    case OdbcValueKind::Bit:
        return SQL_C_BIT;
    case OdbcValueKind::Timestamp:
        return SQL_C_TYPE_TIMESTAMP;
    case OdbcValueKind::Time:
        return SQL_C_TYPE_TIME;
    case OdbcValueKind::Text:
        return SQL_C_WCHAR;
    case OdbcValueKind::Binary:
        return SQL_C_BINARY;
    }
    return SQL_C_WCHAR;
}

Variant odbcWholeNumber(qint64 value)
{
    if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max())
        return Variant(qint32(value));
    return Variant(double(value));
}

// A whole number is taken from its digits, so that a numeric(38,0) key stays exact while it fits a Long;
// anything else goes through the correctly rounded text-to-double conversion.
Variant odbcDecimal(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    if (i < trimmed.size() && (trimmed.at(i) == u'-' || trimmed.at(i) == u'+'))
        ++i;
    qsizetype digits = 0;
    qsizetype point = -1;
    bool fractionIsZero = true;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c == u'.' && point < 0) {
            point = i;
        } else if (c.isDigit() && c.unicode() < 128) {
            ++digits;
            if (point >= 0 && c != u'0')
                fractionIsZero = false;
        } else {
            digits = 0;
            break;
        }
    }
    if (digits == 0)
        throw DbError::statement(QStringLiteral("The driver gave '%1' for a decimal column, which is not a number.").arg(text));
    if (fractionIsZero) {
        bool ok = false;
        const qint64 whole = (point < 0 ? trimmed : trimmed.left(point)).toLongLong(&ok);
        if (ok)
            return odbcWholeNumber(whole);
    }
    return Variant(trimmed.toDouble());
}

Variant odbcTimestamp(const SQL_TIMESTAMP_STRUCT &value)
{
    try {
        const Date day = Date::fromParts(value.year, value.month, value.day, value.hour, value.minute, value.second);
        return Variant(day.addMilliseconds(qint64(std::llround(double(value.fraction) / 1e6))));
    } catch (const VbError &) {
        throw DbError::statement(QStringLiteral("The driver gave the date %1-%2-%3 %4:%5:%6, which is outside the dates "
                                                "the component can hold.")
                                     .arg(value.year)
                                     .arg(value.month)
                                     .arg(value.day)
                                     .arg(value.hour)
                                     .arg(value.minute)
                                     .arg(value.second));
    }
}

Variant odbcTime(const SQL_TIME_STRUCT &value)
{
    return odbcTimestamp(SQL_TIMESTAMP_STRUCT{1899, 12, 30, value.hour, value.minute, value.second, 0});
}

OdbcBinding odbcBinding(const Parameter &parameter, const std::optional<OdbcParameterType> &described)
{
    OdbcBinding binding;
    const bool output = parameter.direction != ParameterDirection::Input;
    binding.ioType = output ? SQL_PARAM_INPUT_OUTPUT : SQL_PARAM_INPUT;
    const Variant &value = parameter.value;
    const bool noValue = value.isEmpty() || value.isNull();

    if (noValue && output && described) {
        binding.kind = odbcValueKind(described->sqlType);
        binding.sqlType = described->sqlType;
        binding.columnSize = described->size;
        binding.decimalDigits = described->digits;
    } else {
        switch (value.type()) {
        case VarType::Empty:
        case VarType::Null:
        case VarType::String:
            binding.kind = OdbcValueKind::Text;
            break;
        case VarType::Boolean:
            binding.kind = OdbcValueKind::Bit;
            binding.sqlType = SQL_BIT;
            break;
        case VarType::Integer:
            binding.kind = OdbcValueKind::Integer;
            binding.sqlType = SQL_SMALLINT;
            break;
        case VarType::Long:
            binding.kind = OdbcValueKind::Integer;
            binding.sqlType = SQL_INTEGER;
            break;
        case VarType::Double:
            binding.kind = OdbcValueKind::Double;
            binding.sqlType = SQL_DOUBLE;
            break;
        case VarType::Date:
            binding.kind = OdbcValueKind::Timestamp;
            binding.sqlType = SQL_TYPE_TIMESTAMP;
            break;
        case VarType::Object:
            throw VbError::fromNumber(VbError::TypeMismatch, DbError::source());
        }
    }
    binding.cType = odbcCType(binding.kind);

    switch (binding.kind) {
    case OdbcValueKind::Integer: {
        const qint64 number = value.type() == VarType::Integer ? value.asInteger()
                              : value.type() == VarType::Long  ? value.asLong()
                                                               : 0;
        binding.buffer = bufferOf(number);
        binding.columnSize = binding.columnSize ? binding.columnSize : (binding.sqlType == SQL_SMALLINT ? 5 : 10);
        break;
    }
    case OdbcValueKind::Double:
        binding.buffer = bufferOf(value.type() == VarType::Double ? value.asDouble() : 0.0);
        binding.columnSize = binding.columnSize ? binding.columnSize : 15;
        break;
    case OdbcValueKind::Bit:
        binding.buffer = bufferOf(SQLCHAR(value.type() == VarType::Boolean && value.asBool() ? 1 : 0));
        binding.columnSize = 1;
        break;
    case OdbcValueKind::Timestamp: {
        SQL_TIMESTAMP_STRUCT stamp{};
        if (value.type() == VarType::Date) {
            const Date date = value.asDate();
            stamp = SQL_TIMESTAMP_STRUCT{SQLSMALLINT(date.year()), SQLUSMALLINT(date.month()), SQLUSMALLINT(date.day()),
                                         SQLUSMALLINT(date.hour()), SQLUSMALLINT(date.minute()), SQLUSMALLINT(date.second()),
                                         SQLUINTEGER(date.millisecond()) * 1000000u};
        }
        binding.buffer = bufferOf(stamp);
        binding.sqlType = SQL_TYPE_TIMESTAMP;
        binding.columnSize = 23;
        binding.decimalDigits = 3;
        break;
    }
    case OdbcValueKind::Time:
        binding.buffer = bufferOf(SQL_TIME_STRUCT{});
        break;
    case OdbcValueKind::Decimal:
        // Digits, sign, point and the terminating zero of the widest numeric.
        binding.buffer = QByteArray(qsizetype(std::max<SQLULEN>(binding.columnSize, 38) + 3), '\0');
        break;
    case OdbcValueKind::Binary:
        binding.columnSize = binding.columnSize ? binding.columnSize : 8000;
        binding.buffer = QByteArray(qsizetype(binding.columnSize), '\0');
        break;
    case OdbcValueKind::Text: {
        const QString text = value.isString() ? value.asString() : QString();
        SQLULEN characters = SQLULEN(std::max<qsizetype>(text.size(), 1));
        if (output)
            characters = std::max(characters, binding.columnSize ? binding.columnSize : odbcOutputTextCharacters);
        binding.buffer = wideBuffer(text, characters);
        if (binding.sqlType != SQL_WCHAR && binding.sqlType != SQL_WLONGVARCHAR)
            binding.sqlType = characters > odbcOutputTextCharacters ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
        binding.columnSize = characters;
        break;
    }
    }

    if (noValue)
        binding.indicator = SQL_NULL_DATA;
    else if (binding.kind == OdbcValueKind::Text)
        binding.indicator = SQLLEN(value.asString().size() * qsizetype(sizeof(SQLWCHAR)));
    else
        binding.indicator = SQLLEN(binding.buffer.size());
    return binding;
}

Variant odbcBoundValue(const OdbcBinding &binding)
{
    if (binding.indicator == SQL_NULL_DATA)
        return Variant::null();
    switch (binding.kind) {
    case OdbcValueKind::Integer:
        return odbcWholeNumber(bufferAs<qint64>(binding.buffer));
    case OdbcValueKind::Double:
        return Variant(bufferAs<double>(binding.buffer));
    case OdbcValueKind::Bit:
        return Variant(bufferAs<SQLCHAR>(binding.buffer) != 0);
    case OdbcValueKind::Timestamp:
        return odbcTimestamp(bufferAs<SQL_TIMESTAMP_STRUCT>(binding.buffer));
    case OdbcValueKind::Time:
        return odbcTime(bufferAs<SQL_TIME_STRUCT>(binding.buffer));
    case OdbcValueKind::Decimal: {
        const qsizetype length = binding.indicator == SQL_NO_TOTAL ? -1 : qsizetype(binding.indicator);
        const QByteArray digits = binding.buffer.left(length < 0 ? binding.buffer.size() : length);
        return odbcDecimal(QString::fromLatin1(digits.constData(), qstrnlen(digits.constData(), size_t(digits.size()))));
    }
    case OdbcValueKind::Binary: {
        const qsizetype length = binding.indicator == SQL_NO_TOTAL ? binding.buffer.size()
                                                                   : std::min(qsizetype(binding.indicator), binding.buffer.size());
        return Variant(QString::fromUtf8(binding.buffer.constData(), length));
    }
    case OdbcValueKind::Text: {
        // The driver writes at most the buffer less its terminating zero; a longer value arrives cut there.
        const qsizetype room = binding.buffer.size() / qsizetype(sizeof(SQLWCHAR)) - 1;
        const qsizetype characters = binding.indicator == SQL_NO_TOTAL
                                         ? room
                                         : std::min(qsizetype(binding.indicator) / qsizetype(sizeof(SQLWCHAR)), room);
        return Variant(QString::fromUtf16(reinterpret_cast<const char16_t *>(binding.buffer.constData()), characters));
    }
    }
    return Variant::null();
}

QString odbcProcedureCall(Command &command)
{
    const QString &procedure = command.procedureName();
    if (!isProcedureName(procedure))
        throw DbError::statement(QStringLiteral("'%1' is not a procedure name that can be called.").arg(procedure));
    QStringList arguments;
    for (const Parameter &parameter : command.parameters()) {
        const QString name = parameter.name.startsWith(u'@') ? parameter.name.mid(1) : parameter.name;
        if (!isParameterName(name)) {
            throw DbError::statement(QStringLiteral("'%1' is not a parameter name that can be passed to procedure '%2'.")
                                         .arg(parameter.name, procedure));
        }
        QString argument = u'@' + name + QStringLiteral(" = ?");
        if (parameter.direction != ParameterDirection::Input)
            argument += QStringLiteral(" OUTPUT");
        arguments << argument;
    }
    const QString call = QStringLiteral("EXEC ") + procedure;
    return arguments.isEmpty() ? call : call + u' ' + arguments.join(QStringLiteral(", "));
}

} // namespace Ostraven
