#include "support/state/StateTestSupport.h"

#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ItemJson.h"
#include "items/stores/RichTextStore.h"
#include "state/HistoryJournal.h"

#include <QFileInfo>

namespace qv::test {

StateHarness::StateHarness() {
  installItemServices(*fake.context);
  state = makeState();
}

StateHarness::~StateHarness() {
  state.reset();
  fake.drain();
}

std::unique_ptr<PanelState> StateHarness::makeState() { return std::make_unique<PanelState>(*fake.context); }

std::unique_ptr<PanelState> StateHarness::relaunch() {
  auto relaunched = makeState();
  relaunched->loadHistory();
  runSaves();
  return relaunched;
}

QString StateHarness::historyPath() const {
  return fake.context->paths->applicationSupport() + QStringLiteral("/history.json");
}

QString StateHarness::journalPath() const {
  return fake.context->paths->applicationSupport() + QStringLiteral("/history.journal");
}

std::optional<QList<ClipboardItem>> StateHarness::storedItems() const {
  bool ok = false;
  const QByteArray file = readFile(historyPath(), &ok);
  std::optional<QList<ClipboardItem>> items = ok ? decodeItems(file) : std::optional<QList<ClipboardItem>>();
  if (!items) return std::nullopt;
  const QByteArray journal = readFile(journalPath(), &ok);
  if (ok) journal::replay(journal, HistoryFileIdentity::ofFile(historyPath()), *items);
  return items;
}

std::shared_ptr<FakeSerialQueue> StateHarness::queue(const char* suffix) const {
  return fake.queues->queue(QLatin1String(kQueuePrefix) + QLatin1String(suffix));
}

void StateHarness::runSaves() {
  if (auto save = queue("save")) save->runAll();
  fake.scheduler->runPending();
}

namespace {
QDateTime orNow(const QDateTime& at) {
  return at.isValid() ? at : QDateTime(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC);
}
}  // namespace

ClipboardItem textItem(const QString& text, const QString& app, const QDateTime& at) {
  return ClipboardItem::make(newUuid(), app, orNow(at), TextPayload{text});
}

ClipboardItem codeItem(const QString& source, const QString& language, const QString& app) {
  return ClipboardItem::make(newUuid(), app, orNow({}), CodePayload{source, language});
}

ClipboardItem colorItem(const QString& hex, const QString& app) {
  return ClipboardItem::make(newUuid(), app, orNow({}), ColorPayload{hex, 1, 2, 3});
}

QImage testImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::darkMagenta);
  return image;
}

ClipboardItem imageItem(const QImage& image, const QString& app, const QDateTime& at) {
  return ClipboardItem::make(
      newUuid(), app, orNow(at),
      ImagePayload{image, QStringLiteral("image.png"), image.width(), image.height(), QStringLiteral("1 KB")});
}

ClipboardItem linkItem(const QString& url, const QString& app) {
  const Url parsed = *parseStrictUrl(url);
  return ClipboardItem::make(newUuid(), app, orNow({}),
                             LinkPayload{parsed, parsed.host(), std::nullopt, std::nullopt, std::nullopt});
}

ClipboardItem fileItem(const QString& path, const QString& app) {
  return ClipboardItem::make(newUuid(), app, orNow({}),
                             FilePayload{QFileInfo(path).fileName(), QStringLiteral("1 KB"), Url::fromLocalFile(path)});
}

bool storeRichForm(const RichTextStore& store, const ClipboardItem& item, const QByteArray& html) {
  return store.capture(
      [&html](const QString& mime) -> std::optional<QByteArray> {
        if (mime == u"text/html") return html;
        return std::nullopt;
      },
      item.idString());
}

}  // namespace qv::test
