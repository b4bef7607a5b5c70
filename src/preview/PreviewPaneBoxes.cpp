#include "preview/PreviewPaneBoxes.h"

#include "preview/ItemPreviewView.h"
#include "preview/PreviewSizing.h"
#include "ui/controls/OrnamentRail.h"

#include <algorithm>

namespace qv {

namespace {
using Pane = ItemPreviewView;
}  // namespace

double PreviewPaneBoxes::contentHeightFor(const ClipboardItem& item, double availableHeight, int railButtons) {
  const int buttons = railButtons;
  // The rail's buttons, 4 apart, inside 6 of padding, with 28 to spare.
  const double minimum = std::max(
      OrnamentRailButton::kFace * buttons + Pane::kRailSpacing * (buttons - 1) + 2 * Pane::kRailPadding + 28,
      Pane::kMinimumContentHeight);
  const double allowed = std::max(minimum, std::min(std::max(availableHeight, minimum), Pane::kMaximumContentHeight));
  const double width = PreviewSizing::preferredWidth(item) - Pane::kRailWidth - Pane::kRowSpacing;
  const double wanted = std::max(PreviewSizing::preferredHeight(item, width), minimum);
  return std::min(allowed, wanted);
}

double PreviewPaneBoxes::contentWidth() const { return paneWidth - Pane::kRailWidth - Pane::kRowSpacing; }

double PreviewPaneBoxes::captionHeight() const { return captionSize.height() + 2 * Pane::kCaptionPaddingV; }

QSizeF PreviewPaneBoxes::paneSize() const { return {paneWidth, contentHeight + Pane::kStackSpacing + captionHeight()}; }

QSize PreviewPaneBoxes::widgetSize() const {
  const QSizeF pane = paneSize();
  return QSizeF(pane.width() + 2 * Pane::kShadowRoom, pane.height() + 2 * Pane::kShadowRoom).toSize();
}

QRectF PreviewPaneBoxes::all() const { return QRectF(QPointF(Pane::kShadowRoom, Pane::kShadowRoom), paneSize()); }

QRectF PreviewPaneBoxes::content() const {
  const QRectF boxes = all();
  const double x = onLeft ? boxes.left() + Pane::kRailWidth + Pane::kRowSpacing : boxes.left();
  return {x, boxes.top(), contentWidth(), contentHeight};
}

QRectF PreviewPaneBoxes::rail() const {
  const QRectF box = content();
  const double x = onLeft ? all().left() : box.right() + Pane::kRowSpacing;
  return {x, box.center().y() - railHeight / 2, Pane::kRailWidth, railHeight};
}

QRectF PreviewPaneBoxes::caption() const {
  const QRectF boxes = all();
  const double maximum = paneWidth - Pane::kRailWidth - Pane::kRowSpacing;
  const double width = std::min(captionSize.width() + 2 * Pane::kCaptionPaddingH, maximum);
  const double centre = boxes.center().x() + (onLeft ? Pane::kCaptionShift : -Pane::kCaptionShift);
  return {centre - width / 2, content().bottom() + Pane::kStackSpacing, width, captionHeight()};
}

}  // namespace qv
