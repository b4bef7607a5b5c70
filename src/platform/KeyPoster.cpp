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
        down_.remove(key.code);
      }
      return;
    }
    // A repeat can also come as a release and a press at the same instant.
    if (key.press && pickingReleaseTime_ == key.time) {
      pickingKeyDown_ = true;
      return;
    }
  }
  if (key.press) down_.insert(key.code);
  else down_.remove(key.code);
  if (keys_.size() >= kMaxKeys) return;
  const auto later = std::upper_bound(keys_.begin(), keys_.end(), key.time,
                                      [](quint32 time, const TypedKey& kept) { return time < kept.time; });
  keys_.insert(later, key);
}

QList<TypedKey> HeldKeys::take() { return std::exchange(keys_, {}); }

quint16 ModifierKeys::maskOf(quint32 code) const {
  quint16 mask = 0;
  for (std::size_t bit = 0; bit < keys.size(); ++bit)
    if (keys[bit].contains(code)) mask |= quint16(1u << bit);
  return mask;
}

quint16 ModifierKeys::maskOf(const QSet<quint32>& down) const {
  quint16 mask = 0;
  for (const quint32 code : down) mask |= maskOf(code);
  return mask;
}

QSet<quint32> ModifierKeys::modifiersAmong(const QSet<quint32>& down) const {
  QSet<quint32> found;
  for (const quint32 code : down)
    if (isModifier(code)) found.insert(code);
  return found;
}

QList<TypedKey> replayKeys(const QList<TypedKey>& kept, const ModifierKeys& modifiers, QSet<quint32> down) {
  QList<TypedKey> posted;
  const auto post = [&](quint32 code, bool press, const TypedKey& like) {
    posted.append({code, press, like.time, like.state});
    if (press) down.insert(code);
    else down.remove(code);
  };
  for (const TypedKey& key : kept) {
    if (!key.press) {
      post(key.code, false, key);
      continue;
    }
    QList<quint32> held;
    QList<quint32> letGo;
    if (!modifiers.isModifier(key.code)) {
      const quint16 have = modifiers.maskOf(down) & modifiers.adjustable;
      const quint16 want = key.state & modifiers.adjustable;
      for (std::size_t bit = 0; bit < modifiers.keys.size(); ++bit) {
        const quint16 mask = quint16(1u << bit);
        if ((want & mask) && !(have & mask) && !modifiers.keys[bit].isEmpty()) held.append(modifiers.keys[bit].first());
        if ((have & mask) && !(want & mask))
          for (const quint32 code : down)
            if ((modifiers.maskOf(code) & mask) && !letGo.contains(code)) letGo.append(code);
      }
    }
    for (const quint32 code : letGo) post(code, false, key);
    for (const quint32 code : held) post(code, true, key);
    post(key.code, false, key);
    post(key.code, true, key);
    for (const quint32 code : held) post(code, false, key);
    for (const quint32 code : letGo) post(code, true, key);
  }
  return posted;
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
