#pragma once
#include "items/model/ClipboardItem.h"
#include "state/PanelState.h"
#include "support/items/FakeItemContext.h"

#include <QObject>
#include <memory>

namespace qv {
class RichTextStore;
}

namespace qv::test {

// A fake context with the item services installed, and a PanelState over it.
struct StateHarness {
  StateHarness();
  ~StateHarness();
  FakeItemContext fake;
  std::unique_ptr<PanelState> state;

  // A second state over the same folders and settings (a relaunch).
  std::unique_ptr<PanelState> makeState();
  // The same, with its history loaded and the saves that sets off run.
  std::unique_ptr<PanelState> relaunch();
  QDateTime now() const { return fake.scheduler->now(); }
  QString historyPath() const;
  QString journalPath() const;
  // What a relaunch would read: the history file with the journal's records replayed (none when
  // the file does not decode). Reads only; sets nothing aside.
  std::optional<QList<ClipboardItem>> storedItems() const;
  // Runs the save queue (and whatever it posts back).
  void runSaves();
  std::shared_ptr<FakeSerialQueue> queue(const char* suffix) const;
};

ClipboardItem textItem(const QString& text, const QString& app = QStringLiteral("org.example.Editor"),
                       const QDateTime& at = {});
ClipboardItem codeItem(const QString& source, const QString& language,
                       const QString& app = QStringLiteral("org.example.Editor"));
ClipboardItem colorItem(const QString& hex, const QString& app = QStringLiteral("org.example.Editor"));
ClipboardItem imageItem(const QImage& image, const QString& app = QStringLiteral("org.example.Paint"),
                        const QDateTime& at = {});
ClipboardItem linkItem(const QString& url, const QString& app = QStringLiteral("org.example.Browser"));
ClipboardItem fileItem(const QString& path, const QString& app = QStringLiteral("org.example.Files"));
QImage testImage(int width = 8, int height = 6);
// Stores an HTML form for `item` in `store`, as a copy with a rich form leaves it; true when stored.
bool storeRichForm(const RichTextStore& store, const ClipboardItem& item,
                   const QByteArray& html = QByteArrayLiteral("<b>rich</b>"));

// Counts the emissions of one signal.
class SignalCounter {
 public:
  template <typename Sender, typename Signal>
  SignalCounter(Sender* sender, Signal signal) {
    connection_ = QObject::connect(sender, signal, [this] { ++count_; });
  }
  ~SignalCounter() { QObject::disconnect(connection_); }
  int count() const { return count_; }
  void reset() { count_ = 0; }

 private:
  QMetaObject::Connection connection_;
  int count_ = 0;
};

}  // namespace qv::test
