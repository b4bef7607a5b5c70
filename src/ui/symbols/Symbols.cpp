#include "ui/symbols/Symbols.h"

#include "base/Log.h"

#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QSet>
#include <QStandardPaths>
#include <cmath>

namespace qv::Symbols {

const std::vector<Entry>& table() {
  static const std::vector<Entry> entries = {
      {"app.badge", "application-x-executable-symbolic"},
      {"arrow.counterclockwise", "view-refresh-symbolic"},
      {"arrow.right.and.line.vertical.and.arrow.left", "format-justify-fill-symbolic"},
      {"arrow.turn.up.right", "mail-forward-symbolic"},
      {"arrow.up.forward.app", "go-jump-symbolic"},
      {"arrow.uturn.backward", "edit-undo-symbolic"},
      {"calendar", "x-office-calendar-symbolic"},
      {"checkmark", "object-select-symbolic"},
      {"checkmark.circle.fill", "emblem-ok-symbolic"},
      {"chevron.down", "pan-down-symbolic"},
      {"chevron.left", "go-previous-symbolic"},
      {"chevron.right", "go-next-symbolic"},
      {"command", "input-keyboard-symbolic"},
      {"cursorarrow", "input-mouse-symbolic"},
      {"curlybraces", "utilities-terminal-symbolic"},
      {"doc", "x-office-document-symbolic"},
      {"doc.on.clipboard", "edit-paste-symbolic"},
      {"doc.on.doc", "edit-copy-symbolic"},
      {"ellipsis", "view-more-horizontal-symbolic"},
      {"envelope", "mail-unread-symbolic"},
      {"eraser.fill", "edit-clear-all-symbolic"},
      {"eye", "view-reveal-symbolic"},
      {"eye.slash", "view-conceal-symbolic"},
      {"eye.slash.fill", "view-conceal-symbolic"},
      {"gearshape", "emblem-system-symbolic"},
      {"hand.draw", "list-drag-handle-symbolic"},
      {"hand.wave", "face-smile-symbolic"},
      {"info.circle", "help-about-symbolic"},
      {"iphone.gen3", "phone-symbolic"},
      {"keyboard", "input-keyboard-symbolic"},
      {"line.3.horizontal.decrease", nullptr, false, Drawn::decreasingLines},
      {"line.3.horizontal.decrease.circle", nullptr, false, Drawn::decreasingLinesInCircle},
      {"link", "insert-link-symbolic"},
      {"link.badge.plus", "insert-link-symbolic"},
      {"macwindow", "focus-windows-symbolic"},
      {"magnifyingglass", "system-search-symbolic"},
      {"minus", "list-remove-symbolic"},
      {"nosign", "action-unavailable-symbolic"},
      {"paintpalette", "color-select-symbolic"},
      {"pause.circle", "media-playback-pause-symbolic"},
      {"pause.fill", "media-playback-pause-symbolic"},
      {"pencil", "document-edit-symbolic"},
      {"photo", "image-x-generic-symbolic"},
      {"photo.badge.exclamationmark", "image-missing-symbolic"},
      {"pin", "view-pin-symbolic"},
      {"pin.fill", "view-pin-symbolic"},
      {"pin.slash", "view-pin-symbolic", true},
      {"play.fill", "media-playback-start-symbolic"},
      {"plus", "list-add-symbolic"},
      {"rectangle.portrait.and.arrow.right", "application-exit-symbolic"},
      {"safari", "web-browser-symbolic"},
      {"scissors", "edit-cut-symbolic"},
      {"space", "document-print-preview-symbolic"},
      {"square.and.arrow.up", "emblem-shared-symbolic"},
      {"square.grid.2x2", "view-grid-symbolic"},
      {"star", "starred-symbolic"},
      {"switch.2", "preferences-other-symbolic"},
      {"tag", "user-bookmarks-symbolic"},
      {"text.alignleft", "format-justify-left-symbolic"},
      {"textformat", "format-text-plaintext-symbolic"},
      {"textformat.abc", "font-x-generic-symbolic"},
      {"textformat.abc.dottedunderline", "format-text-underline-symbolic"},
      {"trash", "user-trash-symbolic"},
      {"wand.and.sparkles", "tools-check-spelling-symbolic"},
      {"xmark", "window-close-symbolic"},
      {"xmark.circle.fill", nullptr, false, Drawn::crossInDisc},
  };
  return entries;
}

namespace {
const QHash<QString, const Entry*>& index() {
  static const QHash<QString, const Entry*> map = [] {
    QHash<QString, const Entry*> m;
    for (const auto& entry : table()) m.insert(QString::fromLatin1(entry.symbol), &entry);
    return m;
  }();
  return map;
}

// The device pixel grid under a painter that only scales (evenly) and translates: coordinates in
// the painter's units, snapped to whole device pixels.
class PixelGrid {
 public:
  explicit PixelGrid(const QTransform& device) : scale_(device.m22()), dx_(device.dx()), dy_(device.dy()) {}
  // A stroke width of a whole number of pixels (at least one).
  double snappedWidth(double width) const { return std::max(1.0, std::round(width * scale_)) / scale_; }
  // The centre of a stroke of `width` near `x` (or `y`), so that both its edges lie on pixel
  // boundaries; with a width of 0, the nearest boundary.
  double snappedX(double x, double width = 0) const { return snapped(x, width, dx_); }
  double snappedY(double y, double width = 0) const { return snapped(y, width, dy_); }

