#include "unionviewtop.h"

#include "sqllexer.h"

#include "platform/vberror.h"

#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace Ostraven {

namespace {

// A CTE of this name would hide a table of the same name from the condition; conditions naming one are
// left alone.
const QString armPrefix = QStringLiteral("ov_union_arm_");
// More distinct texts than the viewer ever sends (one per line limit and condition); a long-running host
// that sends many simply builds them again.
constexpr qsizetype statementCacheSize = 64;

struct StatementDeleter {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

StatementPtr prepare(sqlite3 *db, const QString &sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return StatementPtr(raw);
}

// The statement's words and symbols without the blanks and comments between them; `index` keeps each
// one's place in the full list so that a stretch can be copied out exactly as it was written.
class Tokens
{
public:
    static std::optional<Tokens> of(const QString &sql)
    {
        Tokens tokens;
        try {
            tokens.m_all = SqlLexer::tokenize(sql);
        } catch (const VbError &) {
            return std::nullopt;
        }
        for (qsizetype i = 0; i < qsizetype(tokens.m_all.size()); ++i) {
            if (tokens.m_all[size_t(i)].kind != SqlTokenKind::Blank)
                tokens.m_meaningful.push_back(i);
        }
        // A closing ";" is no part of the statement.
        if (!tokens.m_meaningful.empty() && tokens.at(tokens.size() - 1).isSymbol(QLatin1StringView(";")))
            tokens.m_meaningful.pop_back();
        return tokens;
    }

