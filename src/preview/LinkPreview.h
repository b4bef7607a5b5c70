#pragma once
#include "base/Url.h"
#include "cards/content/CardImageLoader.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QString>
#include <optional>

namespace qv {

struct ViewServices;
struct ClipboardItem;

// The colour of a clickable address: light blue in the dark appearance, the accent in the light
// one, at 0.94 and 0.8 opacity (full while hovered).
QColor linkColor(const EnvironmentValues& environment, bool hovered = false);

// A link's address that opens in the default browser: the address text (home-relative for a
// file), at most two lines, underlined and at full opacity while hovered. The link preview and
// the library's detail pane show it for web addresses only.
class LinkOpenButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    Url url;
    double fontSize = 11;
    bool operator==(const Props&) const = default;
  };

  explicit LinkOpenButton(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  QString text() const { return label_.text(); }
  // The lines shown at the current width.
  QStringList lines() const;
  bool isUnderlined() const;
  double textOpacity() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

  static QString helpText();

 protected:
  void paint(QPainter& painter) override;
  void hoverChanged(bool hovered) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void open();
  TextStyle style(bool underlined) const;

  Props props_;
  bool hasProps_ = false;
  TextBlock label_;
  bool pressed_ = false;
};

// What a link item shows in a pane: its address, domain, title and description, the reference of
// the page's preview image and the item's id, which names the cached image.
struct LinkProps {
  Url url;
  QString domain;
  std::optional<QString> title;
  std::optional<QString> ogImageURL;  // only whether it is present matters
  QString itemID;                     // names the cached preview image
  std::optional<QString> description = std::nullopt;
  bool operator==(const LinkProps&) const = default;
  static LinkProps of(const ClipboardItem& item);
};

// Whether an address opens in the browser: http and https, in any case.
bool isWebAddress(const Url& url);

// What a link's view in either pane (the preview's card, the library's detail) does alike: it
// takes the link's props, reads the page's preview image from the preview-image cache and
// decodes it off the main thread (nothing is fetched), once per item and image reference (a new
// item starts without one; within an item an image is only ever added), and shows a web address
// as a LinkOpenButton. Where each part goes and how it looks is the subclass's.
class LinkContentBase : public PaintedWidget {
  Q_OBJECT
 public:
  using Props = LinkProps;
  static constexpr char kQueueName[] = "linkPreviewImage";

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  bool isWebAddress() const { return qv::isWebAddress(props_.url); }
  bool hasImage() const { return image_.hasImage(); }
  // The address button, shown for web addresses only.
  LinkOpenButton* openButton() const { return button_; }
  // Named by the title (the domain without one); a plain address is its description.
  AccessibilityInfo accessibility() const override;

 protected:
  LinkContentBase(ViewServices& context, double addressFontSize, QWidget* parent);
  // Takes the texts of new props; `otherItem` when they are another item's.
  virtual void takeProps(bool otherItem) = 0;
  // Where the image will be drawn, for a copy pre-scaled on the worker; none by default.
  virtual CardImageLoader::PlacementFor imagePlacement() const { return {}; }
  // The image arrived.
  virtual void imageChanged() = 0;
  // Lays out the address button (and any other child) where the subclass draws the address.
  virtual void placeChildren() = 0;

  ViewServices& services_;
  CardImageLoader image_;

 private:
  Props props_;
  bool hasProps_ = false;
  double addressFontSize_;
  LinkOpenButton* button_;
};

// A link item in the preview: the page's cached preview image as a band across the top (or a
// placeholder with the link symbol), then the title (up to three lines), the domain and the
// address, which is a button for web addresses and plain coloured text for anything else. When
// the image reference arrives while the preview is open, the image comes in. The description
// is not shown.
class LinkPreviewContent : public LinkContentBase {
  Q_OBJECT
 public:
  static constexpr double kImageHeight = 160;
  static constexpr double kPlaceholderHeight = 100;
  static constexpr double kSideInset = 16;
  static constexpr double kVerticalInset = 14;
  static constexpr double kSpacing = 6;

  explicit LinkPreviewContent(ViewServices& context, QWidget* parent = nullptr);

  // 0 … 1: how far the image has come in (the header grows from the placeholder's height).
  double imageProgress() const { return progress_.value(); }

  struct Layout {
    QRectF header;
    QRectF title;  // null without a title
    QRectF domain;
    QRectF address;
    int titleLines = 0;
  };
  Layout layout() const;
  QStringList titleLines() const;
  QString addressText() const { return address_.text(); }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void takeProps(bool otherItem) override;
  CardImageLoader::PlacementFor imagePlacement() const override;
  void imageChanged() override;
  void placeChildren() override;
  Layout layoutFor(double width) const;

  Animated<double> progress_;
  TextBlock title_;
  TextBlock domain_;
  TextBlock address_;  // the address as plain text (not a web address)
};

}  // namespace qv
