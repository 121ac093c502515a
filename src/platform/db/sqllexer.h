#pragma once

#include <QString>

#include <vector>

namespace Ostraven {

enum class SqlTokenKind {
    Blank,      // blanks and comments
    Word,       // a plain name or keyword
    Identifier, // a [bracketed] or "quoted" name
    Text,       // a '...' literal; an N'...' literal is kept without its N
    Number,
    Symbol,     // operators and punctuation, one token per operator ("<=", "<>", "(", ",", ";")
};

struct SqlToken {
    SqlTokenKind kind = SqlTokenKind::Blank;
    QString text;

    [[nodiscard]] bool isWord(QLatin1StringView word) const
    {
        return kind == SqlTokenKind::Word && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    [[nodiscard]] bool isSymbol(QLatin1StringView symbol) const
    {
        return kind == SqlTokenKind::Symbol && text == symbol;
    }
};

// Splits statement text the way both dialects agree on: quoted texts, bracketed names and comments are
// single tokens, so nothing inside them is ever mistaken for an operator, a keyword or a terminator.
class SqlLexer
{
public:
    // Raises VbError for a quotation mark or bracket that is never closed.
    [[nodiscard]] static std::vector<SqlToken> tokenize(const QString &sql);

    // The value of a Text token: the quotes removed and doubled apostrophes made single.
    [[nodiscard]] static QString unquote(const QString &textToken);
    // The name inside a Word or Identifier token.
    [[nodiscard]] static QString nameOf(const SqlToken &token);
    [[nodiscard]] static QString quote(const QString &value);

    // The statements of the text split at ";" outside quotes; blank pieces are dropped.
    [[nodiscard]] static std::vector<QString> splitStatements(const QString &sql);
    // True when anything other than blanks or comments follows the first terminating ";".
    [[nodiscard]] static bool holdsMoreThanOneStatement(const std::vector<SqlToken> &tokens);
};

} // namespace Ostraven