    [[nodiscard]] qsizetype size() const { return qsizetype(m_meaningful.size()); }
    [[nodiscard]] const SqlToken &at(qsizetype i) const { return m_all[size_t(m_meaningful[size_t(i)])]; }
    [[nodiscard]] bool isWord(qsizetype i, const char *word) const
    {
        return i >= 0 && i < size() && at(i).isWord(QLatin1StringView(word));
    }
    [[nodiscard]] bool isSymbol(qsizetype i, const char *symbol) const
    {
        return i >= 0 && i < size() && at(i).isSymbol(QLatin1StringView(symbol));
    }
    [[nodiscard]] bool isName(qsizetype i) const
    {
        return i >= 0 && i < size() && (at(i).kind == SqlTokenKind::Word || at(i).kind == SqlTokenKind::Identifier);
    }
    [[nodiscard]] QString name(qsizetype i) const { return SqlLexer::nameOf(at(i)); }
    // The text of meaningful tokens first to last, with whatever stood between them.
    [[nodiscard]] QString text(qsizetype first, qsizetype last) const
    {
        QString out;
        for (qsizetype i = m_meaningful[size_t(first)]; i <= m_meaningful[size_t(last)]; ++i)
            out += m_all[size_t(i)].text;
        return out;
    }

private:
    std::vector<SqlToken> m_all;
    std::vector<qsizetype> m_meaningful;
};

QString quoted(QString name)
{
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "SELECT [DISTINCT] * FROM view [WHERE cond] ORDER BY col [ASC|DESC] LIMIT n", taken apart.
struct TopRead {
    bool distinct = false;
    QString view;
    QString condition; // empty without WHERE
    QString orderColumn;
    QString direction; // "ASC" or "DESC"
    QString limit;
};

// Words that would make the condition reach beyond a plain WHERE at its own level.
bool endsCondition(const SqlToken &token)
{
    static const QSet<QString> words = {"SELECT", "FROM", "WHERE", "GROUP", "HAVING", "WINDOW", "ORDER",
                                        "LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT", "VALUES"};
    return token.kind == SqlTokenKind::Word && words.contains(token.text.toUpper());
}

std::optional<TopRead> parseTopRead(const Tokens &t)
{
    TopRead read;
    qsizetype i = 0;
    if (!t.isWord(i++, "SELECT"))
        return std::nullopt;
    if (t.isWord(i, "DISTINCT")) {
        read.distinct = true;
        ++i;
    }
    if (!t.isSymbol(i++, "*") || !t.isWord(i++, "FROM") || !t.isName(i))
        return std::nullopt;
    read.view = t.name(i++);

    // The tail, read from the end: ORDER BY col [ASC|DESC] LIMIT n.
    qsizetype end = t.size() - 1;
    if (end < i || t.at(end).kind != SqlTokenKind::Number)
        return std::nullopt;
    read.limit = t.at(end).text;
    for (const QChar c : read.limit) {
        if (!c.isDigit())
            return std::nullopt;
    }
    if (!t.isWord(--end, "LIMIT"))
        return std::nullopt;
    --end;
    read.direction = QStringLiteral("ASC");
    if (t.isWord(end, "ASC") || t.isWord(end, "DESC"))
        read.direction = t.at(end--).text.toUpper();
    if (!t.isName(end) || endsCondition(t.at(end)))
        return std::nullopt;
    read.orderColumn = t.name(end--);
    if (!t.isWord(end--, "BY") || !t.isWord(end--, "ORDER"))
        return std::nullopt;

    if (i == end + 1)
        return read;
    if (!t.isWord(i++, "WHERE") || i > end)
        return std::nullopt;
    int depth = 0;
    for (qsizetype k = i; k <= end; ++k) {
        const SqlToken &token = t.at(k);
        if (token.isSymbol(QLatin1StringView("(")))
            ++depth;
        else if (token.isSymbol(QLatin1StringView(")")) && --depth < 0)
            return std::nullopt;
        else if (depth == 0 && endsCondition(token))
            return std::nullopt;
        if (token.kind == SqlTokenKind::Word && token.text.startsWith(armPrefix, Qt::CaseInsensitive))
            return std::nullopt;
    }
    if (depth != 0)
        return std::nullopt;
    read.condition = t.text(i, end);
    return read;
}

// One arm's items: "name [[AS] alias], ..." up to FROM; the aliases name the view's columns when the
// view gives no column list.
bool parseArmItems(const Tokens &t, qsizetype &i, QStringList &columns, QStringList &aliases)
{
    for (;;) {
        if (!t.isName(i) || endsCondition(t.at(i)))
            return false;
        columns << t.name(i);
        aliases << t.name(i++);
        if (t.isWord(i, "AS")) {
            if (!t.isName(++i))
                return false;
            aliases.back() = t.name(i++);
        } else if (t.isName(i) && !t.isWord(i, "FROM")) {
            aliases.back() = t.name(i++);
        }
        if (!t.isSymbol(i, ","))
            return true;
        ++i;
    }
}

struct ColumnKind {
    QString type;
    QString collation;
};

std::optional<ColumnKind> columnKind(sqlite3 *db, const QString &table, const QString &column)
{
    const char *type = nullptr;
    const char *collation = nullptr;
    if (sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(), column.toUtf8().constData(), &type,
                                      &collation, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return std::nullopt;
    return ColumnKind{QString::fromUtf8(type ? type : "").toUpper(), QString::fromUtf8(collation ? collation : "").toUpper()};
}

// The name of the statement's columns and their declared types, as the backend reads them.
QStringList describe(sqlite3_stmt *statement)
{
    QStringList columns;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const char *type = sqlite3_column_decltype(statement, c);
        columns << QString::fromUtf8(sqlite3_column_name(statement, c)) + u' ' + QString::fromUtf8(type ? type : "");
    }
    return columns;
}

// The schema versions of the main database and of the temporary one: a temporary table or view of the
// view's name hides it without changing the main database's version.
std::optional<std::pair<long long, long long>> schemaVersions(sqlite3 *db)
{
    long long versions[2] = {};
    int i = 0;
    for (const char *pragma : {"PRAGMA main.schema_version", "PRAGMA temp.schema_version"}) {
        const StatementPtr statement = prepare(db, QString::fromLatin1(pragma));
        if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW)
            return std::nullopt;
        versions[i++] = sqlite3_column_int64(statement.get(), 0);
    }
    return std::pair(versions[0], versions[1]);
}

// The sql column of the catalog row the query finds: a null text when there is none, nullopt when the
// catalog could not be read.
std::optional<QString> catalogText(sqlite3 *db, const char *query, const QString &name)
{
    const StatementPtr statement = prepare(db, QString::fromLatin1(query));
    if (!statement)
        return std::nullopt;
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(statement.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE)
        return QString();
    if (rc != SQLITE_ROW)
        return std::nullopt;
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0));
    return QString::fromUtf8(text ? text : "");
}

