#pragma once
#include "platform/Compositor.h"

#include <QList>

namespace qv {

// A compositor a test starts and stops; blur requests are recorded.
class FakeCompositor : public Compositor {
 public:
  TranslucencySupport support() const override { return support_; }
  void requestBlurBehind(QWindow* window, const QRegion&) override { blurRequests << window; }

  void setSupport(TranslucencySupport support) {
    if (support == support_) return;
    support_ = support;
    Q_EMIT changed();
  }

  QList<QWindow*> blurRequests;

 private:
  TranslucencySupport support_;
};

}  // namespace qv
