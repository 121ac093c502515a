#include "../platformtest.h"

#include "platform/db/connection.h"
#include "platform/db/sqldialect.h"
#include "platform/db/sqlitebackend.h"
#include "platform/db/unionviewtop.h"
#include "support/testdatabase.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>

namespace Ostraven::Testing {
namespace {

using Rows = std::vector<QStringList>;

// A cell as type and exact value, so that a date read as text, or a Long read as a Double, differs.
QString cell(const Variant &value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    const QString text = value.type() == VarType::Date ? QString::number(value.asDate().serial(), 'g', 17) : CStr(value);
    return value.typeName() + u':' + text;
}

struct Result {
    QStringList names;
    Rows rows;
};

Result read(Connection &db, const QString &sql)
{
    Result result;
    const std::unique_ptr<Recordset> rs = db.openRecordset(sql, CursorType::Static);
    for (int c = 0; c < rs->fieldCount(); ++c)
        result.names << rs->fieldName(c);
    for (; !rs->eof(); rs->moveNext()) {
        QStringList row;
        for (int c = 0; c < rs->fieldCount(); ++c)
            row << cell(rs->field(c));
        result.rows.push_back(row);
    }
    return result;
}

sqlite3 *handleOf(Connection &db)
{
    return dynamic_cast<SqliteBackend &>(db.backend()).handle();
}

// `found` must be a first `limit` rows of `all` (every row the statement would give, in its order): the
// same keys in the same order, the same rows before the last key, and at the last key rows that `all`
// holds there, as often at most as it holds them.
void expectTopOf(const Rows &all, const Rows &found, int key, qsizetype limit)
{
    const size_t expected = size_t(std::min<qsizetype>(limit, qsizetype(all.size())));
    ASSERT_EQ(found.size(), expected);
    if (expected == 0)
        return;
    for (size_t i = 0; i < expected; ++i)
        ASSERT_EQ(found[i][key], all[i][key]) << "row " << i;
    const QString boundary = all[expected - 1][key];
    auto split = [&](const Rows &rows, size_t count, bool atBoundary) {
        Rows part;
        for (size_t i = 0; i < count; ++i) {
            if ((rows[i][key] == boundary) == atBoundary)
                part.push_back(rows[i]);
        }
        std::sort(part.begin(), part.end());
        return part;
    };
    EXPECT_EQ(split(found, expected, false), split(all, expected, false));
    const Rows foundTies = split(found, expected, true);
    const Rows allTies = split(all, all.size(), true);
    EXPECT_TRUE(std::includes(allTies.begin(), allTies.end(), foundTies.begin(), foundTies.end()));
}

// What the query plan says about reading tables and sorting.
struct Plan {
    QStringList scans;        // "SCAN main.table ..." lines: the arms (the rewrite names the main database)
    int fullSorts = 0;        // "USE TEMP B-TREE FOR ORDER BY" lines
};

Plan planOf(sqlite3 *db, const QString &sql)
{
    Plan plan;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db);
        return plan;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const QString detail = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)));
        if (detail.startsWith(QLatin1StringView("SCAN main.")))
            plan.scans << detail;
        if (detail == QLatin1StringView("USE TEMP B-TREE FOR ORDER BY"))
            ++plan.fullSorts;
    }
    sqlite3_finalize(statement);
    return plan;
}

// Three logs behind one view, with rows repeated inside a log and across logs, runs of equal times, and
// rows without a time. Alongside, views that look alike but must be read as they are.
const char *archiveSchema = R"(
CREATE TABLE Alarms (AlarmID INTEGER PRIMARY KEY, EventID INTEGER NOT NULL, Address TEXT NOT NULL COLLATE NOCASE,
                     Type TEXT COLLATE NOCASE, dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE);
CREATE INDEX Alarms_dbDate ON Alarms (dbDate);
CREATE TABLE Cards (CardID INTEGER PRIMARY KEY, Event INTEGER NOT NULL, NetAddress TEXT NOT NULL COLLATE NOCASE,
                    Type TEXT COLLATE NOCASE, dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE,
                    Plain TEXT);
