#include "support/componentfixture.h"
#include "viewer/fevents.h"
#include <QHeaderView>
#include <functional>
namespace Ostraven::Testing {
namespace {
// What the operator does to the header, and the column-header elements the viewer then saves.
struct LayoutCase {
    const char *name;
    std::function<void(GridControl &)> operate;
    QStringList expectedElements;
    QString changedKey; // the column columnLayoutChanged names last
};
void resizeSection(GridControl &grid, const char *key, int width)
{
    grid.header()->resizeSection(grid.columnIndex(QLatin1String(key)) - 1, width);
}
void moveSection(GridControl &grid, const char *key, int toPosition)
{
    QHeaderView *header = grid.header();
    header->moveSection(header->visualIndex(grid.columnIndex(QLatin1String(key)) - 1), toPosition - 1);
}
class ColumnLayoutTest : public ComponentTest, public ::testing::WithParamInterface<LayoutCase>
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }
};
TEST_P(ColumnLayoutTest, OperatorLayoutReachesTheSavedColumnHeaders)
{
    FEvents &viewer = module().windows().events();
    GridControl &grid = *viewer.vGrid;
    int changedColumn = 0;
    QObject::connect(&grid, &GridControl::columnLayoutChanged, [&](int column) { changedColumn = column; });
    GetParam().operate(grid);
    const QStringList elements = viewer.columnHeaderString().split(QLatin1Char(','));
    for (const QString &expected : GetParam().expectedElements)
        EXPECT_TRUE(elements.contains(expected)) << expected.toStdString() << " not in "
                                                 << elements.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(changedColumn, grid.columnIndex(GetParam().changedKey));
}
INSTANTIATE_TEST_SUITE_P(
    Operator, ColumnLayoutTest,
    ::testing::Values(
        LayoutCase{"WiderDescription", [](GridControl &grid) { resizeSection(grid, "Description", 300); },
                   {QStringLiteral("Description][Description][2][300][True")}, QStringLiteral("Description")},
        LayoutCase{"NarrowerAddressKeepsOthers", [](GridControl &grid) { resizeSection(grid, "Address", 77); },
                   {QStringLiteral("Address][Address][3][77][True"), QStringLiteral("dbTime][Host Time][1][135][True")},
                   QStringLiteral("Address")},
        LayoutCase{"AddressDraggedToTheFront", [](GridControl &grid) { moveSection(grid, "Address", 1); },
                   {QStringLiteral("Address][Address][1][130][True"), QStringLiteral("dbTime][Host Time][2][135][True"),
                    QStringLiteral("Description][Description][3][485][True")},
                   QStringLiteral("Address")},
        LayoutCase{"MovedThenResized",
                   [](GridControl &grid) {
                       moveSection(grid, "dbTime", 3);
                       resizeSection(grid, "dbTime", 150);
                   },
                   {QStringLiteral("dbTime][Host Time][3][150][True"),
                    QStringLiteral("Description][Description][1][485][True")},
                   QStringLiteral("dbTime")}),
    [](const auto &row) { return std::string(row.param.name); });
} // namespace
} // namespace Ostraven::Testing
