#include "sqlitefunctions.h"

#include "sqllikepattern.h"

#include "platform/com/comregistry.h"
#include "platform/date.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace Ostraven {

namespace {

QString textOf(sqlite3_value *value)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(bytes, sqlite3_value_bytes(value));
}

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context *context, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(context, utf8.constData(), int(utf8.size()));
}

bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

bool isNumber(sqlite3_value *value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// A text operand meeting a number is read as a number, as SQL Server converts it; a text that is no
// number fails the statement with SQL Server's complaint.
bool numberFromText(sqlite3_context *context, sqlite3_value *value, sqlite3_int64 &whole, double &real,
                    bool &isWhole)
{
    const QString text = textOf(value).trimmed();
    bool ok = false;
    whole = text.toLongLong(&ok);
    if (ok) {
        isWhole = true;
        return true;
    }
    real = text.toDouble(&ok);
    if (ok && std::isfinite(real)) {
        isWhole = false;
        return true;
    }
    resultError(context,
                QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                    .arg(textOf(value)));
    return false;
}

void addNumbers(sqlite3_context *context, sqlite3_value **argv)
{
    sqlite3_int64 whole[2] = {0, 0};
    double real[2] = {0, 0};
    bool isWhole[2] = {true, true};
    for (int i = 0; i < 2; ++i) {
        const int type = sqlite3_value_type(argv[i]);
        if (type == SQLITE_INTEGER) {
            whole[i] = sqlite3_value_int64(argv[i]);
        } else if (type == SQLITE_FLOAT) {
            real[i] = sqlite3_value_double(argv[i]);
            isWhole[i] = false;
        } else if (!numberFromText(context, argv[i], whole[i], real[i], isWhole[i])) {
            return;
        }
    }
    sqlite3_int64 sum = 0;
    if (isWhole[0] && isWhole[1] && !__builtin_add_overflow(whole[0], whole[1], &sum)) {
        sqlite3_result_int64(context, sum);
        return;
    }
    const double a = isWhole[0] ? double(whole[0]) : real[0];
    const double b = isWhole[1] ? double(whole[1]) : real[1];
    sqlite3_result_double(context, a + b);
}

void ovAdd(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    if (isNumber(argv[0]) || isNumber(argv[1])) {
        addNumbers(context, argv);
        return;
    }
    QByteArray joined(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]));
    joined.append(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1]));
    sqlite3_result_text(context, joined.constData(), int(joined.size()), SQLITE_TRANSIENT);
}

// SQL Server's positions are 1-based; a start before 1 still counts its length from there.
void substring(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const sqlite3_int64 start = sqlite3_value_int64(argv[1]);
    const sqlite3_int64 length = sqlite3_value_int64(argv[2]);
    if (length < 0) {
        resultError(context, QStringLiteral("Invalid length parameter passed to the substring function."));
        return;
    }
    const QString text = textOf(argv[0]);
    const sqlite3_int64 first = std::max<sqlite3_int64>(start, 1);
    const sqlite3_int64 end = std::min<sqlite3_int64>(start + length, sqlite3_int64(text.size()) + 1);
    if (end <= first) {
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
        return;
    }
    resultText(context, text.mid(first - 1, end - first));
}

