#pragma once
#include "cards/content/FileIconView.h"
#include "platform/QuickLook.h"
#include "platform/ThumbnailService.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

namespace qv {

struct ViewServices;
class ProgressSpinner;

// The content of the Quick Look window: a picture file itself (read on a worker, never at full
// size), else the file's largest thumbnail, else its icon, name, size and type. A spinner shows
// until one of them is known. Another file starts again from the spinner and never shows the
// first file's picture.
class QuickLookView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString path;
    bool operator==(const Props&) const = default;
  };
  enum class Shown { pending, picture, thumbnail, details };
  // What the worker learns of the file.
  struct Look {
    QString name;
    QString sizeText;  // empty for a folder or a missing file
    QString typeText;
    bool isDirectory = false;
    std::optional<QImage> picture;
  };

  static constexpr double kMargin = 24;
  static constexpr double kIconSide = 128;
  // The picture's longer side is read at most this large (pixels).
  static constexpr int kLargestPicture = 2048;
  // The thumbnail asked for: the largest the shared cache keeps.
  static constexpr int kThumbnailPixels = 1024;
  static constexpr char kQueueName[] = "quickLook";

  explicit QuickLookView(ViewServices& services, QWidget* parent = nullptr);
  ~QuickLookView() override;

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  Shown shown() const { return shown_; }
  const Look& look() const { return look_; }
  // The picture or thumbnail shown (null otherwise) and where it is drawn.
  const QImage& picture() const { return picture_; }
  QRectF pictureRect() const;
  ProgressSpinner& spinner() const { return *spinner_; }

  // The worker's look at a file: its name, size and type, and its picture when it is one.
  static Look lookAt(const QString& path, int largestPicture = kLargestPicture);

  AccessibilityInfo accessibility() const override;

 Q_SIGNALS:
  void shownChanged();

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void start();
  void looked(quint64 generation, Look look);
  void thumbnailAnswered(quint64 generation, std::optional<QImage> thumbnail);
  void setShown(Shown shown);
  void placeSpinner();

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  quint64 generation_ = 0;
  Shown shown_ = Shown::pending;
  Look look_;
  QImage picture_;
  QImage scaled_;  // the picture at the size it was last drawn
  ThumbnailRequest thumbnailRequest_;
  ProgressSpinner* spinner_;
  TextBlock name_;
  FileIconView icon_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

// The program's Quick Look window (QuickLook): one top-level window made on first use, showing
// the first item of its data source. Space and Escape close it. It stays above the edge panel,
// and the panel treats it as its own.
class QuickLookWindow : public QObject, public QuickLook {
  Q_OBJECT
 public:
  static constexpr QSize kInitialSize{760, 560};

  explicit QuickLookWindow(ViewServices& services, QObject* parent = nullptr);
  ~QuickLookWindow() override;

  void setDataSource(std::shared_ptr<QuickLookDataSource> source) override;
  void reloadData() override;
  void makeKeyAndOrderFront() override;
  bool isVisible() const override;
  void close() override;
  bool ownsWindow(const QWindow* window) const override;
  void setClosedHandler(std::function<void()> closed) override { closed_ = std::move(closed); }

  // The window and its view, once made (null before the first load).
  QWidget* window() const { return window_; }
  QuickLookView* view() const { return view_; }

 Q_SIGNALS:
  // The view settled on what it shows (and on every later change of it).
  void shownChanged();
  // The window closed (after the closed handler ran).
  void closed();

 private:
  class Frame;
  void ensureWindow();
  void windowClosed();

  ViewServices& services_;
  std::shared_ptr<QuickLookDataSource> source_;
  QPointer<QWidget> window_;
  QuickLookView* view_ = nullptr;
  std::function<void()> closed_;
  bool placed_ = false;
};

}  // namespace qv
