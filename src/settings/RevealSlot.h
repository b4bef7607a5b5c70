#pragma once
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"

#include <QWidget>
#include <functional>

class QGraphicsOpacityEffect;

namespace qv {

// Holds a view that comes in sliding down from its top edge while it fades in, and goes out the
// same way (or by fading alone): the slot's height follows, so what lies below moves along.
// Under reduced motion it only fades. Changes animate with the current transaction. The slot
// fixes its own height, so the layouts it sits in follow it frame by frame.
class RevealSlot : public QWidget {
  Q_OBJECT
 public:
  RevealSlot(SettingsServices& context, QWidget* content, QWidget* parent = nullptr);
  // Comes in (from nothing).
  void reveal();
  // Goes out, sliding up too when `slides`; `gone` runs once it has (at once without animation).
  void conceal(bool slides, std::function<void()> gone);
  double presence() const { return presence_.value(); }
  QWidget* content() const { return content_; }

  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The content asks for another size (an erase question opened in a row).
  bool event(QEvent* event) override;

 private:
  int contentHeight(int width) const;
  // The slot's height now: the content's, times the presence while it slides.
  int slotHeight(int width) const;
  void follow();

  SettingsServices& context_;
  QWidget* content_;
  Animated<double> presence_;
  bool slides_ = true;
  QGraphicsOpacityEffect* fade_ = nullptr;
};

}  // namespace qv
