#pragma once
#include "platform/Scheduler.h"
#include "preview/PdfPageLoader.h"
#include "preview/PreviewContent.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QTransform>
#include <QUrl>
#include <functional>

namespace qv {

// One half of the PDF pager: a chevron button, 30 × 22 (compact) or 34 × 26. A disabled half
// is faint, never hovers and does nothing when clicked. Its pager paints it inside its own
// transition (scale and opacity), handed over with `setTransition`.
class PagerHalf : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString symbol;  // "chevron.left" or "chevron.right"
    bool enabled = false;
    bool compact = false;
    bool operator==(const Props&) const = default;
  };

  struct Callbacks {
    std::function<void()> action;
  };

  explicit PagerHalf(InterfaceServices& context, QWidget* parent = nullptr);

  // The callbacks are replaced on every call and read when the click happens.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  static QSizeF faceSize(bool compact);
  // "Previous page" for the left chevron, "Next page" for any other.
  QString label() const;
  // The symbol's ink and the hover fill's opacity now.
  double symbolOpacity() const;
  double backgroundOpacity() const;

  void setTransition(const QTransform& transform, double opacity);

  QSize sizeHint() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Props props_;
  Callbacks callbacks_;
  bool pressed_ = false;
  QTransform transition_;
  double transitionOpacity_ = 1;
};

// The floating pager over a PDF page: previous and next halves with a divider between them on
// a capsule of thin material, casting the low theme shadow. The widget reaches beyond the
// capsule by the shadow's margin; only the capsule takes the pointer.
class PdfPager : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    bool compact = false;
    int pageIndex = 0;
    int pageCount = 0;
    // What lies behind the capsule, already blurred (capsule coordinates); null for nothing.
    QImage backdrop{};
    bool operator==(const Props& other) const {
      return compact == other.compact && pageIndex == other.pageIndex && pageCount == other.pageCount &&
             backdrop.cacheKey() == other.backdrop.cacheKey();
    }
  };
  struct Callbacks {
    std::function<void()> previous;
    std::function<void()> next;
  };

  explicit PdfPager(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // The capsule's size, and the widget's margin around it for the shadow.
  static QSizeF capsuleSize(bool compact);
  static double shadowMargin();
  QRectF capsule() const;

  // The whole pager's transition: a scale about its centre and an opacity.
  void setTransition(double scale, double opacity);
  double transitionScale() const { return scale_; }
  double transitionOpacity() const { return opacity_; }

  PagerHalf& previousHalf() const { return *previous_; }
  PagerHalf& nextHalf() const { return *next_; }

  QPainterPath hitShape() const override;

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placeHalves();

  Props props_;
  Callbacks callbacks_;
  PagerHalf* previous_;
  PagerHalf* next_;
  double scale_ = 1;
  double opacity_ = 1;
};

// A PDF file in the preview: one page at a time, fitted into the view and clipped to its
// rounded corners, with the pager at the bottom while the document has two pages or more. The
// document is opened and its pages drawn off the main thread at the view's size and pixel
// ratio. A file that does not open (garbage, empty, cut short, locked by a password, not a
// regular file) shows its icon and name, as other files that cannot be shown do; it is tried
// again whenever it has changed (its size or modification time, looked at on every update and
// every second while it shows), so a document still being written shows once it is whole.
class PDFPreview : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QUrl url;
    bool compact = false;  // the smaller sizes of the panel's preview
    bool operator==(const Props&) const = default;
  };
  // How often a file that did not open is looked at again while it shows.
  static constexpr double kRetryInterval = 1.0;

  explicit PDFPreview(ViewServices& context, QWidget* parent = nullptr);
  ~PDFPreview() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }

  int pageIndex() const { return pageIndex_; }
  int pageCount() const { return pageCount_; }
  // The page drawn now (null while none is) and where.
  const QImage& pageImage() const { return image_; }
  QRectF pageRect() const;
  // Whether the page shown is the page asked for at the current size (no render under way).
  bool isSettled() const { return !loader_.isPending(); }
  // How many times a file was opened (once per file given).
  int openCount() const { return opens_; }
  // How many times the worker opened a file, or tried to (again after a change).
  int openAttempts() const { return loader_.openAttempts(); }
  // Whether the file did not open: its icon and name show instead.
  bool hasFailed() const { return failed_; }
  MissingFileView& failure() const { return *failure_; }

  PdfPager& pager() const { return *pager_; }
  // 0 … 1: how far the pager has come in.
  double pagerPresence() const { return presence_.value(); }
  bool hasPager() const { return presence_.target() > 0.5; }

  static double cornerRadius(bool compact) { return compact ? 10 : 12; }
  static double pagerBottomDistance(bool compact) { return compact ? 10 : 14; }

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool isLocalFile() const;
  void requestPage();
  void retryLater();
  void pageArrived(const PdfPageLoader::Page& page);
  void goTo(int index);
  void updatePager();
  void placePager();
  QImage pagerBackdrop() const;
  QSize wantedPixels() const;

  PdfPageLoader loader_;
  Props props_;
  bool hasProps_ = false;
  bool failed_ = false;
  int opens_ = 0;
  int pageIndex_ = 0;
  int pageCount_ = 0;
  QImage image_;
  QSize requestedPixels_;
  double pixelRatio_ = 0;  // of the device painted on last; 0 before the first paint
  PdfPager* pager_;
  MissingFileView* failure_;
  WorkItem retry_;
  Animated<double> presence_;
};

}  // namespace qv
