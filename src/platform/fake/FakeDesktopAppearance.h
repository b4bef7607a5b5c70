#pragma once
#include "platform/DesktopAppearance.h"

namespace qv {

// Desktop preferences that a test sets; every real change emits `changed`, as the desktop would.
class FakeDesktopAppearance : public DesktopAppearance {
  Q_OBJECT
 public:
  using DesktopAppearance::DesktopAppearance;
  DesktopPreferences preferences() const override {
    ++reads_;
    return preferences_;
  }

  void setPreferences(const DesktopPreferences& preferences) {
    if (preferences == preferences_) return;
    preferences_ = preferences;
    Q_EMIT changed();
  }
  void setReduceMotion(bool on) {
    DesktopPreferences next = preferences_;
    next.reduceMotion = on;
    setPreferences(next);
  }
  // How many receivers listen for changes (to check that observers are not installed twice).
  int observerCount() const { return receivers(SIGNAL(changed())); }
  // How often the preferences were read.
  int readCount() const { return reads_; }

 private:
  DesktopPreferences preferences_;
  mutable int reads_ = 0;
};

}  // namespace qv
