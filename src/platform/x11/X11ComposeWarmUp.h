#pragma once
#include <QObject>

class QWidget;

namespace qv::x11 {

// Qt's compose input context reads the locale's compose table (a few milliseconds) at the first
// key press that reaches a text input from the X server. The panel takes the first typed key
// itself and hands the search field the rest, so the second key used to pay for it. This has the
// table read as soon as a text input first takes the focus: a Shift press and release, sent to the
// input's window through the X server, pass the input context as a typed key would, and a lone
// Shift does nothing. Once per process; nothing without X.
class X11ComposeWarmUp : public QObject {
 public:
  explicit X11ComposeWarmUp(QObject* parent = nullptr);

 private:
  void focusChanged(QWidget* now);
  bool sent_ = false;
};

}  // namespace qv::x11
