// Start-up only: the command line, the application object, the settings file and the window.
#include "app/applicationsetup.h"
#include "app/commandline.h"
#include "app/desktopidentity.h"
#include "app/frmmain.h"
#include "app/quitonsignal.h"
#include "app/shownreport.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QElapsedTimer>

namespace
{

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (const auto answer = commandline::answerBeforeApplication(
            argumentList(argc, argv), QProcessEnvironment::systemEnvironment()))
        return commandline::deliver(*answer);
    QApplication app(argc, argv);
    if (const auto answer = commandline::answerLeftoverArguments(QApplication::arguments()))
        return commandline::deliver(*answer);
    QApplication::setApplicationName(QStringLiteral("vantelapp"));
    setDesktopIdentity();
    setUpApplication();

    SettingsFile settings(defaultSettingsPath());
    frmMain window(settings);
    closeWindowOnTerminationSignals(&window);
    window.show();
    shownreport::installFromEnvironment(&window, sinceMain);
    return QApplication::exec();
}
