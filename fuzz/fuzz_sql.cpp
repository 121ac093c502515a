// Statement texts on their way to SQLite: the lexer, the rewrite into SQLite's dialect, the
// statement split and the stored-procedure call parser with the binding of its arguments.
//
// Input: a statement text; optionally "\n" and a procedure's parameter list, which the parsed
// call's arguments are bound to.

#include "support/fuzzsupport.h"

#include "platform/db/sqldialect.h"
#include "platform/db/sqllexer.h"
#include "platform/db/storedprocedure.h"
#include "platform/vberror.h"

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

// The tokens are the text cut into pieces: only the N of an N'..' literal is left out.
void checkCoverage(const QString &sql, const std::vector<SqlToken> &tokens)
{
    qsizetype at = 0;
    for (const SqlToken &token : tokens) {
        if (token.text.isEmpty())
            invariantBroken("an empty token", sql);
        if (token.kind == SqlTokenKind::Text && !QStringView(sql).mid(at).startsWith(token.text)
            && (sql.at(at) == u'N' || sql.at(at) == u'n'))
            ++at;
        if (!QStringView(sql).mid(at).startsWith(token.text))
            invariantBroken("the tokens are not the text", sql);
        at += token.text.size();
    }
    if (at != sql.size())
        invariantBroken("the tokens end before the text", sql);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = textOf(data, size);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const QString sql = newline < 0 ? text : text.left(newline);
    const QString parameterList = newline < 0 ? QString() : text.mid(newline + 1);

    std::vector<SqlToken> tokens;
    try {
        tokens = SqlLexer::tokenize(sql);
    } catch (const VbError &) {
        return 0;
    }
    checkCoverage(sql, tokens);
    (void)SqlLexer::holdsMoreThanOneStatement(tokens);
    (void)SqlLexer::splitStatements(sql);
    for (const SqlToken &token : tokens) {
        if (token.kind == SqlTokenKind::Text && SqlLexer::quote(SqlLexer::unquote(token.text)) != token.text)
            invariantBroken("a text literal does not quote back to itself", token.text);
        (void)SqlLexer::nameOf(token);
    }

    // The rewrite never breaks a literal, a bracketed name or a comment apart.
    const QString rewritten = SqlDialect::toSqlite(tokens);
    try {
        (void)SqlLexer::tokenize(rewritten);
    } catch (const VbError &) {
        invariantBroken("the rewritten statement no longer tokenizes", sql + QStringLiteral("\n->\n") + rewritten);
    }

    std::optional<StoredProcedure::Call> call;
    try {
        call = StoredProcedure::parseCall(tokens);
    } catch (const VbError &) {
        return 0;
    }
    if (!call)
        return 0;
    for (const StoredProcedure::Argument &argument : call->arguments)
        (void)StoredProcedure::literal(argument.value);
    try {
        const StoredProcedure procedure(call->procedure, parameterList, QStringLiteral("SELECT 1"));
        const std::vector<Variant> values = procedure.bind(call->arguments);
        if (values.size() != procedure.parameters().size())
            invariantBroken("binding gave a value count other than the parameter count", sql);
        for (const StoredProcedure::ParameterDefinition &parameter : procedure.parameters()) {
            if (procedure.indexOf(parameter.name) < 0)
                invariantBroken("a parameter cannot be found by its own name", parameter.name);
        }
    } catch (const VbError &) {
    }
    return 0;
}