 private:
  double snapped(double v, double width, double offset) const {
    const double half = width * scale_ / 2;
    return (std::round(v * scale_ + offset - half) + half - offset) / scale_;
  }
  double scale_, dx_, dy_;
};

// Paints a drawn symbol in black into `box`, on the 16-unit grid of the theme's symbolic icons.
void paintDrawn(QPainter& painter, Drawn drawn, const QRectF& box) {
  painter.save();
  painter.translate(box.topLeft());
  painter.scale(box.width() / 16, box.height() / 16);
  // Straight strokes land on whole device pixels at every scale: a line's thickness becomes a
  // whole number of pixels and its edges (and its caps' ends) fall on pixel boundaries, so that a
  // thin line is one crisp row rather than two half-inked ones.
  const PixelGrid grid(painter.deviceTransform());
  const auto lines = [&painter, &grid](double top, double gap, const double(&widths)[3], double thickness) {
    const double width = grid.snappedWidth(thickness), cap = width / 2;
    painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
      const double y = grid.snappedY(top + i * gap, width);
      const double half = widths[i] / 2;
      painter.drawLine(QPointF(grid.snappedX(8 - half - cap) + cap, y),
                       QPointF(grid.snappedX(8 + half + cap) - cap, y));
    }
  };
  switch (drawn) {
    case Drawn::decreasingLines: lines(3.5, 4.5, {13, 8.4, 3.8}, 1.7); break;
    case Drawn::decreasingLinesInCircle: {
      // Centred in the box, with its outermost rows and columns whole too.
      const double ring = grid.snappedWidth(1.5);
      const double radius = 8 - grid.snappedY(8 - 6.75, ring);
      painter.setPen(QPen(Qt::black, ring));
      painter.drawEllipse(QPointF(8, 8), radius, radius);
      lines(5.3, 2.7, {7, 4.6, 2.2}, 1.4);
      break;
    }
    case Drawn::crossInDisc: {
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::black);
      painter.drawEllipse(QPointF(8, 8), 7.5, 7.5);
      painter.setCompositionMode(QPainter::CompositionMode_Clear);
      painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
      constexpr double arm = 2.6;
      painter.drawLine(QPointF(8 - arm, 8 - arm), QPointF(8 + arm, 8 + arm));
      painter.drawLine(QPointF(8 - arm, 8 + arm), QPointF(8 + arm, 8 - arm));
      break;
    }
    case Drawn::none: break;
  }
  painter.restore();
}

const Entry* find(const QString& symbol) {
  const auto* entry = index().value(symbol, nullptr);
  if (!entry) {
    static QSet<QString> reported;
    if (!reported.contains(symbol)) {
      reported.insert(symbol);
      qCWarning(lcUi) << "unknown symbol" << symbol;
    }
  }
  return entry;
}
}  // namespace

void installIconTheme() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // Without a desktop platform theme (offscreen, bare X sessions) Qt searches only its
  // resources; the freedesktop locations are the XDG data folders.
  QStringList paths = QIcon::themeSearchPaths();
  QStringList wanted = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                 QStandardPaths::LocateDirectory);
  wanted << QStringLiteral("/usr/share/icons");
  bool added = false;
  for (const QString& path : wanted) {
    if (!paths.contains(path) && QFileInfo(path).isDir()) {
      paths << path;
      added = true;
    }
  }
  if (added) QIcon::setThemeSearchPaths(paths);
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

bool isKnown(const QString& symbol) { return index().contains(symbol); }

QString iconName(const QString& symbol) {
  const auto* entry = index().value(symbol, nullptr);
  return entry && entry->iconName ? QString::fromLatin1(entry->iconName) : QString();
}

QIcon icon(const QString& symbol) {
  const auto* entry = find(symbol);
  if (!entry) return {};
  if (entry->drawn != Drawn::none) {
    // In the ink of the theme's symbolic icons, at the sizes menus and buttons ask for.
    QIcon drawn;
    for (const int side : {16, 24, 32, 48})
      drawn.addPixmap(QPixmap::fromImage(image(symbol, side, QColor(0x2e, 0x34, 0x36))));
    return drawn;
  }
  installIconTheme();
  return QIcon::fromTheme(QString::fromLatin1(entry->iconName));
}

QImage image(const QString& symbol, double pointSize, const QColor& tint, double devicePixelRatio) {
  const int side = std::max(1, int(std::lround(pointSize * devicePixelRatio)));
  QImage result(side, side, QImage::Format_ARGB32_Premultiplied);
  result.fill(Qt::transparent);
  result.setDevicePixelRatio(devicePixelRatio);
  const auto* entry = find(symbol);
  if (!entry) return result;
  const QRectF box(0, 0, pointSize, pointSize);
  const QIcon themed = entry->drawn == Drawn::none ? icon(symbol) : QIcon();
  if (entry->drawn == Drawn::none && themed.isNull()) return result;
  QPainter painter(&result);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (entry->drawn != Drawn::none) {
    paintDrawn(painter, entry->drawn, box);
  } else {
    const QPixmap pixmap = themed.pixmap(QSize(side, side));
    painter.drawPixmap(box, pixmap, QRectF(pixmap.rect()));
  }
  if (entry->slashed) {
    // A crossed-out variant: a cut with a clear margin, then the slash itself.
    const QLineF slash(QPointF(pointSize * 0.12, pointSize * 0.12), QPointF(pointSize * 0.88, pointSize * 0.88));
    QPen pen(Qt::black, pointSize * 0.2, Qt::SolidLine, Qt::RoundCap);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(pen);
    painter.drawLine(slash);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    pen.setWidthF(pointSize * 0.09);
    painter.setPen(pen);
    painter.drawLine(slash);
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(box, tint);
  return result;
}

QStringList unresolved() {
  installIconTheme();
  QStringList missing;
  for (const auto& entry : table()) {
    if (entry.iconName && !QIcon::hasThemeIcon(QString::fromLatin1(entry.iconName)))
      missing << QString::fromLatin1(entry.symbol);
  }
  return missing;
}

}  // namespace qv::Symbols
