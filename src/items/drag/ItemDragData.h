#pragma once
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

namespace qv {

// MIME formats offered to drop targets.
inline constexpr char kMimeTextUtf8[] = "text/plain;charset=utf-8";
inline constexpr char kMimeText[] = "text/plain";
inline constexpr char kMimePng[] = "image/png";
inline constexpr char kMimeImageObject[] = "application/x-qt-image";
inline constexpr char kMimeUriList[] = "text/uri-list";

// The data of one drag out of the history: each representation is offered in the order it was
// registered. Nothing is encoded or written before a target asks: PNG data is encoded on the
// first request, and a temporary file is written into a new folder on every request for
// "text/uri-list".
class ItemDragData : public QMimeData {
  Q_OBJECT
 public:
  // Writes the file's content to the given path; false when it could not.
  using FileWriter = std::function<bool(const QString& path)>;

  // Temporary files are written under `tempDir`.
  explicit ItemDragData(QString tempDir);

  void registerText(const QString& text);         // text/plain;charset=utf-8 and text/plain
  void registerPngData(const QImage& image);      // image/png
  void registerImageObject(const QImage& image);  // the image itself, for Qt targets
  void registerFile(const QUrl& fileUrl);         // text/uri-list naming an existing file
  // text/uri-list naming a file written on request: "<suggested name>.<extension>" in a new
  // drag folder. Replaces any earlier file representation.
  void registerTemporaryFile(const QString& extension, FileWriter write);

  void setSuggestedName(const QString& name) { suggestedName_ = name; }
  const QString& suggestedName() const { return suggestedName_; }

  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  QByteArray pngBytes() const;
  QByteArray uriList() const;

  QString tempDir_;
  QString suggestedName_;
  QStringList formats_;
  std::optional<QString> text_;
  std::optional<QImage> pngSource_;
  mutable std::optional<QByteArray> png_;
  std::optional<QImage> imageObject_;
  std::optional<QUrl> file_;
  QString temporaryExtension_;
  FileWriter temporaryWriter_;
};

}  // namespace qv
