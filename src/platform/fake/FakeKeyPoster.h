#pragma once
#include "platform/KeyPoster.h"

#include <QStringList>

namespace qv {

// Records the paste keystrokes instead of posting them.
class FakeKeyPoster : public KeyPoster {
 public:
  bool canPost() const override { return available; }
  bool postPaste(const QString& windowClass) override {
    if (!available) return false;
    pastes.append(windowClass);
    return true;
  }

  bool available = true;
  // The window class of each posted paste, in order.
  QStringList pastes;
};

}  // namespace qv
