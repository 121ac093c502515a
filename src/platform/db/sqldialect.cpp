#include "sqldialect.h"

#include <QSet>

namespace Ostraven {

namespace {

// A token, or a bracketed stretch (parentheses, or CASE ... END) whose inside is rewritten on its own:
// operators never reach across a bracket.
struct Node {
    const SqlToken *token = nullptr;
    const SqlToken *open = nullptr;
    const SqlToken *close = nullptr;
    std::vector<Node> children;
    QString replacement; // the SQLite spelling of a SQL Server function name

    [[nodiscard]] bool isGroup() const { return token == nullptr; }
    [[nodiscard]] bool isBlank() const { return token && token->kind == SqlTokenKind::Blank; }
    [[nodiscard]] bool isName() const
    {
        return token && (token->kind == SqlTokenKind::Word || token->kind == SqlTokenKind::Identifier);
    }
};

std::vector<Node> buildTree(const std::vector<SqlToken> &tokens)
{
    std::vector<std::vector<Node>> stack(1);
    std::vector<const SqlToken *> openers;
    for (const SqlToken &token : tokens) {
        const bool opensCase = token.isWord(QLatin1StringView("CASE"));
        if (token.isSymbol(QLatin1StringView("(")) || opensCase) {
            openers.push_back(&token);
            stack.emplace_back();
            continue;
        }
        const bool closesParen = token.isSymbol(QLatin1StringView(")")) && !openers.empty()
                                 && openers.back()->kind == SqlTokenKind::Symbol;
        const bool closesCase = token.isWord(QLatin1StringView("END")) && !openers.empty()
                                && openers.back()->kind == SqlTokenKind::Word;
        if (closesParen || closesCase) {
            Node group{nullptr, openers.back(), &token, std::move(stack.back()), {}};
            openers.pop_back();
            stack.pop_back();
            stack.back().push_back(std::move(group));
            continue;
        }
        stack.back().push_back(Node{&token, nullptr, nullptr, {}, {}});
    }
    // An unbalanced opener stays as it was written, so that the database reports it in its own words.
    while (stack.size() > 1) {
        std::vector<Node> inner = std::move(stack.back());
        stack.pop_back();
        stack.back().push_back(Node{openers.back(), nullptr, nullptr, {}, {}});
        openers.pop_back();
        for (Node &node : inner)
            stack.back().push_back(std::move(node));
    }
    return std::move(stack.front());
}

// IsNull is an operator word in SQLite ("x ISNULL"), so its calls take SQLite's name for the same function.
void renameFunctions(std::vector<Node> &level)
{
    for (size_t i = 0; i < level.size(); ++i) {
        Node &node = level[i];
        if (node.isGroup()) {
            renameFunctions(node.children);
            continue;
        }
        if (!node.token->isWord(QLatin1StringView("ISNULL")))
            continue;
        size_t next = i + 1;
        while (next < level.size() && level[next].isBlank())
            ++next;
        if (next < level.size() && level[next].isGroup() && level[next].open->isSymbol(QLatin1StringView("(")))
            node.replacement = QStringLiteral("ifnull");
    }
}

bool isBoundary(const Node &node)
{
    static const QSet<QString> keywords = {
        "SELECT", "DISTINCT", "ALL", "FROM", "WHERE", "AND", "OR", "NOT", "LIKE", "IN", "IS", "BETWEEN", "AS",
        "ON", "JOIN", "INNER", "LEFT", "RIGHT", "OUTER", "CROSS", "FULL", "NATURAL", "ORDER", "BY", "GROUP",
        "HAVING", "UNION", "EXCEPT", "INTERSECT", "WHEN", "THEN", "ELSE", "SET", "VALUES", "INTO", "INSERT",
        "UPDATE", "DELETE", "DESC", "ASC", "LIMIT", "OFFSET", "ESCAPE", "EXISTS", "TOP", "COLLATE", "ANY",
        "SOME", "GLOB", "REGEXP", "MATCH", "USING", "WITH", "RETURNING", "EXEC", "EXECUTE"};
    static const QSet<QString> symbols = {",", ";", "=", "==", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
    if (node.isGroup())
        return false;
    if (node.token->kind == SqlTokenKind::Word)
        return keywords.contains(node.token->text.toUpper());
    return node.token->kind == SqlTokenKind::Symbol && symbols.contains(node.token->text);
}

QString render(const std::vector<Node> &nodes);

QString render(const Node &node)
{
    if (!node.isGroup())
        return node.replacement.isEmpty() ? node.token->text : node.replacement;
    return node.open->text + render(node.children) + node.close->text;
}

// One chain of operands joined by binary "+" and "-", folded left to right as SQL Server groups them.
class AdditiveChain
{
public:
    void addOperandPart(const QString &text) { m_current += text; }
    void addOperator(QChar op)
    {
        m_operands.push_back(m_current);
        m_operators.push_back(op);
        m_current.clear();
    }

    [[nodiscard]] QString fold() const
    {
        if (m_operators.empty())
            return m_current;
        std::vector<QString> operands = m_operands;
        operands.push_back(m_current);
        const QString &first = operands.front();
        const QString &last = operands.back();
        qsizetype leading = 0;
        while (leading < first.size() && first.at(leading).isSpace())
            ++leading;
        qsizetype trailing = last.size();
        while (trailing > 0 && last.at(trailing - 1).isSpace())
            --trailing;
        QString folded = first.trimmed();
        for (size_t i = 0; i < m_operators.size(); ++i) {
            const QString operand = operands[i + 1].trimmed();
            if (m_operators[i] == u'+')
                folded = QStringLiteral("ov_add(%1, %2)").arg(folded, operand);
            else
                folded = folded + QStringLiteral(" - ") + operand;
        }
        return first.left(leading) + folded + last.mid(trailing);
    }

private:
    std::vector<QString> m_operands;
    std::vector<QChar> m_operators;
    QString m_current;
};

bool containsPlus(const std::vector<const Node *> &segment)
{
    for (const Node *node : segment) {
        if (!node->isGroup() && node->token->isSymbol(QLatin1StringView("+")))
            return true;
    }
    return false;
}

QString renderSegment(const std::vector<const Node *> &segment)
{
    QString out;
    if (!containsPlus(segment)) {
        for (const Node *node : segment)
            out += render(*node);
        return out;
    }
    AdditiveChain chain;
    bool expectOperand = true;
    const Node *previous = nullptr;
    for (const Node *node : segment) {
        if (node->isBlank()) {
            // A comment inside a rewritten expression would swallow the closing parenthesis of ov_add.
            const bool comment = !node->token->text.front().isSpace();
            chain.addOperandPart(comment ? QStringLiteral(" ") : node->token->text);
            continue;
        }
        const bool isSymbol = !node->isGroup() && node->token->kind == SqlTokenKind::Symbol;
        const bool additive = isSymbol && (node->token->text == u"+" || node->token->text == u"-");
        if (additive && !expectOperand) {
            chain.addOperator(node->token->text.front());
            expectOperand = true;
        } else if (isSymbol) {
            chain.addOperandPart(node->token->text);
            expectOperand = true;
        } else {
            const bool call = node->isGroup() && previous && previous->isName();
            if (!expectOperand && !call) {
                // Two operands side by side (an alias without AS): the expression ended before this one.
                out += chain.fold();
                chain = AdditiveChain();
            }
            chain.addOperandPart(render(*node));
            expectOperand = false;
        }
        previous = node;
    }
    return out + chain.fold();
}

struct TopClause {
    std::vector<const Node *> nodes;
    QString limit;
};

qsizetype nextMeaningful(const std::vector<const Node *> &nodes, qsizetype from)
{
    while (from < qsizetype(nodes.size()) && nodes[from]->isBlank())
        ++from;
    return from;
}

bool isWord(const std::vector<const Node *> &nodes, qsizetype index, const char *word)
{
    return index < qsizetype(nodes.size()) && !nodes[index]->isGroup()
           && nodes[index]->token->isWord(QLatin1StringView(word));
}

// "SELECT [DISTINCT|ALL] TOP n" loses its TOP n; the caller appends "LIMIT n" at the end of the same level.
TopClause takeTop(const std::vector<Node> &level)
{
    TopClause result;
    for (const Node &node : level)
        result.nodes.push_back(&node);
    for (qsizetype i = 0; i < qsizetype(result.nodes.size()); ++i) {
        if (!isWord(result.nodes, i, "SELECT"))
            continue;
        qsizetype top = nextMeaningful(result.nodes, i + 1);
        if (isWord(result.nodes, top, "DISTINCT") || isWord(result.nodes, top, "ALL"))
            top = nextMeaningful(result.nodes, top + 1);
        if (!isWord(result.nodes, top, "TOP"))
            continue;
        const qsizetype count = nextMeaningful(result.nodes, top + 1);
        if (count >= qsizetype(result.nodes.size()))
            return result;
        const Node *countNode = result.nodes[count];
        if (!countNode->isGroup() && countNode->token->kind != SqlTokenKind::Number)
            return result;
        result.limit = render(*countNode);
        result.nodes.erase(result.nodes.begin() + top, result.nodes.begin() + count + 1);
        return result;
    }
    return result;
}

QString renderLevel(const std::vector<const Node *> &nodes)
{
    QString out;
    std::vector<const Node *> segment;
    for (const Node *node : nodes) {
        if (!isBoundary(*node)) {
            segment.push_back(node);
            continue;
        }
        out += renderSegment(segment);
        segment.clear();
        out += render(*node);
    }
    return out + renderSegment(segment);
}

QString render(const std::vector<Node> &level)
{
    const TopClause top = takeTop(level);
    if (top.limit.isEmpty())
        return renderLevel(top.nodes);

    // The limit goes before a closing ";" and whatever blanks or comments follow the statement.
    auto bodyEnd = top.nodes.end();
    while (bodyEnd != top.nodes.begin()) {
        const Node *last = *(bodyEnd - 1);
        if (!last->isBlank() && !(!last->isGroup() && last->token->isSymbol(QLatin1StringView(";"))))
            break;
        --bodyEnd;
    }
    const std::vector<const Node *> body(top.nodes.begin(), bodyEnd);
    const std::vector<const Node *> tail(bodyEnd, top.nodes.end());
    return renderLevel(body) + QStringLiteral(" LIMIT ") + top.limit + renderLevel(tail);
}

} // namespace

QString SqlDialect::toSqlite(const std::vector<SqlToken> &tokens)
{
    // Comments mean nothing to either dialect; as blanks they can never end up swallowing a closing
    // parenthesis that a rewrite puts after them.
    std::vector<SqlToken> blanked = tokens;
    for (SqlToken &token : blanked) {
        if (token.kind == SqlTokenKind::Blank && !token.text.isEmpty() && !token.text.front().isSpace())
            token.text = QStringLiteral(" ");
    }
    std::vector<Node> tree = buildTree(blanked);
    renameFunctions(tree);
    return render(tree);
}

} // namespace Ostraven
