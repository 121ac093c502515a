#pragma once

#include "sqllexer.h"

#include <QString>

#include <vector>

namespace Ostraven {

// Rewrites one statement of the host's SQL Server dialect into SQLite's: "SELECT [DISTINCT] TOP n" becomes a
// LIMIT, N'..' literals lose their N (done by the lexer), and every binary "+" becomes ov_add(a, b) so that
// the run-time types of its operands decide between concatenation and addition, as SQL Server does.
// Substring, CharIndex, LIKE and the other functions keep their names; the backend registers them.
class SqlDialect
{
public:
    [[nodiscard]] static QString toSqlite(const std::vector<SqlToken> &tokens);
    [[nodiscard]] static QString toSqlite(const QString &sql) { return toSqlite(SqlLexer::tokenize(sql)); }
};

} // namespace Ostraven
