// Live intake: a mixed stream of both controller families through a shown viewer with an exclude group
// of twenty strings, against the bare work of formatting the same six cell texts into a ring of 1500
// rows; the repaints one burst causes; and whether memory stays flat over ten million events.

#include "figures.h"

#include "bench/livestream.h"

#include "component/eventintake.h"
#include "model/ccircularbuffer.h"
#include "module/mpublic.h"
#include "platform/db/connection.h"
#include "platform/dispatch.h"
#include "viewer/fevents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <array>
#include <cmath>

namespace Ostraven::Bench {

namespace {



// The bare work: the same six texts the viewer shows for an event, in the same default date form
// ("M/d/yyyy h:mm:ss AM/PM"), written by hand into a ring of rows.
class CellTextRing
{
public:
    CellTextRing() : m_rows(lineLimit) {}

    void add(const PlainEvent &event)
    {
        std::array<QString, 6> &row = m_rows[m_next];
        m_next = (m_next + 1) % m_rows.size();
        const bool software = !event.secondFamily && event.type == 6;
        row[0] = software ? QString() : dateText(event.controller);
        row[1] = dateText(event.host);
        row[2] = event.address;
        row[3] = QString::number(event.id);
        row[4] = typeText(event.secondFamily && event.type == 25 ? 55 : event.type);
        row[5] = event.secondFamily ? event.text : event.text.left(event.text.indexOf(QLatin1Char(',')));
    }

private:
    static QString typeText(qint32 type)
    {
        switch (type) {
        case 0: return QStringLiteral("KORA*GATE Alarm");
        case 1: return QStringLiteral("KORA*GATE External");
        case 2: return QStringLiteral("KORA*GATE Internal");
        case 3: return QStringLiteral("KORA*GATE Transaction");
        case 4: return QStringLiteral("KORA*GATE Miscellaneous");
        case 6: return QStringLiteral("Software");
        case 20: return QStringLiteral("PELA*Bus Transaction");
        default: return {};
        }
    }

    static QString dateText(const Date &date)
    {
        const double serial = date.serial();
        const double whole = std::trunc(serial);
        qint64 day = qint64(whole);
        qint64 ms = std::llround(std::fabs(serial - whole) * 86'400'000.0);
        if (ms >= 86'400'000) {
            ms -= 86'400'000;
            ++day;
        }
        // Civil date from a day count (days since 1 March of year 0 in 400-year eras).
        const qint64 z = day - 25569 + 719468;
        const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
        const qint64 doe = z - era * 146097;
        const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const qint64 mp = (5 * doy + 2) / 153;
        const int dayOfMonth = int(doy - (153 * mp + 2) / 5 + 1);
        const int month = int(mp < 10 ? mp + 3 : mp - 9);
        const int year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
        const int seconds = int(ms / 1000);
        const int hour = seconds / 3600;
        const int minute = seconds / 60 % 60;
        const int second = seconds % 60;

        char16_t text[32];
        int at = 0;
        auto number = [&](int value) {
            char16_t digits[12];
            int count = 0;
            do {
                digits[count++] = char16_t(u'0' + value % 10);
                value /= 10;
            } while (value > 0);
            while (count > 0)
                text[at++] = digits[--count];
        };
        auto two = [&](int value) {
            text[at++] = char16_t(u'0' + value / 10);
            text[at++] = char16_t(u'0' + value % 10);
        };
        number(month);
        text[at++] = u'/';
        number(dayOfMonth);
        text[at++] = u'/';
        number(year);
        text[at++] = u' ';
        number(hour % 12 == 0 ? 12 : hour % 12);
        text[at++] = u':';
        two(minute);
        text[at++] = u':';
        two(second);
        text[at++] = u' ';
        text[at++] = hour < 12 ? u'A' : u'P';
        text[at++] = u'M';
        return QString(reinterpret_cast<const QChar *>(text), at);
    }