// Statements that cannot be a top read are passed by before anything is asked of the database.
bool mayBeTopRead(const QString &sql)
{
    return sql.trimmed().startsWith(QLatin1StringView("SELECT"), Qt::CaseInsensitive)
           && sql.contains(QLatin1StringView("LIMIT"), Qt::CaseInsensitive)
           && sql.contains(QLatin1StringView("ORDER"), Qt::CaseInsensitive);
}

} // namespace

QString UnionViewTop::rewrite(sqlite3 *db, const QString &sql)
{
    if (!mayBeTopRead(sql))
        return sql;
    const std::optional<std::pair<long long, long long>> version = schemaVersions(db);
    if (!version)
        return sql;
    if (version != m_schemaVersions) {
        m_views.clear();
        m_statements.clear();
        m_schemaVersions = version;
    }
    if (const auto found = m_statements.constFind(sql); found != m_statements.constEnd())
        return *found;
    const std::optional<QString> text = rewritten(db, sql);
    if (!text)
        return sql;
    if (m_statements.size() >= statementCacheSize)
        m_statements.clear();
    m_statements.insert(sql, *text);
    return *text;
}

// Only a failure to read the database is not remembered: it may pass, and the next statement tries again.
std::optional<QString> UnionViewTop::rewritten(sqlite3 *db, const QString &sql)
{
    const std::optional<Tokens> tokens = Tokens::of(sql);
    const std::optional<TopRead> read = tokens ? parseTopRead(*tokens) : std::nullopt;
    if (!read)
        return sql;
    const View *view = viewNamed(db, read->view);
    if (!view)
        return sql;
    if (std::none_of(view->columns.begin(), view->columns.end(),
                     [&](const QString &column) { return sameName(column, read->orderColumn); }))
        return sql;

    // The arms keep the view's column names (and so the condition's meaning) through a CTE each, and
    // read their tables in the main database, as the view's own arms do.
    QStringList columnNames;
    for (const QString &column : view->columns)
        columnNames << quoted(column);
    const QString where = read->condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + read->condition;
    QStringList definitions;
    QStringList arms;
    for (size_t a = 0; a < view->arms.size(); ++a) {
        const Arm &arm = view->arms[a];
        const QString name = armPrefix + QString::number(a + 1);
        QStringList armColumns;
        for (const QString &column : arm.columns)
            armColumns << quoted(column);
        definitions << QStringLiteral("%1(%2) AS (SELECT %3 FROM \"main\".%4)")
                           .arg(name, columnNames.join(QStringLiteral(", ")), armColumns.join(QStringLiteral(", ")),
                                quoted(arm.table));
        arms << QStringLiteral("SELECT * FROM ") + name + where;
    }
    const QString text = QStringLiteral("WITH %1 %2 ORDER BY %3 %4 LIMIT %5")
                             .arg(definitions.join(QStringLiteral(", ")),
                                  arms.join(read->distinct ? QStringLiteral(" UNION ") : QStringLiteral(" UNION ALL ")),
                                  quoted(read->orderColumn), read->direction, read->limit);

    // The backend reads values by the columns' names and declared types; a form that changes either, or
    // that SQLite refuses, is not used.
    const StatementPtr original = prepare(db, sql);
    if (!original)
        return std::nullopt;
    const StatementPtr replacement = prepare(db, text);
    if (!replacement || describe(original.get()) != describe(replacement.get()))
        return sql;
    return text;
}

