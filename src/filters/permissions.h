#pragma once

#include <QString>

namespace Ostraven {

class MPublic;
class Recordset;

// What the logged-on operator may do in the viewer (the host's security object) and which events
// the server's routing rules keep from the operator (the routing procedures of the host database).
class Permissions
{
public:
    explicit Permissions(MPublic &module) : m_module(module) {}

    // The event viewer's component type in the host's security model.
    static constexpr qint32 eventViewerComponent = 96;

    // True when the host grants the sub-permission; a name the host does not know counts as not granted.
    [[nodiscard]] bool CheckTabPermission(qint32 ComponentType, const QString &SubPermission);
    // Decides CanViewAllEvents, which governs the grid when no filter group is selected.
    void SetPermissions();
    // True when a routing rule denies the event to the operator.
    [[nodiscard]] bool Role_EventDenied(qint32 UserID, qint32 WorkstationID, qint32 EventID, const QString &Address,
                                        qint32 CredID1, qint32 CredID2, qint32 HostID1, qint32 HostID2);

private:
    MPublic &m_module;
};

} // namespace Ostraven
