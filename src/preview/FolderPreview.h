#pragma once
#include "cards/content/FileIconView.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QString>

namespace qv {

struct ViewServices;

// A copied folder, named rather than rendered: its icon (88 × 88, always asked for as a folder),
// its name in up to three centred lines and, below, the folder that holds it (home-relative, one
// line cut in the middle), the group centred in whatever space it is given. The file previews
// and the library's detail pane choose it for a file item whose URL is a folder. It reads
// nothing from disk beyond the icon and keeps no state.
class FolderPreview : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString path;  // the folder
    bool operator==(const Props&) const = default;
  };

  static constexpr double kIconSide = 88;
  static constexpr double kSpacing = 12;
  static constexpr double kTextSpacing = 4;
  static constexpr double kTextPadding = 20;
  static constexpr double kNameFontSize = 13;
  static constexpr double kNameOpacity = 0.85;
  static constexpr int kNameLineLimit = 3;
  static constexpr double kLocationFontSize = 11;
  static constexpr double kLocationOpacity = 0.4;

  explicit FolderPreview(ViewServices& services, QWidget* parent = nullptr);

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  // The folder's name: the last component of its path.
  static QString folderName(const QString& path);
  // Where it lies: the home-relative form of the path without its last component.
  static QString locationOf(const QString& path);

  QString name() const { return folderName(props_.path); }
  QString location() const { return locationOf(props_.path); }
  QRectF iconRect() const;
  QRectF nameRect() const;
  QRectF locationRect() const;
  QStringList nameLines() const;
  // The location as drawn: cut in the middle to the width it has.
  QString shownLocation() const;
  const FileIconView& icon() const { return icon_; }

  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  double textWidth() const;
  double groupTop() const;

  Props props_;
  TextBlock name_;
  FileIconView icon_;
};

}  // namespace qv
