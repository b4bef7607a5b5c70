#include "cards/content/FileCardContent.h"

#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"

#include <QPainter>

namespace qv {

using namespace CardContentStyle;

namespace {
constexpr double kTagPaddingX = 6, kTagPaddingY = 2, kTagTop = 10;
constexpr double kNameTop = 6, kNameSideInset = 18, kSizeTop = 4;
}  // namespace

QString FileCardContent::extensionTag(const QString& filename) { return FileIcons::pathExtension(filename).toUpper(); }

bool FileCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  props_ = props;
  icon_.setProps({props.filename, props.isDirectory});
  tag_ = TextBlock(extensionTag(props.filename), TextStyle{monospacedFont(8, QFont::DemiBold)});
  TextStyle nameStyle{systemFont(12, QFont::Medium)};
  nameStyle.lineLimit = 2;
  nameStyle.alignment = Qt::AlignHCenter;
  name_ = TextBlock(props.filename, nameStyle);
  size_ = TextBlock(props.fileSize, TextStyle{monospacedFont(10)});
  return true;
}

FileCardContent::Layout FileCardContent::layout(const QRectF& rect) const {
  const bool hasTag = !tag_.text().isEmpty();
  const bool hasSize = !props_.fileSize.isEmpty();
  const double nameWidth = rect.width() - 2 * kNameSideInset;
  const QSizeF tagText = hasTag ? tag_.size(0) : QSizeF();
  const QSizeF tag = hasTag ? QSizeF(tagText.width() + 2 * kTagPaddingX, tagText.height() + 2 * kTagPaddingY)
                            : QSizeF();
  const double nameHeight = name_.size(nameWidth).height();
  const double sizeHeight = hasSize ? size_.size(0).height() : 0;
  const double total = kIconSize + (hasTag ? kTagTop + tag.height() : 0) + kNameTop + nameHeight +
                       (hasSize ? kSizeTop + sizeHeight : 0);
  // The two spacers share the free height: the block is centred.
  double y = rect.top() + (rect.height() - total) / 2;
  Layout result;
  result.icon = QRectF(rect.center().x() - kIconSize / 2, y, kIconSize, kIconSize);
  y += kIconSize;
  if (hasTag) {
    y += kTagTop;
    result.tag = QRectF(rect.center().x() - tag.width() / 2, y, tag.width(), tag.height());
    y += tag.height();
  }
  y += kNameTop;
  result.name = QRectF(rect.left() + kNameSideInset, y, nameWidth, nameHeight);
  y += nameHeight;
  if (hasSize) {
    const double width = size_.size(0).width();
    result.size = QRectF(rect.center().x() - width / 2, y + kSizeTop, width, sizeHeight);
  }
  return result;
}

void FileCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  paintTintedBackground(painter, rect, environment);
  const Layout parts = layout(rect);
  icon_.paint(painter, parts.icon);
  if (!parts.tag.isEmpty()) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(primary(environment, 0.07));
    painter.drawPath(Fx::continuousRoundedRect(parts.tag, parts.tag.height() / 2));
    painter.restore();
    tag_.draw(painter, parts.tag.topLeft() + QPointF(kTagPaddingX, kTagPaddingY), 0, primary(environment, 0.55));
  }
  name_.draw(painter, parts.name.topLeft(), parts.name.width(), primary(environment, 0.88));
  if (!parts.size.isEmpty()) size_.draw(painter, parts.size.topLeft(), 0, primary(environment, 0.36));
}

}  // namespace qv
