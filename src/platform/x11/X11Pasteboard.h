#pragma once
#include "platform/Pasteboard.h"

#include <QPointer>
#include <memory>

class QMimeData;

namespace qv::x11 {

class X11ClipboardReader;

// The CLIPBOARD selection. On X11 a reader thread with its own connection counts ownership
// changes (XFixes) and reads each foreign copy at once; the main thread waits for that result
// at most kPasteboardReadBoundMs. Copies made while the main thread is busy wait for it with
// their contents (`changesSince`, `keptContent`). Writes go through QClipboard, one setMimeData per item.
// Without X11 (Wayland, no DISPLAY) it counts QClipboard's change signals and reads through Qt.
class X11Pasteboard : public Pasteboard {
  Q_OBJECT
 public:
  explicit X11Pasteboard(QObject* parent = nullptr);
  ~X11Pasteboard() override;

  PasteboardChange currentChange() const override;
  bool announcesChanges() const override { return reader_ != nullptr; }
  QList<PasteboardChange> changesSince(qint64 count) override;
  PasteboardContent keptContent(qint64 count) override;
  PasteboardContent read() override;
  void readAsync(std::function<void(const PasteboardContent&)> done) override;
  void write(const PasteboardWrite& item) override;

  bool usesX11Reader() const { return reader_ != nullptr; }
  // Milliseconds from a foreign change to the end of its read (the last one finished).
  double lastReadMilliseconds() const;

  // The content Qt holds (our own writes, or everything without X11).
  static PasteboardContent contentFromMimeData(const QMimeData* data, qint64 count);

 private:
  void readerUpdated();
  void deliverSettled();
  // A server without X-Resource names no owner process; Qt then knows whether it owns.
  static PasteboardChange withQtOwnership(PasteboardChange change);

  std::unique_ptr<X11ClipboardReader> reader_;
  qint64 qtChangeCount_ = 0;
  struct PendingRead {
    qint64 count;
    std::function<void(const PasteboardContent&)> done;
  };
  QList<PendingRead> pending_;
  qint64 announcedCount_ = 0;
  QPointer<QMimeData> lastWritten_;  // Qt deletes it once the clipboard holds something else
};

}  // namespace qv::x11