    std::vector<std::array<QString, 6>> m_rows;
    std::size_t m_next = 0;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double mebibytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

std::vector<Figure> measure()
{
    const QString command = QStringLiteral("bench_performance intake");
    const LiveStream stream;
    LiveViewer viewer;
    EventIntake intake(*viewer.module);
    qint64 next = 0;

    // Throughput: a burst of events at a time, each shown and trimmed to the line limit, alternated
    // with the bare work on the same events; the event loop draws each burst in between, untimed.
    constexpr qint64 burst = 100'000;
    stream.push(intake, next, lineLimit); // the grid starts full, as in a working day
    next += lineLimit;
    viewer.settle();
    CellTextRing ring;
    double intakeSeconds = 1e300;
    double bareSeconds = 1e300;
    for (int round = 0; round < 5; ++round) {
        const qint64 first = next;
        intakeSeconds = std::min(intakeSeconds, fastestSeconds(1, [&] { stream.push(intake, first, burst); }));
        bareSeconds = std::min(bareSeconds, fastestSeconds(1, [&] {
                                   for (qint64 n = first; n < first + burst; ++n)
                                       ring.add(stream.plain(n));
                               }));
        next += burst;
        viewer.settle();
    }
    const double intakeRate = double(burst) / intakeSeconds;
    const double bareRate = double(burst) / bareSeconds;

    // Repaints: a burst pushed without returning to the event loop, then the event loop until the
    // refresh timer has drawn it. The frame the grid keeps when drawing goes off is grabbed inside the
    // burst (a paint into a pixmap, not onto the screen); it is counted apart.
    GridControl &grid = *viewer.window().vGrid;
    PaintCounter counter;
    grid.viewport()->installEventFilter(&counter);
    stream.push(intake, next, 10'000);
    next += 10'000;
    const int grabs = counter.paints;
    viewer.settle();
    const int repaints = counter.paints - grabs;
    grid.viewport()->removeEventFilter(&counter);

    // Memory: the resident size after ten thousand events and after ten million, drawn burst by burst.
    auto run = [&](qint64 events) {
        for (qint64 done = 0; done < events; done += 10'000) {
            stream.push(intake, next, 10'000);
            next += 10'000;
            QCoreApplication::processEvents();
        }
        viewer.settle();
    };
    run(10'000);
    const qint64 after10k = residentBytes();
    run(10'000'000);
    const qint64 after10M = residentBytes();
    const bool lineLimitKept = grid.rowCount() == lineLimit;

    std::vector<Figure> rows;
    rows.push_back({QStringLiteral("live intake, AddNewEvent/AddZK2Message mixed, exclude group of 20 strings, "
                                   "1500 lines, window loaded"),
                    intakeRate, QStringLiteral("events/s"),
                    QStringLiteral("building the same six cell texts into a ring of 1500"), bareRate,
                    QStringLiteral("≥ 1,000,000 events/s and ≥ 0.5x (≤ 2x the bare work's time)"),
                    intakeRate >= 1e6 && intakeRate >= 0.5 * bareRate, command});
    rows.push_back({QStringLiteral("repaints during a 10,000-event burst (viewport paints until the refresh timer "
                                   "has drawn it; %1 grab of the kept frame inside the burst not counted)")
                        .arg(grabs),
                    double(repaints), QStringLiteral("repaints"), {}, 0, QStringLiteral("exactly 1"), repaints == 1,
                    command});
    rows.push_back({QStringLiteral("resident memory after 10,000,000 live events (grid at its %1-line limit)")
                        .arg(lineLimitKept ? lineLimit : grid.rowCount()),
                    mebibytes(after10M), QStringLiteral("MiB"), QStringLiteral("after 10,000"), mebibytes(after10k),
                    QStringLiteral("grows < 2 MiB"), after10M - after10k < 2 * 1024 * 1024 && lineLimitKept, command});
    return rows;
}

const bool registered = registerGroup("intake", measure);

} // namespace

} // namespace Ostraven::Bench
