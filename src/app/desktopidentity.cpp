#include "app/desktopidentity.h"

#include <QGuiApplication>
#include <QIcon>

void setDesktopIdentity()
{
    QGuiApplication::setDesktopFileName(kDesktopId);
    // The installed theme's icon, drawn for each size; the built-in one where no theme has
    // it (a copy run from the build folder).
    QGuiApplication::setWindowIcon(QIcon::fromTheme(
        kDesktopId, QIcon(QStringLiteral(":/vantelapp/org.vantelapp.VantelApp.svg"))));
}
