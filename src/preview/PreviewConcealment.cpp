#include "preview/PreviewConcealment.h"

#include "preview/PreviewContentBox.h"
#include "ui/InterfaceServices.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Environment.h"
#include "ui/view/Accessibility.h"
#include "ui/view/PaintedWidget.h"

#include <QChildEvent>

namespace qv {

PreviewConcealment::PreviewConcealment(InterfaceServices& context, QWidget* box, QWidget* frame)
    : context_(context), frame_(frame), cover_(new PreviewConcealCover(context, box)) {
  cover_->hide();
  connect(context_.environment.get(), &Environment::changed, this, &PreviewConcealment::schedulePicture);
}

void PreviewConcealment::setConcealed(bool concealed) {
  if (concealed == concealed_) return;
  concealed_ = concealed;
  if (content_) setHiddenFromAccessibility(*content_, concealed);
  if (concealed) {
    drawPicture();
    cover_->show();
    cover_->raise();
    frame_->raise();
  } else {
    pictureWork_.cancel();
    cover_->hide();
    cover_->setPicture({});
  }
}

void PreviewConcealment::setContent(QWidget* content) {
  if (content_) {
    for (QObject* each : content_->findChildren<QObject*>()) each->removeEventFilter(this);
    content_->removeEventFilter(this);
  }
  content_ = content;
  if (!content) return;
  watch(content);
  if (concealed_) setHiddenFromAccessibility(*content, true);
}

void PreviewConcealment::setTranslucency(TranslucencySupport support) { cover_->setTranslucency(support); }

void PreviewConcealment::setGeometry(const QRect& rect) { cover_->setGeometry(rect); }

const QImage& PreviewConcealment::picture() const { return cover_->picture(); }

void PreviewConcealment::watch(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children())
    if (child->isWidgetType()) watch(child);
}

bool PreviewConcealment::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      if (auto* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType()) watch(child);
      break;
    case QEvent::Paint:
      // The content changed under the cover: its picture follows (not for the picture's own
      // drawing, which paints the content too).
      if (concealed_ && !drawingPicture_) schedulePicture();
      break;
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

void PreviewConcealment::schedulePicture() {
  if (!concealed_ || pictureWork_.isPending()) return;
  pictureWork_ = context_.scheduler->after(
      kPictureInterval, [this] { drawPicture(); }, Guard(this));
}

void PreviewConcealment::drawPicture() {
  if (!concealed_ || !content_ || content_->size().isEmpty()) return;
  drawingPicture_ = true;
  QImage picture = widgetPicture(*content_);
  drawingPicture_ = false;
  picture = Fx::blurred(picture, kSensitiveBlur);
  // Covering repaints what lies under it: a picture that came out the same ends the round.
  if (picture == cover_->picture()) return;
  cover_->setPicture(std::move(picture));
}

}  // namespace qv
