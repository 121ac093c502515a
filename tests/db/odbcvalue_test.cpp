// The conversions between what an ODBC driver writes and the host's values, the procedure call text and
// the connection string, without a driver.
#include "odbctest.h"
#include "platform/db/dberror.h"
#include "platform/db/odbcdiagnostics.h"
#include "platform/db/odbcvalue.h"
#include <cstring>

namespace Ostraven::Testing {
namespace {

struct DecimalCase {
    const char *name;
    const char *text;
    Variant expected; // Empty: refused
};
void PrintTo(const DecimalCase &row, std::ostream *out) { *out << row.name; }
class OdbcDecimals : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(OdbcDecimals, DecimalTextBecomesALongWhileWholeAndInRangeOtherwiseADouble)
{
    const DecimalCase &row = GetParam();
    if (row.expected.isEmpty()) {
        EXPECT_EQ(errorNumber([&] { (void)odbcDecimal(QString::fromLatin1(row.text)); }), DbError::StatementFailed);
        return;
    }
    EXPECT_EQ(odbcDecimal(QString::fromLatin1(row.text)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, OdbcDecimals, ::testing::Values(
    DecimalCase{"Whole", "42", Variant(qint32(42))},
    DecimalCase{"WholeWithZeroFraction", "7.000", Variant(qint32(7))},
    DecimalCase{"SmallestLong", "-2147483648", Variant(qint32(-2147483647 - 1))},
    DecimalCase{"JustBeyondALong", "2147483648", Variant(2147483648.0)},
    DecimalCase{"WiderThanSixtyFourBits", "123456789012345678901234567890", Variant(1.2345678901234568e29)},
    DecimalCase{"Fraction", "12.50", Variant(12.5)},
    DecimalCase{"FractionRoundedOnce", "0.1", Variant(0.1)},
    DecimalCase{"LeadingPoint", "-.5", Variant(-0.5)},
    DecimalCase{"PaddedByTheDriver", "  3.25 ", Variant(3.25)},
    DecimalCase{"NotANumber", "abc", Variant()},
    DecimalCase{"TwoPoints", "1.2.3", Variant()},
    DecimalCase{"SignAlone", "-", Variant()},
    DecimalCase{"Nothing", "", Variant()}), rowName);

struct StampCase {
    const char *name;
    SQL_TIMESTAMP_STRUCT stamp;
    Variant expected; // Empty: refused
};
void PrintTo(const StampCase &row, std::ostream *out) { *out << row.name; }
class OdbcStamps : public ::testing::TestWithParam<StampCase> {};

TEST_P(OdbcStamps, TimestampsKeepTheNearestMillisecond)
{
    const StampCase &row = GetParam();
    if (row.expected.isEmpty()) {
        EXPECT_THAT(describedError([&] { (void)odbcTimestamp(row.stamp); }), HasSubstr("outside the dates"));
        return;
    }
    EXPECT_EQ(odbcTimestamp(row.stamp), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Stamps, OdbcStamps, ::testing::Values(
    StampCase{"QuarterSecond", {2024, 3, 4, 13, 2, 3, 250000000}, Variant(Date::fromParts(2024, 3, 4, 13, 2, 3, 250))},
    StampCase{"ServerDatetimeTick", {2024, 3, 4, 13, 2, 3, 3333333}, Variant(Date::fromParts(2024, 3, 4, 13, 2, 3, 3))},
    StampCase{"RoundsIntoTheNextDay", {2024, 12, 31, 23, 59, 59, 999600000}, Variant(Date::fromParts(2025, 1, 1))},
    StampCase{"TheNullDate", {1800, 1, 1, 0, 0, 0, 0}, Variant(Date::nullDate())},
    StampCase{"MonthOutOfRange", {2024, 13, 1, 0, 0, 0, 0}, Variant()}), rowName);

// What a driver would write into an output parameter's buffer.
using DriverWrites = std::function<void(OdbcBinding &)>;
void writeWide(OdbcBinding &binding, const QString &text, SQLLEN indicator = -2)
{
    const qsizetype room = binding.buffer.size() / 2 - 1;
    const qsizetype written = std::min(text.size(), room);
    std::memcpy(binding.buffer.data(), text.utf16(), size_t(written) * 2);
    reinterpret_cast<char16_t *>(binding.buffer.data())[written] = 0;
    binding.indicator = indicator == -2 ? SQLLEN(text.size() * 2) : indicator;
}
template<typename T> void writeFixed(OdbcBinding &binding, const T &value)
{
    ASSERT_GE(size_t(binding.buffer.size()), sizeof(T));
    std::memcpy(binding.buffer.data(), &value, sizeof(T));
    binding.indicator = SQLLEN(sizeof(T));
}

struct BindingCase {
    const char *name;
    Parameter parameter;
    std::optional<OdbcParameterType> described;
    SQLSMALLINT ioType, cType, sqlType;
    SQLULEN columnSize;
    DriverWrites driver; // null: the buffer is read back as bound
    Variant expected;
};
void PrintTo(const BindingCase &row, std::ostream *out) { *out << row.name; }
class OdbcBindings : public ::testing::TestWithParam<BindingCase> {};

TEST_P(OdbcBindings, ParametersAreBoundByTheirValueAndReadBackFromTheBuffer)
{
    const BindingCase &row = GetParam();
    OdbcBinding binding = odbcBinding(row.parameter, row.described);
    EXPECT_EQ(std::tuple(binding.ioType, binding.cType, binding.sqlType, binding.columnSize),
              std::tuple(row.ioType, row.cType, row.sqlType, row.columnSize));
    if (row.driver) row.driver(binding);
    EXPECT_EQ(odbcBoundValue(binding), row.expected);
}

const Date stamp = Date::fromParts(2024, 3, 4, 13, 2, 3, 250);
constexpr auto In = ParameterDirection::Input;
constexpr auto Out = ParameterDirection::Output;
constexpr auto InOut = ParameterDirection::InputOutput;

INSTANTIATE_TEST_SUITE_P(Values, OdbcBindings, ::testing::Values(
    // The input buffer holds the text as UTF-16, surrogate pair included, and says its length in bytes.
    BindingCase{"InputTextBeyondTheBasicPlane", {"@Name", In, Variant(QStringLiteral("Zoë 🔑"))}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 6, {}, Variant(QStringLiteral("Zoë 🔑"))},
    BindingCase{"InputEmptyText", {"@Name", In, Variant(QString())}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, {}, Variant(QString())},
    BindingCase{"InputNull", {"@Name", In, Variant::null()}, {}, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, {}, Variant::null()},
    BindingCase{"InputLong", {"@ID", In, Variant(qint32(-7))}, {}, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, {}, Variant(qint32(-7))},
    BindingCase{"InputInteger", {"@ID", In, Variant(qint16(9))}, {}, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_SMALLINT, 5, {}, Variant(qint32(9))},
    BindingCase{"InputDouble", {"@X", In, Variant(0.25)}, {}, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, {}, Variant(0.25)},
    BindingCase{"InputBoolean", {"@B", In, Variant(true)}, {}, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, {}, Variant(true)},
    BindingCase{"InputDateWithMilliseconds", {"@D", In, Variant(stamp)}, {}, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, {}, Variant(stamp)},
    // Output parameters: bound for both ways, and read after the driver has written them.
    BindingCase{"OutputUndescribedGetsRoomForText", {"@R", Out, Variant()}, {}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 4000,
                [](OdbcBinding &b) { writeWide(b, QStringLiteral("Łódź 𝔸")); }, Variant(QStringLiteral("Łódź 𝔸"))},
    BindingCase{"OutputDescribedInteger", {"@R", Out, Variant()}, OdbcParameterType{SQL_INTEGER, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10,
                [](OdbcBinding &b) { writeFixed(b, qint64(4711)); }, Variant(qint32(4711))},
    BindingCase{"OutputDescribedBigIntBeyondALong", {"@R", Out, Variant::null()}, OdbcParameterType{SQL_BIGINT, 19, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_BIGINT, 19,
                [](OdbcBinding &b) { writeFixed(b, qint64(3000000000)); }, Variant(3000000000.0)},
    BindingCase{"OutputDescribedNumeric", {"@R", Out, Variant()}, OdbcParameterType{SQL_NUMERIC, 18, 2}, SQL_PARAM_INPUT_OUTPUT, SQL_C_CHAR, SQL_NUMERIC, 18,
                [](OdbcBinding &b) { std::strcpy(b.buffer.data(), "123.45"); b.indicator = 6; }, Variant(123.45)},
    BindingCase{"OutputDescribedDatetime", {"@R", Out, Variant()}, OdbcParameterType{SQL_TYPE_TIMESTAMP, 23, 3}, SQL_PARAM_INPUT_OUTPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23,
                [](OdbcBinding &b) { writeFixed(b, SQL_TIMESTAMP_STRUCT{2024, 3, 4, 13, 2, 3, 250000000}); }, Variant(stamp)},
    BindingCase{"OutputLeftNullByTheServer", {"@R", Out, Variant()}, OdbcParameterType{SQL_INTEGER, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10,
                [](OdbcBinding &b) { b.indicator = SQL_NULL_DATA; }, Variant::null()},
    BindingCase{"InputOutputKeepsTheValuesType", {"@N", InOut, Variant(qint32(5))}, OdbcParameterType{SQL_WVARCHAR, 10, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_SBIGINT, SQL_INTEGER, 10,
                [](OdbcBinding &b) { writeFixed(b, qint64(6)); }, Variant(qint32(6))},
    BindingCase{"InputOutputTextGetsRoomToGrow", {"@T", InOut, Variant(QStringLiteral("ab"))}, {}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 4000,
                [](OdbcBinding &b) { writeWide(b, QString(300, u'é')); }, Variant(QString(300, u'é'))},
    BindingCase{"OutputTextLongerThanTheRoomIsCut", {"@T", Out, Variant()}, OdbcParameterType{SQL_WVARCHAR, 3, 0}, SQL_PARAM_INPUT_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR, 3,
                [](OdbcBinding &b) { writeWide(b, QStringLiteral("abcdef"), 12); }, Variant(QStringLiteral("abc"))}), rowName);

TEST(OdbcBindingsRefused, AnObjectCannotBePassed)
{
    EXPECT_EQ(errorNumber([] { (void)odbcBinding(Parameter{"@O", In, Variant(DispatchPtr())}, std::nullopt); }), VbError::TypeMismatch);
}

struct CallCase {
    const char *name;
    QString procedure;
    std::vector<Parameter> parameters;
    QString expected; // empty: refused
};
void PrintTo(const CallCase &row, std::ostream *out) { *out << row.name; }
class OdbcCallText : public ::testing::TestWithParam<CallCase> {};

TEST_P(OdbcCallText, ProceduresAreCalledByNameWithPlaceholders)
{
    Command command(GetParam().procedure);
    for (const Parameter &parameter : GetParam().parameters) command.append(parameter.name, parameter.direction, parameter.value);
    if (GetParam().expected.isEmpty()) {
        EXPECT_THAT(describedError([&] { (void)odbcProcedureCall(command); }), HasSubstr("is not a"));
        return;
    }
    EXPECT_EQ(odbcProcedureCall(command), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Calls, OdbcCallText, ::testing::Values(
    CallCase{"NoParameters", "rp_FetchTimeZones", {}, "EXEC rp_FetchTimeZones"},
    CallCase{"NamesWithAndWithoutAt", "ZUL_InsertEventFilterGroup",
             {{"SiteID", In, {}}, {"@GroupName", In, {}}, {"ReturnedID", Out, {}}, {"@Operator", InOut, {}}},
             "EXEC ZUL_InsertEventFilterGroup @SiteID = ?, @GroupName = ?, @ReturnedID = ? OUTPUT, @Operator = ? OUTPUT"},
    CallCase{"QualifiedAndBracketed", "[dbo].[rp Fetch]", {{"Zoë_1", In, {}}}, "EXEC [dbo].[rp Fetch] @Zoë_1 = ?"},
    CallCase{"StatementInTheName", "rp_X; DROP TABLE Events", {}, ""},
    CallCase{"UnclosedBracket", "[rp_X", {}, ""},
    CallCase{"EmptyName", "", {}, ""},
    CallCase{"ValueInAParameterName", "rp_X", {{"@A = 1, @B", In, {}}}, ""},
    CallCase{"AtAlone", "rp_X", {{"@", In, {}}}, ""},
    CallCase{"DigitFirst", "rp_X", {{"@1A", In, {}}}, ""}), rowName);

struct StringCase {
    const char *name;
    QString text;
    QString pairs;  // "key=value|..."; empty: refused
    QString masked; // or the refusal's words
};
void PrintTo(const StringCase &row, std::ostream *out) { *out << row.name; }
class OdbcConnectionStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(OdbcConnectionStrings, PiecesAreReadAndThePasswordIsNeverShown)
{
    const StringCase &row = GetParam();
    if (row.pairs.isEmpty()) {
        const VbError error = errorOf([&] { (void)OdbcConnectionString::parse(row.text); });
        EXPECT_EQ(error.number(), DbError::OpenFailed);
        EXPECT_THAT(error.description().toStdString(), HasSubstr(row.masked.toStdString()));
        return;
    }
    const OdbcConnectionString parsed = OdbcConnectionString::parse(row.text);
    QStringList pairs;
    for (const auto &pair : parsed.pairs()) pairs << pair.key + u'=' + pair.value;
    EXPECT_EQ(pairs.join(u'|'), row.pairs);
    EXPECT_EQ(parsed.masked(), row.masked);
}

INSTANTIATE_TEST_SUITE_P(Strings, OdbcConnectionStrings, ::testing::Values(
    StringCase{"ServerLogin", "Driver=FreeTDS;Server=db1;Database=Events;UID=ov;PWD=s3cret", "Driver=FreeTDS|Server=db1|Database=Events|UID=ov|PWD=s3cret",
               "Driver=FreeTDS;Server=db1;Database=Events;UID=ov;PWD=***"},
    StringCase{"BracedValues", "Driver={ODBC Driver 18};Password={a;b}}c=d};Encrypt=no", "Driver=ODBC Driver 18|Password=a;b}c=d|Encrypt=no",
               "Driver=ODBC Driver 18;Password=***;Encrypt=no"},
    StringCase{"BlanksAndEmptyPieces", " ;Driver = SQLite3 ;; Database=/tmp/a b.db;", "Driver=SQLite3|Database=/tmp/a b.db", "Driver=SQLite3;Database=/tmp/a b.db"},
    StringCase{"DsnInsteadOfDriver", "DSN=events;pwd=x", "DSN=events|pwd=x", "DSN=events;pwd=***"},
    StringCase{"Empty", "", "", "it is empty"},
    StringCase{"KeyMissing", "Driver=x;=y", "", "has no key"},
    StringCase{"TextAfterBrace", "Driver={x}y;Server=s", "", "followed by more than a ';'"},
    StringCase{"BraceNeverClosed", "Driver=x;PWD={abc", "", "the value of PWD opens a brace that is never closed"}), rowName);

struct DiagnosticCase {
    const char *name;
    std::vector<OdbcDiagnostic> records;
    bool loss;
    QString text;
};
void PrintTo(const DiagnosticCase &row, std::ostream *out) { *out << row.name; }
class OdbcDiagnostics : public ::testing::TestWithParam<DiagnosticCase> {};

TEST_P(OdbcDiagnostics, RecordsBecomeOneTextAndClassEightIsALostLink)
{
    EXPECT_EQ(isConnectionLoss(GetParam().records), GetParam().loss);
    EXPECT_EQ(describeDiagnostics(GetParam().records, QStringLiteral("Cannot run"), SQL_ERROR), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Records, OdbcDiagnostics, ::testing::Values(
    DiagnosticCase{"SyntaxError", {{"42000", 102, "Incorrect syntax near 'x'.\n"}}, false, "Cannot run: SQLSTATE 42000 (native error 102): Incorrect syntax near 'x'."},
    DiagnosticCase{"LinkFailureAfterAWarning", {{"01000", 0, "a"}, {"08S01", 10054, "Communication link failure"}}, true,
                   "Cannot run: SQLSTATE 01000 (native error 0): a; SQLSTATE 08S01 (native error 10054): Communication link failure"},
    DiagnosticCase{"NotOpen", {{"08003", 0, "Connection not open"}}, true, "Cannot run: SQLSTATE 08003 (native error 0): Connection not open"},
    DiagnosticCase{"Deadlock", {{"40001", 1205, "chosen as deadlock victim"}}, false, "Cannot run: SQLSTATE 40001 (native error 1205): chosen as deadlock victim"},
    DiagnosticCase{"NothingSaid", {}, false, "Cannot run: the driver gave no diagnostic (return code -1)"}), rowName);

} // namespace
} // namespace Ostraven::Testing
