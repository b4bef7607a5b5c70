#pragma once
#include <QWidget>
#include <functional>
#include <memory>

class QPushButton;

namespace qv {

struct SettingsServices;

// The first-run window: a short introduction with a "Start" button. One per process (shared).
class OnboardingWindowController {
 public:
  using FinishHandler = std::function<void(bool launch)>;

  OnboardingWindowController();
  ~OnboardingWindowController();

  static OnboardingWindowController& shared(SettingsServices& context);

  // Shows the window (or brings it to the front). `onFinish` is called once when it closes:
  // true when the user chose "Start", false when the window was closed otherwise. A second
  // show() while open replaces the handler.
  void show(FinishHandler onFinish);
  QWidget* window() const;
  QPushButton* startButton() const { return start_; }

 private:
  class Window;
  void finish(bool launch);

  std::unique_ptr<Window> window_;
  QPushButton* start_ = nullptr;
  FinishHandler onFinish_;
  bool starting_ = false;
};

}  // namespace qv
