#include "filtersite.h"
#include "filters/filterclausebuilder.h"
#include <optional>

namespace Ostraven::Testing {
namespace {
// The condition every legacy address item opens with; each backslash pair is two characters.
const QString tail = QStringLiteral(R"( (Address NOT LIKE '\\ZEKO%' AND ('\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE ')");
const QString p5000 = QStringLiteral("(([ID] = 5000) )");
const QString pEntrance = QStringLiteral(R"((Address LIKE '\\SRV1.1.1%'))");
const auto none = std::nullopt;
struct FilterRow { qint32 filterType = 1; std::optional<QString> filter, sql; }; // nullopt: Null
// The archive, newest first; each clause is checked by the rows it lets through.
const std::pair<qint32, const char *> archive[] = {
    {5000, R"(\\SRV1.1.1.5)"}, {2100, R"(\\SRV1.2.3)"},   {2100, R"(\\SRV2.2.9)"},   {2100, R"(\\SRV1.1.1.2)"},
    {4000, R"(\\SRV1.25.1)"},  {85000, R"(\\ZEKO01.2.3)"}, {85001, R"(\\ZEKO02.1.1)"},
};
QString sqlText(const std::optional<QString> &text)
{
    return text ? '\'' + QString(*text).replace('\'', QStringLiteral("''")) + '\'' : QStringLiteral("NULL");
}
class FilterClauseTest : public ::testing::Test, protected FilterSite
{
protected:
    void SetUp() override
    {
        execute({"DELETE FROM AlarmActive", "DELETE FROM Log_Transactions", "DELETE FROM Log_Misc", "DELETE FROM Log_Events"});
        int minute = 59;
        for (const auto &[id, address] : archive)
            database.execute(QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate, Description) VALUES (%1, '%2', "
                                            "'KORA*GATE External', '2024-06-14 10:%3:00', '2024-06-14 10:%3:00', 'test')").arg(id).arg(QString::fromUtf8(address)).arg(minute--));
    }
    void build(qint32 groupId, const std::vector<FilterRow> &rows, bool legacyBuilder = false)
    {
        for (const FilterRow &row : rows)
            database.execute(QStringLiteral("INSERT INTO EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, SQL) "
                                            "VALUES (%1, 'Test', %2, %3, 'd', %4)").arg(groupId).arg(row.filterType).arg(sqlText(row.filter), sqlText(row.sql)));
        legacyBuilder ? m_builder.SetFilter(groupId) : m_builder.SetFilter2(groupId);
    }
    // The loader's archive statement under the current clause: the archive indices it returns.
    std::vector<int> archiveUnderClause()
    {
        QStringList keys;
        for (const auto &[id, address] : archive)
            keys << QString::number(id) + QString::fromUtf8(address);
        std::vector<int> found;
        for (auto rows = module.db().openRecordset("Select DISTINCT  * from [VIEW_EventLog_AllEvents] " + module.filter.FilterClause
                                                   + " order by [dbDate] desc", CursorType::Static); !rows->eof(); rows->moveNext())
            found.push_back(int(keys.indexOf(CStr(rows->field(3)) + CStr(rows->field(2)))));
        return found;
    }
    FilterClauseBuilder m_builder{module};
};

// A failure reported under the row's label keeps the clause and strings built so far.
struct ClauseCase { const char *name; std::vector<FilterRow> rows; QString clause; bool inclusive; QStringList strings; std::vector<int> archiveRows; const char *label = nullptr; };
class GroupClause : public FilterClauseTest, public ::testing::WithParamInterface<ClauseCase> {};
TEST_P(GroupClause, BuildsTheClauseModeAndStrings)
{
    const ClauseCase &c = GetParam();
    build(101, c.rows);
    EXPECT_EQ(module.filter.FilterClause.toStdString(), c.clause.toStdString());
    EXPECT_EQ(texts(module.filter.FilterStrings), texts(c.strings));
    EXPECT_EQ(labels(), c.label ? Texts{c.label} : Texts{});
    if (!c.label) {
        EXPECT_EQ(std::pair(module.filter.FilterInclusive, archiveUnderClause()), std::pair(c.inclusive, c.archiveRows));
    }
}
using C = ClauseCase;
INSTANTIATE_TEST_SUITE_P(Groups, GroupClause, ::testing::Values(
    C{"StoredInclude", {{1, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}}, R"( Where ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))", true, {"5000", R"(\\SRV1.1.1)"}, {0, 3}},
    C{"StoredExclude", {{0, "5000", p5000}}, " Where NOT ((([ID] = 5000) ))", false, {"5000"}, {1, 2, 3, 4, 5, 6}},
    C{"OnlyFirstRowTypeCounts", {{0, "5000", p5000}, {1, R"(\\SRV1.1.1)", pEntrance}}, R"( Where NOT ((([ID] = 5000) ) OR (Address LIKE '\\SRV1.1.1%')))", false, {"5000", R"(\\SRV1.1.1)"}, {1, 2, 4, 5, 6}},
    C{"LegacyEventNumber", {{1, "5000", none}}, " Where  ([ID] =5000 )", true, {"5000"}, {0}},
    C{"LegacyEventWithAddress", {{1, R"(2100,\\SRV1.2)", QString()}}, " Where  ([ID] =2100 AND (" + tail + R"sql(\\2%')))))sql", true, {R"(2100,\\SRV1.2)"}, {1, 2}},
    C{"LegacyExcludeNotCoversFirstRowOnly", {{0, "5000", none}, {0, R"(\\SRV1.1)", none}}, " Where NOT ( ([ID] =5000 )) OR  " + tail + R"sql(\\1%')))sql", false, {"5000", R"(\\SRV1.1)"}, {0, 1, 2, 3, 4, 5, 6}},
    C{"LegacySecondFamilyAddress", {{1, R"(\\ZEKO01.2)", none}}, R"( Where  (Address LIKE '\\ZEKO01.2%'))", true, {R"(\\ZEKO01.2)"}, {5}},
    C{"LegacyZekoInsideItemIsPlainPrefix", {{1, R"(\\SRV1.ZEKO)", none}}, R"( Where  (Address LIKE '\\SRV1.ZEKO%'))", true, {R"(\\SRV1.ZEKO)"}, {}},
    C{"LegacyEventWithSecondFamilyAddress", {{1, R"(85000,\\ZEKO01.2)", none}}, R"sql( Where  ([ID] =85000 AND ( Address LIKE '\\ZEKO01.2%')))sql", true, {R"(85000,\\ZEKO01.2)"}, {5}},
    C{"LegacyAddressWithoutPointUsedWhole", {{1, R"(\\SRV1)", none}}, " Where " + tail + R"sql(\\\\SRV1%')))sql", true, {R"(\\SRV1)"}, {}},
    C{"LegacyAddressTailIsTextPrefix", {{1, R"(\\SRV9.2)", none}}, " Where " + tail + R"sql(\\2%')))sql", true, {R"(\\SRV9.2)"}, {1, 2, 4}},
    C{"ThreeRowsThreeStrings", {{1, "5000", none}, {1, R"(\\SRV1.2)", none}, {1, "4000", none}}, " Where  ([ID] =5000 ) OR  " + tail + R"sql(\\2%')) OR   ([ID] =4000 ))sql", true, {"5000", R"(\\SRV1.2)", "4000"}, {0, 1, 2, 4}},
    C{"LegacyEmptyFilter", {{1, QString(), none}}, " Where ", true, {""}, {}, "MPublic.SetFilter"},
    C{"LegacyEmptyAfterGoodRow", {{1, "5000", none}, {1, QString(), none}}, " Where  ([ID] =5000 ) OR  ", true, {"5000"}, {}, "MPublic.SetFilter"},
    C{"LegacyNullFilter", {{0, none, none}}, " Where NOT (", false, {""}, {}, "MPublic.SetFilter"},
    C{"StoredWithNullFilter", {{1, none, "(([ID] = 1) )"}}, " Where ((([ID] = 1) ) OR ", true, {""}, {}, "MPublic.SetFilter2"}),
    rowName);

TEST_F(FilterClauseTest, OddGroups)
{
    // The legacy builder called directly ignores stored conditions.
    build(7, {{1, "5000", "(([ID] = 4000) )"}}, true);
    EXPECT_EQ(std::pair(module.filter.FilterClause.toStdString(), archiveUnderClause()), std::pair(std::string(" Where  ([ID] =5000 )"), std::vector<int>{0}));
    // A group without rows keeps the clause and mode and empties the strings.
    build(3, {{0, "5000", none}});
    const QString clause = module.filter.FilterClause;
    m_builder.SetFilter2(99);
    EXPECT_EQ(std::tuple(module.filter.FilterClause, module.filter.FilterInclusive, texts(module.filter.FilterStrings)), std::tuple(clause, false, Texts{""}));
    // A later row without a condition breaks the archive statement.
    build(4, {{1, "5000", p5000}, {1, "2100", QString()}, {1, "4000", "(([ID] = 4000) )"}});
    EXPECT_EQ(module.filter.FilterClause.toStdString(), " Where ((([ID] = 5000) ) OR  OR (([ID] = 4000) ))");
    EXPECT_THROW((void)archiveUnderClause(), VbError);
    EXPECT_TRUE(desktop->boxes().empty());
    module.host.DBConnection.reset();
    m_builder.SetFilter2(1);
    EXPECT_EQ(std::pair(labels(), texts(module.filter.FilterStrings)), std::pair(Texts{"MPublic.SetFilter2"}, Texts{""}));
}
} // namespace
} // namespace Ostraven::Testing
