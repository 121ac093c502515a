#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <vector>

namespace Ostraven::Bench {

// One row of the performance table: a figure, the baseline it is judged against (measured in the same
// run, so machine load affects both alike), and the target the ratio or the value must meet.
struct Figure {
    QString name;
    double value = 0;
    QString unit;               // "ms", "µs", "events/s", "repaints", "MiB"
    QString baselineName;       // empty: the target is absolute
    double baseline = 0;        // in the same unit as value
    QString target;             // as the table shows it, e.g. "< 100 ms", "≤ 2x"
    bool met = false;
    QString command;            // reproduces this row alone
};

// A group of rows measured together (they may share an expensive set-up, such as an archive).
using FigureGroup = std::function<std::vector<Figure>()>;

// Registers a group at start-up: `static const bool registered = registerGroup("name", fn);`.
bool registerGroup(const char *name, FigureGroup group);

// Runs fn `rounds` times and gives the fastest run in seconds: the least disturbed by the other work on
// a shared machine, which is what a comparison between two code paths needs.
double fastestSeconds(int rounds, const std::function<void()> &fn);

// Alternates figure and baseline runs so that a burst of load elsewhere hits both, and gives the fastest
// of each in seconds.
std::pair<double, double> fastestPair(int rounds, const std::function<void()> &figure,
                                      const std::function<void()> &baseline);

// Resident set size of this process in bytes, from /proc/self/statm.
qint64 residentBytes();

// A folder kept between runs for inputs that are slow to build (large archives); inside the build tree.
QString cacheFolder();

} // namespace Ostraven::Bench
