// How fast the viewer takes live events, rewrites the host's SQL and sorts its grid. Run with
// `make bench`; the numbers are for comparing builds on one machine, not targets in themselves.

#include "bench/wiredviewer.h"
#include "component/eventintake.h"
#include "platform/db/sqldialect.h"
#include "platform/db/sqllexer.h"
#include "viewer/fevents.h"

#include "platform/runtimefolder.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace Ostraven;

// A loaded viewer on a real, empty-archive host database, wired as the reference host wires it.
struct Viewer : Bench::WiredViewer {
    explicit Viewer(int maxLines) : WiredViewer(maxLines) { (void)module->windows().events(); }
};

HostEventRecord transaction(int sequence)
{
    HostEventRecord record;
    record.eventNumber = 2001;
    record.typeCode = 3;
    record.address = QStringLiteral("\\\\SRV1.1.1.RD01");
    record.hostDate = Date::fromParts(2026, 12, 5, 10, 0, 0).addMilliseconds(sequence);
    record.controllerDate = record.hostDate;
    record.messageText = QStringLiteral("Access Granted,,,,,,1007,0");
    return record;
}

void liveEvents(benchmark::State &state)
{
    Viewer viewer(int(state.range(0)));
    EventIntake intake(*viewer.module);
    int sequence = 0;
    for (auto _ : state)
        intake.AddNewEvent(transaction(++sequence));
    state.SetItemsProcessed(state.iterations());
    state.counters["rows"] = viewer.module->windows().events().vGrid->rowCount();
}
BENCHMARK(liveEvents)->Arg(100)->Arg(1500);

void archiveStatementRewrite(benchmark::State &state)
{
    const QString sql = QStringLiteral(
        "Select DISTINCT  * from [VIEW_EventLog_AllEvents]  Where ((ID = 2001 AND ('\\\\' + Substring(Address, "
        "CharIndex('.',Address,1) + 1,30) LIKE '\\\\1.2%' )) OR  (Type like N'%Alarm%')) order by [dbDate] desc");
    for (auto _ : state)
        benchmark::DoNotOptimize(SqlDialect::toSqlite(SqlLexer::tokenize(sql)));
}
BENCHMARK(archiveStatementRewrite);

void sortByHostTime(benchmark::State &state)
{
    Viewer viewer(1500);
    EventIntake intake(*viewer.module);
    for (int i = 0; i < 1500; ++i)
        intake.AddNewEvent(transaction(i * 997 % 1500 * 1000));
    GridControl &grid = *viewer.module->windows().events().vGrid;
    int order = 1;
    for (auto _ : state) {
        grid.clearSortKeys();
        grid.addSortKey(grid.columnIndex(QStringLiteral("dbTime")), order, 200);
        grid.sort();
        order = 3 - order;
    }
    state.SetItemsProcessed(state.iterations() * grid.rowCount());
}
BENCHMARK(sortByHostTime);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Ostraven::RuntimeFolder::provide();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
