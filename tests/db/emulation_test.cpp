// The T-SQL emulation over the SQLite ODBC driver answers as it does over the SQLite C API: the same file is
// opened both ways and every statement, call and transaction must give the same values of the same types.
#include "odbctest.h"
#include "platform/db/sqlitedriver.h"
#include "platform/db/transactsqlemulation.h"

namespace Ostraven::Testing {
namespace {

using Rows = std::vector<std::vector<Variant>>;

Rows rowsOf(Connection &connection, const QString &sql)
{
    Rows rows;
    for (const std::unique_ptr<Recordset> rs = connection.openRecordset(sql); !rs->eof(); rs->moveNext()) {
        rows.emplace_back();
        for (int field = 0; field < rs->fieldCount(); ++field)
            rows.back().push_back(rs->field(field));
    }
    return rows;
}

// A value with its type, so that a Long read back as a text fails the comparison.
std::vector<std::vector<QString>> typed(const Rows &rows)
{
    std::vector<std::vector<QString>> result;
    for (const std::vector<Variant> &row : rows) {
        result.emplace_back();
        for (const Variant &value : row)
            result.back().push_back(value.typeName() + u':' + (value.isNull() ? QString() : CStr(value)));
    }
    return result;
}

class EmulationOverOdbc : public OdbcTest
{
protected:
    void SetUp() override
    {
        const std::unique_ptr<SqliteDriver> file = SqliteDriver::open(databasePath());
        file->executeScript(QStringLiteral(R"(
CREATE TABLE Events (ID INTEGER, Address TEXT, Type TEXT COLLATE ov_nocase, dtDate DATETIME, Active BIT, Amount REAL);
CREATE VIEW [VIEW_Events] AS SELECT dtDate, Address, ID, Type, Active FROM Events;
CREATE TABLE FilterGroups (GroupID INTEGER PRIMARY KEY, GroupName TEXT, SiteID INTEGER);
CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL, body TEXT NOT NULL);
INSERT INTO Events VALUES (5001, '\\SRV.1.2.3', 'KORA*GATE Alarm', '2024-03-01 10:00:00', 1, 2.5),
  (2100, '\\SRV.1.3.1', 'kora*gate alarm  ', '2024-03-01 11:00:00.250', 0, NULL),
  (80005, '\\ZEKO1.2.1', 'Zéko External', '1800-01-01 00:00:00', NULL, -1);
INSERT INTO ov_procedures VALUES
 ('ov_Echo', '@A, @B, @C', 'SELECT @A AS A, @B AS B, @C AS C'),
 ('ov_EventsOfType', '@Type', 'SELECT ID FROM Events WHERE Type = @Type ORDER BY ID'),
 ('ov_AddGroup', '@SiteID, @GroupName, @ReturnedID OUTPUT',
  'INSERT INTO FilterGroups (GroupName, SiteID) VALUES (@GroupName, @SiteID);SELECT last_insert_rowid() AS ReturnedID'),
 ('ov_AddTwoGroups', '@Name', 'INSERT INTO FilterGroups (GroupName) VALUES (@Name);INSERT INTO Nowhere VALUES (1)');
)"));
        embedded = Connection::openSqlite(databasePath());
        OdbcOptions options;
        options.emulate = true;
        odbc = Connection::openOdbc(connectionString(), options);
    }
    ConnectionPtr embedded;
    ConnectionPtr odbc;
};

struct Statement {
    const char *name;
    const char *sql;
};
void PrintTo(const Statement &row, std::ostream *out) { *out << row.name; }

class EmulatedStatement : public EmulationOverOdbc, public ::testing::WithParamInterface<Statement>
{
};

TEST_P(EmulatedStatement, GivesWhatTheEmbeddedDatabaseGives)
{
    const QString sql = QString::fromUtf8(GetParam().sql);
    const Rows expected = rowsOf(*embedded, sql);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(typed(rowsOf(*odbc, sql)), typed(expected));
}

INSTANTIATE_TEST_SUITE_P(Shapes, EmulatedStatement, ::testing::Values(
    Statement{"TopAndBrackets", "Select Top 2 [ID], [Address] From [VIEW_Events] Order By [dtDate] Desc"},
    Statement{"ValuesOfEveryType", "Select ID, Type, dtDate, Active, Amount From Events Order By ID"},
    Statement{"NoCaseCollationAndTrailingBlanks", "Select Count(*) From Events Where Type = 'KORA*GATE ALARM'"},
    Statement{"SqlServerFunctions", "Select Len(Address), Substring(Type, 1, 4), CharIndex('.', Address) From Events Order By ID"},
    Statement{"UnicodeLiteral", "Select ID From Events Where Type Like N'Zéko%'"},
    Statement{"CallByText", "EXEC ov_Echo 1, N'é', @C = NULL"},
    Statement{"CallWithATextArgument", "ov_EventsOfType 'kora*gate alarm'"}),
    rowName);

TEST_F(EmulationOverOdbc, CommandsReadOutputsAndAFailingBodyLeavesNothingBehind)
{
    for (Connection *connection : {embedded.get(), odbc.get()}) {
        Command add(QStringLiteral("ov_AddGroup"));
        add.append(QStringLiteral("@SiteID"), ParameterDirection::Input, Variant(7));
        add.append(QStringLiteral("@GroupName"), ParameterDirection::Input, Variant(QStringLiteral("Doors é")));
        add.append(QStringLiteral("@ReturnedID"), ParameterDirection::Output);
        connection->execute(add);
        EXPECT_EQ(CStr(add.parameter(QStringLiteral("ReturnedID")).value), QString::number(rowsOf(*embedded, "Select Max(GroupID) From FilterGroups")[0][0].asLong()));

        EXPECT_THAT(describedError([&] { connection->execute(QStringLiteral("EXEC ov_AddTwoGroups 'lost'")); }), HasSubstr("Nowhere"));
    }
    EXPECT_EQ(typed(rowsOf(*embedded, "Select GroupName, SiteID From FilterGroups Order By GroupID")),
              typed(Rows{{Variant(QStringLiteral("Doors é")), Variant(7)}, {Variant(QStringLiteral("Doors é")), Variant(7)}}));
}

TEST_F(EmulationOverOdbc, TransactionsNestAndRollBack)
{
    {
        Transaction outer(*odbc);
        odbc->execute(QStringLiteral("Insert Into FilterGroups (GroupName) Values ('kept')"));
        {
            Transaction inner(*odbc);
            odbc->execute(QStringLiteral("Insert Into FilterGroups (GroupName) Values ('dropped')"));
        }
        outer.commit();
    }
    {
        Transaction dropped(*odbc);
        odbc->execute(QStringLiteral("Insert Into FilterGroups (GroupName) Values ('never')"));
    }
    EXPECT_EQ(typed(rowsOf(*embedded, "Select GroupName From FilterGroups")), typed(Rows{{Variant(QStringLiteral("kept"))}}));
}

// A procedure the emulation has kept is read again once another program has changed it.
TEST_F(EmulationOverOdbc, AProcedureChangedByAnotherProgramIsReadAgain)
{
    EXPECT_EQ(typed(rowsOf(*odbc, "EXEC ov_Echo 1, 2, 3")).front().front(), "Long:1");
    embedded->execute(QStringLiteral("Update ov_procedures Set body = 'SELECT @C AS A' Where name = 'ov_Echo'"));
    EXPECT_EQ(typed(rowsOf(*odbc, "EXEC ov_Echo 1, 2, 3")).front().front(), "Long:3");
}

// One kept statement called with values of different types types each value as the embedded engine
// does, and what the engine refuses is told in the same words both ways.
TEST_F(EmulationOverOdbc, EachCallTypesItsOwnValuesAndFailuresReadAlike)
{
    for (const char *call : {"EXEC ov_Echo 1, 'two', 3", "EXEC ov_Echo -4.5, NULL", "EXEC ov_Echo 'x', 4000000000, 2.5", "EXEC ov_Echo 7"})
        EXPECT_EQ(typed(rowsOf(*odbc, QString::fromUtf8(call))), typed(rowsOf(*embedded, QString::fromUtf8(call)))) << call;
    for (const char *sql : {"Select * From Nowhere", "Select * From Events Where ID = = 1", "EXEC ov_AddTwoGroups 'lost'"}) {
        const auto run = [sql](Connection &connection) { return [&] { (void)rowsOf(connection, QString::fromUtf8(sql)); }; };
        EXPECT_EQ(describedError(run(*odbc)), describedError(run(*embedded))) << sql;
    }
}

// Another program holding the file makes a write fail after the embedded database's own wait, not after
// the driver's minutes.
TEST_F(EmulationOverOdbc, AHeldDatabaseFailsAWriteAfterABoundedWait)
{
    const std::unique_ptr<SqliteDriver> holder = SqliteDriver::open(databasePath());
    holder->executePlain(QStringLiteral("BEGIN EXCLUSIVE"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THAT(describedError([this] { odbc->execute(QStringLiteral("Insert Into FilterGroups (GroupName) Values ('held')")); }),
                HasSubstr("locked"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    holder->executePlain(QStringLiteral("ROLLBACK"));
    odbc->execute(QStringLiteral("Insert Into FilterGroups (GroupName) Values ('free')"));
    EXPECT_EQ(typed(rowsOf(*embedded, "Select GroupName From FilterGroups")), typed(Rows{{Variant(QStringLiteral("free"))}}));
}

TEST_F(EmulationOverOdbc, ADataSourceWithoutTheFunctionsIsRefusedWhenOpened)
{
    OdbcOptions options;
    options.emulate = true;
    const std::string error = describedError([&] { (void)Connection::openOdbc(connectionString() + ";LoadExt=/nowhere/none.so", options); });
    EXPECT_THAT(error, HasSubstr("lacks the SQL Server functions"));
    EXPECT_THAT(error, HasSubstr("LoadExt="));
}

} // namespace
} // namespace Ostraven::Testing
