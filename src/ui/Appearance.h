#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/theme/Environment.h"

#include <QObject>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

namespace qv {

struct InterfaceServices;
class FrameClock;

// Puts the appearance setting into effect: "light" or "dark" (exactly so spelled) fix every
// window's look, anything else ("system", "Dark", "") lets them follow the desktop's colour
// scheme, also when the desktop changes it later. The choice is kept, so windows made later
// show in it too.
void applyAppearance(InterfaceServices& context, const QString& appearance);

// Dresses the program's windows in the environment's colour scheme. Every switch of the scheme
// (a new setting or the desktop's change while following it) cross-fades each visible window
// from a snapshot of its old look, so no compositor is needed; windows shown later take the
// scheme when they show. The tray icon's own window is left to the desktop.
class AppearanceWindows : public QObject {
  Q_OBJECT
 public:
  static constexpr double kFadeSeconds = 0.3;

  AppearanceWindows(Environment& environment, FrameClock& clock, QObject* parent = nullptr);
  ~AppearanceWindows() override;

  // The palette a window shows in `scheme`: the desktop's own when it already has that
  // lightness, else the program's light or dark one.
  static QPalette paletteFor(ColorScheme scheme);
  // The tray icon's window, which keeps following the desktop whatever the setting.
  static bool followsDesktopOnly(const QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fadeVisibleWindows();
  void dressAll();
  void dress(QWidget* window);

  Environment& environment_;
  FrameClock& clock_;
};

// The snapshot of a window's old look, laid over the window and faded out; it takes no clicks
// and removes itself at the end.
class AppearanceFade : public QWidget {
  Q_OBJECT
 public:
  AppearanceFade(QWidget* window, const QPixmap& snapshot, FrameClock& clock);
  double opacity() const { return opacity_.value(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap snapshot_;
  Animated<double> opacity_;
};

}  // namespace qv
