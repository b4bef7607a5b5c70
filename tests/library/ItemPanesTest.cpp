// What the two item panes (the preview beside the panel, the library's detail pane) do alike,
// each case run on both: sharing after the host switched the item, and the size of a file item
// that was captured without one, read off the main thread and shown in the caption.
#include "base/ByteCountText.h"
#include "cards/badges/CardTimeTick.h"
#include "items/ItemServices.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryHeaderButton.h"
#include "platform/fake/FakeSharePicker.h"
#include "preview/ItemPreviewView.h"
#include "preview/PreviewCaption.h"
#include "preview/ShareItems.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/OrnamentRail.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace qv {
namespace {

using namespace qv::test;

enum class Pane { preview, detail };

const char* nameOf(Pane pane) { return pane == Pane::preview ? "preview" : "detail"; }

// One of the two panes over a state that holds its items, shown as its host shows it.
struct PaneHarness {
  explicit PaneHarness(Pane which) : kind(which) {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    fake.context->sharePicker = picker;
    picker->targets = {
        ShareTarget{ShareTarget::Kind::application, QStringLiteral("org.example.Mail"), QStringLiteral("Mail"), {}}};
    state = std::make_unique<PanelState>(*fake.context);
  }
  ~PaneHarness() {
    preview.reset();
    detail.reset();
    fake.drain();
  }
  void add(const ClipboardItem& item) {
    QList<ClipboardItem> items = state->items();
    items.append(item);
    state->setItems(items);
  }
  std::optional<ClipboardItem> stored(const QUuid& id) const {
    for (const ClipboardItem& each : state->items())
      if (each.id == id) return each;
    return std::nullopt;
  }
  // The host hands the pane `item` (as the state holds it, when it does).
  void show(const ClipboardItem& given) {
    const ClipboardItem item = stored(given.id).value_or(given);
    if (kind == Pane::preview) {
      if (!preview) {
        preview = std::make_unique<ItemPreviewView>(*fake.context, *state, ItemPreviewView::Props{item, 700},
                                                    ItemPreviewView::Callbacks{});
        preview->setAttribute(Qt::WA_DontShowOnScreen);
        preview->show();
      } else {
        preview->setProps({item, 700}, {});
      }
    } else {
      if (!detail) {
        detail = std::make_unique<LibraryDetailView>(*fake.context, *state, LibraryDetailView::Props{item, 640, 520},
                                                     LibraryDetailView::Callbacks{});
        detail->setAttribute(Qt::WA_DontShowOnScreen);
        detail->show();
      } else {
        detail->setProps({item, 640, 520}, {});
      }
    }
  }
  ClipboardItem shown() const { return preview ? preview->props().item : detail->props().item; }
  // A real click on the pane's Share button.
  void clickShare() {
    if (preview) {
      for (OrnamentRailButton* button : preview->railButtons())
        if (button->toolTip() == u"Share" || button->toolTip() == u"Close share sheet")
          QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(17, 17));
    } else if (LibraryHeaderButton* button = detail->button(LibraryDetailView::Action::share)) {
      QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(11, 11));
    }
    fake.drain();
  }
  bool isSharing() const { return preview ? preview->isSharing() : detail->isSharing(); }
  PreviewCaption& caption() const { return preview ? preview->caption() : detail->caption(); }

  Pane kind;
  test::FakeLibraryContext fake;
  std::shared_ptr<FakeSharePicker> picker = std::make_shared<FakeSharePicker>();
  std::unique_ptr<PanelState> state;
  std::unique_ptr<ItemPreviewView> preview;
  std::unique_ptr<LibraryDetailView> detail;
};

// The host switches the pane to another item while the share menu of the first still shows: the
// next press of Share opens the menu of the item shown, not closes the old one.
TEST(ItemPanes, ShareAfterSwitchingItemsOpensTheMenuOfTheItemShown) {
  for (const Pane kind : {Pane::preview, Pane::detail}) {
    SCOPED_TRACE(nameOf(kind));
    PaneHarness h(kind);
    const ClipboardItem first = textItem(QStringLiteral("first")), second = textItem(QStringLiteral("second"));
    h.add(first);
    h.add(second);
    h.show(first);
    h.clickShare();
    ASSERT_EQ(h.fake.menuPresenter->popUps(), 1);
    ASSERT_TRUE(h.isSharing());
    EXPECT_EQ(h.picker->listings.last(), shareItems(first, *h.fake.context->imageStore));

    h.show(second);
    h.fake.drain();
    EXPECT_FALSE(h.isSharing());
    h.clickShare();
    ASSERT_EQ(h.fake.menuPresenter->popUps(), 2) << "the press closed instead of opening";
    EXPECT_EQ(h.picker->listings.last(), shareItems(second, *h.fake.context->imageStore));
    EXPECT_TRUE(h.isSharing());
    // A report of the first item's menu, late, changes nothing.
    h.fake.advanceBoth(1);
    EXPECT_TRUE(h.isSharing());
    // And a second press closes the second menu as before.
    h.clickShare();
    h.fake.advanceBoth(0.5);
    EXPECT_FALSE(h.isSharing());
    EXPECT_EQ(h.fake.menuPresenter->popUps(), 2);
  }
}

