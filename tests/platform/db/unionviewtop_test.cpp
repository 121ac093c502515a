#include "../platformtest.h"
#include "platform/db/sqldialect.h"
#include "platform/db/sqlitebackend.h"
#include "support/testdatabase.h"
#include <QRegularExpression>
#include <sqlite3.h>
#include <algorithm>

namespace Ostraven::Testing {
namespace {

using Rows = std::vector<QStringList>;

// A cell as type and exact value, so that a date read as text, or a Long read as a Double, differs.
QString cell(const Variant &v) { return v.isNull() ? "Null" : v.typeName() + u':' + (v.type() == VarType::Date ? QString::number(v.asDate().serial(), 'g', 17) : CStr(v)); }

// The column names, then the rows.
Rows read(Connection &db, const QString &sql)
{
    const std::unique_ptr<Recordset> rs = db.openRecordset(sql, CursorType::Static);
    Rows rows(1);
    for (int c = 0; c < rs->fieldCount(); ++c) rows[0] << rs->fieldName(c);
    for (; !rs->eof(); rs->moveNext()) {
        QStringList &row = rows.emplace_back();
        for (int c = 0; c < rs->fieldCount(); ++c) row << cell(rs->field(c));
    }
    return rows;
}

sqlite3 *handleOf(Connection &db) { return dynamic_cast<SqliteBackend &>(db.backend()).handle(); }

// `top` must have the columns of `whole` and be a first `limit` rows of its rows (every row the statement would
// give, in its order): the same keys in the same order, each row one `whole` holds under its key, as often at most
// as it holds it. With the same keys, only among rows at the last key may the choice differ.
void expectTopOf(const Rows &whole, const Rows &top, const QString &keyName, size_t limit)
{
    const int key = int(whole[0].indexOf(keyName));
    const size_t n = std::min(limit, whole.size() - 1);
    ASSERT_EQ(std::tuple(top[0], top.size() - 1, key >= 0), std::tuple(whole[0], n, true));
    QStringList keys, foundKeys;
    for (size_t i = 1; i <= n; ++i) keys << whole[i][key], foundKeys << top[i][key];
    EXPECT_EQ(foundKeys, keys);
    Rows found(top.begin() + 1, top.end()), candidates;
    for (size_t i = 1; i < whole.size(); ++i) if (keys.contains(whole[i][key])) candidates.push_back(whole[i]);
    for (Rows *rows : {&found, &candidates}) std::sort(rows->begin(), rows->end());
    EXPECT_TRUE(std::includes(candidates.begin(), candidates.end(), found.begin(), found.end()));
}

// The query plan's reads of tables (the rewrite names the main database) and whole sorts, in its order.
QStringList planOf(sqlite3 *db, const QString &sql)
{
    QStringList plan;
    const auto line = [](void *out, int, char **values, char **) { return static_cast<QStringList *>(out)->append(values[3]), 0; };
    EXPECT_EQ(sqlite3_exec(db, ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(), line, &plan, nullptr), SQLITE_OK);
    return plan.filter(QRegularExpression(QStringLiteral("^SCAN main\\.|^USE TEMP B-TREE FOR ORDER BY$")));
}

// Three logs behind one view, with rows repeated inside a log and across logs, runs of equal times, and rows
// without a time; and a view named by its first arm's columns.
const char *archiveSchema = R"(
CREATE TABLE Alarms (AlarmID INTEGER PRIMARY KEY, EventID INTEGER NOT NULL, Address TEXT NOT NULL COLLATE NOCASE, Type TEXT COLLATE NOCASE,
    dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE); CREATE INDEX Alarms_dbDate ON Alarms (dbDate);
CREATE TABLE Cards (CardID INTEGER PRIMARY KEY, Event INTEGER NOT NULL, NetAddress TEXT NOT NULL COLLATE NOCASE, Type TEXT COLLATE NOCASE,
    dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE, Plain TEXT); CREATE INDEX Cards_dbDate ON Cards (dbDate);
CREATE TABLE Others (OtherID INTEGER PRIMARY KEY, EventID INTEGER NOT NULL, Address TEXT NOT NULL COLLATE NOCASE, Type TEXT COLLATE NOCASE,
    dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE); CREATE INDEX Others_dbDate ON Others (dbDate);
CREATE VIEW Archive (dtDate, dbDate, Address, ID, Type, Description) AS SELECT dtDate, dbDate, Address, EventID, Type, Description FROM Alarms
    UNION ALL SELECT dtDate, dbDate, NetAddress, Event, Type, Description FROM Cards UNION ALL SELECT dtDate, dbDate, Address, EventID, Type, Description FROM Others;
CREATE VIEW Named AS SELECT dtDate, dbDate AS Arrived, Address FROM Alarms UNION ALL SELECT dtDate, dbDate, NetAddress FROM Cards;
CREATE TEMP VIEW n AS WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < 39) SELECT i FROM c;
CREATE TEMP VIEW Alarm AS SELECT i, 5000 + i % 7 AS e, '\\SRV.1.' || (i % 4) AS a, 'Alarm' AS t, '2024-03-01 09:00:00' AS dt,
    printf('2024-03-01 10:%02d:00', i * 2 % 40) AS db, 'Door ' || (i % 6) AS d FROM n WHERE i < 30;
INSERT INTO Alarms (EventID, Address, Type, dtDate, dbDate, Description) SELECT e, a, t, dt, db, d FROM Alarm
    UNION ALL SELECT e, a, t, dt, db, d FROM Alarm WHERE i % 5 = 0;
INSERT INTO Others (EventID, Address, Type, dtDate, dbDate, Description) SELECT e, a, t, dt, db, d FROM Alarm WHERE i % 2 = 0
    UNION ALL VALUES (8001, '\\SRV.2.1', 'Misc', NULL, NULL, 'No time'), (8002, '\\SRV.2.1', 'Misc', NULL, NULL, 'No time');
INSERT INTO Cards (Event, NetAddress, Type, dtDate, dbDate, Description, Plain) SELECT 2000 + i % 5, '\\SRV.1.' || (i % 3), 'Card',
    '2024-03-01 09:30:00', printf('2024-03-01 10:%02d:00', i % 25), 'Granted', 'x' FROM n; DROP VIEW Alarm; DROP VIEW n;)";

