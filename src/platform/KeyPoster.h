#pragma once
#include <QString>

namespace qv {

// Types keystrokes into whatever window has the keyboard focus. On X11 through XTest; with no
// X server (Wayland) nothing can be posted.
class KeyPoster {
 public:
  virtual ~KeyPoster() = default;

  // Whether keystrokes can be posted at all in this session.
  virtual bool canPost() const = 0;

  // The paste keystroke for a window of `windowClass`: first the modifiers still held down are
  // released (a Shift left over from the pick would make it another shortcut), then Ctrl+V, or
  // Ctrl+Shift+V for a terminal emulator. False when nothing was posted.
  virtual bool postPaste(const QString& windowClass) = 0;
};

// Terminal emulators paste with Ctrl+Shift+V; they are known by their WM_CLASS class (or
// instance), compared without letter case.
bool isTerminalWindowClass(const QString& windowClass);

// An X11 desktop session: DISPLAY is set and the session is not Wayland (under Wayland,
// XWayland's XTest reaches only X clients, so keys are not posted there).
bool isX11Session();

}  // namespace qv
