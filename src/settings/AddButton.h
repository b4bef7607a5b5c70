#pragma once
#include "settings/SettingsServices.h"
#include "ui/view/PaintedWidget.h"

#include <QColor>
#include <QString>
#include <functional>

namespace qv {

// The list's "Add App" line: a plus and a label in the accent colour, brighter and a touch larger
// while hovered; secondary and inert when disabled.
class AddButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString label;
    bool disabled = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClick;
  };
  AddButton(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  QColor labelColor() const;
  double labelScale() const;

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void click();

  Props props_;
  Callbacks callbacks_;
};

}  // namespace qv
