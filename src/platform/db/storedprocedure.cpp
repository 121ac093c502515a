#include "storedprocedure.h"

#include "dberror.h"

#include <QLocale>
#include <QSet>

namespace Ostraven {

namespace {

QString withoutAt(QString name)
{
    if (name.startsWith(u'@'))
        name.remove(0, 1);
    return name;
}

// Words that begin an ordinary statement; any other first word names a procedure, as SQL Server reads a
// batch that starts with a name.
bool beginsStatement(const SqlToken &token)
{
    static const QSet<QString> words = {"SELECT", "INSERT",   "UPDATE",  "DELETE",  "REPLACE", "WITH",
                                        "VALUES", "CREATE",   "DROP",    "ALTER",   "PRAGMA",  "BEGIN",
                                        "COMMIT", "END",      "ROLLBACK", "SAVEPOINT", "RELEASE", "ATTACH",
                                        "DETACH", "VACUUM",   "ANALYZE", "REINDEX", "EXPLAIN", "SET",
                                        "DECLARE", "IF",     "TRUNCATE", "MERGE",   "PRINT",   "USE"};
    return token.kind != SqlTokenKind::Word || words.contains(token.text.toUpper());
}

class CallReader
{
public:
    explicit CallReader(const std::vector<SqlToken> &tokens)
    {
        for (const SqlToken &token : tokens) {
            if (token.kind != SqlTokenKind::Blank)
                m_tokens.push_back(&token);
        }
        while (!m_tokens.empty() && m_tokens.back()->isSymbol(QLatin1StringView(";")))
            m_tokens.pop_back();
    }

    std::optional<StoredProcedure::Call> read()
    {
        if (m_tokens.empty())
            return std::nullopt;
        const SqlToken &first = *m_tokens.front();
        if (first.isWord(QLatin1StringView("EXEC")) || first.isWord(QLatin1StringView("EXECUTE")))
            ++m_pos;
        else if (beginsStatement(first))
            return std::nullopt;

        StoredProcedure::Call call;
        call.procedure = readName();
        while (!atEnd()) {
            if (!call.arguments.empty())
                expectComma();
            call.arguments.push_back(readArgument());
        }
        return call;
    }

private:
    [[nodiscard]] bool atEnd() const { return m_pos >= m_tokens.size(); }
    [[nodiscard]] const SqlToken *peek() const { return atEnd() ? nullptr : m_tokens[m_pos]; }

    [[noreturn]] void fail(const QString &near) const
    {
        throw DbError::statement(QStringLiteral("Incorrect syntax near '%1'.").arg(near));
    }

    QString readName()
    {
        QString name;
        for (;;) {
            const SqlToken *token = peek();
            if (!token || (token->kind != SqlTokenKind::Word && token->kind != SqlTokenKind::Identifier))
                fail(token ? token->text : QStringLiteral("EXEC"));
            name = SqlLexer::nameOf(*token); // a schema prefix ("dbo.") names no other procedure here
            ++m_pos;
            if (!peek() || !peek()->isSymbol(QLatin1StringView(".")))
                return name;
            ++m_pos;
        }
    }

    void expectComma()
    {
        if (!peek()->isSymbol(QLatin1StringView(",")))
            fail(peek()->text);
        ++m_pos;
    }

    StoredProcedure::Argument readArgument()
    {
        StoredProcedure::Argument argument;
        const SqlToken *token = peek();
        if (token && token->kind == SqlTokenKind::Word && token->text.startsWith(u'@')) {
            argument.name = withoutAt(token->text);
            ++m_pos;
            if (!peek() || !peek()->isSymbol(QLatin1StringView("=")))
                fail(token->text);
            ++m_pos;
        }
        argument.value = readValue();
        if (peek() && (peek()->isWord(QLatin1StringView("OUTPUT")) || peek()->isWord(QLatin1StringView("OUT"))))
            ++m_pos;
        return argument;
    }

