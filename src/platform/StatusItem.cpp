#include "platform/StatusItem.h"

#include "platform/x11/X11TrayColors.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace qv {
namespace {

class TrayStatusItem : public StatusItem {
 public:
  TrayStatusItem() : trayColors_([this] { Q_EMIT trayForegroundColorChanged(); }) {
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
    const QPoint anchor = geometry.isValid() ? geometry.bottomLeft() : QCursor::pos();
    menu->popup(anchor);
  }
  void detachMenu() override { icon_.setContextMenu(nullptr); }
  void showMessage(const QString& title, const QString& text) override {
    if (icon_.isVisible()) icon_.showMessage(title, text, QSystemTrayIcon::Information, kMessageMs);
  }

  std::optional<QColor> trayForegroundColor() const override { return trayColors_.foreground(); }

  static constexpr int kMessageMs = 4000;

 private:
  QSystemTrayIcon icon_;
  x11::X11TrayColors trayColors_;
};

}  // namespace

std::unique_ptr<StatusItem> makeTrayStatusItem() { return std::make_unique<TrayStatusItem>(); }

}  // namespace qv
