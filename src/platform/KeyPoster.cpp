#include "platform/KeyPoster.h"

#include <QtGlobal>
#include <algorithm>
#include <array>

namespace qv {

void HeldKeys::add(const TypedKey& key) {
  if (pickingKey_ != 0 && key.code == pickingKey_) {
    if (pickingKeyDown_) {
      // A press while it is down is a repeat; its release ends it.
      if (!key.press) {
        pickingKeyDown_ = false;
        pickingReleaseTime_ = key.time;
      }
      return;
    }
    // A repeat can also come as a release and a press at the same instant.
    if (key.press && pickingReleaseTime_ == key.time) {
      pickingKeyDown_ = true;
      return;
    }
  }
  if (keys_.size() >= kMaxKeys) return;
  const auto later = std::upper_bound(keys_.begin(), keys_.end(), key.time,
                                      [](quint32 time, const TypedKey& kept) { return time < kept.time; });
  keys_.insert(later, key);
}

QList<TypedKey> HeldKeys::take() {
  QList<TypedKey> typed = std::exchange(keys_, {});
  QList<TypedKey> down;
  for (const TypedKey& key : typed) {
    const auto same = [&key](const TypedKey& other) { return other.code == key.code; };
    down.removeIf(same);
    if (key.press) down.append(key);
  }
  for (TypedKey key : down) {
    key.press = false;
    typed.append(key);
  }
  return typed;
}

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
