#pragma once

#include <QDateTime>

namespace Ostraven {

class SqliteFile;

// Fills a new host database with a believable site: hardware of both controller families, event
// definitions, card holders, operators with their rights, routing, time zones, filter groups,
// texts, and an archive of events spread over the last days.
class DemoSite
{
public:
    struct Options {
        int archiveEvents = 20000;
        int archiveDays = 30;
        // The newest archived event is no later than this; the archive reaches back archiveDays.
        QDateTime archiveEnd = QDateTime::currentDateTime();
        // The same seed gives the same archive, so a demo can be rebuilt exactly.
        quint32 seed = 1757;
    };

    // Runs in one transaction: either the whole site is written or nothing is.
    static void populate(SqliteFile &file, const Options &options);
};

} // namespace Ostraven
