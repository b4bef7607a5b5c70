#include "platform/KeyPoster.h"

#include <QtGlobal>
#include <array>

namespace qv {

bool isTerminalWindowClass(const QString& windowClass) {
  // Classes as the terminals set them in WM_CLASS, lower-cased.
  static constexpr std::array kTerminalClasses = {
      "gnome-terminal",
      "gnome-terminal-server",
      "org.gnome.console",
      "kgx",
      "org.gnome.ptyxis",
      "konsole",
      "org.kde.konsole",
      "xfce4-terminal",
      "mate-terminal",
      "lxterminal",
      "qterminal",
      "tilix",
      "com.gexperts.tilix",
      "terminator",
      "alacritty",
      "kitty",
      "foot",
      "footclient",
      "org.wezfurlong.wezterm",
      "wezterm",
      "terminology",
      "sakura",
      "guake",
      "tilda",
      "st",
      "st-256color",
      "termite",
      "deepin-terminal",
      "hyper",
      "tabby",
      "com.raggesilver.blackbox",
      "cool-retro-term",
      "contour",
      "rio",
      "ghostty",
      "com.mitchellh.ghostty",
      "warp",
      "io.elementary.terminal",
      "pantheon-terminal",
      "roxterm",
      "cosmic-term",
  };
  const QString lower = windowClass.trimmed().toLower();
  if (lower.isEmpty()) return false;
  for (const char* name : kTerminalClasses)
    if (lower == QLatin1String(name)) return true;
  return false;
}

bool isX11Session() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
  return qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) != 0;
}

}  // namespace qv
