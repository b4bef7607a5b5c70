#include "platform/StatusItem.h"

#include "base/Log.h"
#include "platform/x11/X11TrayColors.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>

namespace qv {
namespace {

class TrayStatusItem : public StatusItem {
 public:
  explicit TrayStatusItem(std::shared_ptr<Screens> screens)
      : screens_(std::move(screens)), trayColors_([this] { Q_EMIT trayForegroundColorChanged(); }) {
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::Context) Q_EMIT rightClicked();
      else if (reason == QSystemTrayIcon::Trigger) Q_EMIT leftClicked();
    });
  }
  bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void show() override { icon_.show(); }
  void setIcon(const QIcon& icon) override { icon_.setIcon(icon); }
  void setToolTip(const QString& text) override { icon_.setToolTip(text); }
  QRect geometry() const override { return icon_.geometry(); }
  void popUpMenu(QMenu* menu) override {
    // Attached only while it is open: left attached, Qt would open it on its own for later
    // right clicks, and some tray hosts open an attached menu for left clicks too.
    icon_.setContextMenu(menu);
    if (!menu) return;
    const QRect geometry = icon_.geometry();
    if (!screens_) {
      menu->popup(geometry.isValid() ? geometry.bottomLeft() : QCursor::pos());
      return;
    }
    // Placed here rather than by Qt, which knows only whole monitors when there are several.
    const QPoint at = statusMenuPosition(geometry, menu->sizeHint(), screens_->screens(), QCursor::pos());
    qCDebug(lcPlatform).noquote() << QStringLiteral("Status menu at %1,%2 for the icon at %3,%4")
                                         .arg(at.x())
                                         .arg(at.y())
                                         .arg(geometry.x())
                                         .arg(geometry.y());
    menu->popup(at);
  }
  void detachMenu() override { icon_.setContextMenu(nullptr); }
  void showMessage(const QString& title, const QString& text) override {
    if (icon_.isVisible()) icon_.showMessage(title, text, QSystemTrayIcon::Information, kMessageMs);
  }

  std::optional<QColor> trayForegroundColor() const override { return trayColors_.foreground(); }

  static constexpr int kMessageMs = 4000;

 private:
  std::shared_ptr<Screens> screens_;
  QSystemTrayIcon icon_;
  x11::X11TrayColors trayColors_;
};

}  // namespace

std::unique_ptr<StatusItem> makeTrayStatusItem(std::shared_ptr<Screens> screens) {
  return std::make_unique<TrayStatusItem>(std::move(screens));
}

QPoint statusMenuPosition(const QRect& icon, const QSize& menuSize, const QList<ScreenInfo>& screens, QPoint pointer) {
  const QRect anchor = icon.isValid() ? icon : QRect(pointer, QSize(1, 1));
  const std::optional<ScreenInfo> screen = screenContaining(screens, QRectF(anchor).center());
  if (!screen) return anchor.bottomLeft() + QPoint(0, 1);
  const QRect area = screen->visibleFrame.toAlignedRect();
  const auto within = [](int value, int low, int high) { return std::max(low, std::min(value, high)); };
  const int below = anchor.y() + anchor.height(), above = anchor.y() - menuSize.height();
  const int lowest = area.y() + area.height() - menuSize.height();
  const int y = below <= lowest ? std::max(below, area.y()) : within(above, area.y(), lowest);
  const int x = within(anchor.x(), area.x(), area.x() + area.width() - menuSize.width());
  return {x, y};
}

}  // namespace qv
