// The capture: turns the copy a tick accepted into history items, in a fixed reading order in
// which the first kind of content found decides the whole copy.
#include "base/Graphemes.h"
#include "base/Log.h"
#include "base/Uuid.h"
#include "items/capture/ClipboardMonitor.h"
#include "items/classify/ContentClassifier.h"
#include "items/classify/FileInfo.h"
#include "items/rules/AppRulesManager.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/RichTextStore.h"
#include "platform/ImageDecoder.h"
#include "platform/Paths.h"
#include "platform/SerialQueue.h"
#include "platform/SettingsStore.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>

namespace qv {

namespace {

constexpr std::array<const char*, 12> kImageFileExtensions = {"jpg",  "jpeg", "png", "gif",  "heic", "heif",
                                                              "tiff", "tif",  "bmp", "webp", "ico",  "avif"};

bool isImageFileExtension(const QString& lowerExtension) {
  return std::any_of(kImageFileExtensions.begin(), kImageFileExtensions.end(),
                     [&](const char* extension) { return lowerExtension == QLatin1String(extension); });
}

ImagePayload imagePayload(const QImage& image, QString filename, QString fileSize) {
  const QSizeF points = image.deviceIndependentSize();
  return ImagePayload{image, std::move(filename), qint64(points.width()), qint64(points.height()), std::move(fileSize)};
}

}  // namespace

const QString& ClipboardMonitor::truncationSuffix() {
  static const QString suffix = QStringLiteral("\n\n\u2026 [truncated by Quorvalen]");
  return suffix;
}

QString ClipboardMonitor::truncatedText(const QString& text) {
  // Fewer code units than the limit means fewer graphemes too; only long texts are counted, and
  // only up to the limit: counting all of a 100 MB text took most of a second.
  if (text.size() <= kMaximumTextLength) return text;
  QString prefix = graphemePrefix(text, kMaximumTextLength);
  if (prefix.size() == text.size()) return text;
  return prefix + truncationSuffix();
}

ColorPayload ClipboardMonitor::colorPayload(const QColor& color) {
  // Wide-gamut colours can reach past 0…1; a stored component is always a byte.
  const auto component = [](float value) { return int(std::clamp(std::lround(double(value) * 255.0), 0L, 255L)); };
  const int r = component(color.redF()), g = component(color.greenF()), b = component(color.blueF());
  return ColorPayload{QString::asprintf("#%02X%02X%02X", r, g, b), r, g, b};
}

void ClipboardMonitor::captureCurrentPasteboard() {
  debounceWork_ = {};
  const PasteboardChange change = pasteboard_->currentChange();
  std::optional<PasteboardContent> content = std::exchange(pendingContent_, std::nullopt);
  if (!content) content = pasteboard_->read();

  std::optional<QString> noted = std::exchange(pendingSource_, std::nullopt);
  const bool concealed = std::exchange(pendingIsConcealed_, false);
  const bool keepOnClipboard = std::exchange(keepAfterCapture_, false);

  // The clipboard moved on since the change was looked at (a newer copy, or our own write): that
  // change gets its own look at the markers and its own capture. Its owner quitting since is no
  // move: the content was read while it was there.
  const bool onlyOwnerLeft = change.ownerGone && change.count == content->changeCount + 1;
  if (!content->complete) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded: its owner did not answer in time";
    return;
  }
  if ((content->changeCount != change.count && !onlyOwnerLeft) || change.ownWrite) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded: the clipboard changed again before its capture";
    return;
  }

  Run run;
  run.source = noted ? *noted : detectSource(*content, change.ownerPid);
  const AppRule rule = appRules_ ? appRules_->rule(run.source) : AppRule::normal;
  run.blurred = concealed || rule == AppRule::blur;
  if (rule == AppRule::never) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded: the rule for" << run.source << "is never";
    return;
  }
  if (run.source == QLatin1String(kNearbyDeviceBundleID) &&
      !settings_->boolOr(QLatin1String(kCaptureNearbyDevicesKey), true)) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded: copies from nearby devices are switched off";
    return;
  }
  run.capturedAt = scheduler_->now().toUTC();

  // Copied files. The first file is handed over last so that it ends up newest.
  const QList<QUrl> files = content->fileUrls();
  if (!files.isEmpty()) {
    for (auto url = files.crbegin(); url != files.crend(); ++url) handleFileUrl(*url, *content, run);
    return;
  }

  // Several images (a picture with only its address as text still counts).
  if (!hasNonLinkText(*content)) {
    const QList<QImage> images = content->images();
    if (images.size() >= 2) {
      for (auto image = images.crbegin(); image != images.crend(); ++image) {
        if (image->width() <= 0) continue;
        deliver(ClipboardItem::make(newUuid(), run.source, run.capturedAt,
                                    imagePayload(*image, QLatin1String(kPastedImageFilename), QString())),
                run.blurred);
      }
      return;
    }
  }

  if (receivePromisedFiles(*content, run)) return;

  std::optional<ClipboardItem> item = makeItem(*content, run);
  if (!item) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded:" << unrecordableReason(*content);
    return;
  }
  deliver(*item, run.blurred);
  // A copy recorded as one plain item is what the clipboard keeps when its owner quits.
  if (!run.blurred) orphanCandidate_ = item->id;
  if (keepOnClipboard) keepOrphanedCopy();
}

QString ClipboardMonitor::unrecordableReason(const PasteboardContent& content) {
  const QList<QImage> images = content.images();
  if (!images.isEmpty() && images.first().width() <= 0)
    return QStringLiteral("its image could not be decoded (broken, or over the decoder's size limit)");
  if (const std::optional<QString> text = content.string(); text && text->isEmpty())
    return QStringLiteral("its text is empty");
  return QStringLiteral("it holds no text, image, colour or file (types: %1)").arg(content.types().join(u", "));
}

