#pragma once
#include "cards/content/FileIconView.h"
#include "items/model/ClipboardItem.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QSizeF>
#include <QString>
#include <QUrl>
#include <optional>

namespace qv {

struct ViewServices;

// A colour item's preview: a rounded swatch of the colour, with its hex code (rebuilt from the
// components, upper-case) and its rgb() triple in its lower-left corner, in black or white ink,
// whichever reads better on it.
class ColorSwatchView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    int r = 0, g = 0, b = 0;
    bool operator==(const Props&) const = default;
  };

  static constexpr double kPadding = 20;
  static constexpr double kCornerRadius = 14;
  static constexpr double kTextPadding = 18;
  static constexpr double kLineSpacing = 4;
  static constexpr double kTitleSize = 22;
  static constexpr double kDetailSize = 12;

  explicit ColorSwatchView(InterfaceServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

  // "#FFCC00" and "rgb(255, 204, 0)".
  static QString title(int r, int g, int b);
  static QString rgbText(int r, int g, int b);
  QColor ink() const;
  QRectF swatchRect() const;

  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  Props props_;
  TextBlock title_;
  TextBlock detail_;
};

// What shows for a file that cannot be: its icon (72 × 72), its name in up to six centred lines
// and, when the item knew where the file was, that it is no longer there. Centred in the space
// given, 24 points in from the sides.
class MissingFileView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString name;
    bool hadLocation = false;
    bool operator==(const Props&) const = default;
  };

  static constexpr double kIconSide = 72;
  static constexpr double kSpacing = 8;
  static constexpr double kPaddingH = 24;
  static constexpr int kNameLineLimit = 6;

  MissingFileView(ViewServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

  static QString notice();  // "File no longer available at original location"
  QRectF iconRect() const;
  QRectF nameRect() const;
  QRectF noticeRect() const;  // empty without a location
  QStringList nameLines() const;

  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  double textWidth() const;
  double groupTop() const;

  Props props_;
  FileIconView icon_;
  TextBlock name_;
  TextBlock notice_;
};

// Which renderer a file item gets, first match wins: the notice when it has no URL or nothing is
// at its place (only local files are looked up), the folder preview for a folder, the rich
// document preview by extension, the text preview for what reads as text, the PDF preview, else
// its thumbnail. Looks at the file system once (a stat), on the calling thread.
enum class FileContentRoute { missing, folder, richDocument, textFile, pdf, thumbnail };
FileContentRoute fileContentRoute(const FilePayload& file);

// The sizes a host gives the file renderers: the preview pane's are the defaults; the library's
// detail pane has its own.
struct FileContentSizes {
  bool compactPdf = true;
  double thumbnailInset = 16;
  double thumbnailCornerRadius = 10;
  QSizeF thumbnailRenderSize{420, 320};
  bool compactQuickLook = true;
  double quickLookBottomPadding = 10;
  bool operator==(const FileContentSizes&) const = default;
};

// The renderer of a file item, chosen by fileContentRoute, filling `parent`'s space as the
// host sizes it.
QWidget* makeFileContent(ViewServices& context, const FilePayload& file, const FileContentSizes& sizes,
                         QWidget* parent);

// The preview of an item by its kind: a text in the text viewer (16 × 14 inset), code in the
// code viewer, an image fitted inside 12 points with corners of 12, a link's card, the colour
// swatch, a file by its route. Plain text only, never an item's stored rich text.
QWidget* makePreviewContent(ViewServices& context, const ClipboardItem& item, QWidget* parent);

// The text an editor starts from: a text's or code's own text; none for other kinds.
std::optional<QString> editableText(const ClipboardItem& item);

// The address of a file item's file on this machine; none for other kinds, a file item without
// an address and a remote one.
std::optional<QUrl> localFileURL(const ClipboardItem& item);

// Whether two items' contents are shown alike: a change between them needs no new renderer.
bool showsSameContent(const ClipboardItem& a, const ClipboardItem& b);

}  // namespace qv
