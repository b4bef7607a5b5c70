#pragma once
#include "platform/Screens.h"

namespace qv {

// Screens and a pointer that the test sets.
class FakeScreens : public Screens {
  Q_OBJECT
 public:
  explicit FakeScreens(QList<ScreenInfo> screens = {{QStringLiteral("fake-0"), QRectF(0, 0, 1920, 1080),
                                                     QRectF(0, 32, 1920, 1048)}},
                       QObject* parent = nullptr)
      : Screens(parent), screens_(std::move(screens)) {}
  QList<ScreenInfo> screens() const override { return screens_; }
  QPointF pointerLocation() const override {
    ++pointerQueries;
    return pointer_;
  }

  void setScreens(QList<ScreenInfo> screens) {
    screens_ = std::move(screens);
    Q_EMIT changed();
  }
  void setPointer(QPointF point) { pointer_ = point; }

 private:
  QList<ScreenInfo> screens_;
  QPointF pointer_;

 public:
  mutable int pointerQueries = 0;  // each one a round trip on a real display
};

}  // namespace qv
