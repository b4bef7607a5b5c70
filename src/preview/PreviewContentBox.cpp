#include "preview/PreviewContentBox.h"

#include "preview/ItemPreviewView.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"

#include <QCoreApplication>
#include <QPainter>

namespace qv {

namespace {
constexpr double kRadius = ItemPreviewView::kContentRadius;
}  // namespace

QLinearGradient previewWhiteFade(const QRectF& rect, double top, double bottom) {
  return Fx::linearGradient(
      rect, {0, 0}, {0, 1},
      {{0, QColor::fromRgbF(1, 1, 1, float(top))}, {1, QColor::fromRgbF(1, 1, 1, float(bottom))}});
}

void paintPreviewSheen(QPainter& painter, const QRectF& rect) {
  painter.fillPath(Fx::continuousRoundedRect(rect, kRadius),
                   Fx::linearGradient(rect, {0, 0}, {0, 0.5},
                                      {{0, QColor::fromRgbF(1, 1, 1, 0.07f)}, {1, QColor::fromRgbF(1, 1, 1, 0)}}));
}

// ---- The hairline ---------------------------------------------------------------------------------

PreviewContentFrame::PreviewContentFrame(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

AccessibilityInfo PreviewContentFrame::accessibility() const {
  AccessibilityInfo info;
  info.hidden = true;
  return info;
}

void PreviewContentFrame::paint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box(rect());
  // The box's mask cuts its content along whole pixels; what content reaches into the corners
  // is taken away here along the smooth edge.
  QPainterPath corners;
  corners.addRect(box);
  corners = corners.subtracted(Fx::continuousRoundedRect(box, kRadius));
  painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
  painter.fillPath(corners, Qt::black);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  Fx::strokeInnerBorder(painter, box, kRadius, previewWhiteFade(box, 0.22, 0.04), 0.75);
}

// ---- The cover of a sensitive item ----------------------------------------------------------------

PreviewConcealCover::PreviewConcealCover(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  banner_.setStyle(TextStyle{systemFont(kTextSize, QFont::Medium), 0, 1, Qt::AlignHCenter});
  banner_.setText(bannerText());
}

QString PreviewConcealCover::bannerText() { return QCoreApplication::translate("ItemPreviewView", "Marked sensitive"); }

void PreviewConcealCover::setPicture(QImage picture) {
  picture_ = std::move(picture);
  update();
}

void PreviewConcealCover::setTranslucency(TranslucencySupport support) {
  support_ = support;
  update();
}

AccessibilityInfo PreviewConcealCover::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = bannerText();
  return info;
}

void PreviewConcealCover::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF box(rect());
  const QPainterPath shape = Fx::continuousRoundedRect(box, kRadius);
  painter.setRenderHint(QPainter::Antialiasing);
  // The live content was painted under this: its pixels go, not only get covered.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillPath(shape, Translucency::backgroundColor(Material::panel, env, support_));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  paintPreviewSheen(painter, box);
  if (!picture_.isNull()) {
    painter.save();
    painter.setClipPath(shape);
    Fx::drawImage(painter, {0, 0}, picture_);
    painter.restore();
  }
  const QColor ink = primaryColor(env, 0.45);
  const QSizeF textSize = banner_.size(0);
  const double height = kSymbolSize + kSpacing + textSize.height();
  const double top = (box.height() - height) / 2;
  const QImage symbol = Symbols::image(QStringLiteral("eye.slash.fill"), kSymbolSize, ink, Fx::painterScale(painter));
  if (!symbol.isNull()) {
    const QSizeF size = symbol.deviceIndependentSize();
    painter.drawImage(QPointF((box.width() - size.width()) / 2, top + (kSymbolSize - size.height()) / 2), symbol);
  }
  banner_.draw(painter, QPointF((box.width() - textSize.width()) / 2, top + kSymbolSize + kSpacing), 0, ink);
}

}  // namespace qv