// A statement in the host's dialect with Top, and the column it is ordered by; without one it must run as written.
// A row that creates a view V stands for reading V's newest rows.
struct TopCase { const char *name, *sql, *key; };

struct UnionViewTopTest : ::testing::TestWithParam<TopCase> {
    void SetUp() override { script(QString::fromLatin1(archiveSchema)); }
    void script(const QString &sql) { dynamic_cast<SqliteBackend &>(db->backend()).executeScript(sql); }
    // What the backend prepares for a statement of the host's dialect.
    [[nodiscard]] QString prepared(const QString &sql) { return rewriter.rewrite(handleOf(*db), SqlDialect::toSqlite(sql)); }

    ConnectionPtr db = Connection::openSqlite(QStringLiteral(":memory:"));
    UnionViewTop rewriter;
};

// The rewritten statement, sent through the backend, gives a first n rows of what the statement as written
// gives, with its columns; the reference drops Top and orders by the key twice, a shape left alone.
TEST_P(UnionViewTopTest, GivesAFirstNRowsOfTheViewOrRunsAsWritten)
{
    QString sql = QString::fromLatin1(GetParam().sql);
    if (sql.startsWith(QLatin1StringView("CREATE VIEW V "))) script(std::exchange(sql, QStringLiteral("Select Top 5 * from V order by dbDate desc")));
    ASSERT_EQ(prepared(sql) != SqlDialect::toSqlite(sql), GetParam().key != nullptr) << "rewritten";
    if (!GetParam().key) return;
    const QRegularExpression top(QStringLiteral("\\bTop (\\d+) "));
    const QString reference = QString(sql).remove(top) + ", " + sql.mid(sql.indexOf(QLatin1StringView("order by ")) + 9);
    ASSERT_EQ(prepared(reference), SqlDialect::toSqlite(reference));
    expectTopOf(read(*db, reference), read(*db, sql), GetParam().key, size_t(top.match(sql).captured(1).toLongLong()));
    if (QLatin1StringView(GetParam().key) != QLatin1StringView("dbDate")) return;
    // Ordered by the indexed time, every arm walks its index and nothing is sorted whole.
    EXPECT_EQ(planOf(handleOf(*db), prepared(sql)),
              QStringList({"SCAN main.Alarms USING INDEX Alarms_dbDate", "SCAN main.Cards USING INDEX Cards_dbDate", "SCAN main.Others USING INDEX Others_dbDate"}));
}

