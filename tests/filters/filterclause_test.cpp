#include "support/reportedlabels.h"
#include "filters/filterclausebuilder.h"
#include "module/mpublic.h"

#include "host/db/hostdatabase.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace Ostraven {
namespace {

using Texts = std::vector<std::string>;

// The condition every legacy address item opens with; each backslash pair is two characters.
const QString tail = QStringLiteral(
    R"( (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");

struct FilterRow {
    qint32 filterType = 1;
    std::optional<QString> filter;
    std::optional<QString> sql; // nullopt: Null
};

// The archive, newest first; each clause is checked by the rows it lets through.
const std::pair<qint32, const char *> archive[] = {
    {5000, R"(\\SRV1.1.1.5)"}, {2100, R"(\\SRV1.2.3)"},   {2100, R"(\\SRV2.2.9)"},   {2100, R"(\\SRV1.1.1.2)"},
    {4000, R"(\\SRV1.25.1)"},  {85000, R"(\\ZEKO01.2.3)"}, {85001, R"(\\ZEKO02.1.1)"},
};

Texts texts(const QStringList &list)
{
    Texts result;
    for (const QString &text : list)
        result.push_back(text.toStdString());
    return result;
}

QString sqlText(const std::optional<QString> &text)
{
    return text ? QLatin1Char('\'') + QString(*text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'')
                : QStringLiteral("NULL");
}

class FilterClauseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HostDatabase::createDatabase(m_folder.filePath(QStringLiteral("host.sqlite")), 0);
        m_module.host.DBConnection = Connection::openSqlite(m_folder.filePath(QStringLiteral("host.sqlite")));
        for (const char *table : {"AlarmActive", "Log_Transactions", "Log_Misc", "Log_Events"})
            m_module.db().execute(QStringLiteral("DELETE FROM ") + QLatin1String(table));
        int minute = 59;
        for (const auto &[id, address] : archive) {
            m_module.db().execute(
                QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate, Description)"
                               " VALUES (%1, '%2', 'KORA*GATE External', %3, %3, 'test')")
                    .arg(id)
                    .arg(QString::fromUtf8(address), QStringLiteral("'2024-06-14 10:%1:00'").arg(minute--)));
        }
    }

    void build(qint32 groupId, const std::vector<FilterRow> &rows, bool legacyBuilder = false)
    {
        for (const FilterRow &row : rows) {
            m_module.db().execute(QStringLiteral("INSERT INTO EventFilters (GroupID, FilterName, FilterType, Filter, "
                                                 "FilterDescription, SQL) VALUES (%1, 'Test', %2, %3, 'd', %4)")
                                      .arg(groupId)
                                      .arg(row.filterType)
                                      .arg(sqlText(row.filter), sqlText(row.sql)));
        }
        if (legacyBuilder)
            m_builder.SetFilter(groupId);
        else
            m_builder.SetFilter2(groupId);
    }

    // The loader's archive statement under the current clause: the archive indices it returns.
    std::vector<int> archiveUnderClause()
    {
        const std::unique_ptr<Recordset> rows = m_module.db().openRecordset(
            QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] ") + m_module.filter.FilterClause
                + QStringLiteral(" order by [dbDate] desc"),
            CursorType::Static);
        std::vector<int> found;
        for (; !rows->eof(); rows->moveNext()) {
            int index = 0;
            while (index < 7 && (archive[index].first != CLng(rows->field(3))
                                 || QString::fromUtf8(archive[index].second) != CStr(rows->field(2))))
                ++index;
            found.push_back(index);
        }
        return found;
    }

    [[nodiscard]] Texts reportedLabels() const { return Testing::reportedLabels(*m_desktop); }

    QTemporaryDir m_folder;
    std::shared_ptr<ScriptedDesktop> m_desktop = std::make_shared<ScriptedDesktop>();
    MPublic m_module{m_desktop, m_folder.path()};
    FilterClauseBuilder m_builder{m_module};
};

