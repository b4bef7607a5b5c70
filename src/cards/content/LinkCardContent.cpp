#include "cards/content/LinkCardContent.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "items/link/OGImageCache.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

using namespace CardContentStyle;

namespace {
constexpr double kDomainGap = 6;
constexpr double kDomainTopWithImage = 8;
constexpr double kTitleTop = 8, kTitleLineSpacing = 4;
constexpr double kDescriptionTop = 5, kDescriptionLineSpacing = 3;
constexpr double kBandFadeStart = 0.82;

TextStyle lineStyle(QFont font, double lineSpacing, int lineLimit) {
  TextStyle style{std::move(font), lineSpacing, lineLimit};
  return style;
}

// Lowers the block's line limit until it ends above `bottom`; false when not even one line does:
// the space kept free at the bottom belongs to the card's source row.
bool fitLines(TextBlock& block, int limit, double width, double top, double bottom) {
  for (int lines = limit; lines > 0; --lines) {
    TextStyle style = block.style();
    style.lineLimit = lines;
    block.setStyle(style);
    if (top + block.size(width).height() <= bottom) return true;
  }
  return false;
}
}  // namespace

LinkCardContent::LinkCardContent(ViewServices& context, std::function<void()> onChange)
    : context_(context),
      onChange_(std::move(onChange)),
      image_(context, [this] { imageChanged(); }),
      progress_(*context.frameClock, 0) {
  progress_.setOnChange([this] {
    if (onChange_) onChange_();
  });
}

bool LinkCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  const bool otherItem = props.itemId != props_.itemId;
  const bool otherImage = otherItem || props.ogImageURL != props_.ogImageURL;
  props_ = props;
  domain_ = TextBlock(props.domain, lineStyle(systemFont(10, QFont::Medium), 0, 1));
  favicon_.setProps({props.domain});
  title_ = TextBlock(props.title.value_or(QString()), lineStyle(systemFont(13, QFont::DemiBold), kTitleLineSpacing, 4));
  description_ = TextBlock(props.description.value_or(QString()),
                           lineStyle(systemFont(11), kDescriptionLineSpacing, 4));
  if (otherItem) {
    image_.reset();
    progress_.jumpTo(0);
  }
  // Without an address the card keeps whatever it shows.
  if (otherImage && props.ogImageURL && context_.ogImageCache) {
    image_.request([cache = context_.ogImageCache, id = props.itemId]() -> std::optional<QImage> {
      QImage image = cache->load(id);
      if (image.isNull()) return std::nullopt;
      return image;
    });
  }
  return true;
}

void LinkCardContent::imageChanged() {
  const double target = image_.hasImage() ? 1 : 0;
  if (progress_.target() != target) {
    const auto animation = context_.reduceMotion ? context_.reduceMotion->unlessReduced(Theme::springGentle())
                                                 : std::optional<Animation>(Theme::springGentle());
    progress_.animateTo(target, animation);
  }
  if (onChange_) onChange_();
}

LinkCardContent::Layout LinkCardContent::layout(const QRectF& rect) const {
  const double p = progress_.value();
  // The line limits follow where the band is going (they cannot move in between).
  const bool withImage = progress_.target() > 0.5;
  const double width = rect.width() - 2 * kSideInset;
  Layout result;
  result.band = QRectF(rect.left(), rect.top(), rect.width(), withImage || p > 0 ? kImageBandHeight : kEmptyBandHeight);
  double y = rect.top() + kEmptyBandHeight + (kImageBandHeight - kEmptyBandHeight) * p + kDomainTopWithImage * p;
  const double domainWidth = std::min(domain_.size(0).width(), width - kFaviconSize - kDomainGap);
  const double rowHeight = std::max(kFaviconSize, domain_.size(domainWidth).height());
  result.favicon = QRectF(rect.left() + kSideInset, y + (rowHeight - kFaviconSize) / 2, kFaviconSize, kFaviconSize);
  const double domainHeight = domain_.size(domainWidth).height();
  result.domain = QRectF(result.favicon.right() + kDomainGap, y + (rowHeight - domainHeight) / 2, domainWidth,
                         domainHeight);
  y += rowHeight;
  // The text keeps clear of the card's lowest points; lines that do not fit are dropped.
  const double bottom = rect.bottom() - kBottomSpace;
  if (props_.title) {
    y += kTitleTop;
    if (!fitLines(title_, withImage ? 2 : 4, width, y, bottom)) return result;
    result.titleLines = title_.lineCount(width);
    result.title = QRectF(rect.left() + kSideInset, y, width, title_.size(width).height());
    y += result.title.height();
  }
  if (props_.description) {
    y += kDescriptionTop;
    if (fitLines(description_, withImage ? 1 : 4, width, y, bottom)) {
      result.descriptionLines = description_.lineCount(width);
      result.description = QRectF(rect.left() + kSideInset, y, width, description_.size(width).height());
    }
  }
  return result;
}

void LinkCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  paintTintedBackground(painter, rect, environment);
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  const Layout parts = layout(rect);
  if (image_.hasImage() && progress_.value() > 0) {
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(1.0, progress_.value()));
    const QRectF band(rect.left(), rect.top(), rect.width(), kImageBandHeight);
    const QRectF shown = fitRect(image_.image().size(), band);
    paintWithBottomFade(painter, band, kBandFadeStart, 1.0, [&](QPainter& target) {
      image_.draw(target, shown, QRectF(QPointF(0, 0), image_.image().size()));
    });
    painter.restore();
  }
  favicon_.paint(painter, parts.favicon);
  domain_.draw(painter, parts.domain.topLeft(), parts.domain.width(), primary(environment, 0.42));
  if (!parts.title.isNull())
    title_.draw(painter, parts.title.topLeft(), parts.title.width(), primary(environment, 0.92));
  if (!parts.description.isNull())
    description_.draw(painter, parts.description.topLeft(), parts.description.width(), primary(environment, 0.48));
  painter.restore();
}

}  // namespace qv
