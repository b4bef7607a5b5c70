#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/X11ClipboardReader.h"

#include <unistd.h>
#include <QClipboard>
#include <QColor>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace qv::x11 {

X11Pasteboard::X11Pasteboard(QObject* parent) : Pasteboard(parent) {
  if (QGuiApplication::platformName() == QLatin1String("xcb") || qEnvironmentVariableIsSet("QV_X11_CLIPBOARD")) {
    QPointer<X11Pasteboard> self(this);
    auto reader = std::make_unique<X11ClipboardReader>([self] {
      // Reader thread: hop to the main thread.
      QMetaObject::invokeMethod(
          self.data(),
          [self] {
            if (self) self->readerUpdated();
          },
          Qt::QueuedConnection);
    });
    if (reader->isValid()) reader_ = std::move(reader);
  }
  if (!reader_) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
      if (mode != QClipboard::Clipboard) return;
      ++qtChangeCount_;
      Q_EMIT changed();
    });
  }
  announcedCount_ = currentChange().count;
}

X11Pasteboard::~X11Pasteboard() = default;

PasteboardChange X11Pasteboard::currentChange() const {
  if (reader_) return withQtOwnership(reader_->currentChange());
  // Not every platform reports ownership; the data we handed over is still there when we own it.
  QClipboard* clipboard = QGuiApplication::clipboard();
  const bool own = clipboard->ownsClipboard() ||
                   (lastWritten_ && clipboard->mimeData(QClipboard::Clipboard) == lastWritten_.data());
  return {qtChangeCount_, own, own ? qint64(getpid()) : 0};
}

PasteboardChange X11Pasteboard::withQtOwnership(PasteboardChange change) {
  if (change.ownerPid == 0 && QGuiApplication::clipboard()->ownsClipboard()) change.ownWrite = true;
  return change;
}

QList<PasteboardChange> X11Pasteboard::changesSince(qint64 count) {
  if (!reader_) return Pasteboard::changesSince(count);
  QList<PasteboardChange> changes = reader_->changesSince(count);
  // Qt knows only about the clipboard as it is now.
  if (!changes.isEmpty()) changes.back() = withQtOwnership(changes.back());
  return changes;
}

PasteboardContent X11Pasteboard::keptContent(qint64 count) {
  if (!reader_) return Pasteboard::keptContent(count);
  return reader_->keptContent(count).value_or(PasteboardContent{count, false, {}, {}});
}

double X11Pasteboard::lastReadMilliseconds() const { return reader_ ? reader_->lastReadMilliseconds() : 0; }

PasteboardContent X11Pasteboard::contentFromMimeData(const QMimeData* data, qint64 count) {
  PasteboardContent content{count, true, {}, {}};
  if (!data) return content;
  PasteboardItem item;
  for (const QString& format : data->formats()) {
    QString type = format;
    if (type == QLatin1String("text/plain")) type = QLatin1String(mime::kPlainText);
    if (type == QLatin1String("application/x-qt-image")) continue;
    if (item.types.contains(type)) continue;
    item.types.append(type);
    if (type == QLatin1String(mime::kColor) && data->hasColor()) {
      item.data.insert(type, pasteboard::encodeColor(qvariant_cast<QColor>(data->colorData())));
    } else if (type == QLatin1String(mime::kPlainText)) {
      item.data.insert(type, data->text().toUtf8());
    } else {
      item.data.insert(type, data->data(format));
    }
  }
  if (data->hasImage()) {
    item.image = qvariant_cast<QImage>(data->imageData());
    if (!item.types.contains(QLatin1String(mime::kPng))) item.types.append(QLatin1String(mime::kPng));
  }
  if (pasteboard::decodeText(item.value(QLatin1String(mime::kPasswordManagerHint))) == QLatin1String("secret"))
    item.types.append(QLatin1String(kConcealedMarkerType));
  content.items.append(std::move(item));
  return content;
}

PasteboardContent X11Pasteboard::read() {
  const PasteboardChange change = currentChange();
  if (!reader_ || change.ownWrite)
    return contentFromMimeData(QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard), change.count);
  if (auto content = reader_->waitForContent(change.count, kPasteboardReadBoundMs)) return *content;
  return PasteboardContent{change.count, false, {}, {}};
}

void X11Pasteboard::readAsync(std::function<void(const PasteboardContent&)> done) {
  const PasteboardChange change = currentChange();
  if (!reader_ || change.ownWrite) {
    const PasteboardContent content = contentFromMimeData(QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard),
                                                          change.count);
    QMetaObject::invokeMethod(
        this, [done = std::move(done), content] { done(content); }, Qt::QueuedConnection);
    return;
  }
  pending_.append({change.count, std::move(done)});
  reader_->waitForContent(change.count, 0);  // starts the read when none ran yet
  if (reader_->isSettled(change.count))
    QMetaObject::invokeMethod(
        this, [this] { deliverSettled(); }, Qt::QueuedConnection);
}

void X11Pasteboard::readerUpdated() {
  deliverSettled();
  const qint64 count = currentChange().count;
  if (count != announcedCount_) {
    announcedCount_ = count;
    Q_EMIT changed();
  }
}

void X11Pasteboard::deliverSettled() {
  QList<PendingRead> ready;
  for (qsizetype index = 0; index < pending_.size();) {
    if (reader_->isSettled(pending_[index].count)) {
      ready.append(pending_.takeAt(index));
    } else {
      ++index;
    }
  }
  for (PendingRead& entry : ready) {
    const auto content = reader_->waitForContent(entry.count, 0);
    entry.done(content ? *content : PasteboardContent{entry.count, false, {}, {}});
  }
}

void X11Pasteboard::write(const PasteboardWrite& item) {
  auto* data = new QMimeData;
  if (item.text) data->setText(*item.text);
  if (!item.html.isEmpty()) data->setData(QLatin1String(mime::kHtml), item.html);
  if (!item.rtf.isEmpty()) data->setData(QLatin1String(mime::kRtf), item.rtf);
  if (!item.image.isNull()) data->setImageData(item.image);
  if (item.color) data->setColorData(*item.color);
  if (!item.urls.isEmpty()) {
    data->setUrls(item.urls);
    const PasteboardItem asItem = PasteboardWrite{std::nullopt, {}, {}, {}, std::nullopt, item.urls, {}}.toItem();
    if (asItem.types.contains(QLatin1String(mime::kGnomeCopiedFiles)))
      data->setData(QLatin1String(mime::kGnomeCopiedFiles), asItem.value(QLatin1String(mime::kGnomeCopiedFiles)));
  }
  for (const auto& [type, value] : item.extra) data->setData(type, value);
  lastWritten_ = data;
  QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

}  // namespace qv::x11
