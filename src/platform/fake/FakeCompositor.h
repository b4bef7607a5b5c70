#pragma once
#include "platform/Compositor.h"

#include <QList>

namespace qv {

// A compositor a test starts and stops; blur requests are recorded.
class FakeCompositor : public Compositor {
 public:
  struct BlurRequest {
    QWindow* window = nullptr;
    QRegion region;
  };
  TranslucencySupport support() const override { return support_; }
  void requestBlurBehind(QWindow* window, const QRegion& region) override {
    if (support_.blurBehind) blurRequests << BlurRequest{window, region};
  }

  void setSupport(TranslucencySupport support) {
    if (support == support_) return;
    support_ = support;
    Q_EMIT changed();
  }

  // Those made while blur was offered (the others do nothing, as on a real desktop).
  QList<BlurRequest> blurRequests;

 private:
  TranslucencySupport support_;
};

}  // namespace qv
