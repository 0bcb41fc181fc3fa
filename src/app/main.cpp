// Start-up only: the application object, the settings file and the window.
#include "app/frmmain.h"
#include "app/quitonsignal.h"
#include "settings/settingsfile.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantelapp"));

    SettingsFile settings(defaultSettingsPath());
    frmMain window(settings);
    closeWindowOnTerminationSignals(&window);
    window.show();
    return QApplication::exec();
}
