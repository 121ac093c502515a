#pragma once

#include <QString>

#include <memory>

namespace Ostraven {

class MPublic;
class Recordset;

// Refills the viewer's grid from the host's event archive: the newest archived events, under the
// caller's condition and the profile's filter group, replayed through the same row insertion as
// live events until the line limit is reached.
class ArchiveLoader
{
public:
    explicit ArchiveLoader(MPublic &module);
    ~ArchiveLoader();

    ArchiveLoader(const ArchiveLoader &) = delete;
    ArchiveLoader &operator=(const ArchiveLoader &) = delete;

    // Condition is empty or begins with "Where"; the filter group's clause is joined to it, and the
    // caller sees the joined text. False when a failure was reported.
    bool LoadArchivedEvents(QString &Condition);
    // For callers whose condition is a fixed text.
    bool LoadArchivedEvents(const QString &Condition);

    // Replays the archive result opened by LoadArchivedEvents; false when a failure was reported.
    bool FillWithArchive();

private:
    void readRoutingSetting();
    [[nodiscard]] QString archiveStatement(const QString &condition) const;
    void closeArchive();

    MPublic &m_module;
    std::unique_ptr<Recordset> m_archive;
};

} // namespace Ostraven
