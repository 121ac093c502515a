#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace Ostraven::Host {

// Who may use the control port. A Unix-domain socket is reachable only by its owner (the file is
// made 0600 before anyone can connect); the loopback TCP port is reachable by every local user, so
// each TCP connection must first show a token that only the host's user can read.
class ControlAccess
{
public:
    // 256 bits from the system's cryptographic source, as 64 hexadecimal digits.
    [[nodiscard]] static QByteArray newToken();
    // Compares without stopping at the first difference, so the time taken tells nothing about how
    // much of a guess was right.
    [[nodiscard]] static bool sameToken(QByteArrayView given, QByteArrayView expected);

    // The token file of a port when --token-file is not given: in the user's runtime folder, which
    // only the user can enter.
    [[nodiscard]] static QString defaultTokenFile(quint16 port);

    // Creates path with mode 0600 from the start and writes the token and a line break. A stale
    // regular file of this user is replaced; anything else at path (another user's file, a link, a
    // folder) is refused. An empty result on success, otherwise what went wrong.
    [[nodiscard]] static QString writeTokenFile(const QString &path, const QByteArray &token);

    // A listening Unix-domain socket at path with mode 0600, or -1 and the reason in error. A stale
    // socket of this user (nothing answers on it) is replaced; anything else at path is refused.
    // identity receives the socket file's device and inode, so that only that file is removed later.
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
    };
    [[nodiscard]] static int listenOnLocalSocket(const QString &path, FileIdentity *identity, QString *error);

    // The identity of the file now at path, or a zero identity.
    [[nodiscard]] static FileIdentity identityOf(const QString &path);
    // Removes path when it is still the file described by identity (not one put there since).
    static void removeIfSame(const QString &path, FileIdentity identity);

    // True when the peer of a connected Unix-domain socket runs as this process's user.
    [[nodiscard]] static bool peerIsThisUser(qintptr socketDescriptor);
};

} // namespace Ostraven::Host
