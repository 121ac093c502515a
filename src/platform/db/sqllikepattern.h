#pragma once

#include <QString>

#include <vector>

namespace Ostraven {

// A LIKE pattern read as SQL Server's default collation reads it: letter case ignored (Unicode too), "%"
// any run, "_" one character, "[abc]", "[a-c]" and "[^a]" classes, and no escape character unless the
// statement names one. A backslash is an ordinary character.
class SqlLikePattern
{
public:
    explicit SqlLikePattern(const QString &pattern, QChar escape = QChar());

    [[nodiscard]] bool matches(const QString &text) const;

private:
    enum class Kind { Literal, AnyOne, AnyRun, Class };
    struct Range {
        QChar low;
        QChar high;
    };
    struct Element {
        Kind kind = Kind::Literal;
        QChar literal;
        std::vector<Range> ranges;
        bool negated = false;
    };

    [[nodiscard]] static bool matchesOne(const Element &element, QChar folded);
    // Reads a class starting at the "[" at position; false when it is never closed.
    bool readClass(const QString &pattern, qsizetype &position);

    std::vector<Element> m_elements;
};

} // namespace Ostraven
