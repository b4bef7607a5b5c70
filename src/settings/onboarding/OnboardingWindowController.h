#pragma once
#include "settings/SettingsServices.h"
#include "ui/Translucency.h"
#include "ui/anim/AnimatedValue.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

namespace qv {

class OnboardingView;

// The onboarding's floating panel: 480 × 620, above other windows and on every desktop, with a
// close button and no title; any background area drags it. Its content is the onboarding view
// on the menu material.
class OnboardingPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 480;
  static constexpr int kHeight = 620;

  OnboardingPanel(SettingsServices& context, TranslucencySupport translucency, QWidget* parent = nullptr);

  // Runs when the user closes the panel through its title bar.
  std::function<void()> onClosed;

  void setView(OnboardingView* view);
  OnboardingView* view() const { return view_; }
  TranslucencySupport translucency() const { return translucency_; }
  // Shows it from alpha 0 to 1 over `seconds` (ease-out).
  void fadeIn(double seconds);
  double alpha() const { return alpha_.value(); }
  // Asks the compositor to blur what lies behind the panel, where it is known to do so.
  void requestBlur();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  SettingsServices& context_;
  TranslucencySupport translucency_;
  OnboardingView* view_ = nullptr;
  Animated<double> alpha_;
};

// Shows the onboarding: one panel at a time, built afresh (at the first page) for each show.
// It tells the caller once how the user left it: the view's choice, or false for a close
// through the title bar. One per process (shared).
class OnboardingWindowController : public QObject {
  Q_OBJECT
 public:
  using FinishHandler = std::function<void(bool launch)>;

  explicit OnboardingWindowController(SettingsServices& context);
  ~OnboardingWindowController() override;

  static OnboardingWindowController& shared(SettingsServices& context);

  // Builds and fades in a new panel, or brings the open one to the front; then `onFinish` of
  // this call is dropped, so the open panel keeps the handler it was built with.
  void show(FinishHandler onFinish);
  // The panel now shown; null when no onboarding is open.
  OnboardingPanel* window() const { return window_; }

  static constexpr double kFadeInSeconds = 0.32;

 private:
  // Orders the open panel out quietly: nobody is told.
  void finish();
  // A panel that is done: hidden now, deleted once the event that ended it has been handled.
  void retire(OnboardingPanel* panel);
  void deleteRetired();

  SettingsServices& context_;
  QPointer<OnboardingPanel> window_;
  std::vector<QPointer<OnboardingPanel>> retired_;
};

}  // namespace qv
