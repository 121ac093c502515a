#pragma once

#include <QString>

namespace Ostraven {

// The user's runtime folder ($XDG_RUNTIME_DIR) for programs that run without a login session (CI,
// containers, services started as root). Qt looks in that folder while it sets up any GUI
// application, and when the variable is unset it falls back to <temp>/runtime-<user> and says so on
// standard error, once per process. The reference host and the test programs call this first, so
// that the fallback is set up quietly and with the same guarantees: a folder of this user's alone.
class RuntimeFolder
{
public:
    // Before the application object exists. A set XDG_RUNTIME_DIR is left as it is (Qt checks it).
    // Otherwise <temp>/runtime-<user> is created with mode 0700 when missing and, when it is a real
    // folder owned by this user that no one else may enter, exported as XDG_RUNTIME_DIR. Anything
    // else at that path is left alone and the variable stays unset, so Qt's own refusal and warning
    // still apply. Returns the folder now in the variable, or an empty text.
    static QString provide();

    // The folder Qt falls back to without XDG_RUNTIME_DIR.
    [[nodiscard]] static QString fallbackPath();

    // True when path is a folder (not a link) owned by this user with no rights for anyone else.
    [[nodiscard]] static bool isPrivateFolder(const QString &path);
};

} // namespace Ostraven
