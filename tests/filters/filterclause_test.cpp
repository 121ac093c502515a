#include "filters/filterclausebuilder.h"
#include "filters/mpublic.h"

#include "host/db/hostdatabase.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace Ostraven {
namespace {

// The condition every legacy address item opens with; each backslash pair is two characters.
const QString tailCondition = QStringLiteral(
    R"( (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");

struct FilterRow {
    qint32 filterType = 1;
    std::optional<QString> filter;
    std::optional<QString> sql; // nullopt: Null
};

// The archive holds one event per line below, newest first, so that each clause can be checked by
// the rows it lets through.
struct ArchiveEvent {
    qint32 id;
    const char *address;
};
const ArchiveEvent archive[] = {
    {5000, R"(\\SRV1.1.1.5)"},  {2100, R"(\\SRV1.2.3)"},    {2100, R"(\\SRV2.2.9)"},
    {2100, R"(\\SRV1.1.1.2)"},  {4000, R"(\\SRV1.25.1)"},   {85000, R"(\\ZEKO01.2.3)"},
    {85001, R"(\\ZEKO02.1.1)"},
};

std::vector<std::string> texts(const QStringList &list)
{
    std::vector<std::string> result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}

std::vector<std::string> texts(const std::vector<QString> &list)
{
    return texts(QStringList(list.begin(), list.end()));
}

QString sqlText(const std::optional<QString> &text)
{
    if (!text)
        return QStringLiteral("NULL");
    QString quoted = *text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

class FilterClauseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HostDatabase::createDatabase(m_folder.filePath(QStringLiteral("host.sqlite")), 0);
        m_module.DBConnection = Connection::openSqlite(m_folder.filePath(QStringLiteral("host.sqlite")));
        for (const char *table : {"AlarmActive", "Log_Transactions", "Log_Misc", "Log_Events"})
            m_module.db().execute(QStringLiteral("DELETE FROM ") + QLatin1String(table));
        int minute = 59;
        for (const ArchiveEvent &event : archive) {
            const QString date = QStringLiteral("'2024-06-14 10:%1:00'").arg(minute--);
            m_module.db().execute(
                QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate, Description)"
                               " VALUES (%1, '%2', 'KORA*GATE External', %3, %3, 'test')")
                    .arg(event.id)
                    .arg(QString::fromUtf8(event.address), date));
        }
    }

    void addGroup(qint32 groupId, const std::vector<FilterRow> &rows)
    {
        for (const FilterRow &row : rows) {
            m_module.db().execute(QStringLiteral("INSERT INTO EventFilters (GroupID, FilterName, FilterType, Filter, "
                                                 "FilterDescription, SQL) VALUES (%1, 'Test', %2, %3, 'd', %4)")
                                      .arg(groupId)
                                      .arg(row.filterType)
                                      .arg(sqlText(row.filter), sqlText(row.sql)));
        }
    }

    // The archive statement the loader sends for a group without a caller's condition; the events
    // it returns as "id address", newest first.
    std::vector<QString> archiveUnderClause()
    {
        const QString statement = QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] ")
                                  + m_module.FilterClause + QStringLiteral(" order by [dbDate] desc");
        std::vector<QString> found;
        const std::unique_ptr<Recordset> rows = m_module.db().openRecordset(statement, CursorType::Static);
        for (; !rows->eof(); rows->moveNext())
            found.push_back(CStr(rows->field(3)) + QLatin1Char(' ') + CStr(rows->field(2)));
        return found;
    }

    [[nodiscard]] std::vector<std::string> reportedLabels() const
    {
        std::vector<std::string> labels;
        for (const ScriptedDesktop::ShownBox &box : m_desktop->boxes()) {
            // "Function: <source>.<label>(<line>)"; the source names whoever raised the error.
            const QString &text = box.request.text;
            const qsizetype function = text.indexOf(QStringLiteral("Function: ")) + 10;
            const qsizetype start = text.indexOf(QLatin1Char('.'), function) + 1;
            labels.push_back(text.mid(start, text.indexOf(QLatin1Char('('), start) - start).toStdString());
        }
        return labels;
    }

    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    MPublic m_module{m_desktop, m_folder.path()};
    FilterClauseBuilder m_builder{m_module};
};

QString ev(int index)
{
    return QString::number(archive[index].id) + QLatin1Char(' ') + QString::fromUtf8(archive[index].address);
}

struct ClauseCase {
    const char *name;
    std::vector<FilterRow> rows;
    QString clause;
    bool inclusive;
    QStringList strings;
    std::vector<QString> archiveRows;
};

