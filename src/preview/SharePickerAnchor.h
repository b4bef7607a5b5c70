#pragma once
#include "platform/Scheduler.h"
#include "platform/SharePicker.h"

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace qv {

struct InterfaceServices;

// An invisible view that a share control lays behind itself to open and close the share menu.
// The host raises `trigger` by one on each press: a press while nothing is shown opens the menu
// of share targets left of the anchor, and a press while it is shown (or within 0.35 s after it
// closed) closes it. The host hears through `onStateChange`, on the next turn of the event loop,
// whether the menu is up (to switch its control between "Share" and "Close share sheet"). A
// presentation whose close is never heard ends after 30 s. Deferred work holds the anchor
// weakly: an anchor that is gone is never called back, and a menu it left open stays.
class SharePickerAnchor : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    QList<ShareItem> items;
    int trigger = 0;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(bool)> onStateChange;  // true when the menu opens, false when it closes
  };

  static constexpr double kResetDelay = 0.35;
  static constexpr double kFailsafeDelay = 30.0;

  explicit SharePickerAnchor(InterfaceServices& context, QWidget* parent = nullptr);
  ~SharePickerAnchor() override;

  // Runs on every update of the host; callbacks are replaced every time.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // Ends whatever is under way at once, as when the host shows another item: the menu goes,
  // reports still on their way are dropped (the host knows), and the next press opens.
  void dismiss();

  bool isPresenting() const { return isPresenting_; }
  int lastTrigger() const { return lastTrigger_; }
  // The menu on screen; null while none is (also while its targets are being listed).
  QMenu* currentMenu() const { return currentMenu_; }
  bool hasFailsafe() const { return failsafe_.isPending(); }

 private:
  void present();
  void close();
  void finish();
  void report(bool presenting);
  void showMenu(const QList<ShareTarget>& targets);

  InterfaceServices& context_;
  Props props_;
  Callbacks callbacks_;
  int lastTrigger_ = 0;
  bool isPresenting_ = false;
  quint64 presentations_ = 0;
  quint64 presentation_ = 0;  // the presentation under way; 0 for none
  quint64 reports_ = 0;       // raised by dismiss: reports made before it are dropped
  QPointer<QMenu> currentMenu_;
  WorkItem failsafe_;
  WorkItem reset_;
};

}  // namespace qv