    Variant readValue()
    {
        const SqlToken *token = peek();
        if (!token)
            fail(QStringLiteral(","));
        QString sign;
        if (token->isSymbol(QLatin1StringView("-")) || token->isSymbol(QLatin1StringView("+"))) {
            sign = token->text;
            ++m_pos;
            token = peek();
            if (!token || token->kind != SqlTokenKind::Number)
                fail(sign);
        }
        ++m_pos;
        switch (token->kind) {
        case SqlTokenKind::Number:
            return number(sign + token->text);
        case SqlTokenKind::Text:
            return SqlLexer::unquote(token->text);
        case SqlTokenKind::Word:
            if (token->isWord(QLatin1StringView("NULL")) || token->isWord(QLatin1StringView("DEFAULT")))
                return Variant::null();
            if (token->text.startsWith(u'@'))
                fail(token->text);
            return token->text; // SQL Server takes a bare word argument as a text
        default:
            fail(token->text);
        }
    }

    Variant number(const QString &text) const
    {
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok);
        if (ok && whole >= INT32_MIN && whole <= INT32_MAX)
            return Variant(qint32(whole));
        const double real = text.toDouble(&ok);
        if (!ok)
            fail(text);
        return Variant(real);
    }

    std::vector<const SqlToken *> m_tokens;
    size_t m_pos = 0;
};

} // namespace

StoredProcedure::StoredProcedure(QString name, const QString &parameterList, QString body)
    : m_name(std::move(name)), m_body(std::move(body))
{
    const QString trimmed = parameterList.trimmed();
    if (trimmed.isEmpty())
        return;
    for (const QString &item : trimmed.split(u',')) {
        const QStringList words = item.simplified().split(u' ');
        const bool output = words.size() == 2
                            && (words[1].compare(QLatin1StringView("OUTPUT"), Qt::CaseInsensitive) == 0
                                || words[1].compare(QLatin1StringView("OUT"), Qt::CaseInsensitive) == 0);
        // "@@Name" would be stored as "@Name", which no call could ever pass by name.
        const bool named = words[0].startsWith(u'@') && words[0].size() >= 2 && words[0].at(1) != u'@';
        if (!named || (words.size() != 1 && !output)) {
            throw DbError::statement(
                QStringLiteral("Procedure '%1' has a malformed parameter list: '%2'.").arg(m_name, parameterList));
        }
        m_parameters.push_back(ParameterDefinition{withoutAt(words[0]), output});
    }
}

int StoredProcedure::indexOf(QString name) const
{
    name = withoutAt(name);
    for (size_t i = 0; i < m_parameters.size(); ++i) {
        if (m_parameters[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

std::vector<Variant> StoredProcedure::bind(const std::vector<Argument> &arguments) const
{
    std::vector<Variant> values(m_parameters.size(), Variant::null());
    bool namedSeen = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const Argument &argument = arguments[i];
        if (argument.name.isEmpty()) {
            if (namedSeen) {
                throw DbError::statement(
                    QStringLiteral("Must pass parameter number %1 and subsequent parameters as '@name = value'.")
                        .arg(i + 1));
            }
            if (i >= m_parameters.size()) {
                throw DbError::statement(
                    QStringLiteral("Procedure or function '%1' has too many arguments specified.").arg(m_name));
            }
            values[i] = argument.value;
            continue;
        }
        namedSeen = true;
        const int index = indexOf(argument.name);
        if (index < 0) {
            throw DbError::statement(
                QStringLiteral("'@%1' is not a parameter for procedure '%2'.").arg(argument.name, m_name));
        }
        values[size_t(index)] = argument.value;
    }
    return values;
}

std::optional<StoredProcedure::Call> StoredProcedure::parseCall(const std::vector<SqlToken> &tokens)
{
    return CallReader(tokens).read();
}

QString StoredProcedure::isoText(const Date &date)
{
    const QString pattern = date.millisecond() != 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                    : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return date.toDateTime().toString(pattern);
}

QString StoredProcedure::literal(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
        return QStringLiteral("NULL");
    case VarType::Boolean:
        return value.asBool() ? QStringLiteral("1") : QStringLiteral("0");
    case VarType::Integer:
        return QString::number(value.asInteger());
    case VarType::Long:
        return QString::number(value.asLong());
    case VarType::Double:
        return QString::number(value.asDouble(), 'g', QLocale::FloatingPointShortest);
    case VarType::Date:
        return SqlLexer::quote(isoText(value.asDate()));
    case VarType::String:
        return SqlLexer::quote(value.asString());
    case VarType::Object:
        break;
    }
    return QStringLiteral("<object>");
}

} // namespace Ostraven
