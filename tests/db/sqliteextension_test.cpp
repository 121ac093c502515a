// SqliteFunctions as a loadable extension: a connection the SQLite ODBC driver opens with "LoadExt=<module>"
// answers the statements that need the registered functions as the embedded backend does on the same file,
// and without the module those statements fail with SQLite's own complaint (or, for the ones that shadow a
// built-in, answer differently), so the module is what made the difference.
#include "odbctest.h"
#include "platform/db/sqlitefunctions.h"
#include <QFileInfo>

namespace Ostraven::Testing {
namespace {

struct ExtensionCase {
    const char *name;
    // As the host writes it, for the embedded backend (which rewrites it into SQLite's dialect).
    const char *hostSql;
    // As the ODBC backend must send it (it sends statements unchanged); null when it is the same text.
    const char *sqliteSql;
    std::vector<QString> expected; // the first column of every row, as text
    // What SQLite says without the module; null when the statement runs but must answer otherwise.
    const char *missing;
};
void PrintTo(const ExtensionCase &row, std::ostream *out) { *out << row.name; }

class SqliteExtension : public OdbcTest, public ::testing::WithParamInterface<ExtensionCase>
{
protected:
    void SetUp() override
    {
        // Created by the embedded backend, as the host's schema would be: the collation is declared on the column.
        const ConnectionPtr db = Connection::openSqlite(databasePath());
        db->execute(QStringLiteral("CREATE TABLE Words (ID INTEGER, Name TEXT)"));
        db->execute(QStringLiteral("INSERT INTO Words VALUES (1, 'alpha  '), (2, 'Bravo'), (3, '[x]car'), (4, 'delta')"));
        db->execute(QStringLiteral("CREATE TABLE Tags (ID INTEGER, Tag TEXT COLLATE ov_nocase)"));
        db->execute(QStringLiteral("INSERT INTO Tags VALUES (1, 'urgent  '), (2, 'Urgent'), (3, 'later')"));
    }
    [[nodiscard]] QString sqliteSql() const
    {
        const ExtensionCase &row = GetParam();
        return QString::fromUtf8(row.sqliteSql ? row.sqliteSql : row.hostSql);
    }
    static std::vector<QString> texts(Connection &connection, const QString &sql)
    {
        std::vector<QString> values;
        const std::unique_ptr<Recordset> rs = connection.openRecordset(sql);
        for (; !rs->eof(); rs->moveNext()) values.push_back(CStr(rs->field(0)));
        return values;
    }
};

TEST_P(SqliteExtension, TheDriversConnectionAnswersAsTheEmbeddedBackend)
{
    const ExtensionCase &row = GetParam();
    const QString module = SqliteFunctions::extensionPath();
    ASSERT_FALSE(module.isEmpty());
    const ConnectionPtr odbc = Connection::openOdbc(connectionString() + QStringLiteral(";LoadExt=") + module);
    const ConnectionPtr embedded = Connection::openSqlite(databasePath());
    const std::vector<QString> viaDriver = texts(*odbc, sqliteSql());
    EXPECT_EQ(viaDriver, row.expected);
    EXPECT_EQ(viaDriver, texts(*embedded, QString::fromUtf8(row.hostSql)));
}

TEST_P(SqliteExtension, WithoutTheModuleTheDriverCannotAnswer)
{
    const ExtensionCase &row = GetParam();
    const ConnectionPtr odbc = Connection::openOdbc(connectionString());
    if (row.missing)
        EXPECT_THAT(describedError([&] { (void)texts(*odbc, sqliteSql()); }), HasSubstr(row.missing));
    else
        EXPECT_NE(texts(*odbc, sqliteSql()), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Statements, SqliteExtension, ::testing::Values(
    // SQLite's own substring counts a negative start from the end; SQL Server's counts the length from it.
    ExtensionCase{"SubstringBeforeTheFirstCharacter", "SELECT Substring(Name, -1, 4) FROM Words ORDER BY ID", nullptr,
                  {"al", "Br", "[x", "de"}, nullptr},
    ExtensionCase{"CharIndexIgnoresCaseFromAStart", "SELECT CharIndex('A', Name, 2) FROM Words ORDER BY ID", nullptr,
                  {"5", "3", "5", "5"}, "no such function: CharIndex"},
    ExtensionCase{"LenIgnoresTrailingBlanks", "SELECT Len(Name) FROM Words ORDER BY ID", nullptr,
                  {"5", "5", "6", "5"}, "no such function: Len"},
    // SQLite's LIKE reads brackets as themselves and would find nothing.
    ExtensionCase{"LikeClassesAndEscapedBracket",
                  "SELECT ID FROM Words WHERE Name LIKE '[a-c]%' OR Name LIKE '[[]x]c_r' ORDER BY ID", nullptr,
                  {"1", "2", "3"}, nullptr},
    ExtensionCase{"PlusAddsATextToANumber", "SELECT ID + '10' FROM Words ORDER BY ID",
                  "SELECT ov_add(ID, '10') FROM Words ORDER BY ID", {"11", "12", "13", "14"}, "no such function: ov_add"},
    ExtensionCase{"ColumnCollationIgnoresCaseAndTrailingBlanks", "SELECT ID FROM Tags WHERE Tag = 'URGENT' ORDER BY ID",
                  nullptr, {"1", "2"}, "no such collation sequence: ov_nocase"}),
    rowName);

// The host will hand this path to the driver, so it must name the module this build made, found from the
// platform library's own folder rather than the program's.
TEST(SqliteExtensionPath, IsTheBuiltModuleBesideThePlatformLibrary)
{
    const QString path = SqliteFunctions::extensionPath();
    EXPECT_EQ(path, QFileInfo(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/libostraven_sqlite_functions.so")).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_TRUE(QFileInfo(path).isFile());
}

} // namespace
} // namespace Ostraven::Testing
