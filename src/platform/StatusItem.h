#pragma once
#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

class QMenu;

namespace qv {

// The program's icon in the desktop's notification area. Clicks arrive as signals; a menu is
// popped up only when asked for, so a left click can keep doing something else.
class StatusItem : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~StatusItem() override = default;

  // Whether the desktop shows such icons at all (no tray host: nothing to click).
  virtual bool isAvailable() const = 0;
  virtual void show() = 0;
  virtual void setIcon(const QIcon& icon) = 0;
  virtual void setToolTip(const QString& text) = 0;
  // Where the icon lies on the screen; empty where that is not known.
  virtual QRect geometry() const { return {}; }
  // Attaches `menu` (or detaches it with nullptr) and pops it up beside the icon.
  virtual void popUpMenu(QMenu* menu) = 0;
  virtual void detachMenu() = 0;
  // A short desktop notification from the icon (nothing where the desktop has no tray).
  virtual void showMessage(const QString& title, const QString& text) = 0;
  // The colour the tray asks its icons to be drawn in, when it says one.
  virtual std::optional<QColor> trayForegroundColor() const = 0;

 Q_SIGNALS:
  void leftClicked();
  void rightClicked();
  void trayForegroundColorChanged();
};

// The notification-area icon of the freedesktop tray protocol (QSystemTrayIcon).
std::unique_ptr<StatusItem> makeTrayStatusItem();

}  // namespace qv
