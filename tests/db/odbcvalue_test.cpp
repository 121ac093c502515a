// The conversions between what an ODBC driver writes and the host's values, the driver's diagnostics and
// the procedure call text, without a driver.
#include "odbctest.h"
#include "platform/db/odbcdiagnostics.h"
#include "platform/db/odbcvalue.h"
#include <cstring>

namespace Ostraven::Testing {
namespace {

constexpr auto In = ParameterDirection::Input, Out = ParameterDirection::Output, InOut = ParameterDirection::InputOutput;

struct ConversionCase {
    const char *name;
    std::function<Variant()> convert;
    Variant expected; // Empty: refused with an error saying `refusal`
    int number = DbError::StatementFailed;
    const char *refusal = "";
};
class OdbcConversions : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(OdbcConversions, WhatTheDriverWroteBecomesTheHostsValue)
{
    const ConversionCase &row = GetParam();
    if (!row.expected.isEmpty()) { EXPECT_EQ(row.convert(), row.expected); return; }
    const VbError error = errorOf([&] { (void)row.convert(); });
    EXPECT_EQ(error.number(), row.number);
    EXPECT_THAT(error.description().toStdString(), HasSubstr(row.refusal));
}

// Decimal text becomes a Long while whole and in range, otherwise a Double; timestamps keep the nearest millisecond.
std::function<Variant()> decimal(const char *text) { return [text] { return odbcDecimal(QString::fromLatin1(text)); }; }
std::function<Variant()> stamp(SQL_TIMESTAMP_STRUCT value) { return [value] { return odbcTimestamp(value); }; }
// Driver records become one text, and class 08 marks a lost link.
std::function<Variant()> diagnosed(std::vector<OdbcDiagnostic> records)
{
    return [=] { return Variant((isConnectionLoss(records) ? "lost: " : "") + describeDiagnostics(records, QStringLiteral("Cannot run"), SQL_ERROR)); };
}
// Under the emulation only the engine's own words are kept.
std::function<Variant()> engineSaid(std::vector<OdbcDiagnostic> records)
{
    return [=] { return Variant(engineMessage(records)); };
}
// Procedures are called by name with placeholders; a name that is not a plain name never reaches the text.
std::function<Variant()> call(const char *procedure, std::vector<Parameter> parameters = {})
{
    return [=] {
        Command command(QString::fromUtf8(procedure));
        for (const Parameter &parameter : parameters) command.append(parameter.name, parameter.direction, parameter.value);
        return Variant(odbcProcedureCall(command));
    };
}
INSTANTIATE_TEST_SUITE_P(Values, OdbcConversions, ::testing::Values(
    ConversionCase{"Whole", decimal("42"), Variant(qint32(42))},
    ConversionCase{"WholeWithZeroFraction", decimal("7.000"), Variant(qint32(7))},
    ConversionCase{"SmallestLong", decimal("-2147483648"), Variant(qint32(-2147483647 - 1))},
    ConversionCase{"JustBeyondALong", decimal("2147483648"), Variant(2147483648.0)},
    ConversionCase{"WiderThanSixtyFourBits", decimal("123456789012345678901234567890"), Variant(1.2345678901234568e29)},
    ConversionCase{"Fraction", decimal("12.50"), Variant(12.5)},
    ConversionCase{"FractionRoundedOnce", decimal("0.1"), Variant(0.1)},
    ConversionCase{"LeadingPoint", decimal("-.5"), Variant(-0.5)},
    ConversionCase{"PaddedByTheDriver", decimal("  3.25 "), Variant(3.25)},
    ConversionCase{"NotANumber", decimal("abc"), Variant(), DbError::StatementFailed, "which is not a number"},
    ConversionCase{"TwoPoints", decimal("1.2.3"), Variant(), DbError::StatementFailed, "which is not a number"},
    ConversionCase{"SignAlone", decimal("-"), Variant(), DbError::StatementFailed, "which is not a number"},
    ConversionCase{"Nothing", decimal(""), Variant(), DbError::StatementFailed, "which is not a number"},
    ConversionCase{"ServerDatetimeTick", stamp({2024, 3, 4, 13, 2, 3, 3333333}), Variant(Date::fromParts(2024, 3, 4, 13, 2, 3, 3))},
    ConversionCase{"RoundsIntoTheNextDay", stamp({2024, 12, 31, 23, 59, 59, 999600000}), Variant(Date::fromParts(2025, 1, 1))},
    ConversionCase{"MonthOutOfRange", stamp({2024, 13, 1, 0, 0, 0, 0}), Variant(), DbError::StatementFailed, "outside the dates"},
    ConversionCase{"CallWithoutParameters", call("rp_FetchTimeZones"), Variant("EXEC rp_FetchTimeZones")},
    ConversionCase{"CallQualifiedAndBracketed", call("[dbo].[rp Fetch]", {{"Zoë_1", In, {}}}), Variant("EXEC [dbo].[rp Fetch] @Zoë_1 = ?")},
    ConversionCase{"CallStatementInTheName", call("rp_X; DROP TABLE Events"), Variant(), DbError::StatementFailed, "is not a procedure name"},
    ConversionCase{"CallUnclosedBracket", call("[rp_X"), Variant(), DbError::StatementFailed, "is not a procedure name"},
    ConversionCase{"CallEmptyName", call(""), Variant(), DbError::StatementFailed, "is not a procedure name"},
    ConversionCase{"CallValueInAParameterName", call("rp_X", {{"@A = 1, @B", In, {}}}), Variant(), DbError::StatementFailed, "is not a parameter name"},
    ConversionCase{"CallAtAlone", call("rp_X", {{"@", In, {}}}), Variant(), DbError::StatementFailed, "is not a parameter name"},
    ConversionCase{"CallDigitFirst", call("rp_X", {{"@1A", In, {}}}), Variant(), DbError::StatementFailed, "is not a parameter name"},
    ConversionCase{"DiagnosticTrimmed", diagnosed({{"42000", 102, "Incorrect syntax near 'x'.\n"}}), Variant("Cannot run: SQLSTATE 42000 (native error 102): Incorrect syntax near 'x'.")},
    ConversionCase{"LinkFailureAfterAWarning", diagnosed({{"01000", 0, "a"}, {"08S01", 10054, "Communication link failure"}}),
                   Variant("lost: Cannot run: SQLSTATE 01000 (native error 0): a; SQLSTATE 08S01 (native error 10054): Communication link failure")},
    ConversionCase{"EngineWordsWithoutComponents", engineSaid({{"HY000", 1, "[SQLite]no such table: Nowhere (1)"}, {"01000", 0, "b"}}), Variant("no such table: Nowhere")},
    ConversionCase{"EngineWordsTwoComponents", engineSaid({{"42000", 102, "[unixODBC][Driver] near \"x\": syntax error"}}), Variant("near \"x\": syntax error")},
    ConversionCase{"EngineWordsOtherTrailingNumberKept", engineSaid({{"HY000", 19, "[SQLite]CHECK failed (7)"}}), Variant("CHECK failed (7)")},
    ConversionCase{"EngineWordsBracketInMessageKept", engineSaid({{"HY000", 1, "no such column: [a] (1)"}}), Variant("no such column: [a]")},
    ConversionCase{"NothingDiagnosed", diagnosed({}), Variant("Cannot run: the driver gave no diagnostic (return code -1)")},
    ConversionCase{"AnObjectCannotBeBound", [] { return odbcBoundValue(odbcBinding(Parameter{"@O", In, Variant(DispatchPtr())}, std::nullopt)); },
                   Variant(), VbError::TypeMismatch}), rowName);

// What a driver writes into an output parameter's buffer: as much as fits (less a text's terminating zero),
// and the length the value had.
using DriverWrites = std::function<void(OdbcBinding &)>;
DriverWrites writes(const QByteArray &bytes, SQLLEN length)
{
    return [=](OdbcBinding &b) {
        b.buffer.fill('\0');
        std::memcpy(b.buffer.data(), bytes.constData(), size_t(std::min(bytes.size(), b.buffer.size() - (b.cType == SQL_C_WCHAR ? 2 : 0))));
        b.indicator = length;
    };
}
template<typename T> DriverWrites writes(const T &value) { return writes(QByteArray(reinterpret_cast<const char *>(&value), sizeof value), sizeof value); }
DriverWrites writes(const QString &text, SQLLEN length) { return writes(QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2), length); }
DriverWrites writes(const QString &text) { return writes(text, SQLLEN(text.size()) * 2); }

struct BindingCase {
    const char *name;
    Parameter parameter;
    std::optional<OdbcParameterType> described;
    SQLSMALLINT ioType, cType, sqlType;
    SQLULEN columnSize;
    DriverWrites driver; // null: the buffer is read back as bound
    Variant expected;
};
class OdbcBindings : public ::testing::TestWithParam<BindingCase> {};

TEST_P(OdbcBindings, ParametersAreBoundByTheirValueAndReadBackFromTheBuffer)
{
    const BindingCase &row = GetParam();
    OdbcBinding binding = odbcBinding(row.parameter, row.described);
    EXPECT_EQ(std::tuple(binding.ioType, binding.cType, binding.sqlType, binding.columnSize), std::tuple(row.ioType, row.cType, row.sqlType, row.columnSize));
    if (row.driver) row.driver(binding);
    EXPECT_EQ(odbcBoundValue(binding), row.expected);
}

const Date when = Date::fromParts(2024, 3, 4, 13, 2, 3, 250);

INSTANTIATE_TEST_SUITE_P(Values, OdbcBindings, ::testing::Values(
    // The input buffer holds the text as UTF-16, surrogate pair included, and says its length in bytes.
    BindingCase{"InputTextBeyondTheBasicPlane", {"@Name", In, Variant(QStringLiteral("Zoë 🔑"))}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 6, {}, Variant(QStringLiteral("Zoë 🔑"))},
    BindingCase{"InputEmptyText", {"@Name", In, Variant(QString())}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, {}, Variant(QString())},
    BindingCase{"InputNull", {"@Name", In, Variant::null()}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, {}, Variant::null()},
    BindingCase{"InputLong", {"@ID", In, Variant(qint32(-7))}, {}, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, {}, Variant(qint32(-7))},
    BindingCase{"InputInteger", {"@ID", In, Variant(qint16(9))}, {}, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_SMALLINT, 5, {}, Variant(qint32(9))},
    BindingCase{"InputDouble", {"@X", In, Variant(0.25)}, {}, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, {}, Variant(0.25)},
    BindingCase{"InputBoolean", {"@B", In, Variant(true)}, {}, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, {}, Variant(true)},
    BindingCase{"InputDateWithMilliseconds", {"@D", In, Variant(when)}, {}, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, {}, Variant(when)},
    // Output parameters: bound for both ways, and read after the driver has written them.
    BindingCase{"OutputUndescribedGetsRoomForText", {"@R", Out, Variant()}, {}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 4000, writes(QStringLiteral("Łódź 𝔸")), Variant(QStringLiteral("Łódź 𝔸"))},
    BindingCase{"OutputDescribedInteger", {"@R", Out, Variant()}, OdbcParameterType{SQL_INTEGER, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, writes(qint64(4711)), Variant(qint32(4711))},
    BindingCase{"OutputDescribedBigIntBeyondALong", {"@R", Out, Variant::null()}, OdbcParameterType{SQL_BIGINT, 19, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_BIGINT, 19, writes(qint64(3000000000)), Variant(3000000000.0)},
    BindingCase{"OutputDescribedNumeric", {"@R", Out, Variant()}, OdbcParameterType{SQL_NUMERIC, 18, 2}, SQL_PARAM_INPUT_OUTPUT, SQL_C_CHAR, SQL_NUMERIC, 18, writes(QByteArray("123.45"), 6), Variant(123.45)},
    BindingCase{"OutputDescribedDatetime", {"@R", Out, Variant()}, OdbcParameterType{SQL_TYPE_TIMESTAMP, 23, 3}, SQL_PARAM_INPUT_OUTPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23,
                writes(SQL_TIMESTAMP_STRUCT{2024, 3, 4, 13, 2, 3, 250000000}), Variant(when)},
    BindingCase{"OutputLeftNullByTheServer", {"@R", Out, Variant()}, OdbcParameterType{SQL_INTEGER, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, writes(QByteArray(), SQL_NULL_DATA), Variant::null()},
    BindingCase{"InputOutputKeepsTheValuesType", {"@N", InOut, Variant(qint32(5))}, OdbcParameterType{SQL_WVARCHAR, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, writes(qint64(6)), Variant(qint32(6))},
    BindingCase{"InputOutputTextGetsRoomToGrow", {"@T", InOut, Variant(QStringLiteral("ab"))}, {}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 4000, writes(QString(300, u'é')), Variant(QString(300, u'é'))},
    BindingCase{"OutputTextLongerThanTheRoomIsCut", {"@T", Out, Variant()}, OdbcParameterType{SQL_WVARCHAR, 3, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 3, writes(QStringLiteral("abcdef"), 12), Variant(QStringLiteral("abc"))}), rowName);

} // namespace
} // namespace Ostraven::Testing