void charIndex(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    const QString find = textOf(argv[0]);
    const QString text = textOf(argv[1]);
    const sqlite3_int64 start = argc > 2 ? std::max<sqlite3_int64>(sqlite3_value_int64(argv[2]), 1) : 1;
    if (find.isEmpty() || start > text.size()) {
        sqlite3_result_int(context, 0);
        return;
    }
    const qsizetype found = text.indexOf(find, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int64(context, found + 1);
}

void len(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    QString text = textOf(argv[0]);
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    sqlite3_result_int64(context, end);
}

void getDate(sqlite3_context *context, int, sqlite3_value **)
{
    resultText(context, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

void destroyPattern(void *pattern)
{
    delete static_cast<SqlLikePattern *>(pattern);
}

// like(pattern, text[, escape]) is what SQLite calls for "text LIKE pattern [ESCAPE e]". The compiled pattern
// is kept with the statement, so a LIKE over every row of a view reads its pattern once.
void like(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv)) {
        sqlite3_result_null(context);
        return;
    }
    auto *pattern = static_cast<SqlLikePattern *>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        QChar escape;
        if (argc > 2) {
            const QString escapeText = textOf(argv[2]);
            if (escapeText.size() != 1) {
                resultError(context, QStringLiteral("The escape character of LIKE must be a single character."));
                return;
            }
            escape = escapeText.front();
        }
        pattern = new SqlLikePattern(textOf(argv[0]), escape);
        sqlite3_set_auxdata(context, 0, pattern, destroyPattern);
        pattern = static_cast<SqlLikePattern *>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    sqlite3_result_int(context, pattern->matches(textOf(argv[1])) ? 1 : 0);
}

QString collationText(int length, const void *bytes)
{
    return QString::fromUtf8(static_cast<const char *>(bytes), length);
}

int noCase(void *, int leftLength, const void *left, int rightLength, const void *right)
{
    QString a = collationText(leftLength, left);
    QString b = collationText(rightLength, right);
    while (a.endsWith(u' '))
        a.chop(1);
    while (b.endsWith(u' '))
        b.chop(1);
    return QString::compare(a, b, Qt::CaseInsensitive);
}

bool looksIso(const char *text, int length)
{
    return length >= 10 && text[4] == '-' && text[7] == '-';
}

// ISO texts compare character by character, except that a shorter one equals a longer one whose extra
// characters only spell zeros ("2024-01-02" and "2024-01-02 00:00:00.000").
int compareIso(const char *a, int aLength, const char *b, int bLength)
{
    const int common = std::min(aLength, bLength);
    const int order = std::memcmp(a, b, size_t(common));
    if (order != 0)
        return order;
    const char *rest = aLength > bLength ? a + common : b + common;
    const int restLength = std::abs(aLength - bLength);
    for (int i = 0; i < restLength; ++i) {
        if (rest[i] != '0' && rest[i] != ':' && rest[i] != '.' && rest[i] != ' ')
            return aLength > bLength ? 1 : -1;
    }
    return 0;
}

int dateTime(void *, int leftLength, const void *left, int rightLength, const void *right)
{
    const auto *a = static_cast<const char *>(left);
    const auto *b = static_cast<const char *>(right);
    if (looksIso(a, leftLength) && looksIso(b, rightLength) && a[10] != 'T' && b[10] != 'T')
        return compareIso(a, leftLength, b, rightLength);
    const std::optional<Date> leftDate = Date::parse(collationText(leftLength, left));
    const std::optional<Date> rightDate = Date::parse(collationText(rightLength, right));
    if (leftDate && rightDate)
        return leftDate->serial() < rightDate->serial() ? -1 : (leftDate->serial() > rightDate->serial() ? 1 : 0);
    // Dates sort before texts that are none, so the order stays total.
    if (leftDate || rightDate)
        return leftDate ? -1 : 1;
    return QString::compare(collationText(leftLength, left), collationText(rightLength, right));
}

struct Function {
    const char *name;
    int arguments;
    bool deterministic;
    void (*call)(sqlite3_context *, int, sqlite3_value **);
};

} // namespace

int SqliteFunctions::install(sqlite3 *db)
{
    static const Function functions[] = {
        {"ov_add", 2, true, ovAdd},     {"substring", 3, true, substring}, {"charindex", 2, true, charIndex},
        {"charindex", 3, true, charIndex}, {"len", 1, true, len},
        {"getdate", 0, false, getDate}, {"like", 2, true, like},           {"like", 3, true, like},
    };
    for (const Function &function : functions) {
        const int flags = SQLITE_UTF8 | (function.deterministic ? SQLITE_DETERMINISTIC : 0);
        const int rc = sqlite3_create_function_v2(db, function.name, function.arguments, flags, nullptr,
                                                  function.call, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    int rc = sqlite3_create_collation_v2(db, "ov_nocase", SQLITE_UTF8, nullptr, noCase, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_create_collation_v2(db, "ov_datetime", SQLITE_UTF8, nullptr, dateTime, nullptr);
    return rc;
}

QString SqliteFunctions::extensionPath()
{
    // The file name CMakeLists.txt gives the module ostraven_sqlite_functions.
    static const QString fileName = QStringLiteral("libostraven_sqlite_functions.so");
    const QString library = Com::modulePathOf(reinterpret_cast<const void *>(&SqliteFunctions::install));
    if (library.isEmpty())
        return {};
    const QString path = QFileInfo(library).dir().filePath(fileName);
    return QFileInfo::exists(path) ? path : QString();
}

} // namespace Ostraven
