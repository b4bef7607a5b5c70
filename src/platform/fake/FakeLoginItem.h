#pragma once
#include "platform/LoginItem.h"

namespace qv {

// A login item in memory; a test can make the next registrations fail.
class FakeLoginItem : public LoginItem {
 public:
  bool isEnabled() const override {
    ++statusReads;
    return enabled;
  }
  bool registerItem(QString* error = nullptr) override { return change(true, error); }
  bool unregisterItem(QString* error = nullptr) override { return change(false, error); }

  bool enabled = false;
  bool failChanges = false;
  int registrations = 0;
  int unregistrations = 0;
  mutable int statusReads = 0;

 private:
  bool change(bool on, QString* error) {
    ++(on ? registrations : unregistrations);
    if (failChanges) {
      if (error) *error = QStringLiteral("refused");
      return false;
    }
    enabled = on;
    return true;
  }
};

}  // namespace qv
