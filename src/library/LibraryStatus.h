#pragma once
#include "library/LibraryTexts.h"
#include "ui/text/NumericText.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

// The library's status row: how many items the grid shows out of the history ("· filtered"
// after it in the tertiary ink while they differ), or how many are selected for pasting together
// (in the accent), and the paused mark while recording is paused. The count is set in
// monospaced digits and rolls to a new number with the change's animation (the standard spring
// when the change brings none).
class LibraryStatusRow : public PaintedWidget {
  Q_OBJECT
 public:
  explicit LibraryStatusRow(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const LibraryStatusLine& line);
  const LibraryStatusLine& props() const { return line_; }
  // What the row reads, as one line.
  QString text() const;
  // The count as it is drawn now.
  const NumericText& count() const { return count_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  LibraryStatusLine line_;
  NumericText count_;
};

// What stands in the grid's place while nothing is left to show: a large symbol, a title and a
// description, centred.
class LibraryEmptyStateView : public PaintedWidget {
  Q_OBJECT
 public:
  explicit LibraryEmptyStateView(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const LibraryEmptyState& state);
  const LibraryEmptyState& props() const { return state_; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  LibraryEmptyState state_;
};

}  // namespace qv
