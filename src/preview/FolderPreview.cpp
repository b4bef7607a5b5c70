#include "preview/FolderPreview.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "preview/FileDisplay.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QUrl>

namespace qv {

namespace {

QFont locationFont() { return systemFont(FolderPreview::kLocationFontSize); }

QString withoutTrailingSlashes(QString path) {
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

}  // namespace

FolderPreview::FolderPreview(ViewServices& services, QWidget* parent)
    : PaintedWidget(services, parent), icon_(FileIcons::shared(services)) {
  setHoverEnabled(false);
  TextStyle style{systemFont(kNameFontSize, QFont::Medium)};
  style.lineLimit = kNameLineLimit;
  style.alignment = Qt::AlignHCenter;
  name_.setStyle(style);
}

void FolderPreview::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  name_.setText(name());
  // Always as a folder, whatever its name says.
  icon_.setProps({name(), true});
  update();
}

QString FolderPreview::folderName(const QString& path) {
  const QString cleaned = withoutTrailingSlashes(path);
  if (cleaned == QStringLiteral("/")) return cleaned;
  return cleaned.mid(cleaned.lastIndexOf(u'/') + 1);
}

QString FolderPreview::locationOf(const QString& path) {
  const QString cleaned = withoutTrailingSlashes(path);
  const qsizetype slash = cleaned.lastIndexOf(u'/');
  if (slash < 0) return {};
  return abbreviatedPath(QUrl::fromLocalFile(slash == 0 ? QStringLiteral("/") : cleaned.left(slash)));
}

double FolderPreview::textWidth() const { return std::max(0.0, width() - 2 * kTextPadding); }

double FolderPreview::groupTop() const {
  const double text = name_.size(textWidth()).height() + kTextSpacing + QFontMetricsF(locationFont()).height();
  return (height() - (kIconSide + kSpacing + text)) / 2;
}

QRectF FolderPreview::iconRect() const { return {(width() - kIconSide) / 2, groupTop(), kIconSide, kIconSide}; }

QRectF FolderPreview::nameRect() const {
  return {kTextPadding, iconRect().bottom() + kSpacing, textWidth(), name_.size(textWidth()).height()};
}

QRectF FolderPreview::locationRect() const {
  return {kTextPadding, nameRect().bottom() + kTextSpacing, textWidth(), QFontMetricsF(locationFont()).height()};
}

QStringList FolderPreview::nameLines() const { return name_.lines(textWidth()); }

QString FolderPreview::shownLocation() const {
  return QFontMetricsF(locationFont()).elidedText(location(), Qt::ElideMiddle, textWidth());
}

AccessibilityInfo FolderPreview::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = name();
  info.description = location();
  return info;
}

void FolderPreview::paint(QPainter& painter) {
  const EnvironmentValues environment = this->environment();
  icon_.paint(painter, iconRect());
  const QRectF nameArea = nameRect();
  name_.draw(painter, nameArea.topLeft(), nameArea.width(), primaryColor(environment, kNameOpacity));
  painter.setFont(locationFont());
  painter.setPen(primaryColor(environment, kLocationOpacity));
  painter.drawText(locationRect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shownLocation());
}

}  // namespace qv
