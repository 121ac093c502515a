#include "controlaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Ostraven::Host {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A descriptor closed when the scope ends unless it was handed on.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool fillAddress(sockaddr_un &address, const QByteArray &path)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// True when a server accepts connections on the socket file: it is in use, not stale.
bool socketAnswers(const QByteArray &path)
{
    sockaddr_un address;
    if (!fillAddress(address, path))
        return false;
    const Descriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe.get() < 0)
        return false;
    return ::connect(probe.get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
}

} // namespace

QByteArray ControlAccess::newToken()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    return QByteArray(reinterpret_cast<const char *>(words.data()), qsizetype(sizeof(words))).toHex();
}

bool ControlAccess::sameToken(QByteArrayView given, QByteArrayView expected)
{
    // The length is no secret: every token has the same number of digits.
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

QString ControlAccess::defaultTokenFile(quint16 port)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/ostraven-host-%1.token").arg(port);
}

QString ControlAccess::writeTokenFile(const QString &path, const QByteArray &token)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat existing {};
    if (::lstat(native.constData(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || existing.st_uid != ::geteuid())
            return QStringLiteral("%1 exists and is not a token file of this user; the host leaves it alone").arg(path);
        if (::unlink(native.constData()) != 0)
            return QStringLiteral("cannot replace the old token file %1: %2").arg(path, systemError());
    } else if (errno != ENOENT) {
        return QStringLiteral("cannot check the token file %1: %2").arg(path, systemError());
    }
    // O_EXCL and O_NOFOLLOW: the file is new and ours, never something planted at the name meanwhile.
    const Descriptor file(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return QStringLiteral("cannot create the token file %1: %2").arg(path, systemError());
    const QByteArray content = token + '\n';
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t step = ::write(file.get(), content.constData() + written, size_t(content.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0) {
            const QString failure = QStringLiteral("cannot write the token file %1: %2").arg(path, systemError());
            ::unlink(native.constData());
            return failure;
        }
        written += step;
    }
    return {};
}

int ControlAccess::listenOnLocalSocket(const QString &path, FileIdentity *identity, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address;
    if (!fillAddress(address, native)) {
        *error = QStringLiteral("the socket path must have 1 to %1 bytes: %2")
                     .arg(sizeof(address.sun_path) - 1)
                     .arg(path);
        return -1;
    }
    struct stat existing {};
    if (::lstat(native.constData(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            *error = QStringLiteral("%1 exists and is not a socket; the host leaves it alone").arg(path);
            return -1;
        }
        if (existing.st_uid != ::geteuid()) {
            *error = QStringLiteral("%1 is a socket of another user").arg(path);
            return -1;
        }
        if (socketAnswers(native)) {
            *error = QStringLiteral("%1 is in use: another host listens on it").arg(path);
            return -1;
        }
        if (::unlink(native.constData()) != 0) {
            *error = QStringLiteral("cannot remove the stale socket %1: %2").arg(path, systemError());
            return -1;
        }
    } else if (errno != ENOENT) {
        *error = QStringLiteral("cannot check %1: %2").arg(path, systemError());
        return -1;
    }

    // The socket is bound in a private folder (0700) and made 0600 there; only then does it get its
    // name. Bound at its name directly, it would be open to every user between bind and chmod.
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath()) + "/.ostraven-host-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        *error = QStringLiteral("cannot create a private folder beside %1: %2").arg(path, systemError());
        return -1;
    }
    const QByteArray temporary = folder + "/socket";
    auto cleanUp = [&] {
        ::unlink(temporary.constData());
        ::rmdir(folder.constData());
    };
    sockaddr_un temporaryAddress;
    if (!fillAddress(temporaryAddress, temporary)) {
        cleanUp();
        *error = QStringLiteral("the folder of %1 has too long a path for a socket").arg(path);
        return -1;
    }
    Descriptor server(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const bool listening = server.get() >= 0
                           && ::bind(server.get(), reinterpret_cast<const sockaddr *>(&temporaryAddress),
                                     sizeof(temporaryAddress))
                                  == 0
                           && ::chmod(temporary.constData(), 0600) == 0 && ::listen(server.get(), SOMAXCONN) == 0
                           // link, unlike rename, never replaces what may have appeared at the name.
                           && ::link(temporary.constData(), native.constData()) == 0;
    const QString failure = systemError();
    cleanUp();
    if (!listening) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(path, failure);
        return -1;
    }
    *identity = identityOf(path);
    return server.release();
}

ControlAccess::FileIdentity ControlAccess::identityOf(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return FileIdentity{status.st_dev, status.st_ino};
}

void ControlAccess::removeIfSame(const QString &path, FileIdentity identity)
{
    if (path.isEmpty() || identity.inode == 0)
        return;
    const FileIdentity now = identityOf(path);
    if (now.device == identity.device && now.inode == identity.inode)
        ::unlink(QFile::encodeName(path).constData());
}

bool ControlAccess::peerIsThisUser(qintptr socketDescriptor)
{
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::geteuid();
#else
    Q_UNUSED(socketDescriptor);
    // The file's mode is the whole check where the peer's identity cannot be asked for.
    return true;
#endif
}

} // namespace Ostraven::Host