TEST_F(FilterClauseTest, BuildsTheClauseModeAndStringsOfAGroup)
{
    const QString p5000 = QStringLiteral("(([ID] = 5000) )");
    const QString pEntrance = QStringLiteral(R"((Address LIKE '\\SRV1.1.1%'))");
    const auto none = std::nullopt;
    struct Case { const char *name; std::vector<FilterRow> rows; QString clause;
        bool inclusive; QStringList strings; std::vector<int> archiveRows; };
    const std::vector<Case> cases = {
        {"stored conditions, include", {{1, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}},
         R"( Where ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))", true, {"5000", R"(\\SRV1.1.1)"}, {0, 3}},
        {"stored conditions, exclude", {{0, "5000", p5000}}, " Where NOT ((([ID] = 5000) ))", false, {"5000"},
         {1, 2, 3, 4, 5, 6}},
        {"only the first row's type counts", {{0, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}},
         R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))", false, {"5000", R"(\\SRV1.1.1)"},
         {1, 2, 4, 5, 6}},
        {"legacy event number alone", {{1, "5000", none}}, " Where  ([ID] =5000 )", true, {"5000"}, {0}},
        {"legacy event with an address", {{1, R"(2100,\\SRV1.2)", QString()}},
         " Where  ([ID] =2100 AND (" + tail + R"sql(\\2%')))))sql", true, {R"(2100,\\SRV1.2)"}, {1, 2}},
        {"legacy exclude: NOT covers only the first row", {{0, "5000", none}, {0, R"(\\SRV1.1)", none}},
         " Where NOT ( ([ID] =5000 )) OR  " + tail + R"sql(\\1%')))sql", false, {"5000", R"(\\SRV1.1)"},
         {0, 1, 2, 3, 4, 5, 6}},
        {"legacy second-family address", {{1, R"(\\ZEKO01.2)", none}}, R"( Where  (Address LIKE '\\ZEKO01.2%'))",
         true, {R"(\\ZEKO01.2)"}, {5}},
        {"legacy ZEKO inside the item is a plain prefix", {{1, R"(\\SRV1.ZEKO)", none}},
         R"( Where  (Address LIKE '\\SRV1.ZEKO%'))", true, {R"(\\SRV1.ZEKO)"}, {}},
        {"legacy event with a second-family address", {{1, R"(85000,\\ZEKO01.2)", none}},
         R"sql( Where  ([ID] =85000 AND ( Address LIKE '\\ZEKO01.2%')))sql", true, {R"(85000,\\ZEKO01.2)"}, {5}},
        {"legacy address without a point is used whole", {{1, R"(\\SRV1)", none}},
         " Where " + tail + R"sql(\\\\SRV1%')))sql", true, {R"(\\SRV1)"}, {}},
        {"legacy address tail is a text prefix", {{1, R"(\\SRV9.2)", none}}, " Where " + tail + R"sql(\\2%')))sql",
         true, {R"(\\SRV9.2)"}, {1, 2, 4}},
        {"three rows, three strings in order", {{1, "5000", none}, {1, R"(\\SRV1.2)", none}, {1, "4000", none}},
         " Where  ([ID] =5000 ) OR  " + tail + R"sql(\\2%')) OR   ([ID] =4000 ))sql", true,
         {"5000", R"(\\SRV1.2)", "4000"}, {0, 1, 2, 4}},
    };
    qint32 groupId = 100;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        build(++groupId, c.rows);
        EXPECT_EQ(m_module.filter.FilterClause.toStdString(), c.clause.toStdString());
        EXPECT_EQ(m_module.filter.FilterInclusive, c.inclusive);
        EXPECT_EQ(texts(m_module.filter.FilterStrings), texts(c.strings));
        EXPECT_EQ(archiveUnderClause(), c.archiveRows);
    }
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(FilterClauseTest, OddGroups)
{
    // The legacy builder called directly ignores stored conditions.
    build(7, {{1, "5000", "(([ID] = 4000) )"}}, true);
    EXPECT_EQ(m_module.filter.FilterClause.toStdString(), " Where  ([ID] =5000 )");
    EXPECT_EQ(archiveUnderClause(), std::vector<int>{0});

    // A group without rows keeps the clause and empties the strings.
    build(3, {{0, "5000", std::nullopt}});
    const QString clause = m_module.filter.FilterClause;
    m_builder.SetFilter2(99);
    EXPECT_EQ(m_module.filter.FilterClause, clause);
    EXPECT_FALSE(m_module.filter.FilterInclusive);
    EXPECT_EQ(texts(m_module.filter.FilterStrings), Texts{""});

    // A later row without a condition breaks the archive statement.
    build(4, {{1, "5000", "(([ID] = 5000) )"}, {1, "2100", QString()}, {1, "4000", "(([ID] = 4000) )"}});
    EXPECT_EQ(m_module.filter.FilterClause.toStdString(), " Where ((([ID] = 5000) ) OR  OR (([ID] = 4000) ))");
    EXPECT_THROW((void)archiveUnderClause(), VbError);
    EXPECT_TRUE(m_desktop->boxes().empty());
}

TEST_F(FilterClauseTest, FailuresAreReportedAndKeepWhatWasBuilt)
{
    struct Case { const char *name; std::vector<FilterRow> rows;
        std::string label; std::string clause; Texts strings; };
    const std::vector<Case> cases = {
        {"legacy empty filter", {{1, QString(), std::nullopt}}, "MPublic.SetFilter", " Where ", {""}},
        {"legacy empty filter after a good row", {{1, "5000", std::nullopt}, {1, QString(), std::nullopt}},
         "MPublic.SetFilter", " Where  ([ID] =5000 ) OR  ", {"5000"}},
        {"legacy Null filter", {{0, std::nullopt, std::nullopt}}, "MPublic.SetFilter", " Where NOT (", {""}},
        {"stored condition with a Null filter", {{1, std::nullopt, "(([ID] = 1) )"}}, "MPublic.SetFilter2",
         " Where ((([ID] = 1) ) OR ", {""}},
    };
    qint32 groupId = 200;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_desktop->clearRecords();
        build(++groupId, c.rows);
        EXPECT_EQ(reportedLabels(), Texts{c.label});
        EXPECT_EQ(m_module.filter.FilterClause.toStdString(), c.clause);
        EXPECT_EQ(texts(m_module.filter.FilterStrings), c.strings);
    }

    m_desktop->clearRecords();
    m_module.host.DBConnection.reset();
    m_builder.SetFilter2(1);
    EXPECT_EQ(reportedLabels(), Texts{"MPublic.SetFilter2"});
    EXPECT_EQ(texts(m_module.filter.FilterStrings), Texts{""});
}

} // namespace
} // namespace Ostraven
