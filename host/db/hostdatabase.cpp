#include "host/db/hostdatabase.h"

#include "host/db/hostschema.h"
#include "host/db/sqlitefile.h"
#include "host/db/sqlitestatement.h"

#include "platform/db/connection.h"
#include "platform/db/sqllexer.h"
#include "platform/db/storedprocedure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace Ostraven {

namespace {

QString jsonText(const QString &text)
{
    // A one-element array is the shortest way to have Qt quote and escape a text for JSON.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString isoDate(const Date &date)
{
    QString text = date.format(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    if (date.millisecond() != 0)
        text += QStringLiteral(".%1").arg(date.millisecond(), 3, 10, QLatin1Char('0'));
    return text;
}

QString jsonValue(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Object:
        return QStringLiteral("null");
    case VarType::Boolean:
        return value.asBool() ? QStringLiteral("true") : QStringLiteral("false");
    case VarType::Integer:
        return QString::number(value.asInteger());
    case VarType::Long:
        return QString::number(value.asLong());
    case VarType::Double:
        return std::isfinite(value.asDouble()) ? QString::number(value.asDouble(), 'g', 17) : QStringLiteral("null");
    case VarType::Date:
        return jsonText(isoDate(value.asDate()));
    case VarType::String:
        break;
    }
    return jsonText(value.asString());
}

bool changesRows(const QString &sql)
{
    const QRegularExpression pattern(QStringLiteral("^\\s*(insert|update|delete)\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(sql).hasMatch();
}

// The tables and views a database of this host has, as its schema script creates them.
QStringList schemaObjects()
{
    static const QRegularExpression pattern(QStringLiteral("\\bCREATE\\s+(?:TABLE|VIEW)\\s+(\\w+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (auto matches = pattern.globalMatch(HostSchema::tablesScript()); matches.hasNext();)
        names << matches.next().captured(1);
    return names;
}

constexpr int lockWaitMilliseconds = 2000;

} // namespace

QString HostDatabase::checkDatabase(const QString &path)
{
    auto notOurs = [&path](const QString &reason) {
        return QStringLiteral("%1 is not a database of this host: %2").arg(QDir::toNativeSeparators(path), reason);
    };
    if (!QFileInfo(path).isFile())
        return notOurs(QStringLiteral("it is not a file"));
    QSet<QString> present;
    std::optional<SqliteFile> file;
    try {
        file.emplace(path, SqliteFile::OpenMode::ReadOnly);
        // A database another program holds for a moment is still ours: the viewer reports the lock
        // where it meets it, and keeps what is stored. Only a lock that outlasts the wait skips the check.
        sqlite3_busy_timeout(file->handle(), lockWaitMilliseconds);
        // quick_check reads every page, so a file damaged further in is refused as well as one whose
        // header is wrong; the component would otherwise meet the damage in the middle of its work.
        SqliteStatement check(file->handle(), QStringLiteral("PRAGMA quick_check(1)"));
        const QString verdict = check.step() ? check.columnText(0) : QString();
        if (verdict != QLatin1String("ok"))
            return notOurs(QStringLiteral("SQLite finds it damaged (%1)").arg(verdict.simplified()));
        SqliteStatement objects(file->handle(),
                                QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view')"));
        while (objects.step())
            present.insert(objects.columnText(0).toLower());
    } catch (const VbError &error) {
        if (file && (sqlite3_extended_errcode(file->handle()) & 0xff) == SQLITE_BUSY)
            return {};
        return notOurs(QStringLiteral("SQLite cannot read it (%1)").arg(error.description()));
    }
    file.reset();
    const QStringList expected = schemaObjects();
    QStringList missing;
    for (const QString &name : expected) {
        if (!present.contains(name.toLower()))
            missing << name;
    }
    if (missing.isEmpty())
        return {};
    if (missing.size() == expected.size())
        return notOurs(QStringLiteral("it holds none of the host's tables"));
    constexpr qsizetype named = 5;
    QString list = QStringList(missing.mid(0, named)).join(QStringLiteral(", "));
    if (missing.size() > named)
        list += QStringLiteral(" and %1 more").arg(missing.size() - named);
    return notOurs(QStringLiteral("tables of the host are missing: %1").arg(list));
}

void HostDatabase::createDatabase(const QString &path, const DemoSite::Options &options)
{
    if (QFileInfo::exists(path)) {
        throw VbError(58, QStringLiteral("The database %1 already exists; remove it first to create a new one.")
                              .arg(QDir::toNativeSeparators(path)),
                      QStringLiteral("HostDatabase"));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    try {
        SqliteFile file(partial, SqliteFile::OpenMode::Create);
        // The file takes its real name only once it is complete, so a crash while building loses
        // nothing worth a journal or a sync per step.
        file.exec(QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF"));
        HostSchema::create(file);
        DemoSite::populate(file, options);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        throw VbError(75, QStringLiteral("Cannot create the database %1.").arg(QDir::toNativeSeparators(path)),
                      QStringLiteral("HostDatabase"));
    }
}

void HostDatabase::createDatabase(const QString &path, int archiveEvents)
{
    if (archiveEvents < 0) {
        throw VbError(5, QStringLiteral("The number of archived events must be 0 or more, not %1.").arg(archiveEvents),
                      QStringLiteral("HostDatabase"));
    }
    DemoSite::Options options;
    options.archiveEvents = archiveEvents;
    createDatabase(path, options);
}

QString HostDatabase::defaultDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/demo.sqlite");
}

bool HostDatabase::ensureDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        return false;
    createDatabase(path, DemoSite::Options());
    return true;
}

HostDatabase::SqlOutcome HostDatabase::runSqlAsJson(Connection &connection, const QString &sql, QTextStream &out)
{
    try {
        return runSqlAsJsonAsIs(connection, sql, out);
    } catch (const VbError &error) {
        throw explainFailure(sql, error);
    }
}

VbError HostDatabase::explainFailure(const QString &sql, const VbError &error)
{
    std::vector<SqlToken> tokens;
    try {
        tokens = SqlLexer::tokenize(sql);
    } catch (const VbError &) {
        return error;
    }
    const auto first = std::find_if(tokens.cbegin(), tokens.cend(),
                                    [](const SqlToken &token) { return token.kind != SqlTokenKind::Blank; });
    if (first == tokens.cend() || first->isWord(QLatin1StringView("EXEC")) || first->isWord(QLatin1StringView("EXECUTE")))
        return error;
    // The first word alone tells whether the statement is read as a call; its arguments may be what
    // failed ("selec * from Sites").
    std::optional<StoredProcedure::Call> call;
    try {
        call = StoredProcedure::parseCall({*first});
    } catch (const VbError &) {
        return error;
    }
    if (!call)
        return error;
    for (const ProcedureDefinition &procedure : HostSchema::procedures()) {
        if (call->procedure.compare(QLatin1StringView(procedure.name), Qt::CaseInsensitive) == 0)
            return error;
    }
    return VbError(error.number(),
                   error.description()
                       + QStringLiteral(" The statement was taken as a call of the stored procedure '%1' because it "
                                        "does not start with an SQL keyword such as SELECT, INSERT, UPDATE or DELETE; "
                                        "check the first word's spelling, or write EXEC before a procedure's name.")
                             .arg(call->procedure),
                   error.source(), error.line());
}

HostDatabase::SqlOutcome HostDatabase::runSqlAsJsonAsIs(Connection &connection, const QString &sql, QTextStream &out)
{
    SqlOutcome outcome;
    if (changesRows(sql)) {
        outcome.changed = connection.execute(sql);
        return outcome;
    }
    const std::unique_ptr<Recordset> rows = connection.openRecordset(sql);
    const int columns = rows->fieldCount();
    for (; columns > 0 && !rows->eof(); rows->moveNext()) {
        QStringList members;
        for (int column = 0; column < columns; ++column)
            members << jsonText(rows->fieldName(column)) + u':' + jsonValue(rows->field(column));
        out << u'{' << members.join(u',') << "}\n";
        ++outcome.rows;
    }
    rows->close();
    out.flush();
    return outcome;
}

} // namespace Ostraven