INSTANTIATE_TEST_SUITE_P(Shapes, UnionViewTopTest, ::testing::Values(
    TopCase{"DistinctCutInsideARunOfEqualTimes", "Select DISTINCT Top 6 * from [Archive] order by [dbDate] desc", "dbDate"},
    TopCase{"DistinctOldestFirstWithRowsWithoutTime", "Select DISTINCT Top 9 * from Archive order by dbDate asc", "dbDate"},
    TopCase{"DistinctWithoutDirectionBeyondTheArchive", "Select DISTINCT Top 1000 * from Archive order by dbDate", "dbDate"},
    TopCase{"RepeatsKeptWithoutDistinctBeyondTheArchive", "Select Top 1000 * from Archive order by dbDate desc", "dbDate"},
    TopCase{"ConditionOnARenamedColumn", "Select DISTINCT Top 5 * from Archive where [ID] = 5002 OR ID = 2003 OR Address LIKE '%.1.0' order by dbDate desc", "dbDate"},
    TopCase{"ConditionWithSubqueryAndPlus", "Select Top 8 * from Archive where ID IN (SELECT EventID + 1 FROM Alarms) AND 'x' + Type <> 'xMisc' order by dbDate desc", "dbDate"},
    TopCase{"OrderedByANocaseColumn", "Select DISTINCT Top 10 * from Archive order by Address", "Address"},
    TopCase{"ViewNamedByItsFirstArm", "Select DISTINCT Top 6 * from Named order by Arrived desc", "Arrived"},
    TopCase{"WithOffset", "Select * from Archive order by dbDate desc LIMIT 5 OFFSET 2", nullptr},
    TopCase{"OrderWithCollation", "Select DISTINCT Top 5 * from Archive order by Address COLLATE BINARY", nullptr},
    TopCase{"OrderByNoSuchColumn", "Select DISTINCT Top 5 * from Archive order by Arrived desc", nullptr},
    TopCase{"NamedColumns", "Select DISTINCT Top 5 dbDate, ID from Archive order by dbDate desc", nullptr},
    TopCase{"ViewWithAlias", "Select DISTINCT Top 5 * from Archive a order by dbDate desc", nullptr},
    TopCase{"Grouped", "Select Top 5 * from Archive where ID > 0 group by ID order by dbDate desc", nullptr},
    TopCase{"ConditionNamingTheView", "Select Top 5 * from Archive where Archive.ID > 0 order by dbDate desc", nullptr},
    TopCase{"ATable", "Select DISTINCT Top 5 * from Alarms order by dbDate desc", nullptr},
    TopCase{"AViewOfUnion", "CREATE VIEW V AS SELECT dtDate, dbDate, Address FROM Alarms UNION SELECT dtDate, dbDate, NetAddress FROM Cards", nullptr},
    TopCase{"AViewWithAFilteredArm", "CREATE VIEW V AS SELECT dtDate, dbDate FROM Alarms WHERE EventID > 5003 UNION ALL SELECT dtDate, dbDate FROM Cards", nullptr},
    TopCase{"AViewWithAComputedColumn", "CREATE VIEW V AS SELECT dbDate, EventID + 1 AS ID FROM Alarms UNION ALL SELECT dbDate, Event FROM Cards", nullptr},
    TopCase{"ArmsOfDifferentCollations", "CREATE VIEW V AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, Plain FROM Cards", nullptr},
    TopCase{"ArmsOfDifferentTypes", "CREATE VIEW V AS SELECT dbDate, EventID FROM Alarms UNION ALL SELECT dbDate, Type FROM Cards", nullptr}),
    rowName);

// A view replaced, or hidden by a temporary table of its name, is read afresh: the schema version changes with either.
// The backend's reader meets the replaced view with the view's new columns.
TEST_F(UnionViewTopTest, FollowsTheViewWhenTheSchemaChanges)
{
    const QString sql = QStringLiteral("Select DISTINCT Top 3 * from Archive order by dbDate desc"), asWritten = SqlDialect::toSqlite(sql);
    ASSERT_TRUE(prepared(sql).contains(QLatin1StringView("\"Others\"")));
    script("DROP VIEW Archive; CREATE VIEW Archive (dbDate, Address) AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, NetAddress FROM Cards");
    EXPECT_EQ(read(*db, sql)[0], QStringList({"dbDate", "Address"}));
    db->execute("CREATE TEMP TABLE Archive (dbDate DATETIME, Address TEXT)");
    EXPECT_EQ(prepared(sql), asWritten);
    script("DROP TABLE temp.Archive; DROP VIEW Archive; CREATE VIEW Archive AS SELECT dbDate FROM Alarms");
    EXPECT_EQ(prepared(sql), asWritten);
}

// The host's own archive, as the viewer replays it: each log read backwards through its dbDate index and merged.
TEST(UnionViewTopHostArchiveTest, ReadsEachLogThroughItsIndex)
{
    const TestDatabase database(TestDatabase::Site::Small);
    const QString sql = QStringLiteral("Select DISTINCT Top 40 * from [VIEW_EventLog_AllEvents] order by [dbDate] desc");
    EXPECT_EQ(planOf(handleOf(database.db()), UnionViewTop().rewrite(handleOf(database.db()), SqlDialect::toSqlite(sql))),
              QStringList({"SCAN main.AlarmActive USING INDEX AlarmActive_dbDate", "SCAN main.Log_Transactions USING INDEX Log_Transactions_dbDate",
                           "SCAN main.Log_Misc USING INDEX Log_Misc_dbDate", "SCAN main.Log_Events USING INDEX Log_Events_dbDate"}));
    expectTopOf(read(database.db(), QStringLiteral("Select DISTINCT * from [VIEW_EventLog_AllEvents] order by [dbDate] desc, [dbDate] desc")),
                read(database.db(), sql), "dbDate", 40);
}

} // namespace
} // namespace Ostraven::Testing
