#include "app/windowoptions.h"

#include "ports/portmap.h"
#include "settings/settingsfile.h"

#include <QFileInfo>

namespace windowoptions
{

namespace
{

const QString kSection = QStringLiteral("Connection");
const QString kReconnect = QStringLiteral("Reconnect");

} // namespace

QString path()
{
    return QFileInfo(ports::portMapPath()).absolutePath() + QStringLiteral("/window.conf");
}

bool reconnect()
{
    return SettingsFile(path()).ReadINI(kSection, kReconnect) == QLatin1String("1");
}

void setReconnect(bool on)
{
    SettingsFile(path()).WriteINI(kSection, kReconnect,
                                  on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace windowoptions