CREATE INDEX Cards_dbDate ON Cards (dbDate);
CREATE TABLE Others (OtherID INTEGER PRIMARY KEY, EventID INTEGER NOT NULL, Address TEXT NOT NULL COLLATE NOCASE,
                     Type TEXT COLLATE NOCASE, dtDate DATETIME, dbDate DATETIME, Description TEXT COLLATE NOCASE);
CREATE INDEX Others_dbDate ON Others (dbDate);
CREATE VIEW Archive (dtDate, dbDate, Address, ID, Type, Description) AS
    SELECT dtDate, dbDate, Address, EventID, Type, Description FROM Alarms
    UNION ALL SELECT dtDate, dbDate, NetAddress, Event, Type, Description FROM Cards
    UNION ALL SELECT dtDate, dbDate, Address, EventID, Type, Description FROM Others;
CREATE VIEW Named AS SELECT dtDate, dbDate AS Arrived, Address FROM Alarms
    UNION ALL SELECT dtDate, dbDate, NetAddress FROM Cards;
CREATE VIEW OneArm AS SELECT dtDate, dbDate, Address FROM Alarms;
CREATE VIEW Merged AS SELECT dtDate, dbDate, Address FROM Alarms UNION SELECT dtDate, dbDate, NetAddress FROM Cards;
CREATE VIEW Filtered AS SELECT dtDate, dbDate FROM Alarms WHERE EventID > 5003 UNION ALL SELECT dtDate, dbDate FROM Cards;
CREATE VIEW Computed AS SELECT dbDate, EventID + 1 AS ID FROM Alarms UNION ALL SELECT dbDate, Event FROM Cards;
CREATE VIEW MixedCollation AS SELECT dbDate, Address FROM Alarms UNION ALL SELECT dbDate, Plain FROM Cards;
CREATE VIEW MixedType AS SELECT dbDate, EventID FROM Alarms UNION ALL SELECT dbDate, Type FROM Cards;
)";

QString archiveRows()
{
    QStringList inserts;
    auto time = [](int minute) { return QStringLiteral("'2024-03-01 10:%1:00'").arg(minute, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < 30; ++i) {
        const QString values = QStringLiteral("%1, '\\\\SRV.1.%2', 'Alarm', '2024-03-01 09:00:00', %3, 'Door %4'")
                                   .arg(5000 + i % 7).arg(i % 4).arg(time(i * 2 % 40)).arg(i % 6);
        inserts << QStringLiteral("INSERT INTO Alarms (EventID, Address, Type, dtDate, dbDate, Description) VALUES (%1);").arg(values);
        if (i % 5 == 0) // the same row twice in one log
            inserts << inserts.back();
        if (i % 2 == 0) // and in another log
            inserts << QStringLiteral("INSERT INTO Others (EventID, Address, Type, dtDate, dbDate, Description) VALUES (%1);").arg(values);
    }
    for (int i = 0; i < 40; ++i) {
        inserts << QStringLiteral("INSERT INTO Cards (Event, NetAddress, Type, dtDate, dbDate, Description, Plain) "
                                  "VALUES (%1, '\\\\SRV.1.%2', 'Card', '2024-03-01 09:30:00', %3, 'Granted', 'x');")
                       .arg(2000 + i % 5).arg(i % 3).arg(time(i % 25));
    }
    inserts << QStringLiteral("INSERT INTO Others (EventID, Address, Type, dtDate, dbDate, Description) VALUES "
                              "(8001, '\\\\SRV.2.1', 'Misc', NULL, NULL, 'No time'), (8002, '\\\\SRV.2.1', 'Misc', NULL, NULL, 'No time');");
    return inserts.join(u'\n');
}

class UnionViewTopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db = Connection::openSqlite(QStringLiteral(":memory:"));
        dynamic_cast<SqliteBackend &>(db->backend()).executeScript(QString::fromLatin1(archiveSchema) + archiveRows());
    }
    // What the backend prepares for a statement of the host's dialect.
    [[nodiscard]] QString prepared(const QString &sql) { return rewriter.rewrite(handleOf(*db), SqlDialect::toSqlite(sql)); }

    ConnectionPtr db;
    UnionViewTop rewriter;
};

