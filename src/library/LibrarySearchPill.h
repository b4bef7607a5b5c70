#pragma once
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QString>
#include <functional>

namespace qv {

class QVTextField;
class SearchBarButton;

// The search capsule, 260 points wide: the magnifier, the search field, the clear button (while
// there is a query; it fades in and out, growing from 0.8 unless motion is reduced) and the
// filter button, tinted with the accent while the filter surface is open or a filter is in force.
class LibrarySearchPill : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString query;
    bool filterAccented = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onQueryChange;
    std::function<void()> onFilterButton;
    std::function<void()> onFieldFocus;  // the field took the keys (a click into it)
  };
  static constexpr double kWidth = 260;

  explicit LibrarySearchPill(InterfaceServices& context, QWidget* parent = nullptr);
  ~LibrarySearchPill() override;

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  QVTextField& field() const { return *field_; }
  SearchBarButton& clearButton() const { return *clear_; }
  SearchBarButton& filterButton() const { return *filter_; }
  // 0 without a query, 1 with one; the clear button's fade and scale follow it.
  double clearPresence() const { return clearPresence_.value(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutParts();

  Props props_;
  Callbacks callbacks_;
  bool hasProps_ = false;
  QVTextField* field_;
  SearchBarButton* clear_;
  SearchBarButton* filter_;
  Animated<double> clearPresence_;
};

}  // namespace qv
