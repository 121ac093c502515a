#include "unionviewtop.h"

#include "sqllexer.h"

#include "platform/vberror.h"

#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace Ostraven {

namespace {

// More distinct texts than the viewer ever sends (one per line limit); a long-running host that sends
// many simply plans them again.
constexpr size_t planCacheSize = 64;

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

// The statement's words and symbols without the blanks and comments between them.
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

// "SELECT [DISTINCT] * FROM view ORDER BY col [ASC|DESC] LIMIT n", taken apart.
struct TopRead {
    bool distinct = false;
    QString view;
    QString orderColumn;
    bool descending = false;
    qint64 limit = 0;
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
    bool whole = false;
    read.limit = t.at(end).text.toLongLong(&whole);
    if (!whole || read.limit < 0 || !t.isWord(--end, "LIMIT"))
        return std::nullopt;
    --end;
    if (t.isWord(end, "ASC") || t.isWord(end, "DESC"))
        read.descending = t.at(end--).text.compare(QLatin1StringView("DESC"), Qt::CaseInsensitive) == 0;
    if (!t.isName(end) || endsCondition(t.at(end)))
        return std::nullopt;
    read.orderColumn = t.name(end--);
    if (!t.isWord(end--, "BY") || !t.isWord(end--, "ORDER"))
        return std::nullopt;
    // A condition would let SQLite read an arm through another index, in another order than the merge's.
    if (i != end + 1)
        return std::nullopt;
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

// The names of the statement's first `count` columns and their declared types, as the backend reads them.
QStringList describe(sqlite3_stmt *statement, int count)
{
    QStringList columns;
    for (int c = 0; c < count && c < sqlite3_column_count(statement); ++c) {
        const char *type = sqlite3_column_decltype(statement, c);
        columns << QString::fromUtf8(sqlite3_column_name(statement, c)) + u' ' + QString::fromUtf8(type ? type : "");
    }
    return columns;
}

std::optional<UnionViewTop::Collation> collationNamed(const QString &name)
{
    if (name.isEmpty() || name == QLatin1StringView("BINARY"))
        return UnionViewTop::Collation::Binary;
    if (name == QLatin1StringView("NOCASE"))
        return UnionViewTop::Collation::NoCase;
    if (name == QLatin1StringView("RTRIM"))
        return UnionViewTop::Collation::RTrim;
    return std::nullopt;
}

// Whether the table's "rowid" is its row id: a table without one, or with a column of that name that is
// something else, cannot be read in row-id order.
bool hasRowId(sqlite3 *db, const QString &table)
{
    const char *type = nullptr;
    int primaryKey = 0;
    return sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(), "rowid", &type, nullptr, nullptr,
                                         &primaryKey, nullptr)
               == SQLITE_OK
           && primaryKey && type && qstricmp(type, "INTEGER") == 0;
}

// Whether SQLite, running the statement as written, reads each of the tables whole in row-id order (and
// not, say, through a covering index), which decides the order DISTINCT meets equal rows in.
bool readsTablesInRowIdOrder(sqlite3 *db, const QString &statement, const std::vector<QString> &tables)
{
    const StatementPtr plan = prepare(db, QStringLiteral("EXPLAIN QUERY PLAN ") + statement);
    if (!plan)
        return false;
    QStringList steps;
    while (sqlite3_step(plan.get()) == SQLITE_ROW)
        steps << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(plan.get(), 3)));
    return std::all_of(tables.begin(), tables.end(), [&](const QString &table) {
        const QString plain = QStringLiteral("SCAN ") + table;
        return steps.contains(plain, Qt::CaseInsensitive)
               && std::none_of(steps.begin(), steps.end(), [&](const QString &step) {
                      return step.startsWith(plain + u' ', Qt::CaseInsensitive);
                  });
    });
}

