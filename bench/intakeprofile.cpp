// A callgrind-friendly run of the live intake: the performance table's mix of both controller
// families through a shown viewer at its 1500-line limit with an exclude group of twenty strings,
// in a few bursts drawn in between. Only pushBurst does the intake, so
//
//   valgrind --tool=callgrind --toggle-collect='*pushBurst*' build/bin/bench_intakeprofile [EVENTS]
//
// counts the instructions of EVENTS live events (20,000 by default) and nothing else; divide the
// total by EVENTS for the cost of one event.

#include "bench/livestream.h"

#include "platform/runtimefolder.h"

#include <QApplication>

namespace {

using namespace Ostraven;

constexpr int bursts = 4;

// The counted bursts.
[[gnu::noinline]] void pushBurst(EventIntake &intake, const Bench::LiveStream &stream, qint64 first, qint64 count)
{
    stream.push(intake, first, count);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Ostraven::RuntimeFolder::provide();
    QApplication application(argc, argv);
    const qint64 events = argc > 1 ? QByteArray(argv[1]).toLongLong() : 20'000;

    Bench::LiveViewer viewer;
    const Bench::LiveStream stream;
    EventIntake intake(*viewer.module);
    // The grid starts full, outside the counted bursts.
    stream.push(intake, 0, Bench::lineLimit);
    viewer.settle();
    qint64 next = Bench::lineLimit;
    for (int burst = 0; burst < bursts; ++burst) {
        const qint64 count = events / bursts + (burst < events % bursts ? 1 : 0);
        pushBurst(intake, stream, next, count);
        next += count;
        viewer.settle();
    }
    return viewer.window().vGrid->rowCount() == Bench::lineLimit ? 0 : 1;
}