TEST_F(FilterClauseTest, BuildsTheClauseModeAndStringsOfAGroup)
{
    const QString p5000 = QStringLiteral("(([ID] = 5000) )");
    const QString pEntrance = QStringLiteral(R"((Address LIKE '\\SRV1.1.1%'))");
    const std::vector<ClauseCase> cases = {
        {"stored conditions, include, one row", {{1, "5000", p5000}},
         QStringLiteral(" Where ((([ID] = 5000) ))"), true, {"5000"}, {ev(0)}},
        {"stored conditions, include, two rows", {{1, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}},
         QStringLiteral(R"( Where ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))"), true,
         {"5000", R"(\\SRV1.1.1)"}, {ev(0), ev(3)}},
        {"stored conditions, exclude", {{0, "5000", p5000}},
         QStringLiteral(" Where NOT ((([ID] = 5000) ))"), false, {"5000"},
         {ev(1), ev(2), ev(3), ev(4), ev(5), ev(6)}},
        {"only the first row's type counts", {{0, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}},
         QStringLiteral(R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))"), false,
         {"5000", R"(\\SRV1.1.1)"}, {ev(1), ev(2), ev(4), ev(5), ev(6)}},
        {"legacy event number alone", {{1, "5000", std::nullopt}},
         QStringLiteral(" Where  ([ID] =5000 )"), true, {"5000"}, {ev(0)}},
        {"legacy event number with an address", {{1, R"(2100,\\SRV1.2)", QString()}},
         QStringLiteral(" Where  ([ID] =2100 AND (") + tailCondition + QStringLiteral(R"sql(\\2%')))))sql"), true,
         {R"(2100,\\SRV1.2)"}, {ev(1), ev(2)}},
        {"legacy event number with two addresses",
         {{1, R"(2100,\\SRV1.2,\\ZEKO01)", std::nullopt}},
         QStringLiteral(" Where  ([ID] =2100 AND (") + tailCondition
             + QStringLiteral(R"sql(\\2%') OR   Address LIKE '\\ZEKO01%'))))sql"),
         true, {R"(2100,\\SRV1.2,\\ZEKO01)"}, {ev(1), ev(2)}},
        {"legacy rows joined, include",
         {{1, "5000", std::nullopt}, {1, R"(2100,\\SRV1.2)", std::nullopt}},
         QStringLiteral(" Where  ([ID] =5000 ) OR   ([ID] =2100 AND (") + tailCondition
             + QStringLiteral(R"sql(\\2%')))))sql"),
         true, {"5000", R"(2100,\\SRV1.2)"}, {ev(0), ev(1), ev(2)}},
        {"legacy exclude: NOT covers only the first row",
         {{0, "5000", std::nullopt}, {0, R"(\\SRV1.1)", std::nullopt}},
         QStringLiteral(" Where NOT ( ([ID] =5000 )) OR  ") + tailCondition + QStringLiteral(R"sql(\\1%')))sql"), false,
         {"5000", R"(\\SRV1.1)"}, {ev(0), ev(1), ev(2), ev(3), ev(4), ev(5), ev(6)}},
        {"legacy second-family address", {{1, R"(\\ZEKO01.2)", std::nullopt}},
         QStringLiteral(R"( Where  (Address LIKE '\\ZEKO01.2%'))"), true, {R"(\\ZEKO01.2)"}, {ev(5)}},
        {"legacy ZEKO inside the item is still a plain prefix", {{1, R"(\\SRV1.ZEKO)", std::nullopt}},
         QStringLiteral(R"( Where  (Address LIKE '\\SRV1.ZEKO%'))"), true, {R"(\\SRV1.ZEKO)"}, {}},
        {"legacy event with a second-family address", {{1, R"(85000,\\ZEKO01.2)", std::nullopt}},
         QStringLiteral(R"sql( Where  ([ID] =85000 AND ( Address LIKE '\\ZEKO01.2%')))sql"), true,
         {R"(85000,\\ZEKO01.2)"}, {ev(5)}},
        {"legacy address without a point is used whole", {{1, R"(\\SRV1)", std::nullopt}},
         QStringLiteral(" Where ") + tailCondition + QStringLiteral(R"sql(\\\\SRV1%')))sql"), true,
         {R"(\\SRV1)"}, {}},
        {"legacy address tail is a text prefix", {{1, R"(\\SRV9.2)", std::nullopt}},
         QStringLiteral(" Where ") + tailCondition + QStringLiteral(R"sql(\\2%')))sql"), true, {R"(\\SRV9.2)"},
         {ev(1), ev(2), ev(4)}},
    };
    qint32 groupId = 100;
    for (const ClauseCase &c : cases) {
        SCOPED_TRACE(c.name);
        addGroup(++groupId, c.rows);
        m_builder.SetFilter2(groupId);
        EXPECT_EQ(m_module.FilterClause.toStdString(), c.clause.toStdString());
        EXPECT_EQ(m_module.FilterInclusive, c.inclusive);
        EXPECT_EQ(texts(m_module.FilterStrings), texts(c.strings));
        EXPECT_EQ(texts(archiveUnderClause()), texts(c.archiveRows));
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(FilterClauseTest, LegacyBuilderCalledDirectlyIgnoresStoredConditions)
{
    addGroup(7, {{1, "5000", QStringLiteral("(([ID] = 4000) )")}});
    m_builder.SetFilter(7);
    EXPECT_EQ(m_module.FilterClause.toStdString(), " Where  ([ID] =5000 )");
    EXPECT_EQ(texts(archiveUnderClause()), texts(std::vector<QString>{ev(0)}));
}

TEST_F(FilterClauseTest, ThreeRowsGiveExactlyThreeStringsInRowOrder)
{
    addGroup(3, {{1, "5000", std::nullopt}, {1, R"(\\SRV1.2)", std::nullopt}, {1, "4000", std::nullopt}});
    m_builder.SetFilter2(3);
    EXPECT_EQ(texts(m_module.FilterStrings), texts((QStringList{"5000", R"(\\SRV1.2)", "4000"})));
}

TEST_F(FilterClauseTest, AGroupWithoutRowsKeepsTheClauseAndEmptiesTheStrings)
{
    addGroup(3, {{0, "5000", std::nullopt}});
    m_builder.SetFilter2(3);
    const QString clause = m_module.FilterClause;

    m_builder.SetFilter2(99);
    EXPECT_EQ(m_module.FilterClause, clause);
    EXPECT_FALSE(m_module.FilterInclusive);
    EXPECT_EQ(texts(m_module.FilterStrings), texts(QStringList{QString()}));
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(FilterClauseTest, ALaterRowWithoutConditionBreaksTheArchiveStatement)
{
    addGroup(3, {{1, "5000", QStringLiteral("(([ID] = 5000) )")},
                 {1, "2100", QString()},
                 {1, "4000", QStringLiteral("(([ID] = 4000) )")}});
    m_builder.SetFilter2(3);
    EXPECT_EQ(m_module.FilterClause.toStdString(), " Where ((([ID] = 5000) ) OR  OR (([ID] = 4000) ))");
    EXPECT_THROW((void)archiveUnderClause(), VbError);
}

struct FailureCase {
    const char *name;
    std::vector<FilterRow> rows;
    std::string label;
    QString clause;
    QStringList strings;
};

TEST_F(FilterClauseTest, FailuresAreReportedAndKeepWhatWasBuilt)
{
    const std::vector<FailureCase> cases = {
        {"legacy empty filter", {{1, QString(), std::nullopt}}, "MPublic.SetFilter",
         QStringLiteral(" Where "), {QString()}},
        {"legacy empty filter after a good row", {{1, "5000", std::nullopt}, {1, QString(), std::nullopt}},
         "MPublic.SetFilter", QStringLiteral(" Where  ([ID] =5000 ) OR  "), {"5000"}},
        {"legacy Null filter", {{0, std::nullopt, std::nullopt}}, "MPublic.SetFilter",
         QStringLiteral(" Where NOT ("), {QString()}},
        {"stored condition with a Null filter", {{1, std::nullopt, QStringLiteral("(([ID] = 1) )")}},
         "MPublic.SetFilter2", QStringLiteral(" Where ((([ID] = 1) ) OR "), {QString()}},
    };
    qint32 groupId = 200;
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.name);
        m_desktop->clearRecords();
        addGroup(++groupId, c.rows);
        m_builder.SetFilter2(groupId);
        EXPECT_EQ(reportedLabels(), std::vector<std::string>{c.label});
        EXPECT_EQ(m_module.FilterClause.toStdString(), c.clause.toStdString());
        EXPECT_EQ(texts(m_module.FilterStrings), texts(c.strings));
    }
}

TEST_F(FilterClauseTest, NoConnectionIsReported)
{
    m_module.DBConnection.reset();
    m_builder.SetFilter2(1);
    EXPECT_EQ(reportedLabels(), std::vector<std::string>{"MPublic.SetFilter2"});
    EXPECT_EQ(texts(m_module.FilterStrings), texts(QStringList{QString()}));
}

} // namespace
} // namespace Ostraven
