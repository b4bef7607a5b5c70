// The capture: turns the copy a tick accepted into history items, in a fixed reading order in
// which the first kind of content found decides the whole copy.
#include "base/Graphemes.h"
#include "base/Log.h"
#include "base/NativePath.h"
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

// The history keeps pictures at 8 bits per channel: a deeper one (16-bit PNGs, HDR captures)
// would take twice the memory and disk for detail no card or paste shows.
QImage atEightBitsPerChannel(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Grayscale16: return image.convertToFormat(QImage::Format_Grayscale8);
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
      return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    default: return image;
  }
}

ImagePayload imagePayload(const QImage& image, QString filename, QString fileSize) {
  const QSizeF points = image.deviceIndependentSize();
  return ImagePayload{atEightBitsPerChannel(image), std::move(filename), qint64(points.width()),
                      qint64(points.height()), std::move(fileSize)};
}

// The cards tell a folder by the slash its address ends in, but the file managers here copy a
// folder's address without one: add it (the file system is asked on the capture queue).
QUrl withFolderSlash(const QUrl& url) {
  if (url.path().endsWith(u'/') || pathKind(localFilePath(url)) != PathKind::folder) return url;
  QUrl folder = url;
  folder.setPath(url.path(QUrl::FullyEncoded) + u'/', QUrl::TolerantMode);
  return folder;
}

bool hasPromisedFiles(const PasteboardContent& content) {
  return std::any_of(content.promises.cbegin(), content.promises.cend(),
                     [](const FilePromise& promise) { return bool(promise.receive); });
}

