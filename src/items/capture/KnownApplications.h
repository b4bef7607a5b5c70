#pragma once
#include <QString>
#include <array>

namespace qv::knownApplications {

// Fixed application identities (desktop-entry ids) the capture relies on.

// The source of a copy whose application nothing identifies is the desktop's file manager (the
// default handler of folders); this one stands in where the desktop has none installed.
inline constexpr char kLastResortSourceID[] = "org.gnome.Nautilus";

// Parts of the desktop shell (panels, docks, launchers, notification and search overlays, the
// window manager, the desktop itself). Their windows float over applications but never belong
// to what the user copies from, so they never count as the owner of an overlay window.
inline constexpr std::array<const char*, 16> kShellApplicationIDs = {
    "org.gnome.Shell",
    "org.gnome.Shell.Extensions",
    "org.kde.plasmashell",
    "org.kde.krunner",
    "org.kde.kwin",
    "xfce4-panel",
    "xfce4-notifyd",
    "xfdesktop",
    "xfwm4",
    "mate-panel",
    "budgie-panel",
    "cinnamon",
    "plank",
    "tint2",
    "dunst",
    "jwm",
};

inline bool isShellApplication(const QString& desktopId) {
  for (const char* shell : kShellApplicationIDs)
    if (desktopId == QLatin1String(shell)) return true;
  return false;
}

}  // namespace qv::knownApplications
