#pragma once

#include "memoryrecordset.h"
#include "sqlitevalue.h"
#include "statementcache.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

namespace Ostraven {

// The newest rows of a view that joins tables with UNION ALL, as the archive replay reads them:
//   SELECT [DISTINCT] * FROM view ORDER BY col [ASC|DESC] LIMIT n
// SQLite answers that by reading every arm whole and sorting the lot: it pushes neither the ORDER BY nor
// the LIMIT into a compound view, and with DISTINCT it does not even flatten it. Here each arm is read
// on its own, through its table's index on col, and the arms are merged in order until n rows are out,
// so only about n rows are read in all.
//
// The merge gives exactly what SQLite gives for the statement as written. With DISTINCT, SQLite keeps
// the first of equal rows in the view's own order (arm by arm, each table in row-id order) and sorts
// stably, so rows of equal col come in that order; without it, SQLite merges the arms itself, arm by arm
// and each arm in its index order. Rows are equal, and col values tie, under each column's collation.
//
// Only that exact shape is merged (a condition could make SQLite read an arm through another index, in
// another order), and only for a view in the main database whose arms are plain "SELECT column, ... FROM
// table" of rowid tables, with the same declared type and a built-in collation for each column in every
// arm (so comparisons, duplicates and order mean the same in an arm as in the view); with DISTINCT, SQLite
// must also read each table whole in row-id order. Anything else runs as it is. Views are read from sqlite_master once and kept until the schema
// version (main's or temp's) changes.
class UnionViewTop
{
public:
    enum class Collation { Binary, NoCase, RTrim };

    // How one statement is answered from the view's arms.
    struct Plan {
        QString asWritten;                 // the statement in SQLite's dialect, for when the merge gives up
        std::vector<QString> arms;         // per arm: the view's columns, then the row id, in the read's order
        std::vector<QString> fetches;      // per arm: the same columns of the row with the row id ?1
        std::vector<Collation> collations; // per view column
        int key = 0;                       // the position of the column the read is ordered by
        bool descending = false;
        bool distinct = false;
        qint64 limit = 0;
    };
    // The plan made for the statement text `sql`, while the schema is the one it was made for.
    [[nodiscard]] const Plan *known(sqlite3 *db, const QString &sql);
    // A plan for `sql`, whose text in SQLite's dialect is `dialect`; nullptr when it runs as written.
    [[nodiscard]] const Plan *plan(sqlite3 *db, const QString &sql, const QString &dialect);

    // What the backend lends a merge: the plan's arm statements, freshly reset, and its ways of stepping
    // them (true at a row, false past the last, raising on failure), of reading a statement's row as the
    // result holds it, and of finding an arm's row again by its row id (a statement at that row).
    struct Source {
        std::vector<sqlite3_stmt *> arms;
        std::function<bool(sqlite3_stmt *)> step;
        std::function<MemoryRecordset::Row(sqlite3_stmt *)> read;
        std::function<sqlite3_stmt *(size_t arm, qint64 rowId)> fetch;
    };

    // The read's rows in the plan's order; nullopt when a run of equal keys is too long to sort out, and
    // the statement is to run as written.
    [[nodiscard]] static std::optional<std::vector<MemoryRecordset::Row>> merge(const Plan &plan, const Source &source);

    // The most rows of one key a merge sorts out; duplicates among them are found by comparing each with
    // every row of that key already taken.
    static constexpr size_t maxRunRows = 1024;

private:
    struct Arm {
        QStringList columns; // as the arm names them, in the view's order
        QString table;
    };
    struct View {
        QStringList columns; // the view's column names
        std::vector<Collation> collations;
        std::vector<Arm> arms;
    };

    // The view of that name, read from the catalog on first use; nullptr when it is no usable union.
    [[nodiscard]] const View *viewNamed(sqlite3 *db, const QString &name);
    [[nodiscard]] static std::optional<View> parseView(sqlite3 *db, const QString &definition);
    [[nodiscard]] std::optional<Plan> planFor(sqlite3 *db, const QString &dialect);
    // Whether what is kept still describes the database; forgets it all when not.
    [[nodiscard]] bool current(sqlite3 *db);
    [[nodiscard]] std::optional<std::pair<long long, long long>> schemaVersions(sqlite3 *db);

    sqlite3 *m_db = nullptr; // the database m_versionQueries were prepared on
    StatementPtr m_versionQueries[2];
    std::optional<std::pair<long long, long long>> m_schemaVersions; // main's and temp's
    std::unordered_map<QString, std::optional<View>, TextHash> m_views; // by lower-case name; nullopt: not usable
    std::unordered_map<QString, Plan, TextHash> m_plans;               // by the statement's text as sent
};

} // namespace Ostraven
