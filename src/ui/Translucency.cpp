#include "ui/Translucency.h"

#include "base/Log.h"

#include <QGuiApplication>
#include <QPainter>
#include <QWidget>
#include <xcb/xcb.h>
#include <memory>
#include <vector>

namespace qv::Translucency {

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name, bool onlyIfExists) {
  const auto cookie = xcb_intern_atom(connection, onlyIfExists ? 1 : 0, uint16_t(name.size()), name.constData());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

constexpr char kBlurBehindAtom[] = "_KDE_NET_WM_BLUR_BEHIND_REGION";

xcb_connection_t* qtConnection() {
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return app ? app->connection() : nullptr;
}

}  // namespace

TranslucencySupport detect(xcb_connection_t* connection, int screen) {
  TranslucencySupport support;
  if (!connection || xcb_connection_has_error(connection)) return support;
  const xcb_atom_t selection = atom(connection, "_NET_WM_CM_S" + QByteArray::number(screen), false);
  if (selection == XCB_ATOM_NONE) return support;
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr), &free);
  support.compositor = owner && owner->owner != XCB_NONE;
  // The blur-behind atom exists only once a compositor that blurs has announced it.
  support.blurBehind = support.compositor && atom(connection, kBlurBehindAtom, true) != XCB_ATOM_NONE;
  return support;
}

TranslucencySupport detect() {
  xcb_connection_t* connection = qtConnection();
  if (!connection) return {};
  // Qt connects to the default screen of $DISPLAY.
  const QByteArray display = qgetenv("DISPLAY");
  int screen = 0;
  if (const int dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':')) screen = display.mid(dot + 1).toInt();
  return detect(connection, screen);
}

bool prepareWindow(QWidget* window, const TranslucencySupport& support, const QRegion& region) {
  if (!window) return false;
  window->setAttribute(Qt::WA_TranslucentBackground, support.compositor);
  window->setAttribute(Qt::WA_NoSystemBackground, support.compositor);
  if (!support.compositor || !support.blurBehind) return support.compositor;
  xcb_connection_t* connection = qtConnection();
  if (!connection) return true;
  const xcb_atom_t blur = atom(connection, kBlurBehindAtom, true);
  if (blur == XCB_ATOM_NONE) return true;
  std::vector<uint32_t> rects;
  for (const QRect& r : region) {
    rects.insert(rects.end(), {uint32_t(r.x()), uint32_t(r.y()), uint32_t(r.width()), uint32_t(r.height())});
  }
  // An empty list means the whole window.
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), blur, XCB_ATOM_CARDINAL, 32,
                      uint32_t(rects.size()), rects.data());
  xcb_flush(connection);
  qCInfo(lcUi) << "blur behind requested for" << window->objectName();
  return true;
}

QColor backgroundColor(Material material, const EnvironmentValues& environment, const TranslucencySupport& support) {
  const bool dark = environment.isDark();
  QColor base = material == Material::panel ? (dark ? QColor(38, 38, 42) : QColor(244, 244, 247))
                                            : (dark ? QColor(44, 44, 48) : QColor(250, 250, 251));
  const bool translucent = support.compositor && !environment.reduceTransparency && !environment.increasedContrast;
  if (!translucent) return base;
  // Without blur what lies behind would show through sharply, so stay nearly opaque.
  base.setAlphaF(support.blurBehind ? (dark ? 0.78f : 0.72f) : (dark ? 0.94f : 0.92f));
  return base;
}

QColor hairlineColor(const EnvironmentValues& environment) {
  const bool strong = environment.reduceTransparency || environment.increasedContrast;
  return environment.isDark() ? QColor::fromRgbF(1, 1, 1, strong ? 0.28f : 0.12f)
                              : QColor::fromRgbF(0, 0, 0, strong ? 0.3f : 0.1f);
}

void paintBackground(QPainter& painter, const QPainterPath& shape, Material material, const EnvironmentValues& environment,
                     const TranslucencySupport& support) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // Replace whatever the window held: a translucent surface must not blend over stale pixels.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillPath(shape, backgroundColor(material, environment, support));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setClipPath(shape, Qt::IntersectClip);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(hairlineColor(environment), 2));  // half of it lies inside the clip
  painter.drawPath(shape);
  painter.restore();
}

}  // namespace qv::Translucency
