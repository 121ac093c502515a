#pragma once

#include <QString>

namespace Ostraven::Host {

// How the host's objects answer the component; the control protocol's "config" op changes it.
struct HostConfig {
    // The demo site's administrator: operator 101 with profile 1.
    qint32 profile = 1;
    qint32 user = 101;
    qint32 workstation = 1;
    bool admin = true;
    bool connected = true;
    bool customize = true;
    bool zk2Hardware = true;
    QString serverName = QStringLiteral("SRV1");
};

} // namespace Ostraven::Host
