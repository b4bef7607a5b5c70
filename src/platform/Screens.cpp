#include "platform/Screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace qv {

QRectF usableArea(const QRectF& frame, const DesktopReservations& reservations) {
  QRectF usable = frame;
  if (reservations.workArea) {
    const QRectF within = frame.intersected(*reservations.workArea);
    if (!within.isEmpty()) usable = within;
  }
  for (const ReservedStrip& strip : reservations.strips) {
    if (!strip.rect.intersects(frame)) continue;
    QRectF less = usable;
    switch (strip.edge) {
      case Qt::LeftEdge: less.setLeft(std::max(less.left(), strip.rect.right())); break;
      case Qt::RightEdge: less.setRight(std::min(less.right(), strip.rect.left())); break;
      case Qt::TopEdge: less.setTop(std::max(less.top(), strip.rect.bottom())); break;
      case Qt::BottomEdge: less.setBottom(std::min(less.bottom(), strip.rect.top())); break;
    }
    // A strip that would leave nothing (a dock as big as the monitor) is no reservation.
    if (!less.isEmpty()) usable = less;
  }
  return usable;
}

QtScreens::QtScreens(std::function<std::optional<DesktopReservations>()> reservations, QObject* parent)
    : Screens(parent), reservations_(std::move(reservations)) {
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
  const std::optional<DesktopReservations> reserved = reservations_ ? reservations_() : std::nullopt;
  const auto info = [&reserved](const QScreen* screen) {
    // The reservations are in device pixels; scaled screens keep what Qt says.
    const bool unscaled = qFuzzyCompare(screen->devicePixelRatio(), 1.0);
    const QRectF usable = reserved && unscaled ? usableArea(screen->geometry(), *reserved)
                                               : QRectF(screen->availableGeometry());
    return ScreenInfo{screen->name(), screen->geometry(), usable};
  };
  QList<ScreenInfo> next;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) next.append(info(primary));
  for (QScreen* screen : QGuiApplication::screens())
    if (screen != primary) next.append(info(screen));
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
