#pragma once
#include "settings/SettingsView.h"
#include "ui/anim/AnimatedValue.h"

#include <QWidget>
#include <functional>

namespace qv {

struct AppContext;
class Scheduler;

// The settings window: 680 × 520, not resizable, never destroyed once made. Its close button
// asks `onCloseRequested` (the delegate fades it out) instead of closing at once; the
// application's quit closes it at once. Fades through the window opacity where a compositor can
// show it; elsewhere it simply shows and hides.
class SettingsPanel : public QWidget {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<void()> onCloseRequested;  // none: the close button hides it at once
    SettingsView::Callbacks view;
  };
  SettingsPanel(AppContext& context, bool canFade, Callbacks callbacks, QWidget* parent = nullptr);
  ~SettingsPanel() override;

  // Shows it from opacity 0 to 1 over `seconds` (ease-out).
  void fadeIn(double seconds);
  // Fades it to 0 over `seconds` (ease-in), then hides it and sets the opacity back to 1.
  void fadeOut(double seconds);
  double opacity() const { return opacity_.value(); }
  bool canFade() const { return canFade_; }
  SettingsView* view() const { return view_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyOpacity();

  bool canFade_;
  std::function<void()> onCloseRequested_;
  Scheduler& scheduler_;
  Animated<double> opacity_;
  SettingsView* view_ = nullptr;
  // The application is quitting: it asks every window to close, and one that stays cancels it.
  bool applicationQuitting_ = false;
};

}  // namespace qv
