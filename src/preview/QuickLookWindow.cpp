#include "preview/QuickLookWindow.h"

#include "base/ByteCountText.h"
#include "base/Log.h"
#include "base/NativePath.h"
#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "platform/RegularFile.h"
#include "platform/SerialQueue.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

namespace qv {

namespace {

constexpr double kNameFontSize = 15;
constexpr int kNameLineLimit = 3;
constexpr double kDetailFontSize = 12;
constexpr double kIconGap = 14;
constexpr double kDetailGap = 6;

QFont detailFont() { return systemFont(kDetailFontSize); }

QString fileNameOf(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return shownPath(name.isEmpty() ? path : name);
}

}  // namespace

// ---- QuickLookView -------------------------------------------------------------------------

QuickLookView::QuickLookView(ViewServices& services, QWidget* parent)
    : PaintedWidget(services, parent),
      services_(services),
      spinner_(new ProgressSpinner(services, this)),
      icon_(FileIcons::shared(services)) {
  setHoverEnabled(false);
  TextStyle style{systemFont(kNameFontSize, QFont::DemiBold)};
  style.lineLimit = kNameLineLimit;
  style.alignment = Qt::AlignHCenter;
  name_.setStyle(style);
  placeSpinner();
}

QuickLookView::~QuickLookView() = default;

void QuickLookView::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  props_ = props;
  hasProps_ = true;
  start();
}

QuickLookView::Look QuickLookView::lookAt(const QString& path, int largestPicture) {
  Look look;
  look.name = fileNameOf(path);
  const QMimeDatabase types;
  // Through the path's own bytes: QFileInfo would not find a name that is not UTF-8.
  const PathKind kind = pathKind(path);
  if (kind == PathKind::folder) {
    look.isDirectory = true;
    look.typeText = types.mimeTypeForName(QStringLiteral("inode/directory")).comment();
  } else if (kind == PathKind::file) {
    look.sizeText = byteCountText(PanelState::fileSizeOnDisk(path).value_or(0));
    look.typeText = mimeTypeOfFile(path).comment();
    look.picture = ThumbnailCache::scaledImageOfFile(path, largestPicture);
  } else {
    // Gone: what its name says it was.
    look.typeText = types.mimeTypeForFile(path, QMimeDatabase::MatchExtension).comment();
  }
  return look;
}

void QuickLookView::start() {
  const quint64 generation = ++generation_;
  thumbnailRequest_.cancel();
  picture_ = QImage();
  scaled_ = QImage();
  look_ = Look{fileNameOf(props_.path), {}, {}, false, std::nullopt};
  name_.setText(look_.name);
  setShown(Shown::pending);
  std::weak_ptr<int> life = life_;
  auto scheduler = services_.scheduler;
  services_.queue(QLatin1String(kQueueName))->async([this, path = props_.path, generation, life, scheduler] {
    Look look = lookAt(path);
    scheduler->post([this, generation, look = std::move(look)]() mutable { looked(generation, std::move(look)); },
                    Guard(life));
  });
}

void QuickLookView::looked(quint64 generation, Look look) {
  if (generation != generation_) return;
  look_ = std::move(look);
  name_.setText(look_.name);
  icon_.setProps({look_.name, look_.isDirectory});
  if (look_.picture && !look_.picture->isNull()) {
    picture_ = std::move(*look_.picture);
    look_.picture.reset();
    setShown(Shown::picture);
    return;
  }
  if (!services_.thumbnailService) {
    setShown(Shown::details);
    return;
  }
  thumbnailRequest_ = services_.thumbnailService->request(
      props_.path, QSize(kThumbnailPixels, kThumbnailPixels),
      [this, generation](std::optional<QImage> thumbnail) { thumbnailAnswered(generation, std::move(thumbnail)); });
}

void QuickLookView::thumbnailAnswered(quint64 generation, std::optional<QImage> thumbnail) {
  if (generation != generation_) return;
  if (thumbnail && !thumbnail->isNull()) {
    picture_ = std::move(*thumbnail);
    setShown(Shown::thumbnail);
  } else {
    setShown(Shown::details);
  }
}

void QuickLookView::setShown(Shown shown) {
  spinner_->setVisible(shown == Shown::pending);
  const bool changed = shown != shown_;
  shown_ = shown;
  update();
  if (changed || shown != Shown::pending) Q_EMIT shownChanged();
}

QRectF QuickLookView::pictureRect() const {
  if (picture_.isNull()) return {};
  const QRectF content = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
  if (content.isEmpty()) return {};
  // Never larger than one picture pixel per device pixel.
  const QSizeF natural = QSizeF(picture_.size()) / std::max(1.0, devicePixelRatioF());
  QSizeF size = natural;
  if (size.width() > content.width() || size.height() > content.height())
    size = natural.scaled(content.size(), Qt::KeepAspectRatio);
  return {content.center().x() - size.width() / 2, content.center().y() - size.height() / 2, size.width(),
          size.height()};
}

void QuickLookView::placeSpinner() {
  const QSize size = spinner_->sizeHint();
  spinner_->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void QuickLookView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeSpinner();
}

