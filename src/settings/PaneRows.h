#pragma once
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QPixmap>
#include <QWidget>

namespace qv {

// A label of a settings row: text in the desktop font at a pixel size, in the primary ink at an
// opacity (or in `color`), wrapped to the width it gets (at most `maxWidth` when > 0).
class PaneText : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString text;
    double size = 13;
    QFont::Weight weight = QFont::Normal;
    double opacity = 0.85;
    QColor color;  // invalid: the primary ink at `opacity`
    double maxWidth = 0;
    bool operator==(const Props&) const = default;
  };
  // The quieter inks of captions and notes.
  static constexpr double kSecondary = 0.5;
  static constexpr double kTertiary = 0.3;

  PaneText(SettingsServices& context, Props props, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  double wrapWidth(double width) const;
  Props props_;
  TextBlock block_;
};

// The hairline between the rows of a settings card.
class RowDivider : public PaintedWidget {
  Q_OBJECT
 public:
  explicit RowDivider(SettingsServices& context, QWidget* parent = nullptr);

 protected:
  void paint(QPainter& painter) override;
};

// A row: `label` at the leading end and `control` pushed to the trailing end.
QWidget* paneRow(QWidget* label, QWidget* control, Qt::Alignment alignment = Qt::AlignVCenter);

// Holds a row that comes and goes: its height follows the row's presence with the standard
// spring, so the rows below glide, while the row fades and moves in from the top edge (fades
// only while motion is reduced). At rest the row is live; on the way it is drawn from a snapshot.
// Gone, the holder hides.
class RowReveal : public QWidget {
  Q_OBJECT
 public:
  RowReveal(SettingsServices& context, QWidget* row, bool shown, QWidget* parent = nullptr);

  void setShown(bool shown);
  bool isShown() const { return shown_; }
  // 0 gone … 1 fully there.
  double presence() const { return presence_.value(); }
  // Where the row is drawn now: above its place while it moves in or out.
  double rowOffset() const;
  QWidget* row() const { return row_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  double rowHeight(int width) const;
  double visibleAmount() const;
  void place();

  SettingsServices& context_;
  QWidget* row_;
  bool shown_;
  bool moves_ = true;  // false while motion is reduced: the row only fades
  Animated<double> presence_;
  QPixmap snapshot_;
};

}  // namespace qv
