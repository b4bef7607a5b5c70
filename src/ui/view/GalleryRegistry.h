#pragma once
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/ControlStyle.h"
#include "ui/theme/Environment.h"

#include <QApplication>
#include <QHoverEvent>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

namespace qv {

// What a gallery render function gets: a context whose environment already has the colour
// scheme of this pass, and the pixel ratio to render at.
struct GalleryScene {
  InterfaceServices& context;
  // The same services as a higher layer's struct (the gallery hands down the whole context),
  // for views that need more than the interface services: scene.services<ViewServices>().
  template <typename Services>
  Services& services() const {
    return dynamic_cast<Services&>(context);
  }
  EnvironmentValues environment;
  double devicePixelRatio = 2;
  // Runs queued background work and what it posts back (views that finish off the main thread).
  std::function<void()> settle = [] {};

  // The gallery's frame clock, which it moves by hand.
  ManualFrameClock& clock() const { return static_cast<ManualFrameClock&>(*context.frameClock); }
  // Moves the clock on by `frames` frames: enough by default for springs and curves to settle.
  void runFrames(int frames = 120) const { clock().advanceFrames(frames); }
  // Shows a top-level widget at `size` without putting it on a screen, as the sheets render it.
  static void showOffscreen(QWidget& widget, QSize size) {
    widget.setAttribute(Qt::WA_DontShowOnScreen);
    widget.resize(size);
    widget.show();
  }
  // Puts the pointer over `at` in the widget and lets the hover spring settle.
  void hover(QWidget& widget, QPointF at) const {
    QHoverEvent enter(QEvent::HoverEnter, at, at, QPointF(-1, -1));
    QApplication::sendEvent(&widget, &enter);
    QHoverEvent move(QEvent::HoverMove, at, at, QPointF(-1, -1));
    QApplication::sendEvent(&widget, &move);
    runFrames(90);
  }

  // Pictures side by side, top-aligned, `gap` points apart, on a transparent image.
  QImage sideBySide(const std::vector<QImage>& pictures, double gap) const {
    double width = gap, height = 0;
    for (const QImage& picture : pictures) {
      width += picture.deviceIndependentSize().width() + gap;
      height = std::max(height, picture.deviceIndependentSize().height());
    }
    QImage sheet = canvas(width, height + 2 * gap);
    QPainter painter(&sheet);
    double x = gap;
    for (const QImage& picture : pictures) {
      painter.drawImage(QPointF(x, gap), picture);
      x += picture.deviceIndependentSize().width() + gap;
    }
    return sheet;
  }

  // A transparent image of `width` × `height` points at the scene's pixel ratio.
  QImage canvas(double width, double height) const {
    QImage image(QSize(int(width * devicePixelRatio), int(height * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
  }
};

// A transparent sheet, `size` points at the scene's pixel ratio, that widgets (with their
// children) and pictures are put together on.
class GallerySheet {
 public:
  GallerySheet(const GalleryScene& scene, QSizeF size)
      : environment_(scene.environment), image_(scene.canvas(size.width(), size.height())), painter_(&image_) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
  }
  QPainter& painter() { return painter_; }
  const EnvironmentValues& environment() const { return environment_; }
  // A caption on the sheet, its baseline at `at`, above the picture it names.
  void label(const QString& text, QPointF at) {
    painter_.setFont(systemFont(10));
    painter_.setPen(primaryColor(environment_, 0.45));
    painter_.drawText(at, text);
  }
  void put(QWidget& widget, QPointF at) {
    painter_.save();
    painter_.translate(at);
    widget.render(&painter_, QPoint(), QRegion(), QWidget::DrawChildren);
    painter_.restore();
  }
  QImage finish() {
    painter_.end();
    return image_;
  }

 private:
  EnvironmentValues environment_;
  QImage image_;
  QPainter painter_;
};

// The screenshot gallery's list of views. Each folder adds its views from one function
// (`addUiGalleryViews`, `addCardsGalleryViews`, …) that tools/gallery.cpp calls; an explicit
// call keeps the registrations alive in static libraries.
class GalleryRegistry {
 public:
  using Render = std::function<QImage(GalleryScene&)>;
  struct Entry {
    QString name;  // file name stem, e.g. "status-icon"
    Render render;
  };

  void add(const QString& name, Render render) { entries_.push_back({name, std::move(render)}); }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// The interface kit's own gallery views.
void addUiGalleryViews(GalleryRegistry& registry);
// The house controls (added by addUiGalleryViews).
void addControlGalleryViews(GalleryRegistry& registry);

}  // namespace qv
