#pragma once
#include "platform/Compositor.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QLinearGradient>

namespace qv {

// What lies over the preview pane's content box, above the content: its hairline, which also
// takes away what content reaches into the round corners, and the cover of a sensitive item.

// A top-to-bottom gradient of white from `top` to `bottom` opacity: the boxes' hairlines.
QLinearGradient previewWhiteFade(const QRectF& rect, double top, double bottom);
// The content box's sheen: white at 0.07 at the top, clear from the middle down.
void paintPreviewSheen(QPainter& painter, const QRectF& rect);

// The content box's hairline (0.75, white 0.22 to 0.04), over the content; it takes no pointer.
class PreviewContentFrame : public PaintedWidget {
  Q_OBJECT
 public:
  PreviewContentFrame(InterfaceServices& context, QWidget* parent);
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
};

// Replaces the content box's pixels with its background and a blurred picture of the content,
// with the banner ("Marked sensitive" under a crossed-out eye) over it. It takes every press and
// wheel meant for the content.
class PreviewConcealCover : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr double kSymbolSize = 26;
  static constexpr double kTextSize = 11;
  static constexpr double kSpacing = 8;

  PreviewConcealCover(InterfaceServices& context, QWidget* parent);
  static QString bannerText();
  void setPicture(QImage picture);
  const QImage& picture() const { return picture_; }
  void setTranslucency(TranslucencySupport support);
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  QImage picture_;
  TextBlock banner_;
  TranslucencySupport support_;
};

}  // namespace qv
