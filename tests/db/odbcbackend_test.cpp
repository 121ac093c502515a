// The ODBC backend against a real driver: the SQLite ODBC driver on a file per test.
#include "odbctest.h"

namespace Ostraven::Testing {
namespace {

struct RoundTrip {
    const char *name;
    const char *declared;
    QString literal;
    Variant expected;
    // Written by SQLite itself rather than through the driver: the SQLite ODBC driver turns each half of
    // a UTF-16 surrogate pair into its own (wrong) UTF-8 when it converts statement text, so characters
    // beyond the Basic Multilingual Plane can only be read through it. (Their way out is checked where
    // the backend binds parameters, tests/db/odbcseam_test.cpp.)
    bool writtenDirectly = false;
};
class OdbcRoundTrip : public OdbcTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(OdbcRoundTrip, ValuesComeBackAsTheHostsTypes)
{
    const RoundTrip &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER, V %1)").arg(QLatin1StringView(row.declared)));
    const QString insert = QStringLiteral("INSERT INTO T VALUES (1, %1)").arg(row.literal);
    if (row.writtenDirectly) Connection::openSqlite(databasePath())->execute(insert);
    else EXPECT_EQ(backend->execute(insert), 1);
    const std::unique_ptr<Recordset> rs = backend->openRecordset(QStringLiteral("SELECT V AS Value FROM T"), CursorType::ForwardOnly);
    EXPECT_EQ(std::tuple(rs->fieldName(0), column(*rs)), std::tuple(QStringLiteral("Value"), std::vector<Variant>{row.expected}));
    if (row.expected.isString() && !row.writtenDirectly) {
        // The text reached the file as written (read back by SQLite itself), and a condition on it finds it again.
        EXPECT_EQ(column(*Connection::openSqlite(databasePath())->openRecordset(QStringLiteral("SELECT V FROM T"))), std::vector<Variant>{row.expected});
        EXPECT_EQ(column(*backend, QStringLiteral("SELECT ID FROM T WHERE V = %1").arg(row.literal)), std::vector<Variant>{qint32(1)});
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OdbcRoundTrip, ::testing::Values(
    RoundTrip{"AccentedText", "TEXT", QStringLiteral("'Zoë Ångström, façade Łódź'"), Variant(QStringLiteral("Zoë Ångström, façade Łódź"))},
    RoundTrip{"NonBmpText", "VARCHAR(50)", QStringLiteral("'key 🔑 door 𝔸'"), Variant(QStringLiteral("key 🔑 door 𝔸")), true},
    RoundTrip{"TextLongerThanOnePiece", "TEXT", QStringLiteral("'%1'").arg(QString(9000, u'é') + QStringLiteral("Ω")), Variant(QString(9000, u'é') + QStringLiteral("Ω"))},
    RoundTrip{"NonBmpTextLongerThanOnePiece", "TEXT", QStringLiteral("'%1'").arg(QString(4094, u'x') + QStringLiteral("🔑🔑")), Variant(QString(4094, u'x') + QStringLiteral("🔑🔑")), true},
    RoundTrip{"NullText", "TEXT", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NullInteger", "INTEGER", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NullDate", "DATETIME", QStringLiteral("NULL"), Variant::null()},
    RoundTrip{"NegativeInteger", "INTEGER", QStringLiteral("-42"), Variant(qint32(-42))},
    RoundTrip{"SmallInteger", "SMALLINT", QStringLiteral("7"), Variant(qint32(7))},
    RoundTrip{"BigIntegerBeyondLong", "BIGINT", QStringLiteral("3000000000"), Variant(3000000000.0)},
    RoundTrip{"BigIntegerThatFits", "BIGINT", QStringLiteral("-2147483648"), Variant(qint32(-2147483647 - 1))},
    RoundTrip{"Double", "DOUBLE", QStringLiteral("0.25"), Variant(0.25)},
    RoundTrip{"Float", "FLOAT", QStringLiteral("-1.5e10"), Variant(-1.5e10)},
    RoundTrip{"DateWithMilliseconds", "DATETIME", QStringLiteral("'2024-03-04 13:02:03.250'"), Variant(Date::fromParts(2024, 3, 4, 13, 2, 3, 250))},
    RoundTrip{"Timestamp", "TIMESTAMP", QStringLiteral("'1800-01-01 00:00:00'"), Variant(Date::nullDate())},
    RoundTrip{"DateOnly", "DATE", QStringLiteral("'2024-02-29'"), Variant(Date::fromParts(2024, 2, 29))},
    RoundTrip{"BitSet", "BIT", QStringLiteral("1"), Variant(true)},
    RoundTrip{"BitClear", "BIT", QStringLiteral("0"), Variant(false)},
    RoundTrip{"BlobAsText", "BLOB", QStringLiteral("x'4b6f72c3a1'"), Variant(QStringLiteral("Korá"))}), rowName);

struct CursorCase {
    const char *name;
    CursorType cursor;
    qint64 recordCount;
    int moveFirstError;
    std::vector<Variant> rest; // read after moveFirst, with the connection closed
};
class OdbcCursor : public OdbcTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(OdbcCursor, TheCursorKindDecidesWhatTheRecordsetAllows)
{
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE T (ID INTEGER)"));
    for (int id : {3, 1, 2}) backend->execute(QStringLiteral("INSERT INTO T VALUES (%1)").arg(id));
    const std::unique_ptr<Recordset> rs = backend->openRecordset(QStringLiteral("SELECT ID FROM T ORDER BY ID"), GetParam().cursor);
    rs->moveNext();
    EXPECT_EQ(std::tuple(rs->field("id"), rs->recordCount()), std::tuple(Variant(qint32(2)), GetParam().recordCount));
    EXPECT_EQ(errorNumber([&] { rs->moveFirst(); }), GetParam().moveFirstError);
    // The rows were read in full: the connection can be used, even closed, while the recordset is read.
    backend->close();
    EXPECT_EQ(column(*rs), GetParam().rest);
    EXPECT_EQ(errorNumber([&] { (void)rs->field(0); }), DbError::NoCurrentRecord);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OdbcCursor, ::testing::Values(
    CursorCase{"ForwardOnly", CursorType::ForwardOnly, -1, DbError::CannotFetchBackwards, {qint32(2), qint32(3)}},
    CursorCase{"Static", CursorType::Static, 3, 0, {qint32(1), qint32(2), qint32(3)}}), rowName);

struct ErrorCase {
    const char *name;
    bool opening; // the text is a connection string; otherwise a statement on an open connection
    QString text;
    int number; // 0: the text is accepted
    std::vector<std::string> said;
    std::vector<std::string> unsaid;
};
class OdbcErrors : public OdbcTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(OdbcErrors, FailuresNameTheirCauseAndKeepWhatIsStored)
{
    const ErrorCase &row = GetParam();
    const std::unique_ptr<OdbcBackend> backend = open();
    backend->execute(QStringLiteral("CREATE TABLE Kept (V TEXT)"));
    backend->execute(QStringLiteral("INSERT INTO Kept VALUES ('still here')"));
    const QString text = QString(row.text).replace(QStringLiteral("$DIR"), m_dir.path());
    const auto attempt = [&] { row.opening ? (void)OdbcBackend::open(text) : (void)backend->openRecordset(text, CursorType::ForwardOnly); };
    if (!row.number) { EXPECT_NO_THROW(attempt()); return; }
    const VbError error = errorOf(attempt);
    EXPECT_EQ(error.number(), row.number);
    for (const std::string &part : row.said) EXPECT_THAT(error.description().toStdString(), HasSubstr(part));
    for (const std::string &part : row.unsaid) EXPECT_THAT(error.description().toStdString(), ::testing::Not(HasSubstr(part)));
    EXPECT_EQ(column(*backend, QStringLiteral("SELECT V FROM Kept")), std::vector<Variant>{Variant("still here")}) << "nothing of it ran";
}

// The refusal of several statements is word for word the embedded backend's.
const std::string oneStatement = "The statement text holds more than one statement; only one statement may be sent at a time.";
INSTANTIATE_TEST_SUITE_P(Causes, OdbcErrors, ::testing::Values(
    ErrorCase{"SyntaxError", false, QStringLiteral("SELEC V FROM Kept"), DbError::StatementFailed, {"SQLSTATE HY000", "syntax error"}, {}},
    ErrorCase{"UnclosedQuote", false, QStringLiteral("SELECT 'open FROM Kept"), DbError::StatementFailed, {"Unclosed quotation mark"}, {}},
    ErrorCase{"TwoStatements", false, QStringLiteral("INSERT INTO Kept VALUES ('a'); INSERT INTO Kept VALUES ('b')"), DbError::StatementFailed, {oneStatement}, {}},
    ErrorCase{"SecondAfterComment", false, QStringLiteral("INSERT INTO Kept VALUES ('a'); /* then */ DELETE FROM Kept"), DbError::StatementFailed, {oneStatement}, {}},
    ErrorCase{"TerminatorThenBlanks", false, QStringLiteral("INSERT INTO Kept VALUES ('a');  \n "), 0, {}, {}},
    ErrorCase{"TerminatorInsideText", false, QStringLiteral("INSERT INTO Kept VALUES ('a; DELETE FROM Kept')"), 0, {}, {}},
    // The string is shown as read (braces, blanks and empty pieces undone), its password never.
    ErrorCase{"PasswordNeverShown", true, QStringLiteral("Driver={No Such Driver};Server=db1;UID=ov;PWD={se;cr}}et}"), DbError::OpenFailed,
              {"Cannot open the ODBC connection 'Driver=No Such Driver;Server=db1;UID=ov;PWD=***'", "SQLSTATE 01000", "Can't open lib 'No Such Driver'"}, {"se;cr", "cr}et"}},
    ErrorCase{"BracedPasswordAndBlanks", true, QStringLiteral(" ;Driver = {ODBC X 18} ;; Password={a;b}}c=d};Encrypt=no;"), DbError::OpenFailed,
              {"connection 'Driver=ODBC X 18;Password=***;Encrypt=no'"}, {"a;b", "c=d"}},
    ErrorCase{"DsnWithLowerCasePassword", true, QStringLiteral("DSN=ovNoSuchDsn;pwd=x1y2"), DbError::OpenFailed, {"connection 'DSN=ovNoSuchDsn;pwd=***'"}, {"x1y2"}},
    ErrorCase{"EmptyString", true, QStringLiteral("  "), DbError::OpenFailed, {"connection string cannot be used: it is empty"}, {}},
    ErrorCase{"NeitherDriverNorDsn", true, QStringLiteral("Server=db1;Database=Events"), DbError::OpenFailed, {"names neither a Driver nor a DSN"}, {}},
    ErrorCase{"PieceWithoutValue", true, QStringLiteral("Driver=x;Trusted"), DbError::OpenFailed, {"'Trusted' is not a key=value pair"}, {}},
    ErrorCase{"KeyMissing", true, QStringLiteral("Driver=x;=y"), DbError::OpenFailed, {"has no key"}, {}},
    ErrorCase{"TextAfterBrace", true, QStringLiteral("Driver={x}y;Server=s"), DbError::OpenFailed, {"followed by more than a ';'"}, {}},
    ErrorCase{"BraceNeverClosed", true, QStringLiteral("Driver=x;PWD={abc"), DbError::OpenFailed, {"the value of PWD opens a brace that is never closed"}, {}},
    ErrorCase{"DatabaseInAMissingFolder", true, QStringLiteral("Driver=OvSQLite3;Database=$DIR/missing/folder/x.db"), DbError::OpenFailed,
              {"Cannot open the ODBC connection", "SQLSTATE"}, {}}), rowName);

TEST_F(OdbcTest, TheTraceHoldsWhatWasSentAndAClosedConnectionRefusesMore)
{
    const ConnectionPtr connection = Connection::openOdbc(connectionString(), OdbcOptions{});
    const QString trace = m_dir.filePath(QStringLiteral("sql.trace"));
    connection->setTraceFile(trace);
    connection->execute(QStringLiteral("CREATE TABLE T (V TEXT)"));
    connection->beginTransaction();
    connection->execute(QStringLiteral("INSERT INTO T\nVALUES ('Zoë')"));
    connection->beginTransaction();
    connection->rollbackTransaction();
    connection->commitTransaction();
    (void)errorOf([&] { connection->execute(QStringLiteral("SELECT 1; SELECT 2")); });
    // The SQLite driver cannot call a procedure: it says so in its own words, and the call is traced first.
    Command command(QStringLiteral("rp_Missing"));
    command.append(QStringLiteral("SiteID"), ParameterDirection::Input, Variant(qint32(0)));
    command.append(QStringLiteral("@GroupName"), ParameterDirection::Input, Variant(QStringLiteral("Zoë 🔑")));
    command.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    command.append(QStringLiteral("Stamp"), ParameterDirection::InputOutput, Variant(Date::fromParts(2024, 3, 4)));
    const VbError error = errorOf([&] { connection->execute(command); });
    EXPECT_EQ(error.number(), DbError::StatementFailed);
    EXPECT_THAT(error.description().toStdString(), HasSubstr("SQLSTATE"));
    connection->setTraceFile(QString());
    connection->execute(QStringLiteral("DELETE FROM T"));
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).split(u'\n'), QStringList({"CREATE TABLE T (V TEXT)", "INSERT INTO T VALUES ('Zoë')", "SELECT 1; SELECT 2",
                                                                 "EXEC rp_Missing @SiteID=0, @GroupName='Zoë 🔑', @ReturnedID=NULL OUTPUT, @Stamp='2024-03-04 00:00:00' OUTPUT", ""}));
    connection->close();
    EXPECT_EQ(std::tuple(connection->isOpen(), errorNumber([&] { connection->execute(QStringLiteral("SELECT V FROM T")); }), errorNumber([&] { connection->beginTransaction(); })),
              std::tuple(false, DbError::ObjectClosed, DbError::ObjectClosed));
}

} // namespace
} // namespace Ostraven::Testing