// Whether any item offers a picture, decoded or not (content.images() would not be empty).
bool hasImageData(const PasteboardContent& content) {
  return std::any_of(content.items.cbegin(), content.items.cend(), [](const PasteboardItem& item) {
    if (!item.image.isNull()) return true;
    return std::any_of(item.types.cbegin(), item.types.cend(), [&item](const QString& type) {
      return pasteboard::isImageType(type) && item.data.contains(type);
    });
  });
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

QString ClipboardMonitor::truncatedText(const QByteArray& utf8Body) {
  qsizetype size = utf8Body.size();
  while (size > 0 && utf8Body.at(size - 1) == '\0') --size;
  // Decoding all of a 100 MB text costs most of a second; a window that grows until it holds
  // the graphemes kept is decoded instead. It is cut where a character starts, and its prefix
  // counts only when it ends a few characters before the window does: only the last sequence
  // of the window can decode differently from the whole, and a boundary depends only on what
  // comes before it and the character at it.
  constexpr qsizetype kMargin = 8;
  for (qsizetype window = 4 * kMaximumTextLength;; window *= 2) {
    if (window >= size) return truncatedText(QString::fromUtf8(utf8Body.constData(), size));
    qsizetype cut = window;
    while (cut > 0 && (uchar(utf8Body.at(cut)) & 0xC0) == 0x80) --cut;
    const QString part = QString::fromUtf8(utf8Body.constData(), cut);
    const QString prefix = graphemePrefix(part, kMaximumTextLength);
    if (prefix.size() <= part.size() - kMargin) return prefix + truncationSuffix();
  }
}

ColorPayload ClipboardMonitor::colorPayload(const QColor& color) {
  // Wide-gamut colours can reach past 0…1; a stored component is always a byte.
  const auto component = [](float value) { return int(std::clamp(std::lround(double(value) * 255.0), 0L, 255L)); };
  const int r = component(color.redF()), g = component(color.greenF()), b = component(color.blueF());
  return ColorPayload{QString::asprintf("#%02X%02X%02X", r, g, b), r, g, b};
}

void ClipboardMonitor::captureCurrentPasteboard() {
  PasteboardChange asOf = pasteboard_->currentChange();
  // A change announced but not looked at yet (the main thread was busy) that came after this
  // capture was due does not replace it: had the capture run on time, it would have been first.
  if (pending_ && pendingChange_ && asOf.count != pendingChange_->count && pasteboard_->announcesChanges()) {
    const QList<PasteboardChange> newer = pasteboard_->changesSince(pendingChange_->count);
    if (!newer.isEmpty() && scheduler_->uptime() - newer.first().age >= captureDueAt_) asOf = *pendingChange_;
  }
  captureAsOf(asOf);
}

void ClipboardMonitor::captureAsOf(const PasteboardChange& change) {
  // Run by hand, it takes the place of the pending one.
  debounceWork_.cancel();
  debounceWork_ = {};
  std::shared_ptr<PendingCapture> capture = std::exchange(pending_, nullptr);
  const double late = capture ? scheduler_->uptime() - captureDueAt_ : 0;
  if (!capture) {
    // Run by hand with no accepted change: what the clipboard holds now, analysed here.
    PasteboardContent content = pasteboard_->read();
    const QString source = detectSource(content, change.ownerPid);
    capture = std::make_shared<PendingCapture>(std::move(content), source, false, readGeneration_);
    capture->analysis = analyse(capture->content, capture->source);
  }
  const PasteboardContent& content = capture->content;
  const bool keepOnClipboard = std::exchange(keepAfterCapture_, false);

  // The clipboard moved on since the change was looked at (a newer copy, or our own write): that
  // change gets its own look at the markers and its own capture. Its owner quitting since is no
  // move: the content was read while it was there.
  const bool onlyOwnerLeft = change.ownerGone && change.count == content.changeCount + 1;
  const auto drop = [&capture](const char* reason) {
    capture->dropped = true;
    qCInfo(lcMonitor).noquote() << "Copy not recorded:" << reason;
  };
  if (!content.complete) return drop("its owner did not answer in time");
  if ((content.changeCount != change.count && !onlyOwnerLeft) || change.ownWrite)
    return drop("the clipboard changed again before its capture");

  Run run;
  run.source = capture->source;
  const AppRule rule = appRules_ ? appRules_->rule(run.source) : AppRule::normal;
  run.blurred = capture->concealed || rule == AppRule::blur;
  if (rule == AppRule::never) {
    capture->dropped = true;
    qCInfo(lcMonitor).noquote() << "Copy not recorded: the rule for" << run.source << "is never";
    return;
  }
  if (run.source == QLatin1String(kNearbyDeviceBundleID) &&
      !settings_->boolOr(QLatin1String(kCaptureNearbyDevicesKey), true))
    return drop("copies from nearby devices are switched off");
  // A capture that runs late (the main thread was busy) is dated when it was due.
  run.capturedAt = scheduler_->now().toUTC().addMSecs(-std::llround(std::max(0.0, late) * 1000));
  capture->run = std::move(run);
  capture->keepOnClipboard = keepOnClipboard;
  // What only a recorded copy may write (a rich form) is written once both the capture and the
  // analysis are done: by the analysis when the capture ran first, else now, behind it.
  bool keepsRichText = false;
  {
    std::lock_guard lock(capture->lock);
    capture->ran = true;
    keepsRichText = capture->analysis && capture->analysis->keepsRichText;
  }
  if (keepsRichText) {
    captureQueue_->async(
        [capture, store = richTextStore_, scheduler = scheduler_, life = std::weak_ptr<int>(life_), this] {
          writeSideFiles(*capture, *store);
          scheduler->post([this] { finishReadyCaptures(); }, Guard(life));
        });
  }
  awaiting_.push_back(std::move(capture));
  finishReadyCaptures();
}

void ClipboardMonitor::finishReadyCaptures() {
  while (!awaiting_.empty()) {
    PendingCapture& capture = *awaiting_.front();
    std::optional<Analysis> analysis;
    {
      std::lock_guard lock(capture.lock);
      // A text whose rich form is kept waits until it is written.
      if (!capture.analysis || (capture.analysis->keepsRichText && !capture.sideFilesDone)) return;
      analysis = std::exchange(capture.analysis, std::nullopt);
    }
    const std::shared_ptr<PendingCapture> done = std::move(awaiting_.front());
    awaiting_.pop_front();
    finishCapture(*done, std::move(*analysis));
  }
}

void ClipboardMonitor::finishCapture(PendingCapture& capture, Analysis analysis) {
  const Run& run = *capture.run;
  for (ClipboardItem& item : analysis.items) item.capturedAt = run.capturedAt;

  // Copied files: those that are no pictures at once, the pictures once decoded.
  if (analysis.kind == Analysis::Kind::files) {
    if (!analysis.items.isEmpty()) {
      deliver(analysis.items, run.blurred);
      bookmarkQueue_->async([bookmarks = fileBookmarkStore_, items = std::move(analysis.items)] {
        QList<FileBookmarkStore::StoredFile> files;
        files.reserve(items.size());
        for (const ClipboardItem& item : items)
          if (const auto* file = fieldsIf<FilePayload>(&item.payload); file && file->url)
            files.append({item.idString(), file->url->qurl()});
        bookmarks->saveAll(files);
      });
    }
    for (const QUrl& url : std::as_const(analysis.imageFiles)) queueImageFileDecode(url, analysis.fallbackImage, run);
    return;
  }
  if (analysis.kind == Analysis::Kind::images) {
    if (!analysis.items.isEmpty()) deliver(analysis.items, run.blurred);
    return;
  }

  if (receivePromisedFiles(capture.content, run)) return;

  if (!analysis.single) {
    qCInfo(lcMonitor).noquote() << "Copy not recorded:" << analysis.unrecordableReason;
    return;
  }
  ClipboardItem& item = *analysis.single;
  item.capturedAt = run.capturedAt;
  // Promised files were offered but could not be received: the text's rich form was not written.
  bool richTextStored = false;
  {
    std::lock_guard lock(capture.lock);
    richTextStored = capture.richTextStored;
  }
  if (analysis.keepsRichText && !richTextStored) storeRichText(*richTextStore_, capture.content, item.idString());
  deliver({item}, run.blurred);
  // A copy recorded as one plain item is what the clipboard keeps when its owner quits, as long
  // as no newer change came meanwhile.
  if (capture.generation != readGeneration_) return;
  if (!run.blurred) orphanCandidate_ = item.id;
  if (capture.keepOnClipboard) keepOrphanedCopy();
}

void ClipboardMonitor::writeSideFiles(PendingCapture& capture, RichTextStore& store) {
  std::optional<QString> id;
  {
    std::lock_guard lock(capture.lock);
    if (capture.analysis && capture.analysis->keepsRichText && !hasPromisedFiles(capture.content))
      id = capture.analysis->single->idString();
  }
  if (id) storeRichText(store, capture.content, *id);
  std::lock_guard lock(capture.lock);
  capture.richTextStored = id.has_value();
  capture.sideFilesDone = true;
}

void ClipboardMonitor::storeRichText(RichTextStore& store, const PasteboardContent& content, const QString& id) {
  store.capture(
      [&content](const QString& mimeType) -> std::optional<QByteArray> {
        for (const PasteboardItem& pasteboardItem : content.items)
          if (pasteboardItem.types.contains(mimeType)) return pasteboardItem.value(mimeType);
        return std::nullopt;
      },
      id);
}

ClipboardMonitor::Analysis ClipboardMonitor::analyse(const PasteboardContent& content, const QString& source) {
  Analysis analysis;
  const auto item = [&source](ClipboardPayload payload, QUuid id = newUuid()) {
    return ClipboardItem::make(id, source, QDateTime(), std::move(payload));
  };

  // Copied files decide the copy whatever else it holds.
  const QList<QUrl> files = content.fileUrls();
  if (!files.isEmpty()) {
    analysis.kind = Analysis::Kind::files;
    analysis.items.reserve(files.size());
    for (auto url = files.crbegin(); url != files.crend(); ++url) {
      const QString path = url->toLocalFile();
      if (isImageFileExtension(QFileInfo(path).suffix().toLower())) {
        analysis.imageFiles.append(*url);
        continue;
      }
      QString name = lastPathComponent(*url);
      if (name.isEmpty()) name = absoluteString(*url);
      analysis.items.append(item(FilePayload{name, QString(), Url::fromQUrl(withFolderSlash(*url))}));
    }
    // The clipboard's own picture stands in for a file that cannot be decoded.
    if (!analysis.imageFiles.isEmpty()) {
      if (const QList<QImage> images = content.images(); !images.isEmpty() && images.first().width() > 0)
        analysis.fallbackImage = images.first();
    }
    return analysis;
  }

  // Several images (a picture with only its address as text still counts). Each is decoded
  // once, here (the clipboard reader leaves them encoded), not again at each look below.
  if (hasImageData(content) && !hasNonLinkText(content)) {
    PasteboardContent decoded = content;
    for (PasteboardItem& pasteboardItem : decoded.items)
      if (pasteboardItem.image.isNull())
        if (const QList<QImage> images = PasteboardContent{0, true, {pasteboardItem}, {}}.images(); !images.isEmpty())
          pasteboardItem.image = images.first();
    const QList<QImage> images = decoded.images();
    if (images.size() >= 2) {
      analysis.kind = Analysis::Kind::images;
      for (auto image = images.crbegin(); image != images.crend(); ++image) {
        if (image->width() <= 0) continue;
        analysis.items.append(item(imagePayload(*image, QLatin1String(kPastedImageFilename), QString())));
      }
      return analysis;
    }
    analysis.single = makeItem(decoded, source, analysis.keepsRichText);
    if (!analysis.single) analysis.unrecordableReason = unrecordableReason(decoded);
    return analysis;
  }

  // Promised files come first; the capture asks for them on the main thread.
  analysis.single = makeItem(content, source, analysis.keepsRichText);
  if (!analysis.single) analysis.unrecordableReason = unrecordableReason(content);
  return analysis;
}

QString ClipboardMonitor::unrecordableReason(const PasteboardContent& content) {
  const QList<QImage> images = content.images();
  if (!images.isEmpty() && images.first().width() <= 0)
    return QStringLiteral("its image could not be decoded (broken, or over the decoder's size limit)");
  if (const std::optional<QString> text = content.string(); text && text->isEmpty())
    return QStringLiteral("its text is empty");
  return QStringLiteral("it holds no text, image, colour or file (types: %1)").arg(content.types().join(u", "));
}

void ClipboardMonitor::deliver(const QList<ClipboardItem>& items, bool blurred) const {
  if (onNewItems_) {
    onNewItems_(items, blurred);
    return;
  }
  if (onNewItem_)
    for (const ClipboardItem& item : items) onNewItem_(item, blurred);
}

std::function<void(const QList<ClipboardItem>&, bool)> ClipboardMonitor::deliverer() const {
  return [one = onNewItem_, many = onNewItems_](const QList<ClipboardItem>& items, bool blurred) {
    if (many) {
      many(items, blurred);
      return;
    }
    if (one)
      for (const ClipboardItem& item : items) one(item, blurred);
  };
}

void ClipboardMonitor::queueImageFileDecode(const QUrl& url, const QImage& fallback, const Run& run) {
  const QString path = localFilePath(url);
  imageDecodeQueue_->async([life = std::weak_ptr<int>(life_), scheduler = scheduler_, handler = deliverer(),
                            bookmarks = fileBookmarkStore_, url, path, fallback, run] {
    if (life.expired()) return;
    const std::optional<DecodedImageFile> decoded = decodeImageFile(path);
    std::optional<ClipboardItem> item;
    if (decoded) {
      // Named with the picture's size in the file, also when a large one is kept scaled down.
      ImagePayload payload = imagePayload(decoded->image, url.fileName(), FileInfo::sizeText(url));
      payload.edit().width = decoded->fileSize.width();
      payload.edit().height = decoded->fileSize.height();
      item = ClipboardItem::make(newUuid(), run.source, run.capturedAt, std::move(payload));
    } else if (!fallback.isNull() && fallback.width() > 0) {
      item = ClipboardItem::make(newUuid(), run.source, run.capturedAt,
                                 imagePayload(fallback, url.fileName(), FileInfo::sizeText(url)));
    } else {
      // A copied file is kept whatever it holds: one whose picture cannot be read (broken, or
      // too large to read within the decoder's limit) is recorded as the file it is.
      qCInfo(lcMonitor).noquote() << "Copied image file recorded as a file: its picture could not be read:" << path;
      const QUuid id = newUuid();
      bookmarks->save(url, uuidString(id));
      QString name = lastPathComponent(url);
      if (name.isEmpty()) name = absoluteString(url);
      item = ClipboardItem::make(id, run.source, run.capturedAt, FilePayload{name, QString(), Url::fromQUrl(url)});
    }
    // Once decoded, the item is recorded even if the monitor goes away before it lands.
    scheduler->post([handler, item = std::move(*item), blurred = run.blurred] { handler({item}, blurred); });
  });
}

bool ClipboardMonitor::receivePromisedFiles(const PasteboardContent& content, const Run& run) {
  if (!hasPromisedFiles(content)) return false;
  const QString folder = paths_->temp() + u'/' + QLatin1String(kPromisesFolderName) + u'/' + newUuidString();
  if (!ensurePrivateFolder(folder)) return false;

  for (const FilePromise& promise : content.promises) {
    if (!promise.receive) continue;
    // Files arrive on whatever thread the promise writes them; each is recorded on the main thread.
    promise.receive(folder, [life = std::weak_ptr<int>(life_), scheduler = scheduler_, handler = deliverer(),
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
            handler({item}, run.blurred);
          },
          Guard(life));
    });
  }
  return true;
}

