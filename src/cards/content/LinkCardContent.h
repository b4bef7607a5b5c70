#pragma once
#include "cards/content/CardImageLoader.h"
#include "cards/content/FaviconView.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Environment.h"

#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

class QPainter;

namespace qv {

struct ViewServices;

// A link item's card body, laid out like a small web preview: the page's stored preview image
// as a band across the top (when there is one), a row with the domain's letter tile and the
// domain, then the page title and description. The preview image is read from the preview
// image cache and decoded off the main thread; when it arrives the band fades in and the text
// below moves down with the gentle spring (at once under reduce motion).
class LinkCardContent {
 public:
  struct Props {
    QString itemId;  // names the stored preview image
    QString domain;
    std::optional<QString> title;
    std::optional<QString> description;
    // Only its presence matters: whether a stored preview image may exist.
    std::optional<QString> ogImageURL;
    bool operator==(const Props&) const = default;
  };

  static constexpr double kImageBandHeight = 146;
  static constexpr double kEmptyBandHeight = 40;
  static constexpr double kBottomSpace = 46;
  static constexpr double kSideInset = 14;
  static constexpr double kFaviconSize = FaviconView::kSize;

  // `onChange` runs on the main thread when the preview image or its animation moves (repaint).
  LinkCardContent(ViewServices& context, std::function<void()> onChange);

  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  bool hasPreviewImage() const { return image_.hasImage(); }
  // 0 without the preview image, 1 with it; in between while the band fades in.
  double imageProgress() const { return progress_.value(); }

  struct Layout {
    QRectF band;  // the header band (the image band at full height once shown)
    QRectF favicon;
    QRectF domain;
    QRectF title;        // null without a title, or when not one line fits above the free bottom
    QRectF description;  // null without a description, or when not one line fits
    int titleLines = 0;
    int descriptionLines = 0;
  };
  Layout layout(const QRectF& rect) const;

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment);

 private:
  void imageChanged();

  ViewServices& context_;
  std::function<void()> onChange_;
  Props props_;
  CardImageLoader image_;
  Animated<double> progress_;
  TextBlock domain_;
  FaviconView favicon_;
  // Their line limits follow the room left (see layout).
  mutable TextBlock title_;
  mutable TextBlock description_;
};

}  // namespace qv
