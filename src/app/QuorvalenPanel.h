#pragma once
#include <QWidget>

namespace qv {

// The edge panel's window: frameless, above other windows, on every desktop, without a task
// bar entry. It takes keyboard focus only when asked (activate()) and never counts as the
// program's main window. Its content lies on a host that slides inside the window; the window
// itself stays put while it slides.
class QuorvalenPanel : public QWidget {
  Q_OBJECT
 public:
  explicit QuorvalenPanel(QWidget* parent = nullptr);

  // The view that fills the sliding host (the panel owns it from now on).
  void setRootView(QWidget* view);
  QWidget* rootView() const { return rootView_; }
  QWidget* contentHost() const { return host_; }

  // Moves the content sideways by `offset` points (the slide); 0 is the resting place.
  void setContentOffset(double offset);
  double contentOffset() const { return offset_; }

  // Brings the window to the front and asks the window manager for the keyboard focus.
  void activate();

 Q_SIGNALS:
  // The window lost the keyboard focus to another window.
  void deactivated();

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Keys reach the panel's logic through the controller's key monitor; a key that nothing
  // handles ends here quietly.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* host_ = nullptr;
  QWidget* rootView_ = nullptr;
  double offset_ = 0;
};

}  // namespace qv
