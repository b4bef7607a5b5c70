#pragma once
#include "platform/KeyPoster.h"

#include <QStringList>
#include <functional>

namespace qv {

// Records the paste keystrokes instead of posting them.
class FakeKeyPoster : public KeyPoster {
 public:
  bool canPost() const override { return available; }
  bool postPaste(const QString& windowClass) override {
    if (!available) return false;
    pastes.append(windowClass);
    if (onPost) onPost();
    return true;
  }

  bool available = true;
  // The window class of each posted paste, in order.
  QStringList pastes;
  // Runs as each paste is posted.
  std::function<void()> onPost;
};

}  // namespace qv
