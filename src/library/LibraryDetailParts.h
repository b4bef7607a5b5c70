#pragma once
#include "base/Url.h"
#include "cards/content/CardImageLoader.h"
#include "cards/content/FileIconView.h"
#include "items/model/ClipboardItem.h"
#include "preview/LinkPreview.h"
#include "preview/PreviewContent.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QLabel>
#include <optional>

namespace qv {

struct ViewServices;

// A one-line selectable text cut in its middle when it does not fit (a file's path).
class ElidedPathLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedPathLabel(QWidget* parent = nullptr);
  void setFullText(const QString& text);
  const QString& fullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void elide();
  QString full_;
};

// What stands in the detail pane's body for a sensitive item nobody peeked at: a crossed-out eye,
// "Hidden", and where to reveal it. Drawn at the top of the body, 28 points down.
class HiddenPlaceholderView : public PaintedWidget {
  Q_OBJECT
 public:
  explicit HiddenPlaceholderView(InterfaceServices& context, QWidget* parent = nullptr);
  static QString title();
  static QString message();
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  TextBlock title_;
  TextBlock message_;
};

// A symbol over a title and a message, at the top of the body 24 points down (an image whose
// picture is gone).
class UnavailablePlaceholderView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString symbol;
    QString title;
    QString message;
    bool operator==(const Props&) const = default;
  };
  explicit UnavailablePlaceholderView(InterfaceServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  Props props_;
  TextBlock title_;
  TextBlock message_;
};

// A link in the detail pane: the page's cached preview image, the title at its full height,
// the address (a button for web addresses, selectable text in the link colour for any other
// scheme), the description and the domain, 6 apart inside 14 of padding.
class DetailLinkView : public LinkContentBase {
  Q_OBJECT
 public:
  static constexpr double kPadding = 14;
  static constexpr double kSpacing = 6;
  static constexpr double kImageHeight = 150;
  static constexpr double kImageRadius = 10;

  explicit DetailLinkView(ViewServices& context, QWidget* parent = nullptr);

  bool showsImage() const;
  QLabel* addressLabel() const { return address_; }
  QColor addressColor() const;

  struct Layout {
    QRectF image;  // null without one
    QRectF title;  // null without one
    QRectF address;
    QRectF description;  // null without one
    QRectF domain;
  };
  Layout layout() const;
  int heightForWidth(int width) const override;
  bool hasHeightForWidth() const override { return true; }

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void takeProps(bool otherItem) override;
  void imageChanged() override;
  void placeChildren() override;
  Layout layoutFor(double width) const;
  void applyAddressColor();

  TextBlock title_;
  TextBlock description_;
  TextBlock domain_;
  QLabel* address_;
};

// A file item whose file is not there (or that never had a local address): its icon, its name
// and, with an address, the folder it was in.
class DetailFileRow : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString name;
    std::optional<Url> url;
    bool operator==(const Props&) const = default;
  };
  static constexpr double kIconSide = 48;
  static constexpr double kPadding = 14;
  static constexpr double kSpacing = 12;

  explicit DetailFileRow(ViewServices& context, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }
  // The parent folder as shown; empty without an address.
  QString folderText() const;
  QRectF iconRect() const;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  double rowTop() const;
  Props props_;
  FileIconView icon_;
  TextBlock name_;
  QLabel* folder_;
};

// A file that is there: its renderer (by the preview's route, at the detail pane's sizes) over
// its path, one line cut in the middle.
class DetailFileContent : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kPadding = 14;
  static constexpr double kSpacing = 8;
  // The detail pane's renderer sizes: a full PDF, a large thumbnail without inset.
  static FileContentSizes sizes();
  // The least height of the renderer for its route.
  static double minimumRendererHeight(FileContentRoute route);

  DetailFileContent(ViewServices& context, const FilePayload& file, FileContentRoute route, QWidget* parent = nullptr);
  FileContentRoute route() const { return route_; }
  QWidget* renderer() const { return renderer_; }
  ElidedPathLabel* pathCaption() const { return caption_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  FileContentRoute route_;
  QWidget* renderer_;
  ElidedPathLabel* caption_;
};

}  // namespace qv
