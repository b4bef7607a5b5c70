#pragma once
// What the library's desktop tests share: the program on a desktop with jwm's tray (see
// ProgramDesktop), launched with copies made, and the tray's "Open Library".
#include "ProgramDesktop.h"

#include <QRegularExpression>
#include <optional>

namespace qv::test {

class LibraryDesktop : protected ProgramDesktop {
 protected:
  explicit LibraryDesktop(QSize screen = {1280, 800}) : ProgramDesktop(XvfbSession::Options{true, screen, true}) {}

  // Starts the program and copies `texts` one after another, each once it has taken the one
  // before.
  bool launchAndCopy(const QList<QByteArray>& texts) {
    startProgram();
    if (!logCount("Quorvalen launched", 1, 20000)) return false;
    for (int i = 0; i < texts.size(); ++i)
      if (!copy(texts[i]) || !logCount("Captured a", i + 1, 20000)) return false;
    return true;
  }
  // Pixels that differ between `a` and `b` right of `left` and below `top` (above the tray).
  int changedPixels(const QImage& a, const QImage& b, int left, int top) const {
    int changed = 0;
    for (int y = top; y < screen_.height() - 30; y += 4)
      for (int x = left; x < screen_.width(); x += 4) changed += a.pixel(x, y) != b.pixel(x, y);
    return changed;
  }
  // jwm docks the tray icon at the right end of its bar along the bottom.
  QPoint trayIcon() const { return {screen_.width() - 12, screen_.height() - 14}; }
  // Opens the tray icon's menu and picks its first row, "Open Library", with the pointer moved
  // to `pointerAt` meanwhile when given; false when the menu never came.
  bool openLibraryFromTheTray(std::optional<QPoint> pointerAt = std::nullopt) {
    const int menus = int(log().count("Status menu opened"));
    const QImage before = session_.screenshot();
    // Right after a window went down into jwm's task list, the tray can miss a click: ask again.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
      if (!session_.xdotool(
              {"mousemove", QString::number(trayIcon().x()), QString::number(trayIcon().y()), "click", "3"}))
        return false;
      opened = logCount("Status menu opened", menus + 1, 3000);
    }
    // Keys reach the menu once it is drawn above the tray.
    if (!opened || waitForScreenshot([&](const QImage& shot) {
                     return changedPixels(before, shot, screen_.width() - 280, screen_.height() - 240) > 200;
                   }).isNull())
      return false;
    if (pointerAt && !session_.xdotool({"mousemove", QString::number(pointerAt->x()), QString::number(pointerAt->y())}))
      return false;
    return session_.xdotool({"key", "Down", "Return"});
  }
  // The native window the library shows in now.
  QString libraryWindow() {
    static const QRegularExpression shown(QStringLiteral("Library shown in window (0x[0-9a-f]+)"));
    QString last;
    for (QRegularExpressionMatchIterator it = shown.globalMatch(QString::fromUtf8(log())); it.hasNext();)
      last = it.next().captured(1);
    return last;
  }
};

}  // namespace qv::test
