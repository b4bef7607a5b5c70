#pragma once
#include "ui/controls/TextViewers.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <memory>
#include <optional>

namespace qv {

struct ViewServices;
class ProgressSpinner;

// The preview of a plain-text or source file: its first 512 KB as text, read and decoded on a
// worker, shown highlighted under its language's label or as plain text (long texts arrive in
// pieces). A spinner shows while it is read; a file that cannot be read (or is empty) shows its
// icon and name instead. Another file starts over, and an answer for an earlier file is
// dropped. The statics say which files it takes (the preview's content switch and the sizing
// rules ask them), how they are labelled and how they are read.
class TextFilePreview : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QUrl url;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    // Whether text is hidden above or below, from the viewer.
    QVTextViewer::EdgesChange onEdgesChange;
  };
  enum class Shown { loading, code, text, failed };

  static constexpr char kQueueName[] = "textFileReading";
  static constexpr double kIconSize = 56;
  static constexpr double kSpacing = 10;
  static constexpr double kNameInset = 20;
  static constexpr double kTextInsetWidth = 14;
  static constexpr double kTextInsetHeight = 12;

  explicit TextFilePreview(ViewServices& context, QWidget* parent = nullptr);
  ~TextFilePreview() override;

  // The callbacks are replaced on every call and read when the viewer reports.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  Shown shown() const;
  const std::optional<QString>& contents() const { return contents_; }
  // The label of the file's extension ("" for plain text).
  QString language() const;
  // The viewer in use (null until the text is there, and for the other kind).
  QVCodeViewer* codeViewer() const { return codeViewer_; }
  QVTextViewer* textViewer() const { return textViewer_; }
  ProgressSpinner& spinner() const { return *spinner_; }
  // Where the failed state draws the icon and the name.
  QRectF iconRect() const;
  QRectF nameRect() const;
  QStringList nameLines() const;

  AccessibilityInfo accessibility() const override;

  // The 39 lower-cased extensions that count as text when the name gives no type.
  static const QStringList& textExtensions();

  // The language label of a lower-cased extension ("py" → "Python"); "" for plain text.
  static QString languageLabel(const QString& extension);

  // Whether the file is previewed as text, by its name alone (nothing is read): the name's MIME
  // type when it has one (RTF and images never, even where they inherit text; then plain text,
  // JSON and XML and what inherits them), else (no type, or the generic binary type, as for a
  // ".swift" file) whether its extension is in `textExtensions`.
  static bool canPreview(const QUrl& url);

  // How much of a file is read (512 KB).
  static constexpr qint64 kReadLimit = 524288;

  // The first 512 KB of the regular file at `url` as text, with the truncation note when the
  // file is longer. None when it is not a regular file (a FIFO or device is never opened for
  // reading: it would block the worker), cannot be read, or is empty. Safe on any thread.
  static std::optional<QString> load(const QUrl& url);

  // The text of `bytes`, the start of a file of `fileSize` bytes (negative: unknown): UTF-16
  // when it starts with a byte-order mark, UTF-8 when it is valid (a character cut by the read
  // limit is dropped first), UTF-16 when every other byte is NUL, else ISO Latin-1, which takes
  // every byte. None for no bytes.
  static std::optional<QString> decode(const QByteArray& bytes, qint64 fileSize);

  // "\n\n… truncated — showing the first 512 KB of <size / 1024> KB".
  static QString truncationNote(qint64 fileSize);

 protected:
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void startLoading();
  void loaded(std::optional<QString> text);
  void showContents();
  void placeChildren();
  QString fileName() const;

  ViewServices& services_;
  Props props_;
  bool hasProps_ = false;
  Callbacks callbacks_;
  std::optional<QString> contents_;
  bool failed_ = false;
  TextBlock name_;
  QVCodeViewer* codeViewer_ = nullptr;
  QVTextViewer* textViewer_ = nullptr;
  ProgressSpinner* spinner_;
  std::shared_ptr<std::atomic<quint64>> latest_ = std::make_shared<std::atomic<quint64>>(0);
};

}  // namespace qv
