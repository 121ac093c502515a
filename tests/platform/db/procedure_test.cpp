#include "dbtestdatabase.h"
#include "platform/db/storedprocedure.h"

namespace Ostraven::Testing {
namespace {
using ProcedureTest = DbTestDatabase;

TEST_F(ProcedureTest, EveryCallShapeReachesTheProcedureAndReturnsItsRows)
{
    for (const char *call : {"rp_FetchTimeZoneInfo 5", "EXEC rp_FetchTimeZoneInfo 5", "execute RP_FETCHTIMEZONEINFO @id = 5",
                             "EXEC dbo.rp_FetchTimeZoneInfo N'5';"}) {
        const std::unique_ptr<Recordset> rs = db->openRecordset(call);
        ASSERT_FALSE(rs->eof()) << call;
        EXPECT_EQ(std::pair(rs->field("Sunday"), rs->field("StartTime")), std::pair(Variant(true), Variant("08:00"))) << call;
        rs->moveNext();
        EXPECT_TRUE(rs->eof()) << call;
    }
    EXPECT_TRUE(db->openRecordset("rp_FetchTimeZoneInfo 6")->eof());
}

TEST_F(ProcedureTest, ArgumentsBindByPositionThenByNameAndBadCallsAreRefusedWithClearMessages)
{
    const std::tuple<const char *, Variant, Variant, Variant> cases[] = {
        {"EXEC ov_Echo 1, 'two', N'dr\u00ebi'", qint32(1), "two", "dr\u00ebi"},
        {"EXEC ov_Echo -4.5, NULL", -4.5, Variant::null(), Variant::null()},
        {"EXEC ov_Echo 1, @C = 'c'", qint32(1), Variant::null(), "c"},
        {"ov_Echo @c='x', @A=2", qint32(2), Variant::null(), "x"},
        {"EXEC ov_Echo 'it''s', 4000000000", "it's", 4000000000.0, Variant::null()},
    };
    for (const auto &[call, a, b, c] : cases) {
        const std::unique_ptr<Recordset> rs = db->openRecordset(call);
        EXPECT_EQ(std::tuple(rs->field(0), rs->field(1), rs->field(2)), std::tuple(a, b, c)) << call;
    }
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

TEST_F(ProcedureTest, BareCallsWriteThroughExecute)
{
    EXPECT_EQ(db->execute("ZUL_Update_Profile_Persisted_Details 7, 4, 'MaxLines', '100'"), 1);
    EXPECT_EQ(db->execute("ZUL_Update_Profile_Persisted_Details 7, 4, 'MaxLines', '250'"), 2);
    EXPECT_EQ(db->execute("ZUL_Update_Profile_Persisted_Details 7, 4, 'ColumnHeaders', N'ID][Event''s][1][900][True'"), 1);
    EXPECT_EQ(column("Select Property from Profile_Details Where ObjectID = 4 AND ProfileID = 7"),
              std::vector<Variant>({Variant("MaxLines"), Variant("ColumnHeaders")}));
    EXPECT_EQ(column("Select [Value] from Profile_Details Where ObjectID = 4 AND ProfileID = 7"),
              std::vector<Variant>({Variant("250"), Variant("ID][Event's][1][900][True")}));
}

TEST_F(ProcedureTest, AFailingBodyLeavesNothingBehind)
{
    addProcedure("ov_HalfDone", "@ID", "DELETE FROM Events WHERE ID = @ID; INSERT INTO Nowhere VALUES (1)");
    EXPECT_EQ(errorOf([this] { db->execute("EXEC ov_HalfDone 5001"); }).description(), QStringLiteral("no such table: Nowhere"));
    EXPECT_EQ(count("Events"), 4);
    addProcedure("ov_Typo", "@ID", "DELETE FROM Events WHERE ID = @Id2");
    const VbError unknown = errorOf([this] { db->execute("ov_Typo 5001"); });
    EXPECT_TRUE(unknown.description().contains("@Id2")) << unknown.description().toStdString();
    EXPECT_EQ(count("Events"), 4);
    // An output parameter without its column is an error too.
    addProcedure("ov_NoOut", "@Result OUTPUT", "SELECT 1 AS Other");
    Command noOut = command("ov_NoOut", {{"Result", Out}});
    const VbError error = errorOf([&] { db->execute(noOut); });
    EXPECT_TRUE(error.description().contains("@Result")) << error.description().toStdString();
}

TEST_F(ProcedureTest, CommandsPassParametersByNameOrPositionAndReadOutputOnes)
{
    Command insert = command("ZUL_InsertEventFilterGroup", {{"SiteID", In, qint32(0)}, {"GroupName", In, "Night \u00e9quipe"},
                                                             {"ReturnedID", Out}, {"@OperatorID", In, qint32(12)}});
    db->execute(insert);
    EXPECT_EQ(insert.parameter("@returnedid").value, Variant(qint32(1)));
    EXPECT_EQ(insert.parameters()[1].value, Variant("Night \u00e9quipe")); // inputs stay as they were
    db->execute(insert);
    EXPECT_EQ(insert.parameters()[2].value, Variant(qint32(2)));
    EXPECT_EQ(scalar("Select GroupName From FilterGroups Where OperatorID = 12 And GroupID = 2"), Variant("Night \u00e9quipe"));
    // Names the procedure does not know bind by position.
    Command echo = command("ov_Echo", {{"First", In, qint32(1)}, {"Second", In, "b"}, {"Third", ParameterDirection::InputOutput, true}});
    db->execute(echo);
    EXPECT_EQ(echo.parameters()[2].value, Variant(qint32(1))); // a Boolean goes in as 1
    addProcedure("ov_EchoOut", "@A, @B, @C OUTPUT", "SELECT @A + 1 AS C");
    Command out = command("ov_EchoOut", {{"x", In, qint32(41)}, {"y", In}, {"z", Out}});
    db->execute(out);
    EXPECT_EQ(out.parameters()[2].value, Variant(qint32(42)));
    EXPECT_EQ(errorOf([&] { (void)echo.parameter("Fourth"); }).number(), 3265);
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
        EXPECT_GE(procedure.indexOf('@' + parameter.name), 0) << parameter.name.toStdString();
        const std::vector<Variant> values = procedure.bind({StoredProcedure::Argument{parameter.name, Variant(qint32(7))}});
        EXPECT_EQ(values.at(size_t(procedure.indexOf(parameter.name))), Variant(qint32(7)));
    }
    EXPECT_EQ(names, c.names);
}
INSTANTIATE_TEST_SUITE_P(Found, ParameterListFuzzRegression, ::testing::Values(
    // "@@C" was kept as the parameter "@C", which a call's "@C = 1" looks up as "C".
    ParameterListCase{"DoubleAtIsRefused", "@A, @@C, @DAND", {}},
    ParameterListCase{"DoubleAtOutputIsRefused", "@@Out OUTPUT", {}},
    ParameterListCase{"LoneAtIsRefused", "@A, @", {}},
    ParameterListCase{"OrdinaryNames", "@SiteID, @GroupName, @ReturnedID OUTPUT", {"SiteID", "GroupName", "ReturnedID"}},
    ParameterListCase{"AtInsideAName", "@A@B", {"A@B"}}),
    [](const auto &row) { return std::string(row.param.name); });
} // namespace
} // namespace Ostraven::Testing
