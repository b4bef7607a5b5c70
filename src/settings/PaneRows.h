#pragma once
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"

#include <QPixmap>
#include <QWidget>

namespace qv {

// A row: `label` at the leading end and `control` pushed to the trailing end.
QWidget* paneRow(QWidget* label, QWidget* control, Qt::Alignment alignment = Qt::AlignVCenter);

// A leading-aligned column of views, `spacing` apart.
QWidget* paneColumn(const QList<QWidget*>& views, int spacing);

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
