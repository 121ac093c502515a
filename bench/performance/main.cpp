// The performance table: every figure with its baseline measured in the same run, the ratio and the
// target. `make bench` runs it; `bench_performance GROUP...` runs only the named groups.

#include "figures.h"

#include "platform/runtimefolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <map>

#include <unistd.h>

namespace Ostraven::Bench {

namespace {

std::map<QString, FigureGroup> &groups()
{
    static std::map<QString, FigureGroup> all;
    return all;
}

QString number(double value)
{
    if (value >= 100)
        return QString::number(value, 'f', 0);
    if (value >= 10)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'g', 3);
}

QString ratio(const Figure &figure)
{
    if (figure.baselineName.isEmpty() || figure.baseline == 0)
        return QStringLiteral("-");
    return number(figure.value / figure.baseline) + u'x';
}

} // namespace

bool registerGroup(const char *name, FigureGroup group)
{
    groups().emplace(QString::fromLatin1(name), std::move(group));
    return true;
}

double fastestSeconds(int rounds, const std::function<void()> &fn)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::pair<double, double> fastestPair(int rounds, const std::function<void()> &figure,
                                      const std::function<void()> &baseline)
{
    double bestFigure = 1e300;
    double bestBaseline = 1e300;
    for (int i = 0; i < rounds; ++i) {
        bestFigure = std::min(bestFigure, fastestSeconds(1, figure));
        bestBaseline = std::min(bestBaseline, fastestSeconds(1, baseline));
    }
    return {bestFigure, bestBaseline};
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

QString cacheFolder()
{
    const QString folder = QStringLiteral(OSTRAVEN_BENCH_CACHE);
    QDir().mkpath(folder);
    return folder;
}

} // namespace Ostraven::Bench

int main(int argc, char **argv)
{
    using namespace Ostraven::Bench;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Ostraven::RuntimeFolder::provide();
    QApplication application(argc, argv);
    QStringList wanted = application.arguments().mid(1);

    std::vector<Figure> rows;
    QTextStream err(stderr);
    for (const auto &[name, group] : groups()) {
        if (!wanted.isEmpty() && !wanted.contains(name))
            continue;
        err << "measuring " << name << "...\n";
        err.flush();
        for (Figure &figure : group())
            rows.push_back(std::move(figure));
    }

    QTextStream out(stdout);
    out << "| Figure | Measured | Baseline, same run | Ratio | Target | Met |\n"
        << "|---|---|---|---|---|---|\n";
    int met = 0;
    for (const Figure &figure : rows) {
        const QString baseline = figure.baselineName.isEmpty()
                                     ? QStringLiteral("-")
                                     : figure.baselineName + QStringLiteral(": ") + number(figure.baseline) + u' ' + figure.unit;
        out << "| " << figure.name << " | " << number(figure.value) << ' ' << figure.unit << " | " << baseline
            << " | " << ratio(figure) << " | " << figure.target << " | " << (figure.met ? "yes" : "**no**")
            << " |\n";
        met += figure.met ? 1 : 0;
    }
    out << "\n" << met << " of " << rows.size() << " targets met. Reproduce a row: " << "bench_performance GROUP (groups:";
    for (const auto &entry : groups())
        out << ' ' << entry.first;
    out << ")\n";
    return 0;
}
