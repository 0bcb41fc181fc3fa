// Start-up only: the application object, the settings file and the window.
#include "app/frmmain.h"
#include "app/quitonsignal.h"
#include "app/shownreport.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char *argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantelapp"));

    SettingsFile settings(defaultSettingsPath());
    frmMain window(settings);
    closeWindowOnTerminationSignals(&window);
    window.show();
    ShownReport::installFromEnvironment(&window, sinceMain);
    return QApplication::exec();
}
