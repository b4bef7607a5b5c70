#include "platform/Screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace qv {

QtScreens::QtScreens(QObject* parent) : Screens(parent) {
  for (QScreen* screen : QGuiApplication::screens()) watch(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    watch(screen);
    refresh();
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, [this] { refresh(); });
  connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { refresh(); });
  refresh();
}

void QtScreens::watch(QScreen* screen) {
  connect(screen, &QScreen::geometryChanged, this, [this] { refresh(); });
  connect(screen, &QScreen::availableGeometryChanged, this, [this] { refresh(); });
}

void QtScreens::refresh() {
  QList<ScreenInfo> next;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) next.append({primary->name(), primary->geometry(), primary->availableGeometry()});
  for (QScreen* screen : QGuiApplication::screens())
    if (screen != primary) next.append({screen->name(), screen->geometry(), screen->availableGeometry()});
  {
    std::lock_guard lock(mutex_);
    if (next == snapshot_) return;
    snapshot_ = next;
  }
  Q_EMIT changed();
}

QList<ScreenInfo> QtScreens::screens() const {
  std::lock_guard lock(mutex_);
  return snapshot_;
}

QPointF QtScreens::pointerLocation() const { return QCursor::pos(); }

std::optional<ScreenInfo> screenContaining(const QList<ScreenInfo>& screens, QPointF point) {
  for (const ScreenInfo& screen : screens) {
    const QRectF& f = screen.frame;
    if (point.x() >= f.left() && point.x() < f.right() && point.y() >= f.top() && point.y() < f.bottom()) return screen;
  }
  std::optional<ScreenInfo> nearest;
  double best = 0;
  for (const ScreenInfo& screen : screens) {
    const QRectF& f = screen.frame;
    const double dx = std::max({0.0, f.left() - point.x(), point.x() - f.right()});
    const double dy = std::max({0.0, f.top() - point.y(), point.y() - f.bottom()});
    const double distance = dx * dx + dy * dy;
    if (!nearest || distance < best) {
      nearest = screen;
      best = distance;
    }
  }
  return nearest;
}

}  // namespace qv
