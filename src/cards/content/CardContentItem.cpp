#include "cards/content/CardContentItem.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"

namespace qv {

CardContentItem::CardContentItem(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent), services_(context) {
  setSize(CardContentStyle::cardSize());
  setHoverEnabled(false);
}

void CardContentItem::changedByItself() {
  update();
  Q_EMIT contentChanged();
}

template <typename T, typename... Args>
bool CardContentItem::show(const typename T::Props& props, Args&&... args) {
  if (auto* current = std::get_if<T>(&content_)) {
    if (!current->setProps(props)) return false;
  } else {
    content_.emplace<T>(std::forward<Args>(args)...).setProps(props);
  }
  update();
  return true;
}

bool CardContentItem::setItem(const ClipboardItem& item) {
  auto onChange = [this] { changedByItself(); };
  return std::visit(
      [&](const auto& payload) -> bool {
        using P = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<P, TextPayload>) {
          return show<TextCardContent>({payload.text});
        } else if constexpr (std::is_same_v<P, CodePayload>) {
          return show<CodeCardContent>({payload.source, payload.language}, *services_.codeHighlights);
        } else if constexpr (std::is_same_v<P, ColorPayload>) {
          return show<ColorCardContent>({payload.hex, payload.r, payload.g, payload.b});
        } else if constexpr (std::is_same_v<P, FilePayload>) {
          const bool isDirectory = payload->url && payload->url->path().endsWith(QLatin1Char('/'));
          return show<FileCardContent>({payload->name, payload->size, isDirectory}, FileIcons::shared(services_));
        } else if constexpr (std::is_same_v<P, ImagePayload>) {
          return show<ImageCardContent>({item.idString(), payload->image}, services_, onChange);
        } else {
          static_assert(std::is_same_v<P, LinkPayload>);
          return show<LinkCardContent>(
              {item.idString(), payload->domain, payload->title, payload->description, payload->ogImageURL}, services_,
              onChange);
        }
      },
      item.payload);
}

void CardContentItem::paintContent(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  std::visit(
      [&](auto& content) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(content)>, std::monostate>)
          content.paint(painter, rect, environment);
      },
      content_);
}

void CardContentItem::paintItem(QPainter& painter) { paintContent(painter, rect(), environment()); }

}  // namespace qv
