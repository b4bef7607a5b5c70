#pragma once
#include "platform/Alerts.h"

#include <QList>
#include <functional>

namespace qv {

// Records every alert and answers with `answer` (the index of a button, -1 for none).
class FakeAlerts : public Alerts {
 public:
  int run(const AlertSpec& spec) override {
    shown << spec;
    if (onShow) onShow(spec);
    return answer;
  }
  QList<AlertSpec> shown;
  int answer = -1;
  std::function<void(const AlertSpec&)> onShow;
};

}  // namespace qv
