#pragma once
#include "cards/content/ColorCardContent.h"
#include "cards/content/FileCardContent.h"
#include "cards/content/ImageCardContent.h"
#include "cards/content/LinkCardContent.h"
#include "cards/content/TextCardContent.h"
#include "items/model/ClipboardItem.h"
#include "ui/view/PaintedItem.h"

#include <variant>

namespace qv {

// The body of one item's card, chosen by the payload's case (never by the content type): text,
// code, colour, image, file or link. It paints into its own rectangle, or into any rectangle a
// card's composite asks for, and repaints only when what it shows changed.
class CardContentItem : public PaintedItem {
  Q_OBJECT
 public:
  explicit CardContentItem(ViewServices& context, QGraphicsItem* parent = nullptr);

  // Shows the item's content; false when nothing that is painted changed.
  bool setItem(const ClipboardItem& item);

  void paintContent(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

  using Content = std::variant<std::monostate, TextCardContent, CodeCardContent, ColorCardContent, FileCardContent,
                               ImageCardContent, LinkCardContent>;
  const Content& content() const { return content_; }

 Q_SIGNALS:
  // What the content shows changed by itself (a thumbnail or preview image arrived, its
  // animation moved): a card that keeps a composite of its content paints it again.
  void contentChanged();

 protected:
  void paintItem(QPainter& painter) override;

 private:
  void changedByItself();
  template <typename T, typename... Args>
  bool show(const typename T::Props& props, Args&&... args);

  ViewServices& services_;
  Content content_;
};

}  // namespace qv
