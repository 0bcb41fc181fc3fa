#include "app/desktopidentity.h"

#include <QGuiApplication>
#include <QIcon>
#include <QStandardPaths>

void setDesktopIdentity()
{
    QGuiApplication::setDesktopFileName(kDesktopId);
#ifdef Q_OS_WIN
    // The window shows the icon the executable carries (its resource IDI_ICON1) in every
    // size Windows asks for; a Qt for Windows need not read SVG at all.
    return;
#endif
    // The installed theme's icon, drawn for each size; the built-in one where it is not
    // installed (a copy run from the build folder). Looking a name up in the theme reads its
    // whole index, hundreds of folders and milliseconds at start-up, so the theme is asked
    // only once the icon's own file shows it has been installed.
    const QIcon builtIn(QStringLiteral(":/vantelapp/org.vantelapp.VantelApp.svg"));
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QLatin1String("icons/hicolor/scalable/apps/%1.svg").arg(kDesktopId));
    QGuiApplication::setWindowIcon(installed.isEmpty() ? builtIn
                                                       : QIcon::fromTheme(kDesktopId, builtIn));
}