// A file item captured without its size gets it from the disk when a pane shows it: read on a
// worker (nothing before the queue runs), stored in the history, shown in the caption. What has
// no size to read (a missing file, a folder, no address) or has one already stays as it is.
// The age in the caption grows a digit ("9 sec. ago", then "24 sec. ago" at the next tick): the
// pane makes room for it instead of cutting the source's name short.
TEST(ItemPanes, TheCaptionMakesRoomAsTheAgeGrows) {
  using Kind = PreviewCaption::Piece::Kind;
  const auto piece = [](const PreviewCaption& caption, Kind kind) {
    for (const PreviewCaption::Piece& p : caption.firstLine())
      if (p.kind == kind) return p.text;
    return QString();
  };
  for (const Pane kind : {Pane::preview, Pane::detail}) {
    SCOPED_TRACE(nameOf(kind));
    PaneHarness h(kind);
    const ClipboardItem item = textItem(QStringLiteral("a note"), QStringLiteral("org.example.Editor"),
                                        h.fake.context->scheduler->now().addSecs(-9));
    h.add(item);
    h.show(item);
    h.fake.drain();
    QCoreApplication::processEvents();
    const QString name = piece(h.caption(), Kind::name);
    ASSERT_FALSE(name.isEmpty());
    ASSERT_EQ(piece(h.caption(), Kind::date), QStringLiteral("9 sec. ago"));
    h.fake.advanceBoth(CardTimeTick::kInterval);
    QCoreApplication::processEvents();
    EXPECT_EQ(piece(h.caption(), Kind::date), QStringLiteral("24 sec. ago"));
    EXPECT_EQ(piece(h.caption(), Kind::name), name);
  }
}

TEST(ItemPanes, AFileItemWithoutItsSizeGetsItWhenShown) {
  QTemporaryDir dir;
  const QString data = dir.filePath(QStringLiteral("data.bin"));
  {
    QFile file(data);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1500, 'x'));
  }
  QDir().mkpath(dir.filePath(QStringLiteral("Folder")));
  const auto unsized = [](const QString& path) {
    ClipboardItem item = fileItem(path);
    std::get<FilePayload>(item.payload).edit().size.clear();
    return item;
  };
  ClipboardItem noAddress = unsized(data);
  std::get<FilePayload>(noAddress.payload).edit().url.reset();
  const struct {
    const char* name;
    ClipboardItem item;
    QString size;
  } cases[] = {
      {"a file without its size", unsized(data), byteCountText(1500)},
      {"a missing file", unsized(dir.filePath(QStringLiteral("gone.bin"))), QString()},
      {"a folder", unsized(dir.filePath(QStringLiteral("Folder"))), QString()},
      {"no address", noAddress, QString()},
      {"a size already", fileItem(data), QStringLiteral("1 KB")},
  };
  for (const Pane kind : {Pane::preview, Pane::detail}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(nameOf(kind)) + ": " + c.name);
      PaneHarness h(kind);
      h.add(c.item);
      h.show(c.item);
      // Nothing is read on the main thread.
      h.fake.scheduler->runPending();
      EXPECT_EQ(std::get<FilePayload>(h.stored(c.item.id)->payload)->size, std::get<FilePayload>(c.item.payload)->size);
      h.fake.drain();
      const QString size = std::get<FilePayload>(h.stored(c.item.id)->payload)->size;
      EXPECT_EQ(size, c.size);
      h.show(c.item);  // the host hands the pane the item as the state has it now
      const QString name = std::get<FilePayload>(c.item.payload)->name;
      EXPECT_EQ(h.caption().content().detailText, size.isEmpty() ? name : name + QStringLiteral("  \u00b7  ") + size);
    }
  }
}

}  // namespace
}  // namespace qv
