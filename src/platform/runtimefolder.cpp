#include "runtimefolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Ostraven {

QString RuntimeFolder::fallbackPath()
{
    // The user's name, as Qt names the folder; the number when the account has no entry.
    const uid_t user = ::geteuid();
    const passwd *entry = ::getpwuid(user);
    const QString name = entry && entry->pw_name ? QFile::decodeName(entry->pw_name) : QString::number(user);
    return QDir::tempPath() + QStringLiteral("/runtime-") + name;
}

bool RuntimeFolder::isPrivateFolder(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

QString RuntimeFolder::provide()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = fallbackPath();
    // mkdir fails on anything already at the path, which is then judged as it stands: a folder planted
    // there by another user, or one others may enter, is never handed on as the private one.
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!isPrivateFolder(folder))
        return {};
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
    return folder;
}

} // namespace Ostraven
