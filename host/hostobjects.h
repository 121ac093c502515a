#pragma once

#include "hostconfig.h"

#include "platform/db/connection.h"
#include "platform/dispatch.h"

#include <QJsonArray>
#include <QString>

#include <functional>
#include <memory>

namespace Ostraven::Host {

// What the host's objects were asked to do, for the dump.
struct HostRecord {
    QJsonArray callbacks;
    QJsonArray help;
    QJsonArray logErrors;
};

// The host's service object: operator and workstation numbers, resource texts from the database,
// SQL quoting, permissions, help and error logging.
class HostNTConnection : public MemberTable
{
public:
    HostNTConnection(const HostConfig &config, ConnectionPtr database, HostRecord &record);

    [[nodiscard]] QString resourceText(qint32 number) const;
    [[nodiscard]] bool subPermission(qint32 componentType, const QString &name) const;

private:
    void registerMembers();
    DispatchPtr makeSecurity();

    const HostConfig &m_config;
    ConnectionPtr m_database;
    HostRecord &m_record;
};

// The host's parent object: receives the component's notifications. On "LOAD" it places and shows
// the viewer window whose handle came with it.
class HostParent : public MemberTable
{
public:
    using WindowLoaded = std::function<void(qint64 handle)>;

    HostParent(const HostConfig &config, HostRecord &record, WindowLoaded onLoad);

    void setOwnerHandle(qint64 handle) { m_ownerHandle = handle; }

private:
    const HostConfig &m_config;
    HostRecord &m_record;
    WindowLoaded m_onLoad;
    qint64 m_ownerHandle = 0;
};

} // namespace Ostraven::Host
