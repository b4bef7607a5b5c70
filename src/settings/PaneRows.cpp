#include "settings/PaneRows.h"

#include "ui/controls/ControlStyle.h"
#include "ui/theme/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace qv {

// ---- Row -------------------------------------------------------------------------------------

QWidget* paneRow(QWidget* label, QWidget* control, Qt::Alignment alignment) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(12);
  layout->addWidget(label, 1, alignment | Qt::AlignLeft);
  layout->addWidget(control, 0, alignment | Qt::AlignRight);
  return row;
}

QWidget* paneColumn(const QList<QWidget*>& views, int spacing) {
  auto* group = new QWidget;
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* view : views) layout->addWidget(view);
  return group;
}

// ---- Reveal ----------------------------------------------------------------------------------

RowReveal::RowReveal(SettingsServices& context, QWidget* row, bool shown, QWidget* parent)
    : QWidget(parent), context_(context), row_(row), shown_(shown), presence_(*context.frameClock, shown ? 1.0 : 0.0) {
  row_->setParent(this);
  // Not Fixed: a fixed height would cap the row at its unwrapped height.
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setVisible(shown);
  presence_.setOnChange([this] {
    updateGeometry();
    place();
    update();
  });
}

namespace {
// The row as drawn over a card: only what it paints itself. (QWidget::grab() lays the window's
// background under it, a lighter band on the card while the row comes and goes.)
QPixmap transparentPicture(QWidget& row) {
  const qreal ratio = row.devicePixelRatioF();
  QPixmap picture(row.size() * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  row.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
  return picture;
}
}  // namespace

void RowReveal::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  moves_ = !(context_.environment && context_.environment->reduceMotion());
  setVisible(true);
  // Retargeted on the way, the snapshot taken at the start still shows the row.
  if (snapshot_.isNull()) {
    // A holder that was gone since it was made has no width of its own yet: its column's.
    const QLayout* column = parentWidget() ? parentWidget()->layout() : nullptr;
    const int width = presence_.value() > 0 || !column ? this->width() : column->contentsRect().width();
    row_->setGeometry(0, 0, width, int(std::ceil(rowHeight(width))));
    if (row_->layout()) row_->layout()->activate();
    snapshot_ = transparentPicture(*row_);
  }
  presence_.animateTo(shown ? 1.0 : 0.0, Theme::springStandard(), [this](bool finished) {
    if (!finished) return;
    snapshot_ = QPixmap();
    if (!shown_) setVisible(false);
    place();
    update();
  });
  place();
}

double RowReveal::visibleAmount() const { return unitClamped(presence_.value()); }

double RowReveal::rowOffset() const { return moves_ ? -(1 - visibleAmount()) * rowHeight(width()) : 0; }

double RowReveal::rowHeight(int width) const {
  if (width <= 0) return row_->sizeHint().height();
  return row_->hasHeightForWidth() ? row_->heightForWidth(width) : row_->sizeHint().height();
}

QSize RowReveal::sizeHint() const {
  const QSize row = row_->sizeHint();
  return {row.width(), int(std::ceil(row.height() * visibleAmount()))};
}

QSize RowReveal::minimumSizeHint() const { return {row_->minimumSizeHint().width(), sizeHint().height()}; }

int RowReveal::heightForWidth(int width) const { return int(std::ceil(rowHeight(width) * visibleAmount())); }

void RowReveal::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  place();
}

bool RowReveal::event(QEvent* event) {
  // The row asks for a new size (its text wrapped anew, say): so does the holder.
  if (event->type() == QEvent::LayoutRequest) {
    updateGeometry();
    place();
  }
  return QWidget::event(event);
}

void RowReveal::place() {
  const int height = int(std::ceil(rowHeight(width())));
  // On the way the live row sits beside the holder (clipped away) and the snapshot is drawn.
  const bool live = snapshot_.isNull();
  row_->setGeometry(live ? 0 : width() + 1, 0, width(), height);
}

void RowReveal::paintEvent(QPaintEvent*) {
  if (snapshot_.isNull()) return;
  QPainter painter(this);
  painter.setOpacity(visibleAmount());
  painter.drawPixmap(QPointF(0, rowOffset()), snapshot_);
}

}  // namespace qv