template <typename T>
int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Texts compared as SQLite's built-in collations compare them: byte by byte in UTF-8, NOCASE folding
// ASCII letters only, RTRIM ignoring trailing blanks.
int compareTexts(QByteArrayView a, QByteArrayView b, UnionViewTop::Collation collation)
{
    if (collation == UnionViewTop::Collation::RTrim) {
        while (a.endsWith(' '))
            a.chop(1);
        while (b.endsWith(' '))
            b.chop(1);
    }
    const qsizetype common = std::min(a.size(), b.size());
    if (collation != UnionViewTop::Collation::NoCase) {
        if (const int order = common > 0 ? std::memcmp(a.data(), b.data(), size_t(common)) : 0)
            return order < 0 ? -1 : 1;
        return threeWay(a.size(), b.size());
    }
    for (qsizetype i = 0; i < common; ++i) {
        auto x = uchar(a[i]);
        auto y = uchar(b[i]);
        x = x >= 'A' && x <= 'Z' ? uchar(x + 32) : x;
        y = y >= 'A' && y <= 'Z' ? uchar(y + 32) : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

// A whole number against a real, exactly, as SQLite orders them.
int compareWholeToReal(qint64 whole, double real)
{
    if (real < -9223372036854775808.0)
        return 1;
    if (real >= 9223372036854775808.0)
        return -1;
    const auto truncated = qint64(real);
    if (whole != truncated)
        return whole < truncated ? -1 : 1;
    const auto widened = double(whole);
    return widened < real ? -1 : (widened > real ? 1 : 0);
}

int storageClass(int type)
{
    switch (type) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return 1;
    case SQLITE_TEXT:
        return 2;
    default:
        return 3;
    }
}

// A value as the merge orders it, read once from SQLite: its text or blob stays SQLite's until the
// statement moves on, or is copied into `owned` for a value that must outlive that.
struct KeyValue {
    int type = SQLITE_NULL;
    qint64 whole = 0;
    double real = 0;
    QByteArrayView bytes;
    QByteArray owned;

    void read(sqlite3_value *value)
    {
        type = sqlite3_value_type(value);
        if (type == SQLITE_INTEGER)
            whole = sqlite3_value_int64(value);
        else if (type == SQLITE_FLOAT)
            real = sqlite3_value_double(value);
        else if (type == SQLITE_TEXT)
            bytes = QByteArrayView(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
        else if (type == SQLITE_BLOB)
            bytes = QByteArrayView(static_cast<const char *>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    }
    // Becomes a copy of other that owns its bytes; the buffer is reused from one key to the next.
    void copy(const KeyValue &other)
    {
        type = other.type;
        whole = other.whole;
        real = other.real;
        owned.resize(other.bytes.size());
        if (!other.bytes.isEmpty())
            std::memcpy(owned.data(), other.bytes.data(), size_t(other.bytes.size()));
        bytes = owned;
    }
};

// Two values in SQLite's order: nulls, then numbers, then texts under the collation, then blobs.
int compareValues(const KeyValue &a, const KeyValue &b, UnionViewTop::Collation collation)
{
    if (storageClass(a.type) != storageClass(b.type))
        return threeWay(storageClass(a.type), storageClass(b.type));
    switch (a.type) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return b.type == SQLITE_FLOAT ? compareWholeToReal(a.whole, b.real) : threeWay(a.whole, b.whole);
    case SQLITE_FLOAT:
        return b.type == SQLITE_INTEGER ? -compareWholeToReal(b.whole, a.real) : threeWay(a.real, b.real);
    case SQLITE_TEXT:
        return compareTexts(a.bytes, b.bytes, collation);
    default:
        return compareTexts(a.bytes, b.bytes, UnionViewTop::Collation::Binary);
    }
}

// Whether DISTINCT takes two values for the same: nulls are, a whole number and a real of the same value
// are, texts are when their collation finds no difference. (Texts are compared as read, in UTF-16; the
// host writes its texts as valid UTF-8, whose bytes are equal exactly when the texts are.)
bool sameValue(const StoredValue &a, const StoredValue &b, UnionViewTop::Collation collation)
{
    if (const auto *whole = std::get_if<qint64>(&a); whole && std::holds_alternative<double>(b))
        return compareWholeToReal(*whole, std::get<double>(b)) == 0;
    if (const auto *whole = std::get_if<qint64>(&b); whole && std::holds_alternative<double>(a))
        return compareWholeToReal(*whole, std::get<double>(a)) == 0;
    if (a.index() != b.index())
        return false;
    const auto *textA = std::get_if<QString>(&a);
    if (!textA || collation == UnionViewTop::Collation::Binary)
        return a == b;
    QStringView x(*textA);
    QStringView y(std::get<QString>(b));
    if (collation == UnionViewTop::Collation::RTrim) {
        while (x.endsWith(u' '))
            x.chop(1);
        while (y.endsWith(u' '))
            y.chop(1);
        return x == y;
    }
    if (x.size() != y.size())
        return false;
    for (qsizetype i = 0; i < x.size(); ++i) {
        char16_t p = x[i].unicode();
        char16_t q = y[i].unicode();
        p = p >= u'A' && p <= u'Z' ? char16_t(p + 32) : p;
        q = q >= u'A' && q <= u'Z' ? char16_t(q + 32) : q;
        if (p != q)
            return false;
    }
    return true;
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

const UnionViewTop::Plan *UnionViewTop::known(sqlite3 *db, const QString &sql)
{
    const auto found = m_plans.find(sql);
    if (found == m_plans.end() || !current(db))
        return nullptr;
    return &found->second;
}

const UnionViewTop::Plan *UnionViewTop::plan(sqlite3 *db, const QString &sql, const QString &dialect)
{
    if (!mayBeTopRead(dialect) || (!current(db) && !m_schemaVersions))
        return nullptr;
    std::optional<Plan> made = planFor(db, dialect);
    if (!made)
        return nullptr;
    if (m_plans.size() >= planCacheSize)
        m_plans.clear();
    return &m_plans.insert_or_assign(sql, std::move(*made)).first->second;
}

bool UnionViewTop::current(sqlite3 *db)
{
    const std::optional<std::pair<long long, long long>> versions = schemaVersions(db);
    if (versions && versions == m_schemaVersions)
        return true;
    m_views.clear();
    m_plans.clear();
    m_schemaVersions = versions;
    return false;
}

// The schema versions of the main database and of the temporary one: a temporary table or view of the
// view's name hides it without changing the main database's version. Asked before every merged read,
// so the two queries stay prepared.
std::optional<std::pair<long long, long long>> UnionViewTop::schemaVersions(sqlite3 *db)
{
    if (db != m_db) {
        for (StatementPtr &query : m_versionQueries)
            query.reset();
        m_db = db;
    }
    long long versions[2] = {};
    const char *pragmas[2] = {"PRAGMA main.schema_version", "PRAGMA temp.schema_version"};
    for (int i = 0; i < 2; ++i) {
        StatementPtr &query = m_versionQueries[i];
        if (!query)
            query = prepare(db, QString::fromLatin1(pragmas[i]));
        const bool read = query && sqlite3_step(query.get()) == SQLITE_ROW;
        if (read)
            versions[i] = sqlite3_column_int64(query.get(), 0);
        if (query)
            sqlite3_reset(query.get());
        if (!read)
            return std::nullopt;
    }
    return std::pair(versions[0], versions[1]);
}

std::optional<UnionViewTop::Plan> UnionViewTop::planFor(sqlite3 *db, const QString &dialect)
{
    const std::optional<Tokens> tokens = Tokens::of(dialect);
    const std::optional<TopRead> read = tokens ? parseTopRead(*tokens) : std::nullopt;
    const View *view = read ? viewNamed(db, read->view) : nullptr;
    if (!view)
        return std::nullopt;
    const int columns = int(view->columns.size());
    Plan plan{dialect, {}, {}, view->collations, columns, read->descending, read->distinct, read->limit};
    for (int c = 0; c < columns; ++c) {
        if (sameName(view->columns[c], read->orderColumn))
            plan.key = c;
    }
    if (plan.key == columns)
        return std::nullopt;

    // Each arm gives the view's columns under the view's names, then its row id. With DISTINCT, rows of equal
    // keys must come in row-id order, so the arm is ordered by the key and then the row id in the same
    // direction, the order of the table's index on the key read either way (the merge turns runs of equal
    // keys round when that is backwards). Without, SQLite keeps each arm's rows of equal keys in the order
    // its plan for the arm gives them, so the arm is ordered as SQLite orders it in the view. Positions in
    // ORDER BY name the results whatever the columns are called.
    const QString direction = read->descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    const QString order = QString::number(plan.key + 1) + direction
                          + (read->distinct ? QStringLiteral(", ") + QString::number(columns + 1) + direction : QString());
    for (const Arm &arm : view->arms) {
        if (!hasRowId(db, arm.table))
            return std::nullopt;
        QStringList items;
        for (int c = 0; c < columns; ++c)
            items << quoted(arm.columns[c]) + QStringLiteral(" AS ") + quoted(view->columns[c]);
        const QString select =
            QStringLiteral("SELECT %1, rowid FROM \"main\".%2").arg(items.join(QStringLiteral(", ")), quoted(arm.table));
        plan.arms.push_back(select + QStringLiteral(" ORDER BY ") + order);
        plan.fetches.push_back(select + QStringLiteral(" WHERE rowid = ?1"));
    }

    // The backend reads values by the columns' names and declared types; arms that would change either,
    // or that SQLite refuses, are not used.
    const StatementPtr original = prepare(db, dialect);
    if (!original)
        return std::nullopt;
    std::vector<QString> tables;
    for (const Arm &arm : view->arms)
        tables.push_back(arm.table);
    if (read->distinct && !readsTablesInRowIdOrder(db, dialect, tables))
        return std::nullopt;
    const QStringList described = describe(original.get(), sqlite3_column_count(original.get()));
    std::vector<QString> statements = plan.arms;
    statements.insert(statements.end(), plan.fetches.begin(), plan.fetches.end());
    for (const QString &text : statements) {
        const StatementPtr arm = prepare(db, text);
        if (!arm || sqlite3_column_count(arm.get()) != columns + 1 || describe(arm.get(), columns) != described)
            return std::nullopt;
    }
    return plan;
}

std::optional<std::vector<MemoryRecordset::Row>> UnionViewTop::merge(const Plan &plan, const Source &source)
{
    const std::vector<sqlite3_stmt *> &arms = source.arms;
    const int columns = int(plan.collations.size());
    const Collation keyCollation = plan.collations[size_t(plan.key)];
    // Each arm's key, read once per row: its bytes stay valid until the arm is stepped again.
    std::vector<KeyValue> keys(arms.size());
    const auto rowIdOf = [&](sqlite3_stmt *statement) { return qint64(sqlite3_column_int64(statement, columns)); };
    const auto valuesOf = [&](sqlite3_stmt *statement) {
        std::vector<StoredValue> values;
        values.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            values.push_back(storedValue(statement, c));
        return values;
    };
    std::vector<char> atRow(arms.size());
    const auto advance = [&](size_t arm) {
        atRow[arm] = char(source.step(arms[arm]));
        if (atRow[arm])
            keys[arm].read(sqlite3_column_value(arms[arm], plan.key));
    };
    for (size_t a = 0; a < arms.size(); ++a)
        advance(a);

    std::vector<MemoryRecordset::Row> out;
    out.reserve(size_t(std::min<qint64>(plan.limit, 4096)));
    // The rows taken for the current key, by arm and row id, and, once a second row of the key comes
    // and DISTINCT has to compare, their stored values: a key held by one row, the usual case, never
    // costs a comparison.
    std::vector<std::pair<size_t, qint64>> runTaken;
    std::vector<std::vector<StoredValue>> runValues;
    size_t runRows = 0;
    // A row of the current key, read from `live` when that statement is still at it, otherwise fetched
    // again by its row id; false once out is full.
    const auto take = [&](MemoryRecordset::Row &&row, size_t arm, qint64 rowId, sqlite3_stmt *live) {
        if (out.size() >= size_t(plan.limit))
            return false;
        if (plan.distinct && !runTaken.empty()) {
            for (size_t i = runValues.size(); i < runTaken.size(); ++i)
                runValues.push_back(valuesOf(source.fetch(runTaken[i].first, runTaken[i].second)));
            std::vector<StoredValue> values = valuesOf(live ? live : source.fetch(arm, rowId));
            for (const std::vector<StoredValue> &taken : runValues) {
                bool same = true;
                for (int c = 0; same && c < columns; ++c)
                    same = sameValue(taken[size_t(c)], values[size_t(c)], plan.collations[size_t(c)]);
                if (same)
                    return true;
            }
            runValues.push_back(std::move(values));
        }
        out.push_back(std::move(row));
        runTaken.emplace_back(arm, rowId);
        return true;
    };
    // DISTINCT keeps rows of equal keys in row-id order, which a descending index walk gives backwards.
    const bool reversed = plan.distinct && plan.descending;
    std::vector<std::pair<MemoryRecordset::Row, qint64>> held; // an arm's rows of the key, while reversed
    KeyValue key;                                              // the key of the rows being taken

    while (out.size() < size_t(plan.limit)) {
        // The next key is that of the first arm whose row comes first; arms before it hold only later keys.
        std::optional<size_t> first;
        for (size_t a = 0; a < arms.size(); ++a) {
            if (!atRow[a])
                continue;
            const int order = first ? compareValues(keys[a], keys[*first], keyCollation) : 0;
            if (!first || (plan.descending ? order > 0 : order < 0))
                first = a;
        }
        if (!first)
            break;
        key.copy(keys[*first]);
        runTaken.clear();
        runValues.clear();
        runRows = 0;
        for (size_t a = *first; a < arms.size(); ++a) {
            held.clear();
            while (atRow[a] && compareValues(keys[a], key, keyCollation) == 0) {
                if (++runRows > maxRunRows)
                    return std::nullopt;
                MemoryRecordset::Row row = source.read(arms[a]);
                const qint64 rowId = rowIdOf(arms[a]);
                if (reversed) {
                    held.emplace_back(std::move(row), rowId);
                } else if (!take(std::move(row), a, rowId, arms[a])) {
                    return out;
                }
                advance(a);
            }
            for (auto row = held.rbegin(); row != held.rend(); ++row) {
                if (!take(std::move(row->first), a, row->second, nullptr))
                    return out;
            }
        }
    }
    return out;
}

// CREATE VIEW [IF NOT EXISTS] name [(column, ...)] AS arm UNION ALL arm ..., each arm a plain
// "SELECT column [[AS] alias], ... FROM table" whose columns match the other arms' in type and collation,
// a collation SQLite has built in.
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
            if (view.arms.empty()) {
                const std::optional<Collation> collation = collationNamed(kind->collation);
                if (!collation)
                    return std::nullopt;
                kinds.push_back(*kind);
                view.collations.push_back(*collation);
            } else if (kinds[size_t(c)].type != kind->type || kinds[size_t(c)].collation != kind->collation)
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
    if (const auto found = m_views.find(key); found != m_views.end())
        return found->second.has_value() ? &*found->second : nullptr;
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
