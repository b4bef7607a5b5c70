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

// A link item in the preview: the page's cached preview image as a band across the top (or a
// placeholder with the link symbol), then the title (up to three lines), the domain and the
// address, which is a button for web addresses and plain coloured text for anything else. The
// image is read from the preview-image cache and decoded off the main thread, once per preview
// image reference: when the reference arrives while the preview is open, the image comes in.
class LinkPreviewContent : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    Url url;
    QString domain;
    std::optional<QString> title;
    std::optional<QString> ogImageURL;  // only whether it is present matters
    QString itemID;                     // names the cached preview image
    bool operator==(const Props&) const = default;
    static Props of(const ClipboardItem& item);
  };

  static constexpr double kImageHeight = 160;
  static constexpr double kPlaceholderHeight = 100;
  static constexpr double kSideInset = 16;
  static constexpr double kVerticalInset = 14;
  static constexpr double kSpacing = 6;
  static constexpr char kQueueName[] = "linkPreviewImage";

  explicit LinkPreviewContent(ViewServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  bool hasImage() const { return image_.hasImage(); }
  // 0 … 1: how far the image has come in (the header grows from the placeholder's height).
  double imageProgress() const { return progress_.value(); }
  bool isWebAddress() const;
  // The address button (web addresses); null otherwise.
  LinkOpenButton* openButton() const { return button_; }

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
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void imageChanged();
  Layout layoutFor(double width) const;
  void placeButton();

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  CardImageLoader image_;
  Animated<double> progress_;
  TextBlock title_;
  TextBlock domain_;
  TextBlock address_;  // the address as plain text (not a web address)
  LinkOpenButton* button_ = nullptr;
};

}  // namespace qv
