#pragma once
#include <QObject>
#include <QRegion>

class QWindow;

namespace qv {

// What the desktop offers for see-through windows.
struct TranslucencySupport {
  bool compositor = false;  // windows may be translucent at all
  bool blurBehind = false;  // the compositor blurs what lies behind a window on request
  bool operator==(const TranslucencySupport&) const = default;
};

// The desktop's compositing manager, which may come and go while the program runs. `changed`
// fires on the main thread when what it offers changed.
class Compositor : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Compositor() override = default;

  virtual TranslucencySupport support() const = 0;
  // Asks the compositor to blur what lies behind `region` of the window (window coordinates;
  // empty: the whole window). Nothing while no compositor blurs.
  virtual void requestBlurBehind(QWindow* window, const QRegion& region) = 0;

 Q_SIGNALS:
  void changed();
};

}  // namespace qv