AccessibilityInfo QuickLookView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.name = look_.name;
  info.description = look_.typeText;
  return info;
}

void QuickLookView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QRectF bounds(rect());
  painter.fillRect(bounds, env.isDark() ? QColor(30, 30, 34) : QColor(246, 246, 248));
  switch (shown_) {
    case Shown::pending: break;
    case Shown::picture:
    case Shown::thumbnail: {
      const QRectF target = pictureRect();
      if (target.isEmpty()) break;
      const double scale = Fx::painterScale(painter);
      const QSize pixels(std::max(1, int(std::lround(target.width() * scale))),
                         std::max(1, int(std::lround(target.height() * scale))));
      // Scaled once per size, not at every repaint.
      if (scaled_.size() != pixels) {
        scaled_ = picture_.size() == pixels ? picture_
                                            : picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(scale);
      }
      painter.drawImage(QPointF(std::round(target.x() * scale) / scale, std::round(target.y() * scale) / scale),
                        scaled_);
      break;
    }
    case Shown::details: {
      const double textWidth = std::max(0.0, bounds.width() - 2 * kMargin);
      const QString detail = look_.sizeText.isEmpty()
                                 ? look_.typeText
                                 : (look_.typeText.isEmpty()
                                        ? look_.sizeText
                                        : look_.typeText + QStringLiteral(" \u2014 ") + look_.sizeText);
      const QFontMetricsF detailMetrics(detailFont());
      const double nameHeight = name_.size(textWidth).height();
      const double stack = kIconSide + kIconGap + nameHeight +
                           (detail.isEmpty() ? 0 : kDetailGap + detailMetrics.height());
      double y = bounds.center().y() - stack / 2;
      const QRectF icon(bounds.center().x() - kIconSide / 2, y, kIconSide, kIconSide);
      icon_.paint(painter, icon);
      y = icon.bottom() + kIconGap;
      name_.draw(painter, QPointF(kMargin, y), textWidth, primaryColor(env, 0.85));
      y += nameHeight + kDetailGap;
      if (!detail.isEmpty()) {
        painter.setFont(detailFont());
        painter.setPen(primaryColor(env, 0.55));
        painter.drawText(QRectF(kMargin, y, textWidth, detailMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         detailMetrics.elidedText(detail, Qt::ElideMiddle, textWidth));
      }
      break;
    }
  }
}

// ---- QuickLookWindow -----------------------------------------------------------------------

// The top-level window: Space and Escape close it; closing only hides it.
class QuickLookWindow::Frame : public QWidget {
 public:
  explicit Frame(QuickLookWindow& owner) : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), owner_(owner) {
    setObjectName(QStringLiteral("QuickLookWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Escape) {
      event->accept();
      close();
      return;
    }
    QWidget::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    QWidget::closeEvent(event);
    owner_.windowClosed();
  }

 private:
  QuickLookWindow& owner_;
};

QuickLookWindow::QuickLookWindow(ViewServices& services, QObject* parent) : QObject(parent), services_(services) {}

QuickLookWindow::~QuickLookWindow() { delete window_.data(); }

void QuickLookWindow::ensureWindow() {
  if (window_) return;
  auto* frame = new Frame(*this);
  frame->resize(kInitialSize);
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new QuickLookView(services_, frame);
  layout->addWidget(view_);
  connect(view_, &QuickLookView::shownChanged, this, &QuickLookWindow::shownChanged);
  window_ = frame;
}

void QuickLookWindow::setDataSource(std::shared_ptr<QuickLookDataSource> source) { source_ = std::move(source); }

void QuickLookWindow::reloadData() {
  ensureWindow();
  const std::optional<QUrl> item = source_ && source_->numberOfPreviewItems() > 0 ? source_->previewItemAt(0)
                                                                                  : std::nullopt;
  const QString path = item ? (item->isLocalFile() ? localFilePath(*item) : item->toString()) : QString();
  window_->setWindowTitle(path.isEmpty() ? QStringLiteral("Quick Look") : fileNameOf(path));
  view_->setProps({path});
  qCInfo(lcUi).noquote() << "Quick Look shows" << (path.isEmpty() ? QStringLiteral("nothing") : fileNameOf(path));
}

void QuickLookWindow::makeKeyAndOrderFront() {
  ensureWindow();
  if (!placed_) {
    // Centred on the screen under the pointer the first time; where the user leaves it after.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
      const QRect area = screen->availableGeometry();
      const QSize size = kInitialSize.boundedTo(area.size());
      window_->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    }
    placed_ = true;
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

bool QuickLookWindow::isVisible() const { return window_ && window_->isVisible(); }

void QuickLookWindow::close() {
  if (window_ && window_->isVisible()) window_->close();
}

bool QuickLookWindow::ownsWindow(const QWindow* window) const {
  return window && window_ && window_->windowHandle() == window;
}

void QuickLookWindow::windowClosed() {
  qCInfo(lcUi) << "Quick Look closed";
  if (closed_) closed_();
  Q_EMIT closed();
}

}  // namespace qv