struct TopCase {
    const char *name;
    const char *sql; // the host's dialect, with Top
    const char *key; // the ORDER BY column
};

class UnionViewTopRowsTest : public UnionViewTopTest, public ::testing::WithParamInterface<TopCase>
{
};

// The rewritten statement, sent through the backend, gives a first n rows of what the statement as
// written gives; the reference orders by the key twice, a shape that is left alone.
TEST_P(UnionViewTopRowsTest, GivesAFirstNRowsOfTheViewWithItsColumns)
{
    const QString sql = QString::fromLatin1(GetParam().sql);
    ASSERT_NE(prepared(sql), SqlDialect::toSqlite(sql)) << "not rewritten";

    const QRegularExpression top(QStringLiteral("\\bTop (\\d+) "), QRegularExpression::CaseInsensitiveOption);
    const QString keyOrder = QRegularExpression(QStringLiteral("order by (.*)$"), QRegularExpression::CaseInsensitiveOption)
                                 .match(sql).captured(1);
    const qsizetype limit = top.match(sql).captured(1).toLongLong();
    QString reference = sql;
    reference.replace(top, QString()).append(QStringLiteral(", ") + keyOrder);
    QString asWritten = sql;
    asWritten.append(QStringLiteral(", ") + keyOrder);
    ASSERT_EQ(prepared(reference), SqlDialect::toSqlite(reference));
    ASSERT_EQ(prepared(asWritten), SqlDialect::toSqlite(asWritten));

    const Result all = read(*db, reference);
    const Result found = read(*db, sql);
    const int key = int(all.names.indexOf(QString::fromLatin1(GetParam().key)));
    ASSERT_GE(key, 0);
    EXPECT_EQ(found.names, all.names);
    {
        SCOPED_TRACE("the statement as written");
        expectTopOf(all.rows, read(*db, asWritten).rows, key, limit);
    }
    SCOPED_TRACE("rewritten");
    expectTopOf(all.rows, found.rows, key, limit);

    // Ordered by the indexed time, every arm walks its index and nothing is sorted whole.
    if (QLatin1StringView(GetParam().key) == QLatin1StringView("dbDate")) {
        const Plan plan = planOf(handleOf(*db), prepared(sql));
        EXPECT_EQ(plan.scans, QStringList({"SCAN main.Alarms USING INDEX Alarms_dbDate", "SCAN main.Cards USING INDEX Cards_dbDate",
                                           "SCAN main.Others USING INDEX Others_dbDate"}));
        EXPECT_EQ(plan.fullSorts, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, UnionViewTopRowsTest,
    ::testing::Values(
        TopCase{"DistinctNewestFirst", "Select DISTINCT Top 7 * from [Archive] order by [dbDate] desc", "dbDate"},
        TopCase{"DistinctCutInsideARunOfEqualTimes", "Select DISTINCT Top 6 * from Archive order by dbDate desc", "dbDate"},
        TopCase{"DistinctOldestFirstWithRowsWithoutTime", "Select DISTINCT Top 9 * from Archive order by dbDate asc", "dbDate"},
        TopCase{"DistinctWithoutDirection", "Select DISTINCT Top 12 * from Archive order by dbDate", "dbDate"},
        TopCase{"RepeatsKeptWithoutDistinct", "Select Top 11 * from Archive order by dbDate desc", "dbDate"},
        TopCase{"DistinctWithCondition", "Select DISTINCT Top 5 * from Archive where Address LIKE '%.1.0' order by dbDate desc",
                "dbDate"},
        TopCase{"ConditionOnARenamedColumn", "Select DISTINCT Top 4 * from Archive where [ID] = 5002 OR ID = 2003 order by dbDate desc",
                "dbDate"},
        TopCase{"ConditionWithSubqueryAndPlus",
                "Select Top 8 * from Archive where ID IN (SELECT EventID + 1 FROM Alarms) AND 'x' + Type <> 'xMisc' "
                "order by dbDate desc",
                "dbDate"},
        TopCase{"ConditionThatNoRowMeets", "Select DISTINCT Top 8 * from Archive where Type = 'None' order by dbDate desc", "dbDate"},
        TopCase{"LimitBeyondTheArchive", "Select DISTINCT Top 1000 * from Archive order by dbDate desc", "dbDate"},
        TopCase{"LimitBeyondTheArchiveWithoutDistinct", "Select Top 1000 * from Archive order by dbDate desc", "dbDate"},
        TopCase{"OrderedByAnUnindexedColumn", "Select DISTINCT Top 10 * from Archive order by ID desc", "ID"},
        TopCase{"OrderedByANocaseColumn", "Select DISTINCT Top 10 * from Archive order by Address", "Address"},
        TopCase{"ViewNamedByItsFirstArm", "Select DISTINCT Top 6 * from Named order by Arrived desc", "Arrived"}),
    [](const ::testing::TestParamInfo<TopCase> &row) { return std::string(row.param.name); });

struct LeftAloneCase {
    const char *name;
    const char *sql; // the host's dialect
};

class UnionViewTopLeftAloneTest : public UnionViewTopTest, public ::testing::WithParamInterface<LeftAloneCase>
{
};

TEST_P(UnionViewTopLeftAloneTest, RunsAsWritten)
{
    const QString sql = QString::fromLatin1(GetParam().sql);
    EXPECT_EQ(prepared(sql), SqlDialect::toSqlite(sql));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, UnionViewTopLeftAloneTest,
    ::testing::Values(
        LeftAloneCase{"WithoutLimit", "Select DISTINCT * from Archive order by dbDate desc"},
        LeftAloneCase{"WithOffset", "Select * from Archive order by dbDate desc LIMIT 5 OFFSET 2"},
        LeftAloneCase{"LimitAsExpression", "Select * from Archive order by dbDate desc LIMIT 2 + 3"},
        LeftAloneCase{"TwoOrderKeys", "Select DISTINCT Top 5 * from Archive order by dbDate desc, ID"},
        LeftAloneCase{"OrderWithCollation", "Select DISTINCT Top 5 * from Archive order by Address COLLATE BINARY"},
        LeftAloneCase{"OrderByPosition", "Select DISTINCT Top 5 * from Archive order by 2 desc"},
        LeftAloneCase{"OrderByNoSuchColumn", "Select DISTINCT Top 5 * from Archive order by Arrived desc"},
        LeftAloneCase{"NamedColumns", "Select DISTINCT Top 5 dbDate, ID from Archive order by dbDate desc"},
        LeftAloneCase{"ViewWithAlias", "Select DISTINCT Top 5 * from Archive a order by dbDate desc"},
        LeftAloneCase{"Join", "Select Top 5 * from Archive, Alarms order by dbDate desc"},
        LeftAloneCase{"Grouped", "Select Top 5 * from Archive where ID > 0 group by ID order by dbDate desc"},
        LeftAloneCase{"ConditionNamingTheView", "Select Top 5 * from Archive where Archive.ID > 0 order by dbDate desc"},
        LeftAloneCase{"ConditionNamingAnArmName",
                      "Select Top 5 * from Archive where ID IN (SELECT ID FROM ov_union_arm_1) order by dbDate desc"},
        LeftAloneCase{"ATable", "Select DISTINCT Top 5 * from Alarms order by dbDate desc"},
        LeftAloneCase{"AViewOfOneTable", "Select DISTINCT Top 5 * from OneArm order by dbDate desc"},
        LeftAloneCase{"AViewOfUnion", "Select Top 5 * from Merged order by dbDate desc"},
        LeftAloneCase{"AViewWithAFilteredArm", "Select Top 5 * from Filtered order by dbDate desc"},
        LeftAloneCase{"AViewWithAComputedColumn", "Select Top 5 * from Computed order by dbDate desc"},
        LeftAloneCase{"ArmsOfDifferentCollations", "Select DISTINCT Top 5 * from MixedCollation order by dbDate desc"},
        LeftAloneCase{"ArmsOfDifferentTypes", "Select DISTINCT Top 5 * from MixedType order by dbDate desc"},
        LeftAloneCase{"NoSuchView", "Select DISTINCT Top 5 * from Nowhere order by dbDate desc"},
        LeftAloneCase{"Update", "Update Alarms Set Type = 'x' Where AlarmID IN (Select AlarmID From Alarms order by dbDate LIMIT 1)"}),
    [](const ::testing::TestParamInfo<LeftAloneCase> &row) { return std::string(row.param.name); });

// A view replaced, or hidden by a temporary table of its name, is read afresh: the schema version
// changes with either.
TEST_F(UnionViewTopTest, FollowsTheViewWhenTheSchemaChanges)
{
    const QString sql = QStringLiteral("Select DISTINCT Top 3 * from Archive order by dbDate desc");
    const QString first = prepared(sql);
    ASSERT_TRUE(first.contains(QLatin1StringView("\"Others\"")));
    EXPECT_EQ(prepared(sql), first);

    db->execute(QStringLiteral("DROP VIEW Archive"));
    db->execute(QStringLiteral("CREATE VIEW Archive (dbDate, Address) AS SELECT dbDate, Address FROM Alarms "
                               "UNION ALL SELECT dbDate, NetAddress FROM Cards"));
    const QString second = prepared(sql);
    EXPECT_FALSE(second.contains(QLatin1StringView("\"Others\"")));
    EXPECT_EQ(read(*db, sql).names, QStringList({"dbDate", "Address"}));

    db->execute(QStringLiteral("CREATE TEMP TABLE Archive (dbDate DATETIME, Address TEXT)"));
    EXPECT_EQ(prepared(sql), SqlDialect::toSqlite(sql));
    db->execute(QStringLiteral("DROP TABLE temp.Archive"));
    db->execute(QStringLiteral("DROP VIEW Archive"));
    db->execute(QStringLiteral("CREATE VIEW Archive AS SELECT dbDate FROM Alarms"));
    EXPECT_EQ(prepared(sql), SqlDialect::toSqlite(sql));
}

// The host's own archive, as the viewer replays it: each log read backwards through its dbDate index and
// merged, and the values typed as before (times as dates, numbers as Longs).
TEST(UnionViewTopHostArchiveTest, ReadsEachLogThroughItsIndexAndKeepsTheTypes)
{
    const TestDatabase database(TestDatabase::Site::Small);
    const QString sql = QStringLiteral("Select DISTINCT Top 40 * from [VIEW_EventLog_AllEvents] order by [dbDate] desc");
    UnionViewTop rewriter;
    sqlite3 *db = handleOf(database.db());
    const QString text = rewriter.rewrite(db, SqlDialect::toSqlite(sql));
    ASSERT_NE(text, SqlDialect::toSqlite(sql));

    const Plan plan = planOf(db, text);
    EXPECT_EQ(plan.scans, QStringList({"SCAN main.AlarmActive USING INDEX AlarmActive_dbDate",
                                       "SCAN main.Log_Transactions USING INDEX Log_Transactions_dbDate",
                                       "SCAN main.Log_Misc USING INDEX Log_Misc_dbDate",
                                       "SCAN main.Log_Events USING INDEX Log_Events_dbDate"}));
    EXPECT_EQ(plan.fullSorts, 0);
    // The statement as written reads every log whole.
    EXPECT_EQ(planOf(db, SqlDialect::toSqlite(sql)).fullSorts, 1);

    const Result found = read(database.db(), sql);
    const Result all = read(database.db(), QStringLiteral("Select DISTINCT * from [VIEW_EventLog_AllEvents] order by [dbDate] desc, [dbDate] desc"));
    EXPECT_EQ(found.names, QStringList({"dtDate", "dbDate", "Address", "ID", "Type", "Description", "UID1", "UID2"}));
    expectTopOf(all.rows, found.rows, 1, 40);
    ASSERT_FALSE(found.rows.empty());
    const QStringList &first = found.rows.front();
    EXPECT_TRUE(first[0].startsWith(QLatin1StringView("Date:")) && first[1].startsWith(QLatin1StringView("Date:"))) << first.join(' ').toStdString();
    EXPECT_TRUE(first[3].startsWith(QLatin1StringView("Long:"))) << first[3].toStdString();
}

} // namespace
} // namespace Ostraven::Testing
