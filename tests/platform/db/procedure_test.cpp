#include "dbtestdatabase.h"
#include "platform/db/storedprocedure.h"

namespace Ostraven::Testing {
namespace {
using ProcedureTest = DbTestDatabase;

TEST_F(ProcedureTest, EveryCallShapeReachesTheProcedureAndReturnsItsRows)
{
    for (const char *call : {"rp_FetchTimeZoneInfo 5", "EXEC rp_FetchTimeZoneInfo 5", "execute RP_FETCHTIMEZONEINFO @id = 5",
                             "EXEC dbo.rp_FetchTimeZoneInfo N'5';"})
        EXPECT_EQ(rows(call), (Rows{{true, false, "08:00", "17:30"}})) << call;
    EXPECT_TRUE(rows("rp_FetchTimeZoneInfo 6").empty());
}

TEST_F(ProcedureTest, ArgumentsBindByPositionThenByNameAndBadCallsAreRefusedWithClearMessages)
{
    const std::pair<const char *, std::vector<Variant>> cases[] = {
        {"EXEC ov_Echo 1, 'two', N'dr\u00ebi'", {qint32(1), "two", "dr\u00ebi"}},
        {"EXEC ov_Echo -4.5, NULL", {-4.5, Variant::null(), Variant::null()}},
        {"EXEC ov_Echo 1, @C = 'c'", {qint32(1), Variant::null(), "c"}},
        {"ov_Echo @c='x', @A=2", {qint32(2), Variant::null(), "x"}},
        {"EXEC ov_Echo 'it''s', 4000000000", {"it's", 4000000000.0, Variant::null()}},
    };
    for (const auto &[call, values] : cases) EXPECT_EQ(rows(call), Rows{values}) << call;
    const std::pair<const char *, const char *> refused[] = {
        {"EXEC rp_Nowhere 1", "Could not find stored procedure 'rp_Nowhere'."},
        {"EXEC ov_Echo 1, 2, 3, 4", "Procedure or function 'ov_Echo' has too many arguments specified."},
        {"EXEC ov_Echo @D = 1", "'@D' is not a parameter for procedure 'ov_Echo'."},
        {"EXEC ov_Echo @A = 1, 2", "Must pass parameter number 2 and subsequent parameters as '@name = value'."},
        {"EXEC ov_Echo 1 2", "Incorrect syntax near '2'."},
    };
    for (const auto &[call, message] : refused) {
        const VbError error = errorOf([&] { (void)db->openRecordset(call); });
        EXPECT_EQ(std::pair(error.number(), error.description()), std::pair(-2147217900, QString(message))) << call;
    }
}

TEST_F(ProcedureTest, BareCallsWriteThroughExecuteAndAFailingBodyLeavesNothingBehind)
{
    const QString update = QStringLiteral("ZUL_Update_Profile_Persisted_Details 7, 4, ");
    EXPECT_EQ(std::vector({db->execute(update + "'MaxLines', '100'"), db->execute(update + "'MaxLines', '250'"),
                           db->execute(update + "'ColumnHeaders', N'ID][Event''s][1][900][True'")}), std::vector<qint64>({1, 2, 1}));
    EXPECT_EQ(column("Select Property || '=' || [Value] from Profile_Details Where ObjectID = 4 AND ProfileID = 7"),
              std::vector<Variant>({Variant("MaxLines=250"), Variant("ColumnHeaders=ID][Event's][1][900][True")}));
    // A failing body leaves nothing behind.
    addProcedure("ov_HalfDone", "@ID", "DELETE FROM Events WHERE ID = @ID; INSERT INTO Nowhere VALUES (1)");
    addProcedure("ov_Typo", "@ID", "DELETE FROM Events WHERE ID = @Id2");
    addProcedure("ov_NoOut", "@Result OUTPUT", "SELECT 1 AS Other"); // an output parameter without its column
    EXPECT_EQ(describedError([this] { db->execute("EXEC ov_HalfDone 5001"); }), "no such table: Nowhere");
    EXPECT_THAT(describedError([this] { db->execute("ov_Typo 5001"); }), HasSubstr("@Id2"));
    EXPECT_EQ(count("Events"), 4);
    Command noOut = command("ov_NoOut", {{"Result", Out}});
    EXPECT_THAT(describedError([&] { db->execute(noOut); }), HasSubstr("@Result"));
}

TEST_F(ProcedureTest, CommandsPassParametersByNameOrPositionAndReadOutputOnes)
{
    Command insert = command("ZUL_InsertEventFilterGroup", {{"SiteID", In, qint32(0)}, {"GroupName", In, "Night \u00e9quipe"},
                                                             {"ReturnedID", Out}, {"@OperatorID", In, qint32(12)}});
    db->execute(insert);
    const Variant first = insert.parameter("@returnedid").value;
    db->execute(insert);
    EXPECT_EQ(std::tuple(first, insert.parameters()[1].value, insert.parameters()[2].value), // inputs stay as they were
              std::tuple(Variant(qint32(1)), Variant("Night \u00e9quipe"), Variant(qint32(2))));
    EXPECT_EQ(scalar("Select GroupName From FilterGroups Where OperatorID = 12 And GroupID = 2"), Variant("Night \u00e9quipe"));
    // Names the procedure does not know bind by position; a Boolean goes in as 1.
    Command echo = command("ov_Echo", {{"First", In, qint32(1)}, {"Second", In, "b"}, {"Third", ParameterDirection::InputOutput, true}});
    addProcedure("ov_EchoOut", "@A, @B, @C OUTPUT", "SELECT @A + 1 AS C");
    Command out = command("ov_EchoOut", {{"x", In, qint32(41)}, {"y", In}, {"z", Out}});
    db->execute(echo);
    db->execute(out);
    EXPECT_EQ(std::pair(echo.parameters()[2].value, out.parameters()[2].value), std::pair(Variant(qint32(1)), Variant(qint32(42))));
    EXPECT_EQ(errorNumber([&] { (void)echo.parameter("Fourth"); }), 3265);
}

TEST_F(ProcedureTest, DateParametersAreStoredInTheFormDatesAreReadBackFrom)
{
    addProcedure("ov_Log", "@ID, @When", "INSERT INTO Events (ID, dtDate) VALUES (@ID, @When)");
    for (const auto &[id, date] : {std::pair{1, Date::fromParts(2024, 12, 31, 23, 59, 58, 125)}, {2, Date::fromParts(2025, 1, 1)}}) {
        Command log = command("ov_Log", {{"ID", In, qint32(id)}, {"When", In, date}});
        db->execute(log);
        EXPECT_EQ(scalar(QStringLiteral("Select dtDate From Events Where ID = %1").arg(id)), Variant(date));
    }
    EXPECT_TRUE(column("Select ID From Events Where dtDate = '12/31/2024 11:59:58 PM'").empty());
    EXPECT_EQ(column("Select ID From Events Where dtDate = '1/1/2025'"), std::vector<Variant>{Variant(qint32(2))});
}

// Parameter lists the fuzz target read: each is refused as malformed (names empty), or every parameter
// in it can be passed by its own name.
struct ParameterListCase { const char *name, *parameters; QStringList names; };
class ParameterListFuzzRegression : public ::testing::TestWithParam<ParameterListCase> {};
TEST_P(ParameterListFuzzRegression, EveryParameterCanBePassedByName)
{
    const ParameterListCase &c = GetParam();
    EXPECT_EQ(errorNumber([&] { (void)StoredProcedure("p", c.parameters, "SELECT 1"); }) != 0, c.names.isEmpty());
    if (c.names.isEmpty()) { return; }
    const StoredProcedure procedure("p", c.parameters, "SELECT 1");
    QStringList names;
    for (const StoredProcedure::ParameterDefinition &parameter : procedure.parameters()) {
        names << parameter.name;
        EXPECT_EQ(procedure.indexOf('@' + parameter.name), procedure.indexOf(parameter.name)) << parameter.name.toStdString();
        EXPECT_EQ(procedure.bind({StoredProcedure::Argument{parameter.name, Variant(qint32(7))}}).at(size_t(procedure.indexOf(parameter.name))),
                  Variant(qint32(7)));
    }
    EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(Found, ParameterListFuzzRegression, ::testing::Values(
    // "@@C" was kept as the parameter "@C", which a call's "@C = 1" looks up as "C".
    ParameterListCase{"DoubleAtIsRefused", "@A, @@C, @DAND", {}},
    ParameterListCase{"DoubleAtOutputIsRefused", "@@Out OUTPUT", {}},
    ParameterListCase{"LoneAtIsRefused", "@A, @", {}},
    ParameterListCase{"OrdinaryNames", "@SiteID, @GroupName, @ReturnedID OUTPUT", {"SiteID", "GroupName", "ReturnedID"}},
    ParameterListCase{"AtInsideAName", "@A@B", {"A@B"}}), rowName);
} // namespace
} // namespace Ostraven::Testing
