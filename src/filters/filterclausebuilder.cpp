#include "filterclausebuilder.h"

#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/db/connection.h"
#include "platform/db/sqlliteral.h"
#include "platform/variant.h"

#include <QStringList>

namespace Ostraven {

namespace {

// Ordinary addresses are compared without their server part, and second-family addresses are kept
// out of that comparison because their first part is the controller itself.
const QString addressTailCondition = QStringLiteral(
    R"( (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");
const QString twoBackslashes = QStringLiteral(R"(\\)");
const QString legacyJoin = QStringLiteral(" OR  ");

QString groupQuery(qint32 groupId)
{
    return QStringLiteral("Select * from EventFilters Where GroupID = ") + QString::number(groupId);
}

// The host platform compares a field with a number after converting it; Null is never equal.
bool equalsNumber(const Variant &value, double number)
{
    if (value.isNull())
        return false;
    return CDbl(value) == number;
}

// Concatenation drops a Null, as the platform's "&" does.
QString textOrEmpty(const Variant &value)
{
    return value.isNull() ? QString() : CStr(value);
}

// The platform's Split: an empty text has no items at all.
QStringList splitItems(const QString &text)
{
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char(','));
}

const QString &itemAt(const QStringList &items, qsizetype index)
{
    if (index < 0 || index >= items.size())
        throw VbError::fromNumber(VbError::SubscriptOutOfRange);
    return items.at(index);
}

QString afterFirstPoint(const QString &item)
{
    return item.mid(item.indexOf(QLatin1Char('.')) + 1);
}

QString addressCondition(const QString &item)
{
    return addressTailCondition + twoBackslashes + doubledQuotes(afterFirstPoint(item)) + QStringLiteral("%') OR  ");
}

QString firstItemCondition(const QString &item)
{
    if (IsNumeric(Variant(item)))
        return QStringLiteral(" ([ID] =") + item + QStringLiteral(" AND (");
    if (item.contains(QStringLiteral("ZEKO")))
        return QStringLiteral(" (Address LIKE '") + doubledQuotes(item) + QStringLiteral("%' OR  ");
    return addressCondition(item);
}

QString laterItemCondition(const QString &item)
{
    if (item.contains(QStringLiteral("ZEKO")))
        return QStringLiteral(" Address LIKE '") + doubledQuotes(item) + QStringLiteral("%' OR  ");
    return addressCondition(item);
}

void closeOpenBrackets(QString &clause)
{
    const qsizetype open = clause.count(QLatin1Char('('));
    const qsizetype closed = clause.count(QLatin1Char(')'));
    if (open > closed)
        clause += QString(open - closed, QLatin1Char(')'));
}

void storeFilterString(QStringList &strings, qsizetype index, const QString &filter)
{
    strings.resize(index + 1);
    strings[index] = filter;
}

} // namespace

FilterClauseBuilder::FilterClauseBuilder(MPublic &module) : m_module(module) {}

void FilterClauseBuilder::SetFilter2(qint32 GroupID)
{
    guarded(m_module.errors(), QStringLiteral("MPublic.SetFilter2"), [&] {
        m_module.filter.FilterStrings = QStringList{QString()};
        qsizetype n = 0;

        const std::unique_ptr<Recordset> rows = m_module.db().openRecordset(groupQuery(GroupID));
        if (rows->eof()) {
            rows->close();
            return;
        }
        const Variant firstSql = rows->field(QStringLiteral("sql"));
        if (firstSql.isNull() || CStr(firstSql).isEmpty()) {
            rows->close();
            SetFilter(GroupID);
            return;
        }

        m_module.filter.FilterInclusive = equalsNumber(rows->field(QStringLiteral("FilterType")), 1);
        m_module.filter.FilterClause = m_module.filter.FilterInclusive ? QStringLiteral(" Where (") : QStringLiteral(" Where NOT (");

        for (; !rows->eof(); rows->moveNext()) {
            m_module.filter.FilterClause += textOrEmpty(rows->field(QStringLiteral("sql"))) + QStringLiteral(" OR ");
            storeFilterString(m_module.filter.FilterStrings, n, CStr(rows->field(QStringLiteral("Filter"))));
            ++n;
        }
        rows->close();

        m_module.filter.FilterClause.chop(4);
        m_module.filter.FilterClause += QLatin1Char(')');
    });
}

void FilterClauseBuilder::SetFilter(qint32 GroupID)
{
    guarded(m_module.errors(), QStringLiteral("MPublic.SetFilter"), [&] {
        m_module.filter.FilterStrings = QStringList{QString()};
        qsizetype n = 0;

        const std::unique_ptr<Recordset> rows = m_module.db().openRecordset(groupQuery(GroupID));
        if (rows->eof()) {
            rows->close();
            return;
        }

        const QString includeStart = QStringLiteral(" Where ");
        const QString excludeStart = QStringLiteral(" Where NOT (");
        m_module.filter.FilterInclusive = equalsNumber(rows->field(QStringLiteral("FilterType")), 1);
        m_module.filter.FilterClause = m_module.filter.FilterInclusive ? includeStart : excludeStart;

        for (; !rows->eof(); rows->moveNext()) {
            const QString filter = CStr(rows->field(QStringLiteral("Filter")));
            const QStringList items = splitItems(filter);
            QString &clause = m_module.filter.FilterClause;

            if (clause != includeStart && clause != excludeStart)
                clause += legacyJoin;
            clause += firstItemCondition(itemAt(items, 0));
            for (qsizetype i = 1; i < items.size(); ++i)
                clause += laterItemCondition(items.at(i));
            // After an event number with no addresses this takes "AND (" and leaves the blank.
            clause.chop(5);
            closeOpenBrackets(clause);

            storeFilterString(m_module.filter.FilterStrings, n, filter);
            ++n;
        }
        rows->close();
    });
}

} // namespace Ostraven