bool ClipboardMonitor::hasNonLinkText(const PasteboardContent& content) {
  const std::optional<QString> text = content.string();
  if (!text) return false;
  const QString trimmed = trimmedText(*text);
  return !trimmed.isEmpty() && !ContentClassifier::linkPayload(trimmed);
}

std::optional<ClipboardItem> ClipboardMonitor::makeItem(const PasteboardContent& content, const QString& source,
                                                        bool& keepsRichText) {
  keepsRichText = false;
  const auto item = [&source](ClipboardPayload payload, QUuid id = newUuid()) {
    return ClipboardItem::make(id, source, QDateTime(), std::move(payload));
  };

  // Only a copy with a picture needs to know whether its text is a link: a huge text without one
  // is never decoded whole.
  if (hasImageData(content) && !hasNonLinkText(content)) {
    const QList<QImage> images = content.images();
    if (!images.isEmpty() && images.first().width() > 0)
      return item(imagePayload(images.first(), QLatin1String(kPastedImageFilename), QString()));
  }

  if (const std::optional<QColor> color = content.color(); color && color->isValid()) return item(colorPayload(*color));

  const PasteboardItem* textItem = nullptr;
  for (const PasteboardItem& pasteboardItem : content.items)
    if (pasteboardItem.types.contains(QLatin1String(mime::kPlainText))) {
      textItem = &pasteboardItem;
      break;
    }
  if (!textItem) return std::nullopt;
  // Cut before anything looks at it: classification of a huge text is wasted work.
  const QString text = truncatedText(textItem->value(QLatin1String(mime::kPlainText)));
  if (text.isEmpty()) return std::nullopt;
  const QString trimmed = trimmedText(text);

  if (std::optional<LinkPayload> link = ContentClassifier::linkPayload(trimmed)) return item(std::move(*link));
  if (std::optional<ColorPayload> color = ContentClassifier::color(trimmed)) return item(std::move(*color));
  if (ContentClassifier::looksLikeCode(trimmed))
    return item(CodePayload{trimmed, ContentClassifier::detectLanguage(trimmed)});

  keepsRichText = std::any_of(std::begin(RichTextStore::kFormats), std::end(RichTextStore::kFormats),
                              [&content](const RichTextStore::Format& format) {
                                return !content.data(QLatin1String(format.mimeType)).isEmpty();
                              });
  return item(TextPayload{text});
}

}  // namespace qv
