#include "../platformtest.h"
#include "platform/db/sqldialect.h"
#include "support/sqlitedriverof.h"
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

// The rows one to a line, for a readable difference.
std::string lines(const Rows &rows)
{
    std::string out;
    for (const QStringList &row : rows) out += row.join(u'|').toStdString() + '\n';
    return out;
}

sqlite3 *handleOf(Connection &db) { return sqliteDriverOf(db).handle(); }

// The query plan's reads of tables (the arms name the main database) and sorts, in its order.
QStringList planOf(sqlite3 *db, const QString &sql)
{
    QStringList plan;
    const auto line = [](void *out, int, char **values, char **) { return static_cast<QStringList *>(out)->append(values[3]), 0; };
    EXPECT_EQ(sqlite3_exec(db, ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(), line, &plan, nullptr), SQLITE_OK);
    return plan.filter(QRegularExpression(QStringLiteral("^SCAN main\\.|^USE TEMP B-TREE")));
}

// Three logs behind one view, with rows repeated inside a log and across logs (some only in letter case, which
// NOCASE columns ignore), runs of equal times, and rows without a time; and a view named by its first arm's columns.
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
    UNION ALL SELECT e, upper(a), t, dt, db, upper(d) FROM Alarm WHERE i % 3 = 0 UNION ALL VALUES (8001, '\\SRV.2.1', 'Misc', NULL, NULL, 'No time'), (8002, '\\SRV.2.1', 'Misc', NULL, NULL, 'No time');
INSERT INTO Cards (Event, NetAddress, Type, dtDate, dbDate, Description, Plain) SELECT 2000 + i % 5, '\\SRV.1.' || (i % 3), 'Card',
    '2024-03-01 09:30:00', printf('2024-03-01 10:%02d:00', i % 25), 'Granted', 'x' FROM n; DROP VIEW Alarm; DROP VIEW n;)";

// A statement in the host's dialect with Top, and the column it is ordered by; without one it must run as written.
// A row that creates a view V stands for reading V's newest distinct rows.
struct TopCase { const char *name, *sql, *key; };

struct UnionViewTopTest : ::testing::TestWithParam<TopCase> {
    void SetUp() override { script(QString::fromLatin1(archiveSchema)); }
    void script(const QString &sql) { sqliteDriverOf(*db).executeScript(sql); }
    // The plan the backend follows for a statement of the host's dialect; null when it runs as written.
    [[nodiscard]] const UnionViewTop::Plan *planned(const QString &sql) { return views.plan(handleOf(*db), sql, SqlDialect::toSqlite(sql)); }

    ConnectionPtr db = Connection::openSqlite(QStringLiteral(":memory:"));
    UnionViewTop views;
};