// CREATE VIEW [IF NOT EXISTS] name [(column, ...)] AS arm UNION ALL arm ..., each arm a plain
// "SELECT column [[AS] alias], ... FROM table" whose columns match the other arms' in type and collation.
std::optional<UnionViewTop::View> UnionViewTop::parseView(sqlite3 *db, const QString &definition)
{
    const std::optional<Tokens> tokens = Tokens::of(definition);
    if (!tokens)
        return std::nullopt;
    const Tokens &t = *tokens;
    View view;
    qsizetype i = 0;
    if (!t.isWord(i++, "CREATE") || !t.isWord(i++, "VIEW"))
        return std::nullopt;
    if (t.isWord(i, "IF")) {
        if (!t.isWord(++i, "NOT") || !t.isWord(++i, "EXISTS"))
            return std::nullopt;
        ++i;
    }
    if (!t.isName(i++))
        return std::nullopt;
    if (t.isSymbol(i, "(")) {
        do {
            if (!t.isName(++i))
                return std::nullopt;
            view.columns << t.name(i++);
        } while (t.isSymbol(i, ","));
        if (!t.isSymbol(i++, ")"))
            return std::nullopt;
    }
    if (!t.isWord(i++, "AS"))
        return std::nullopt;
    std::vector<ColumnKind> kinds;
    for (;;) {
        Arm arm;
        QStringList aliases;
        if (!t.isWord(i++, "SELECT") || !parseArmItems(t, i, arm.columns, aliases) || !t.isWord(i++, "FROM")
            || !t.isName(i) || endsCondition(t.at(i)))
            return std::nullopt;
        arm.table = t.name(i++);
        if (view.arms.empty() && view.columns.isEmpty())
            view.columns = aliases;
        if (arm.columns.size() != view.columns.size())
            return std::nullopt;
        for (qsizetype c = 0; c < arm.columns.size(); ++c) {
            const std::optional<ColumnKind> kind = columnKind(db, arm.table, arm.columns[c]);
            if (!kind)
                return std::nullopt;
            if (view.arms.empty())
                kinds.push_back(*kind);
            else if (kinds[size_t(c)].type != kind->type || kinds[size_t(c)].collation != kind->collation)
                return std::nullopt;
        }
        view.arms.push_back(std::move(arm));
        if (i == t.size())
            break;
        if (!t.isWord(i++, "UNION") || !t.isWord(i++, "ALL"))
            return std::nullopt;
    }
    for (qsizetype c = 0; c < view.columns.size(); ++c) {
        for (qsizetype d = c + 1; d < view.columns.size(); ++d) {
            if (sameName(view.columns[c], view.columns[d]))
                return std::nullopt;
        }
    }
    if (view.arms.size() < 2)
        return std::nullopt;
    return view;
}

const UnionViewTop::View *UnionViewTop::viewNamed(sqlite3 *db, const QString &name)
{
    const QString key = name.toLower();
    if (const auto found = m_views.constFind(key); found != m_views.constEnd())
        return found->has_value() ? &**found : nullptr;
    // A temporary object of the same name is what the statement would read.
    const std::optional<QString> shadow =
        catalogText(db, "SELECT sql FROM sqlite_temp_master WHERE name = ?1 COLLATE NOCASE", name);
    const std::optional<QString> definition =
        catalogText(db, "SELECT sql FROM main.sqlite_master WHERE type = 'view' AND name = ?1 COLLATE NOCASE", name);
    if (!shadow || !definition)
        return nullptr;
    std::optional<View> &entry = m_views[key];
    if (shadow->isNull() && !definition->isNull())
        entry = parseView(db, *definition);
    return entry.has_value() ? &*entry : nullptr;
}

} // namespace Ostraven
