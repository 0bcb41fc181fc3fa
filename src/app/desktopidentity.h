#pragma once
// How the desktop knows the window as the menu entry's: the desktop file name (Wayland's
// app id) and the window icon. Call once the application object exists.

#include <QLatin1StringView>

// The desktop entry's id: the desktop file's name and the icon's name in the icon theme.
inline constexpr QLatin1StringView kDesktopId("org.vantelapp.VantelApp");

void setDesktopIdentity();
