#include "settings/PaneContainer.h"

#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"
#include "ui/view/PaintedWidget.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace qv {

// A gradient from the fade colour to clear, over the content, taking no clicks.
class PaneContainer::EdgeFade : public QWidget {
 public:
  EdgeFade(PaneContainer* owner, bool top) : QWidget(owner), owner_(owner), top_(top) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const double opacity = top_ ? owner_->topFade_.value() : owner_->bottomFade_.value();
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setOpacity(opacity);
    // No colour given: the window's background, whichever appearance it has now.
    const QColor solid = owner_->fadeColor_.isValid() ? owner_->fadeColor_ : owner_->palette().color(QPalette::Window);
    QColor clear = solid;
    clear.setAlphaF(0);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, top_ ? solid : clear);
    gradient.setColorAt(1, top_ ? clear : solid);
    painter.fillRect(rect(), gradient);
  }

 private:
  PaneContainer* owner_;
  bool top_;
};

PaneContainer::PaneContainer(SettingsServices& context, QString title, double fadeHeight, QColor fadeColor,
                             QWidget* parent)
    : QWidget(parent),
      title_(std::move(title)),
      fadeHeight_(fadeHeight),
      fadeColor_(fadeColor),
      topFade_(*context.frameClock, 0.0),
      bottomFade_(*context.frameClock, 0.0) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setWidgetResizable(true);
  scroll_->viewport()->setAutoFillBackground(false);
  content_ = new QWidget;
  content_->setAutoFillBackground(false);
  layout_ = new QVBoxLayout(content_);
  layout_->setSpacing(int(kContentSpacing));
  const int margin = int(kContentMargin);
  layout_->setContentsMargins(margin, margin, margin, margin);
  // Content stays at the top; a stretch under it takes what is left. (Aligning the layout
  // instead would size it by its width-blind hint, squeezing text that wraps.)
  layout_->addStretch(1);
  scroll_->setWidget(content_);
  outer->addWidget(scroll_);

  top_ = new EdgeFade(this, true);
  bottom_ = new EdgeFade(this, false);
  topFade_.setOnChange([this] { top_->update(); });
  bottomFade_.setOnChange([this] { bottom_->update(); });
  connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PaneContainer::updateFades);
  connect(scroll_->verticalScrollBar(), &QScrollBar::rangeChanged, this, &PaneContainer::updateFades);
  content_->installEventFilter(this);
}

void PaneContainer::addContent(QWidget* view) { layout_->insertWidget(layout_->count() - 1, view); }

void PaneContainer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int fade = int(fadeHeight_ + 0.5);
  top_->setGeometry(0, 0, width(), fade);
  bottom_->setGeometry(0, height() - fade, width(), fade);
  top_->raise();
  bottom_->raise();
  updateFades();
}

bool PaneContainer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == content_ && event->type() == QEvent::Resize) updateFades();
  // The scroll area sizes the page only when it is resized itself; content that grows or
  // shrinks (rows coming and going) asks it again.
  if (watched == content_ && event->type() == QEvent::LayoutRequest)
    QCoreApplication::postEvent(scroll_, new QEvent(QEvent::LayoutRequest));
  return QWidget::eventFilter(watched, event);
}

void PaneContainer::updateFades() {
  const double offset = scroll_->verticalScrollBar()->value();
  const double visible = scroll_->viewport()->height();
  const double contentHeight = content_->height();
  const bool top = offset > kFadeThreshold;
  const bool bottom = offset + visible < contentHeight - kFadeThreshold;
  if (top != showTopFade_) {
    showTopFade_ = top;
    topFade_.animateTo(top ? 1.0 : 0.0, Theme::easeOutQuick());
  }
  if (bottom != showBottomFade_) {
    showBottomFade_ = bottom;
    bottomFade_.animateTo(bottom ? 1.0 : 0.0, Theme::easeOutQuick());
  }
}

// ---- Sections --------------------------------------------------------------------------------

namespace {

class SectionTitle : public PaintedWidget {
 public:
  SectionTitle(SettingsServices& context, const QString& title) : PaintedWidget(context), text_(title.toUpper()) {
    setHoverEnabled(false);
    font_ = settingsStyle::font(10, QFont::DemiBold);
    font_.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    setFixedHeight(QFontMetrics(font_).height());
    setAccessibleName(title);
  }

 protected:
  void paint(QPainter& painter) override {
    painter.setFont(font_);
    painter.setPen(settingsStyle::secondary(environment()));
    painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter, text_);
  }

 private:
  QString text_;
  QFont font_;
};

class SectionCard : public PaintedWidget {
 public:
  using PaintedWidget::PaintedWidget;

 protected:
  void paint(QPainter& painter) override {
    painter.fillPath(Fx::continuousRoundedRect(QRectF(rect()), 10), settingsStyle::primary(environment(), 0.04));
  }
};

}  // namespace

SettingsSection settingsSection(SettingsServices& context, const QString& title, bool flush,
                                const QList<QWidget*>& content) {
  SettingsSection section;
  if (!title.isEmpty()) section.title = new SectionTitle(context, title);
  auto* card = new SectionCard(context);
  card->setHoverEnabled(false);
  card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  section.body = new QVBoxLayout(card);
  section.body->setSpacing(flush ? 0 : 10);
  section.body->setContentsMargins(14, flush ? 0 : 14, 14, flush ? 0 : 14);
  section.body->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  for (QWidget* view : content) section.body->addWidget(view);
  section.card = card;
  return section;
}

}  // namespace qv
