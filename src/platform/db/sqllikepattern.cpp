#include "sqllikepattern.h"

namespace Ostraven {

SqlLikePattern::SqlLikePattern(const QString &pattern, QChar escape)
{
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
            m_elements.push_back(Element{Kind::Literal, pattern.at(++i).toCaseFolded(), {}, false});
            continue;
        }
        if (c == u'%') {
            if (m_elements.empty() || m_elements.back().kind != Kind::AnyRun)
                m_elements.push_back(Element{Kind::AnyRun, {}, {}, false});
            continue;
        }
        if (c == u'_') {
            m_elements.push_back(Element{Kind::AnyOne, {}, {}, false});
            continue;
        }
        if (c == u'[' && readClass(pattern, i))
            continue;
        m_elements.push_back(Element{Kind::Literal, c.toCaseFolded(), {}, false});
    }
}

bool SqlLikePattern::readClass(const QString &pattern, qsizetype &position)
{
    const qsizetype close = pattern.indexOf(u']', position + 2);
    if (close < 0)
        return false;
    Element element{Kind::Class, {}, {}, false};
    qsizetype i = position + 1;
    if (pattern.at(i) == u'^' && i + 1 < close) {
        element.negated = true;
        ++i;
    }
    for (; i < close; ++i) {
        const QChar low = pattern.at(i).toCaseFolded();
        if (i + 2 < close && pattern.at(i + 1) == u'-') {
            element.ranges.push_back(Range{low, pattern.at(i + 2).toCaseFolded()});
            i += 2;
            continue;
        }
        element.ranges.push_back(Range{low, low});
    }
    m_elements.push_back(std::move(element));
    position = close;
    return true;
}

bool SqlLikePattern::matchesOne(const Element &element, QChar folded)
{
    switch (element.kind) {
    case Kind::AnyOne:
        return true;
    case Kind::Literal:
        return element.literal == folded;
    case Kind::Class:
        for (const Range &range : element.ranges) {
            if (folded >= range.low && folded <= range.high)
                return !element.negated;
        }
        return element.negated;
    case Kind::AnyRun:
        break;
    }
    return false;
}

// Every element but "%" takes exactly one character, so going back to the last "%" on a mismatch is
// enough; no deeper backtracking can find a match this misses.
bool SqlLikePattern::matches(const QString &text) const
{
    const qsizetype count = qsizetype(m_elements.size());
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype runElement = -1;
    qsizetype runText = 0;
    while (t < text.size()) {
        if (p < count && m_elements[p].kind == Kind::AnyRun) {
            runElement = p++;
            runText = t;
            continue;
        }
        if (p < count && matchesOne(m_elements[p], text.at(t).toCaseFolded())) {
            ++p;
            ++t;
            continue;
        }
        if (runElement < 0)
            return false;
        p = runElement + 1;
        t = ++runText;
    }
    while (p < count && m_elements[p].kind == Kind::AnyRun)
        ++p;
    return p == count;
}

} // namespace Ostraven
