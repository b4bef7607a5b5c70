#include "library/LibraryPlacement.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace qv::libraryWindow {
namespace {

// Beyond any desktop: a stored number this large is damage, not a place.
constexpr double kLargestCoordinate = 1e6;

QRectF centred(QSizeF size, const QRectF& area) {
  return QRectF(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(),
                size.height());
}

// A frame wider or taller than the usable area is cut to it, lined up with its edge.
QRectF shrunkTo(QRectF frame, const QRectF& area) {
  if (frame.width() > area.width()) {
    frame.setLeft(area.left());
    frame.setWidth(area.width());
  }
  if (frame.height() > area.height()) {
    frame.setTop(area.top());
    frame.setHeight(area.height());
  }
  return frame;
}

QRectF atLeastMinimum(QRectF frame) {
  frame.setSize(frame.size().expandedTo(kMinimumSize));
  return frame;
}

bool onSomeScreen(const QList<ScreenInfo>& screens, const QRectF& frame) {
  return std::any_of(screens.cbegin(), screens.cend(),
                     [&](const ScreenInfo& screen) { return screen.visibleFrame.intersects(frame); });
}

QRectF centredWithSize(QSizeF size, const QRectF& area) {
  return centred(shrunkTo(QRectF(QPointF(), size), area).size().expandedTo(kMinimumSize), area);
}

}  // namespace

std::optional<QRectF> decodeSavedFrame(const QJsonValue& value) {
  if (!value.isString()) return std::nullopt;
  static const QRegularExpression spaces(QStringLiteral("\\s+"));
  const QStringList fields = value.toString().split(spaces, Qt::SkipEmptyParts);
  if (fields.size() != 4 && fields.size() != 8) return std::nullopt;
  double numbers[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    numbers[i] = fields[i].toDouble(&ok);
    if (!ok || !std::isfinite(numbers[i]) || std::abs(numbers[i]) > kLargestCoordinate) return std::nullopt;
  }
  for (qsizetype i = 4; i < fields.size(); ++i) {
    bool ok = false;
    fields[i].toDouble(&ok);
    if (!ok) return std::nullopt;
  }
  if (numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
  return QRectF(numbers[0], numbers[1], numbers[2], numbers[3]);
}

QString encodeSavedFrame(const QRectF& frame, const QRectF& screenFrame) {
  const QRect f = frame.toRect(), s = screenFrame.toRect();
  return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
      .arg(f.x())
      .arg(f.y())
      .arg(f.width())
      .arg(f.height())
      .arg(s.x())
      .arg(s.y())
      .arg(s.width())
      .arg(s.height());
}

QRectF initialFrame(const QList<ScreenInfo>& screens, QPointF pointer, const std::optional<QRectF>& savedFrame) {
  const std::optional<ScreenInfo> target = screenContaining(screens, pointer);
  if (!target) return QRectF(QPointF(0, 0), kPreferredSize);
  const QRectF area = target->visibleFrame;
  if (savedFrame) {
    const QRectF home = screenContaining(screens, savedFrame->center())->visibleFrame;
    const QRectF kept = atLeastMinimum(shrunkTo(*savedFrame, home));
    if (onSomeScreen(screens, kept)) return kept;
    // Its screen is gone: the saved size, centred where the user is.
    return centredWithSize(savedFrame->size(), area);
  }
  const QSizeF size(std::min(area.width() - kScreenMargin, kPreferredSize.width()),
                    std::min(area.height() - kScreenMargin, kPreferredSize.height()));
  return centred(size.expandedTo(kMinimumSize), area);
}

std::optional<QRectF> frameOffScreens(const QList<ScreenInfo>& screens, QPointF pointer, const QRectF& frame) {
  const std::optional<ScreenInfo> target = screenContaining(screens, pointer);
  if (!target || onSomeScreen(screens, frame)) return std::nullopt;
  return centredWithSize(frame.size(), target->visibleFrame);
}

std::optional<RunningApp> previousAppAfterShow(const std::optional<RunningApp>& previous,
                                               const std::optional<RunningApp>& frontmost, qint64 ownPid) {
  if (!frontmost) return std::nullopt;
  if (frontmost->pid == ownPid) return previous;
  return frontmost;
}

}  // namespace qv::libraryWindow
