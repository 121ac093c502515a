#include "sqllexer.h"

#include "dberror.h"

namespace Ostraven {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

class Scanner
{
public:
    explicit Scanner(const QString &sql) : m_sql(sql) {}

    std::vector<SqlToken> run()
    {
        while (m_pos < m_sql.size())
            m_tokens.push_back(next());
        return std::move(m_tokens);
    }

private:
    [[nodiscard]] QChar at(qsizetype pos) const { return pos < m_sql.size() ? m_sql.at(pos) : QChar(); }

    SqlToken take(SqlTokenKind kind, qsizetype end)
    {
        SqlToken token{kind, m_sql.mid(m_pos, end - m_pos)};
        m_pos = end;
        return token;
    }

    SqlToken next()
    {
        const QChar c = at(m_pos);
        if (c.isSpace())
            return blanks();
        if (c == u'-' && at(m_pos + 1) == u'-')
            return lineComment();
        if (c == u'/' && at(m_pos + 1) == u'*')
            return blockComment();
        if (c == u'\'')
            return text(m_pos);
        if ((c == u'N' || c == u'n') && at(m_pos + 1) == u'\'') {
            ++m_pos; // the Unicode marker means nothing to a database whose texts are all Unicode
            return text(m_pos);
        }
        if (c == u'[')
            return delimited(u']', "Unclosed bracket in the name beginning with '%1'.");
        if (c == u'"')
            return delimited(u'"', "Unclosed quotation mark in the name beginning with '%1'.");
        if (c.isDigit() || (c == u'.' && at(m_pos + 1).isDigit()))
            return number();
        if (isNameStart(c))
            return word();
        return symbol();
    }

    SqlToken blanks()
    {
        qsizetype end = m_pos;
        while (end < m_sql.size() && m_sql.at(end).isSpace())
            ++end;
        return take(SqlTokenKind::Blank, end);
    }

    SqlToken lineComment()
    {
        qsizetype end = m_sql.indexOf(u'\n', m_pos);
        return take(SqlTokenKind::Blank, end < 0 ? m_sql.size() : end);
    }

    SqlToken blockComment()
    {
        const qsizetype close = m_sql.indexOf(QLatin1StringView("*/"), m_pos + 2);
        if (close < 0)
            throw DbError::statement(QStringLiteral("Missing end comment mark '*/'."));
        return take(SqlTokenKind::Blank, close + 2);
    }

    SqlToken text(qsizetype start)
    {
        qsizetype end = start + 1;
        for (;;) {
            end = m_sql.indexOf(u'\'', end);
            if (end < 0) {
                throw DbError::statement(
                    QStringLiteral("Unclosed quotation mark after the character string '%1'.")
                        .arg(m_sql.mid(start + 1)));
            }
            if (at(end + 1) != u'\'')
                break;
            end += 2;
        }
        return take(SqlTokenKind::Text, end + 1);
    }

    SqlToken delimited(QChar close, const char *unclosed)
    {
        qsizetype end = m_pos + 1;
        for (;;) {
            end = m_sql.indexOf(close, end);
            if (end < 0)
                throw DbError::statement(QString::fromLatin1(unclosed).arg(m_sql.mid(m_pos + 1)));
            if (at(end + 1) != close)
                break;
            end += 2;
        }
        return take(SqlTokenKind::Identifier, end + 1);
    }

    SqlToken number()
    {
        qsizetype end = m_pos;
        if (at(end) == u'0' && (at(end + 1) == u'x' || at(end + 1) == u'X')) {
            end += 2;
            while (at(end).isLetterOrNumber())
                ++end;
            return take(SqlTokenKind::Number, end);
        }
        while (at(end).isDigit() || at(end) == u'.')
            ++end;
        if ((at(end) == u'e' || at(end) == u'E')
            && (at(end + 1).isDigit() || ((at(end + 1) == u'+' || at(end + 1) == u'-') && at(end + 2).isDigit()))) {
            end += 2;
            while (at(end).isDigit())
                ++end;
        }
        return take(SqlTokenKind::Number, end);
    }

    SqlToken word()
    {
        qsizetype end = m_pos + 1;
        while (end < m_sql.size() && isNamePart(m_sql.at(end)))
            ++end;
        return take(SqlTokenKind::Word, end);
    }

    SqlToken symbol()
    {
        static const char *const pairs[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "==", "<<", ">>"};
        const QStringView two = QStringView(m_sql).mid(m_pos, 2);
        for (const char *pair : pairs) {
            if (two == QLatin1StringView(pair))
                return take(SqlTokenKind::Symbol, m_pos + 2);
        }
        return take(SqlTokenKind::Symbol, m_pos + 1);
    }

    const QString &m_sql;
    qsizetype m_pos = 0;
    std::vector<SqlToken> m_tokens;
};

} // namespace

std::vector<SqlToken> SqlLexer::tokenize(const QString &sql)
{
    return Scanner(sql).run();
}

QString SqlLexer::unquote(const QString &textToken)
{
    QString inner = textToken.mid(1, textToken.size() - 2);
    return inner.replace(QLatin1StringView("''"), QLatin1StringView("'"));
}

QString SqlLexer::nameOf(const SqlToken &token)
{
    if (token.kind != SqlTokenKind::Identifier)
        return token.text;
    const QChar close = token.text.front() == u'[' ? QChar(u']') : QChar(u'"');
    QString inner = token.text.mid(1, token.text.size() - 2);
    return inner.replace(QString(2, close), QString(close));
}

QString SqlLexer::quote(const QString &value)
{
    QString quoted = value;
    quoted.replace(u'\'', QLatin1StringView("''"));
    return u'\'' + quoted + u'\'';
}

std::vector<QString> SqlLexer::splitStatements(const QString &sql)
{
    std::vector<QString> statements;
    QString current;
    bool meaningful = false;
    for (const SqlToken &token : tokenize(sql)) {
        if (token.isSymbol(QLatin1StringView(";"))) {
            if (meaningful)
                statements.push_back(current);
            current.clear();
            meaningful = false;
            continue;
        }
        current += token.text;
        meaningful = meaningful || token.kind != SqlTokenKind::Blank;
    }
    if (meaningful)
        statements.push_back(current);
    return statements;
}

bool SqlLexer::holdsMoreThanOneStatement(const std::vector<SqlToken> &tokens)
{
    bool terminated = false;
    for (const SqlToken &token : tokens) {
        if (token.kind == SqlTokenKind::Blank)
            continue;
        const bool terminator = token.isSymbol(QLatin1StringView(";"));
        if (terminated && !terminator)
            return true;
        terminated = terminated || terminator;
    }
    return false;
}

} // namespace Ostraven
