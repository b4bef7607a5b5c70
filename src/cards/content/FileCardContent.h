#pragma once
#include "cards/content/FileIconView.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Environment.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

class FileIcons;

// A file item's card body: the file's icon, its extension tag, its name and its size, centred
// on the tinted background. A file that is gone is shown the same way: only the name counts.
class FileCardContent {
 public:
  struct Props {
    QString filename;
    QString fileSize;  // display text; empty shows no size line
    bool isDirectory = false;
    bool operator==(const Props&) const = default;
  };

  static constexpr double kIconSize = 64;

  explicit FileCardContent(FileIcons& icons) : icon_(icons) {}

  // The name's extension upper-cased; empty when the name has none (no tag).
  static QString extensionTag(const QString& filename);

  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  // Where each part goes inside `rect` (for painting and tests).
  struct Layout {
    QRectF icon;
    QRectF tag;  // empty without a tag
    QRectF name;
    QRectF size;  // empty without a size line
  };
  Layout layout(const QRectF& rect) const;

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

 private:
  FileIconView icon_;
  Props props_;
  TextBlock tag_;
  TextBlock name_;
  TextBlock size_;
};

}  // namespace qv
