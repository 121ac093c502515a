#include "windowstacking.h"

#include <QGuiApplication>
#include <QWidget>

namespace Ostraven {

bool WindowStacking::platformStacksWindows()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void WindowStacking::bringToFront(QWidget &window)
{
    if (platformStacksWindows())
        window.raise();
    window.activateWindow();
}

} // namespace Ostraven