// The merged read, sent through the backend, gives exactly the rows SQLite gives for the statement as written,
// in the same order, down to which of rows equal under NOCASE is kept; the reference orders by the key twice, a
// shape that is not merged. Each arm walks its table's index and nothing is sorted.
TEST_P(UnionViewTopTest, GivesWhatTheStatementAsWrittenGives)
{
    QString sql = QString::fromLatin1(GetParam().sql);
    if (sql.startsWith(QLatin1StringView("CREATE "))) script(std::exchange(sql, QStringLiteral("Select DISTINCT Top 5 * from V order by dbDate desc")));
    const UnionViewTop::Plan *plan = planned(sql);
    ASSERT_EQ(plan != nullptr, GetParam().key != nullptr) << "merged";
    if (!plan) return;
    const QString reference = sql + ", " + sql.mid(sql.indexOf(QLatin1StringView("order by ")) + 9);
    ASSERT_EQ(planned(reference), nullptr);
    EXPECT_EQ(read(*db, sql), read(*db, reference));
    QStringList scans;
    for (const QString &arm : plan->arms) scans << planOf(handleOf(*db), arm);
    if (QLatin1StringView(GetParam().key) == QLatin1StringView("dbDate")) {
        EXPECT_EQ(scans, QStringList({"SCAN main.Alarms USING INDEX Alarms_dbDate", "SCAN main.Cards USING INDEX Cards_dbDate", "SCAN main.Others USING INDEX Others_dbDate"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, UnionViewTopTest, ::testing::Values(
    TopCase{"DistinctCutInsideARunOfEqualTimes", "Select DISTINCT Top 6 * from [Archive] order by [dbDate] desc", "dbDate"},
    TopCase{"DistinctOldestFirstWithRowsWithoutTime", "Select DISTINCT Top 9 * from Archive order by dbDate asc", "dbDate"},
    TopCase{"DistinctWithoutDirectionBeyondTheArchive", "Select DISTINCT Top 1000 * from Archive order by dbDate", "dbDate"},
    TopCase{"DistinctNewestFirstBeyondTheArchive", "Select DISTINCT Top 1000 * from Archive order by dbDate desc", "dbDate"},
    TopCase{"RepeatsKeptWithoutDistinctBeyondTheArchive", "Select Top 1000 * from Archive order by dbDate desc", "dbDate"},
    TopCase{"RepeatsKeptOldestFirst", "Select Top 50 * from Archive order by dbDate", "dbDate"},
    TopCase{"NoRows", "Select DISTINCT Top 0 * from Archive order by dbDate desc", "dbDate"},
    TopCase{"OrderedByANocaseColumn", "Select DISTINCT Top 10 * from Archive order by Address", "Address"},
    TopCase{"OrderedByANocaseColumnNewestFirst", "Select DISTINCT Top 40 * from Archive order by Description desc", "Description"},
    TopCase{"ViewNamedByItsFirstArm", "Select DISTINCT Top 6 * from Named order by Arrived desc", "Arrived"},
    TopCase{"WithCondition", "Select DISTINCT Top 5 * from Archive where [ID] = 5002 order by dbDate desc", nullptr},
    TopCase{"WithOffset", "Select * from Archive order by dbDate desc LIMIT 5 OFFSET 2", nullptr},
    TopCase{"OrderWithCollation", "Select DISTINCT Top 5 * from Archive order by Address COLLATE BINARY", nullptr},
    TopCase{"OrderByNoSuchColumn", "Select DISTINCT Top 5 * from Archive order by Arrived desc", nullptr},
    TopCase{"NamedColumns", "Select DISTINCT Top 5 dbDate, ID from Archive order by dbDate desc", nullptr},
    TopCase{"ViewWithAlias", "Select DISTINCT Top 5 * from Archive a order by dbDate desc", nullptr},
    TopCase{"ATable", "Select DISTINCT Top 5 * from Alarms order by dbDate desc", nullptr},
    TopCase{"AViewOfUnion", "CREATE VIEW V AS SELECT dtDate, dbDate, Address FROM Alarms UNION SELECT dtDate, dbDate, NetAddress FROM Cards", nullptr},
    TopCase{"AViewWithAFilteredArm", "CREATE VIEW V AS SELECT dtDate, dbDate FROM Alarms WHERE EventID > 5003 UNION ALL SELECT dtDate, dbDate FROM Cards", nullptr},
    TopCase{"AViewWithAComputedColumn", "CREATE VIEW V AS SELECT dbDate, EventID + 1 AS ID FROM Alarms UNION ALL SELECT dbDate, Event FROM Cards", nullptr},
    TopCase{"ArmsOfDifferentCollations", "CREATE VIEW V AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, Plain FROM Cards", nullptr},
    TopCase{"ArmsOfDifferentTypes", "CREATE VIEW V AS SELECT dbDate, EventID FROM Alarms UNION ALL SELECT dbDate, Type FROM Cards", nullptr},
    TopCase{"AnArmReadThroughACoveringIndex", "CREATE INDEX Alarms_cover ON Alarms (Address, dbDate); "
                                              "CREATE VIEW V AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, NetAddress FROM Cards", nullptr},
    TopCase{"AnArmWithoutRowId", "CREATE TABLE Keyed (k TEXT PRIMARY KEY, dbDate DATETIME) WITHOUT ROWID; "
                                  "CREATE VIEW V AS SELECT dbDate FROM Alarms UNION ALL SELECT dbDate FROM Keyed", nullptr}),
    rowName);

// Random archives of typeless columns (a whole number and a real of the same value, texts and blobs of the same
// bytes), NOCASE and RTRIM texts, and many equal keys and rows: the merged read matches SQLite's own row for row.
TEST(UnionViewTopMergeTest, MatchesSQLiteOnRandomArchives)
{
    const QStringList values = {"NULL", "1", "1.0", "2", "'1'", "'a'", "'A'", "'a '", "x'61'", "'b'"};
    quint32 seed = 7;
    const auto next = [&seed](int n) { seed = seed * 1103515245u + 12345u; return int((seed >> 16) % quint32(n)); };
    for (int round = 0; round < 40; ++round) {
        const ConnectionPtr db = Connection::openSqlite(QStringLiteral(":memory:"));
        auto &backend = sqliteDriverOf(*db);
        QStringList arms;
        for (int t = 0; t < 2 + next(3); ++t) {
            QString table = QStringLiteral("CREATE TABLE T%1 (id INTEGER PRIMARY KEY, k, n TEXT COLLATE NOCASE, r TEXT COLLATE RTRIM, v);"
                                           "CREATE INDEX T%1_k ON T%1 (k); CREATE INDEX T%1_n ON T%1 (n);").arg(t);
            for (int row = next(12); row > 0; --row)
                table += QStringLiteral("INSERT INTO T%1 (k, n, r, v) VALUES (%2, %3, %4, %5);").arg(t).arg(values[next(5)], values[4 + next(6)], values[4 + next(6)], values[next(10)]);
            backend.executeScript(table);
            arms << QStringLiteral("SELECT k, n, r, v FROM T%1").arg(t);
        }
        backend.executeScript("CREATE VIEW V AS " + arms.join(" UNION ALL "));
        for (const char *shape : {"Select DISTINCT Top %1 * from V order by %2 %3", "Select Top %1 * from V order by %2 %3"}) {
            for (const char *key : {"k", "n", "r"}) {
                const QString sql = QString::fromLatin1(shape).arg(1 + next(30)).arg(key, next(2) ? "desc" : "asc");
                const QString reference = sql + ", " + key;
                SCOPED_TRACE(sql.toStdString() + " in round " + std::to_string(round));
                ASSERT_NE(UnionViewTop().plan(handleOf(*db), sql, SqlDialect::toSqlite(sql)), nullptr);
                EXPECT_EQ(lines(read(*db, sql)), lines(read(*db, reference)));
            }
        }
    }
}

// A view replaced, or hidden by a temporary table of its name, is planned afresh: the schema version changes with
// either. The backend's reader meets the replaced view with the view's new columns.
TEST_F(UnionViewTopTest, FollowsTheViewWhenTheSchemaChanges)
{
    const QString sql = QStringLiteral("Select DISTINCT Top 3 * from Archive order by dbDate desc");
    ASSERT_EQ(read(*db, sql)[0], QStringList({"dtDate", "dbDate", "Address", "ID", "Type", "Description"}));
    ASSERT_NE(planned(sql), nullptr);
    ASSERT_NE(views.known(handleOf(*db), sql), nullptr);
    script("DROP VIEW Archive; CREATE VIEW Archive (dbDate, Address) AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, NetAddress FROM Cards");
    EXPECT_EQ(views.known(handleOf(*db), sql), nullptr);
    EXPECT_EQ(read(*db, sql)[0], QStringList({"dbDate", "Address"}));
    db->execute("CREATE TEMP TABLE Archive (dbDate DATETIME, Address TEXT)");
    EXPECT_EQ(planned(sql), nullptr);
    EXPECT_EQ(read(*db, sql).size(), 1u);
    script("DROP TABLE temp.Archive; DROP VIEW Archive; CREATE VIEW Archive AS SELECT dbDate FROM Alarms");
    EXPECT_EQ(planned(sql), nullptr);
}

// A run of equal keys longer than the merge sorts out is read by SQLite as written, with the same rows.
TEST_F(UnionViewTopTest, LongRunsOfEqualKeysRunAsWritten)
{
    script(QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                          "INSERT INTO Others (EventID, Address, dtDate, dbDate) SELECT i, 'same', NULL, '2030-01-01' FROM c")
               .arg(UnionViewTop::maxRunRows));
    const QString sql = QStringLiteral("Select DISTINCT Top 3 * from Archive order by dbDate desc");
    ASSERT_NE(planned(sql), nullptr);
    const Rows rows = read(*db, sql);
    EXPECT_EQ(rows, read(*db, sql + ", dbDate desc"));
    EXPECT_EQ(rows[1][3], "Long:0");
}

// The host's own archive, as the viewer replays it: each log read backwards through its dbDate index and merged.
TEST(UnionViewTopHostArchiveTest, ReadsEachLogThroughItsIndex)
{
    const TestDatabase database(TestDatabase::Site::Small);
    const QString sql = QStringLiteral("Select DISTINCT Top 40 * from [VIEW_EventLog_AllEvents] order by [dbDate] desc");
    UnionViewTop views;
    const UnionViewTop::Plan *plan = views.plan(handleOf(database.db()), sql, SqlDialect::toSqlite(sql));
    ASSERT_NE(plan, nullptr);
    QStringList scans;
    for (const QString &arm : plan->arms) scans << planOf(handleOf(database.db()), arm);
    EXPECT_EQ(scans, QStringList({"SCAN main.AlarmActive USING INDEX AlarmActive_dbDate", "SCAN main.Log_Transactions USING INDEX Log_Transactions_dbDate",
                                  "SCAN main.Log_Misc USING INDEX Log_Misc_dbDate", "SCAN main.Log_Events USING INDEX Log_Events_dbDate"}));
    EXPECT_EQ(read(database.db(), sql), read(database.db(), sql + ", [dbDate] desc"));
}

} // namespace
} // namespace Ostraven::Testing