void ClipboardMonitor::deliver(const ClipboardItem& item, bool blurred) const {
  if (onNewItem_) onNewItem_(item, blurred);
}

void ClipboardMonitor::handleFileUrl(const QUrl& url, const PasteboardContent& content, const Run& run) {
  const QString path = url.toLocalFile();
  if (isImageFileExtension(QFileInfo(path).suffix().toLower())) {
    // The clipboard's own picture stands in for a file that cannot be decoded; it is read here,
    // the worker never touches the clipboard.
    QImage fallback;
    if (const QList<QImage> images = content.images(); !images.isEmpty() && images.first().width() > 0)
      fallback = images.first();
    imageDecodeQueue_->async(
        [life = std::weak_ptr<int>(life_), scheduler = scheduler_, handler = onNewItem_, url, path, fallback, run] {
          if (life.expired()) return;
          const std::optional<QImage> decoded = decodeImageFile(path);
          const QImage image = decoded && decoded->width() > 0 ? *decoded : fallback;
          if (image.isNull() || image.width() <= 0) {
            qCInfo(lcMonitor).noquote() << "Copy not recorded: the copied image file could not be decoded:" << path;
            return;
          }
          const ClipboardItem item = ClipboardItem::make(newUuid(), run.source, run.capturedAt,
                                                         imagePayload(image, url.fileName(), FileInfo::sizeText(url)));
          // Once decoded, the item is recorded even if the monitor goes away before it lands.
          scheduler->post([handler, item, blurred = run.blurred] {
            if (handler) handler(item, blurred);
          });
        });
    return;
  }
  QString name = lastPathComponent(url);
  if (name.isEmpty()) name = absoluteString(url);
  const QUuid id = newUuid();
  fileBookmarkStore_->save(url, uuidString(id));
  deliver(ClipboardItem::make(id, run.source, run.capturedAt, FilePayload{name, QString(), Url::fromQUrl(url)}),
          run.blurred);
}

bool ClipboardMonitor::receivePromisedFiles(const PasteboardContent& content, const Run& run) {
  QList<FilePromise> promises;
  for (const FilePromise& promise : content.promises)
    if (promise.receive) promises.append(promise);
  if (promises.isEmpty()) return false;
  const QString folder = paths_->temp() + u'/' + QLatin1String(kPromisesFolderName) + u'/' + newUuidString();
  if (!ensurePrivateFolder(folder)) return false;

  for (const FilePromise& promise : promises) {
    // Files arrive on whatever thread the promise writes them; each is recorded on the main thread.
    promise.receive(folder, [life = std::weak_ptr<int>(life_), scheduler = scheduler_, handler = onNewItem_,
                             bookmarks = fileBookmarkStore_, run](const QString& path, const QString& error) {
      if (!error.isEmpty() || path.isEmpty()) {
        qCInfo(lcMonitor).noquote() << "Promised file not recorded:"
                                    << (error.isEmpty() ? QStringLiteral("no file") : error);
        return;
      }
      scheduler->post(
          [handler, bookmarks, run, path] {
            const QUrl url = QUrl::fromLocalFile(path);
            const QUuid id = newUuid();
            bookmarks->save(url, uuidString(id));
            const ClipboardItem item = ClipboardItem::make(
                id, run.source, run.capturedAt, FilePayload{url.fileName(), QString(), Url::fromLocalFile(path)});
            if (handler) handler(item, run.blurred);
          },
          Guard(life));
    });
  }
  return true;
}

bool ClipboardMonitor::hasNonLinkText(const PasteboardContent& content) const {
  const std::optional<QString> text = content.string();
  if (!text) return false;
  const QString trimmed = trimmedText(*text);
  return !trimmed.isEmpty() && !ContentClassifier::linkPayload(trimmed);
}

std::optional<ClipboardItem> ClipboardMonitor::makeItem(const PasteboardContent& content, const Run& run) const {
  const auto item = [&run](ClipboardPayload payload, QUuid id = newUuid()) {
    return ClipboardItem::make(id, run.source, run.capturedAt, std::move(payload));
  };

  if (!hasNonLinkText(content)) {
    const QList<QImage> images = content.images();
    if (!images.isEmpty() && images.first().width() > 0)
      return item(imagePayload(images.first(), QLatin1String(kPastedImageFilename), QString()));
  }

  if (const std::optional<QColor> color = content.color(); color && color->isValid()) return item(colorPayload(*color));

  const std::optional<QString> string = content.string();
  if (!string || string->isEmpty()) return std::nullopt;
  // Cut before anything looks at it: classification of a huge text is wasted work.
  const QString text = truncatedText(*string);
  const QString trimmed = trimmedText(text);

  if (std::optional<LinkPayload> link = ContentClassifier::linkPayload(trimmed)) return item(std::move(*link));
  if (std::optional<ColorPayload> color = ContentClassifier::color(trimmed)) return item(std::move(*color));
  if (ContentClassifier::looksLikeCode(trimmed))
    return item(CodePayload{trimmed, ContentClassifier::detectLanguage(trimmed)});

  // The rich form is kept beside the text under the item's own id.
  const QUuid id = newUuid();
  richTextStore_->capture(
      [&content](const QString& mimeType) -> std::optional<QByteArray> {
        for (const PasteboardItem& pasteboardItem : content.items)
          if (pasteboardItem.types.contains(mimeType)) return pasteboardItem.value(mimeType);
        return std::nullopt;
      },
      uuidString(id));
  return item(TextPayload{text}, id);
}

}  // namespace qv
