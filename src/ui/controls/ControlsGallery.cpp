#include "platform/AppContext.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/theme/Theme.h"
#include "ui/view/GalleryRegistry.h"

#include <QApplication>
#include <QHoverEvent>
#include <QPainter>

namespace qv {

namespace {

// A transparent canvas that gallery pictures are put together on.
struct Sheet {
  Sheet(GalleryScene& scene, QSizeF size)
      : dpr(scene.devicePixelRatio),
        image(QSize(int(size.width() * dpr), int(size.height() * dpr)), QImage::Format_ARGB32_Premultiplied) {
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
  }
  void put(PaintedWidget& widget, QPointF at) { painter.drawImage(at, widget.renderForTest(dpr)); }
  void label(const QString& text, QPointF at, const EnvironmentValues& env) {
    painter.setFont(systemFont(10));
    painter.setPen(primaryColor(env, 0.45));
    painter.drawText(at, text);
  }
  QImage finish() {
    painter.end();
    return image;
  }
  double dpr;
  QImage image;
  QPainter painter;
};

ManualFrameClock& manualClock(GalleryScene& scene) { return static_cast<ManualFrameClock&>(*scene.context.frameClock); }

// Puts the pointer over the widget's centre and lets the hover spring settle.
void hover(GalleryScene& scene, QWidget& widget) {
  const QPointF centre = QRectF(widget.rect()).center();
  QHoverEvent enter(QEvent::HoverEnter, centre, centre, QPointF(-1, -1));
  QApplication::sendEvent(&widget, &enter);
  manualClock(scene).advanceFrames(90);
}

QImage pillButtons(GalleryScene& scene) {
  Sheet sheet(scene, {560, 250});
  AppContext& context = scene.context;
  const auto none = [] {};
  auto row = [&](const QString& title, double y, auto make) {
    sheet.label(title, {8, y + 18}, scene.environment);
    for (int hovered = 0; hovered < 2; ++hovered) {
      auto widget = make();
      widget->resize(widget->sizeHint());
      if (hovered) hover(scene, *widget);
      sheet.put(*widget, {120.0 + hovered * 220, y});
    }
  };
  row(QStringLiteral("Confirm"), 8, [&] {
    return std::make_unique<ConfirmPillButton>(context, ConfirmPillButton::Props{QStringLiteral("Cancel"), false}, none);
  });
  row(QStringLiteral("Destructive"), 44, [&] {
    return std::make_unique<ConfirmPillButton>(context, ConfirmPillButton::Props{QStringLiteral("Erase 12 Clips"), true}, none);
  });
  row(QStringLiteral("Accent"), 80, [&] {
    return std::make_unique<AccentPillButton>(context, AccentPillButton::Props{QStringLiteral("Get Started"), {}, true}, none);
  });
  row(QStringLiteral("Accent 160, off"), 124, [&] {
    return std::make_unique<AccentPillButton>(context, AccentPillButton::Props{QStringLiteral("Continue"), 160.0, false}, none);
  });
  row(QStringLiteral("About"), 168, [&] {
    return std::make_unique<AboutActionButton>(
        context, AboutActionButton::Props{QStringLiteral("Website"), QStringLiteral("safari")}, none);
  });
  sheet.label(QStringLiteral("Toolbar"), {8, 226}, scene.environment);
  for (int i = 0; i < 4; ++i) {
    ToolbarPillButton button(context, {i < 2 ? QStringLiteral("Select") : QStringLiteral("Paste"), i >= 2}, none);
    button.resize(button.sizeHint());
    if (i % 2) hover(scene, button);
    sheet.put(button, {120.0 + i * 110, 208});
  }
  return sheet.finish();
}

QImage categoryDots(GalleryScene& scene) {
  Sheet sheet(scene, {300, 60});
  const QColor colors[] = {QColor(255, 95, 87), QColor(255, 189, 46), QColor(40, 200, 64), QColor(0, 122, 255)};
  for (int i = 0; i < 4; ++i) {
    CategoryDot{colors[i], false, 7, {}}.paint(sheet.painter, QRectF(10 + i * 20, 10, 14, 14));
    CategoryDot{colors[i], false, 8, 14.0}.paint(sheet.painter, QRectF(10 + i * 24, 34, 18, 14));
  }
  const QRectF accent(110, 6, 180, 48);
  sheet.painter.fillPath(Fx::continuousRoundedRect(accent, 12), Theme::accent());
  for (int i = 0; i < 4; ++i) {
    CategoryDot{colors[i], true, 7, {}}.paint(sheet.painter, QRectF(124 + i * 20, 10, 14, 14));
    CategoryDot{colors[i], true, 8, 14.0}.paint(sheet.painter, QRectF(124 + i * 24, 34, 18, 14));
  }
  return sheet.finish();
}

}  // namespace

void addControlGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("pill-buttons"), pillButtons);
  registry.add(QStringLiteral("category-dots"), categoryDots);
}

}  // namespace qv
