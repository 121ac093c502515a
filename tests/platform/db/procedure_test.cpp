#include "dbtestdatabase.h"

namespace Ostraven::Testing {
namespace {

using ProcedureTest = DbTestDatabase;

TEST_F(ProcedureTest, EveryCallShapeReachesTheProcedureAndReturnsItsRows)
{
    const char *calls[] = {
        "rp_FetchTimeZoneInfo 5", "EXEC rp_FetchTimeZoneInfo 5", "execute RP_FETCHTIMEZONEINFO @id = 5",
        "EXEC dbo.rp_FetchTimeZoneInfo N'5';",
    };
    for (const char *call : calls) {
        const std::unique_ptr<Recordset> rs = db->openRecordset(QString::fromUtf8(call));
        ASSERT_FALSE(rs->eof()) << call;
        EXPECT_EQ(rs->field(QStringLiteral("Sunday")), Variant(true)) << call;
        EXPECT_EQ(rs->field(QStringLiteral("StartTime")), Variant("08:00")) << call;
        rs->moveNext();
        EXPECT_TRUE(rs->eof()) << call;
    }
    EXPECT_TRUE(db->openRecordset(QStringLiteral("rp_FetchTimeZoneInfo 6"))->eof());
}

TEST_F(ProcedureTest, ArgumentsBindByPositionThenByNameAndMissingOnesAreNull)
{
    struct Case {
        const char *call;
        Variant a, b, c;
    };
    const Case cases[] = {
        {"EXEC ov_Echo 1, 'two', N'dr\u00ebi'", qint32(1), "two", "dr\u00ebi"},
        {"EXEC ov_Echo -4.5, NULL", -4.5, Variant::null(), Variant::null()},
        {"EXEC ov_Echo 1, @C = 'c'", qint32(1), Variant::null(), "c"},
        {"ov_Echo @c='x', @A=2", qint32(2), Variant::null(), "x"},
        {"EXEC ov_Echo 'it''s', 4000000000", "it's", 4000000000.0, Variant::null()},
    };
    for (const Case &c : cases) {
        const std::unique_ptr<Recordset> rs = db->openRecordset(QString::fromUtf8(c.call));
        EXPECT_EQ(rs->field(0), c.a) << c.call;
        EXPECT_EQ(rs->field(1), c.b) << c.call;
        EXPECT_EQ(rs->field(2), c.c) << c.call;
    }
}

TEST_F(ProcedureTest, BadCallsAreRefusedWithClearMessages)
{
    struct Case {
        const char *call;
        const char *message;
    };
    const Case cases[] = {
        {"EXEC rp_Nowhere 1", "Could not find stored procedure 'rp_Nowhere'."},
        {"EXEC ov_Echo 1, 2, 3, 4", "Procedure or function 'ov_Echo' has too many arguments specified."},
        {"EXEC ov_Echo @D = 1", "'@D' is not a parameter for procedure 'ov_Echo'."},
        {"EXEC ov_Echo @A = 1, 2", "Must pass parameter number 2 and subsequent parameters as '@name = value'."},
        {"EXEC ov_Echo 1 2", "Incorrect syntax near '2'."},
    };
    for (const Case &c : cases) {
        const VbError error = errorOf([&] { (void)db->openRecordset(QString::fromUtf8(c.call)); });
        EXPECT_EQ(error.number(), -2147217900) << c.call;
        EXPECT_EQ(error.description(), QString::fromUtf8(c.message)) << c.call;
    }
}

TEST_F(ProcedureTest, BareCallsWriteThroughExecute)
{
    EXPECT_EQ(db->execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details 7, 4, 'MaxLines', '100'")), 1);
    EXPECT_EQ(db->execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details 7, 4, 'MaxLines', '250'")), 2);
    EXPECT_EQ(db->execute(QStringLiteral(
                  "ZUL_Update_Profile_Persisted_Details 7, 4, 'ColumnHeaders', N'ID][Event''s][1][900][True'")),
              1);
    const std::unique_ptr<Recordset> rs = db->openRecordset(
        QStringLiteral("Select * from Profile_Details Where ObjectID = 4 AND ProfileID = 7"));
    EXPECT_EQ(rs->field(2), Variant("MaxLines"));
    EXPECT_EQ(rs->field(3), Variant("250"));
    rs->moveNext();
    EXPECT_EQ(rs->field(3), Variant("ID][Event's][1][900][True"));
}

TEST_F(ProcedureTest, AFailingBodyLeavesNothingBehind)
{
    addProcedure(QStringLiteral("ov_HalfDone"), QStringLiteral("@ID"),
                 QStringLiteral("DELETE FROM Events WHERE ID = @ID; INSERT INTO Nowhere VALUES (1)"));
    const VbError error = errorOf([this] { db->execute(QStringLiteral("EXEC ov_HalfDone 5001")); });
    EXPECT_EQ(error.description(), QStringLiteral("no such table: Nowhere"));
    EXPECT_EQ(count(QStringLiteral("Events")), 4);

    addProcedure(QStringLiteral("ov_Typo"), QStringLiteral("@ID"), QStringLiteral("DELETE FROM Events WHERE ID = @Id2"));
    const VbError unknown = errorOf([this] { db->execute(QStringLiteral("ov_Typo 5001")); });
    EXPECT_TRUE(unknown.description().contains(QStringLiteral("@Id2"))) << unknown.description().toStdString();
    EXPECT_EQ(count(QStringLiteral("Events")), 4);
}

TEST_F(ProcedureTest, CommandsPassNamedParametersAndReadOutputOnes)
{
    Command command(QStringLiteral("ZUL_InsertEventFilterGroup"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, qint32(0));
    command.append(QStringLiteral("GroupName"), ParameterDirection::Input, QStringLiteral("Night \u00e9quipe"));
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("@OperatorID"), ParameterDirection::Input, qint32(12));
    db->execute(command);
    EXPECT_EQ(command.parameter(QStringLiteral("@returnedid")).value, Variant(qint32(1)));
    EXPECT_EQ(command.parameters()[1].value, Variant("Night \u00e9quipe")); // inputs stay as they were

    db->execute(command);
    EXPECT_EQ(command.parameters()[2].value, Variant(qint32(2)));
    EXPECT_EQ(scalar(QStringLiteral("Select GroupName From FilterGroups Where OperatorID = 12 And GroupID = 2")),
              Variant("Night \u00e9quipe"));
}

TEST_F(ProcedureTest, CommandsWithUnknownNamesBindByPosition)
{
    Command command(QStringLiteral("ov_Echo"));
    command.append(QStringLiteral("First"), ParameterDirection::Input, qint32(1));
    command.append(QStringLiteral("Second"), ParameterDirection::Input, QStringLiteral("b"));
    command.append(QStringLiteral("Third"), ParameterDirection::InputOutput, true);
    db->execute(command);
    EXPECT_EQ(command.parameters()[2].value, Variant(qint32(1))); // a Boolean goes in as 1

    addProcedure(QStringLiteral("ov_EchoOut"), QStringLiteral("@A, @B, @C OUTPUT"),
                 QStringLiteral("SELECT @A + 1 AS C"));
    Command out(QStringLiteral("ov_EchoOut"));
    out.append(QStringLiteral("x"), ParameterDirection::Input, qint32(41));
    out.append(QStringLiteral("y"), ParameterDirection::Input);
    out.append(QStringLiteral("z"), ParameterDirection::Output);
    db->execute(out);
    EXPECT_EQ(out.parameters()[2].value, Variant(qint32(42)));

    EXPECT_EQ(errorOf([&] { (void)command.parameter(QStringLiteral("Fourth")); }).number(), 3265);
}

TEST_F(ProcedureTest, DateParametersAreStoredInTheFormDatesAreReadBackFrom)
{
    addProcedure(QStringLiteral("ov_Log"), QStringLiteral("@ID, @When"),
                 QStringLiteral("INSERT INTO Events (ID, dtDate) VALUES (@ID, @When)"));
    const Date when = Date::fromParts(2024, 12, 31, 23, 59, 58, 125);
    for (const auto &[id, date] : {std::pair{1, when}, std::pair{2, Date::fromParts(2025, 1, 1)}}) {
        Command command(QStringLiteral("ov_Log"));
        command.append(QStringLiteral("ID"), ParameterDirection::Input, qint32(id));
        command.append(QStringLiteral("When"), ParameterDirection::Input, date);
        db->execute(command);
        EXPECT_EQ(scalar(QStringLiteral("Select dtDate From Events Where ID = %1").arg(id)), Variant(date));
    }
    EXPECT_TRUE(column(QStringLiteral("Select ID From Events Where dtDate = '12/31/2024 11:59:58 PM'")).empty());
    EXPECT_EQ(column(QStringLiteral("Select ID From Events Where dtDate = '1/1/2025'")),
              std::vector<Variant>{Variant(qint32(2))});
}

TEST_F(ProcedureTest, AnOutputParameterWithoutItsColumnIsAnError)
{
    addProcedure(QStringLiteral("ov_NoOut"), QStringLiteral("@Result OUTPUT"), QStringLiteral("SELECT 1 AS Other"));
    Command command(QStringLiteral("ov_NoOut"));
    command.append(QStringLiteral("Result"), ParameterDirection::Output);
    const VbError error = errorOf([&] { db->execute(command); });
    EXPECT_TRUE(error.description().contains(QStringLiteral("@Result"))) << error.description().toStdString();
}

} // namespace
} // namespace Ostraven::Testing
