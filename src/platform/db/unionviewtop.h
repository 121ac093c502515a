#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

struct sqlite3;

namespace Ostraven {

// The newest rows of a view that joins tables with UNION ALL, as the archive replay reads them:
//   SELECT [DISTINCT] * FROM view [WHERE cond] ORDER BY col [ASC|DESC] LIMIT n
// SQLite answers that by reading every arm whole and sorting the lot: it pushes neither the ORDER BY nor
// the LIMIT into a compound view, and with DISTINCT it does not even flatten it. This gives it instead the
// view's arms as one compound of its own, each arm with the condition:
//   WITH arm1(view's columns) AS (SELECT ... FROM table1), ...
//   SELECT * FROM arm1 WHERE cond UNION [ALL] SELECT * FROM arm2 WHERE cond ... ORDER BY col DESC LIMIT n
// A compound with ORDER BY is a merge: each arm walks its table's index on col and the merge stops after
// n rows, so only about n rows are read in all. UNION removes the same duplicates DISTINCT does (within
// an arm and across arms), UNION ALL keeps them; among rows with equal keys at the boundary the choice is
// SQLite's in both texts.
//
// Only that exact shape is rewritten, and only for a view in the main database whose arms are plain
// "SELECT column, ... FROM table" with the same declared type and collation for each column in every arm
// (so comparisons, duplicates and order mean the same in an arm as in the view). Anything else runs as
// it is. Views are read from sqlite_master once and kept until the schema version (main's or temp's) changes.
class UnionViewTop
{
public:
    // The text to prepare for `sql`, a statement already in SQLite's dialect: the merged form when the
    // statement and the view have exactly that shape and the form prepares with the original's column
    // names and declared types, otherwise `sql` itself.
    [[nodiscard]] QString rewrite(sqlite3 *db, const QString &sql);

private:
    struct Arm {
        QStringList columns; // as the arm names them, in the view's order
        QString table;
    };
    struct View {
        QStringList columns; // the view's column names
        std::vector<Arm> arms;
    };

    // The view of that name, read from the catalog on first use; nullptr when it is no usable union.
    [[nodiscard]] const View *viewNamed(sqlite3 *db, const QString &name);
    [[nodiscard]] static std::optional<View> parseView(sqlite3 *db, const QString &definition);
    // The text to remember for sql; nullopt when the database could not be asked, to ask again next time.
    [[nodiscard]] std::optional<QString> rewritten(sqlite3 *db, const QString &sql);

    std::optional<std::pair<long long, long long>> m_schemaVersions; // main's and temp's
    QHash<QString, std::optional<View>> m_views;  // by lower-case name; nullopt: not a usable view
    QHash<QString, QString> m_statements;        // a statement's text to prepare, by its text
};

} // namespace Ostraven
