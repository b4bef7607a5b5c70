// The library's detail pane: its action row per kind and hidden state, copy feedback with a
// failing write, the viewer height, the body per kind (files by route at the pane's sizes, links
// by scheme), and editing through real clicks and the library's two editing signals.
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/stores/RichTextStore.h"
#include "library/LibraryDetailParts.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryHeaderButton.h"
#include "library/PreviewFade.h"
#include "preview/DownsampledImageView.h"
#include "preview/EditableTextView.h"
#include "preview/FileThumbnailView.h"
#include "preview/FolderPreview.h"
#include "preview/LinkPreview.h"
#include "preview/PDFPreview.h"
#include "preview/PreviewSizing.h"
#include "preview/SharePickerAnchor.h"
#include "preview/TextFilePreview.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

namespace qv {
namespace {

using Action = LibraryDetailView::Action;
using namespace qv::test;

// A pane over a state that holds its item, shown at 640 × 520.
struct DetailHarness {
  DetailHarness() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
  }
  ~DetailHarness() {
    pane.reset();
    fake.drain();
  }
  LibraryDetailView& show(const ClipboardItem& item, double width = 640, double height = 520) {
    add(item);
    pane = std::make_unique<LibraryDetailView>(*fake.context, *state, LibraryDetailView::Props{item, width, height},
                                               callbacks("A"));
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->show();
    fake.drain();
    return *pane;
  }
  void add(const ClipboardItem& item) {
    QList<ClipboardItem> items = state->items();
    items.prepend(item);
    state->setItems(items);
  }
  LibraryDetailView::Callbacks callbacks(const QString& name) {
    return {[this, name] { closes << name + (stored(pane->props().item.id) ? "" : " after removal"); }};
  }
  std::optional<ClipboardItem> stored(const QUuid& id) const {
    for (const ClipboardItem& each : state->items())
      if (each.id == id) return each;
    return std::nullopt;
  }
  // The pane's props as the library hands them after the state changed.
  void refresh() {
    if (const auto item = stored(pane->props().item.id))
      pane->setProps({*item, pane->props().width, pane->props().availableHeight}, callbacks("A"));
  }
  // A real click in the middle of the shown button.
  bool click(Action action) {
    LibraryHeaderButton* button = pane->button(action);
    if (!button) return false;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(11, 11));
    fake.drain();
    return true;
  }
  QStringList helps() const {
    QStringList result;
    for (const auto& each : pane->actionRow()) result << each.help;
    return result;
  }
  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryDetailView> pane;
  QStringList closes;
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content = "x") {
  const QString path = dir.filePath(name);
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(content);
  return path;
}

TEST(LibraryDetailView, TheActionRowPerKindAndHiddenState) {
  const QStringList tail = {"Share", "Keep regardless of retention"};
  const QStringList end = {"Delete this item", "Close"};
  const QString copy = "Copy to the clipboard", plain = "Copy as plain text";
  const struct {
    const char* name;
    ClipboardItem item;
    bool sensitive, peeked;
    QStringList helps;
  } cases[] = {
      {"text", textItem("hello"), false, false, QStringList{copy, plain, "Edit"} + tail + end},
      {"code", codeItem("x = 1", "Python"), false, false, QStringList{copy, plain, "Edit"} + tail + end},
      {"hidden text", textItem("secret"), true, false, QStringList{"Peek", copy, plain} + tail + end},
      {"peeked text", textItem("secret"), true, true, QStringList{"Hide again", copy, plain, "Edit"} + tail + end},
      {"image", imageItem(testImage()), false, false, QStringList{copy} + tail + end},
      {"colour", colorItem("#010203"), false, false, QStringList{copy, plain} + tail + end},
      {"link", linkItem("https://example.org/a"), false, false,
       QStringList{copy, plain} + tail + QStringList{"Open link"} + end},
      {"file", fileItem("/nowhere/report.pdf"), false, false,
       QStringList{copy, plain} + tail + QStringList{"Show in Files"} + end},
      {"remote file",
       ClipboardItem::make(QUuid::createUuid(), "org.example.Files", QDateTime::currentDateTime(),
                           FilePayload{"a.txt", "1 KB", parseStrictUrl("https://example.org/a.txt")}),
       false, false, QStringList{copy, plain} + tail + end},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DetailHarness h;
    h.add(c.item);
    if (c.sensitive) h.state->toggleSensitive(c.item.id);
    if (c.peeked) h.state->togglePeek(c.item.id);
    LibraryDetailView& pane = h.show(c.item);
    EXPECT_EQ(h.helps(), c.helps);
    EXPECT_EQ(qobject_cast<HiddenPlaceholderView*>(pane.content()) != nullptr, c.sensitive && !c.peeked);
    // Tooltip and spoken name say the same.
    for (const auto& each : pane.actionRow()) {
      ASSERT_NE(pane.button(each.action), nullptr);
      EXPECT_EQ(pane.button(each.action)->toolTip(), each.help);
      EXPECT_EQ(pane.button(each.action)->accessibility().name, each.help);
    }
    // Left to right in the row's order, 8 apart, 14 in from the right edge.
    const auto& row = pane.actionRow();
    for (size_t i = 1; i < row.size(); ++i)
      EXPECT_EQ(pane.button(row[i].action)->x() - pane.button(row[i - 1].action)->x(), 30);
    EXPECT_EQ(pane.button(Action::close)->geometry().right() + 1, 640 - 10 - 14);
  }
}

TEST(LibraryDetailView, PeekRevealsAndHidesAgainAndAnExpiredPeekHidesTheText) {
  DetailHarness h;
  const ClipboardItem item = textItem("secret");
  h.add(item);
  h.state->toggleSensitive(item.id);
  LibraryDetailView& pane = h.show(item);
  EXPECT_EQ(pane.button(Action::peek)->props().symbol, "eye");
  EXPECT_EQ(pane.button(Action::edit), nullptr);
  pane.beginEditing();  // never for a hidden item
  EXPECT_FALSE(pane.isEditing());
  ASSERT_TRUE(h.click(Action::peek));
  EXPECT_EQ(pane.button(Action::peek)->props().symbol, "eye.slash");
  ASSERT_NE(qobject_cast<QVTextViewer*>(pane.content()), nullptr);
  ASSERT_TRUE(h.click(Action::edit));
  EXPECT_TRUE(h.state->detailEditingActive());
  // The peek runs out while the item is being edited: the text goes out of sight, the edit too.
  h.fake.scheduler->advance(PanelState::kPeekLifetimeSeconds + 1);
  h.state->expirePeeks();
  EXPECT_NE(qobject_cast<HiddenPlaceholderView*>(pane.content()), nullptr);
  EXPECT_FALSE(pane.isEditing());
  EXPECT_FALSE(h.state->detailEditingActive());
  EXPECT_EQ(std::get<TextPayload>(h.stored(item.id)->payload).text, "secret");
  EXPECT_EQ(pane.button(Action::peek)->props().symbol, "eye");
}

// The check mark shows for 1.2 s after the first of two copies, and never for a write that failed,
// which shakes the item's card instead.
TEST(LibraryDetailView, CopyFeedbackTimingAndAFailingWrite) {
  DetailHarness h;
  const ClipboardItem item = textItem("hello");
  LibraryDetailView& pane = h.show(item);
  ASSERT_TRUE(h.click(Action::copy));
  EXPECT_TRUE(pane.copied());
  EXPECT_EQ(pane.button(Action::copy)->props().symbol, "checkmark");
  h.fake.advanceBoth(0.5);
  ASSERT_TRUE(h.click(Action::copyPlainText));
  ASSERT_EQ(h.fake.pasteboard->writes().size(), 2);
  EXPECT_EQ(h.fake.pasteboard->writes().at(1).text, "hello");
  h.fake.advanceBoth(0.69);
  EXPECT_TRUE(pane.copied());
  h.fake.advanceBoth(0.02);
  EXPECT_FALSE(pane.copied());
  EXPECT_EQ(pane.button(Action::copy)->props().symbol, "doc.on.doc");
  h.fake.advanceBoth(1);  // the second copy's timer clears what is clear already
  EXPECT_FALSE(pane.copied());

  DetailHarness failing;
  const ClipboardItem image = imageItem(QImage());  // no picture in memory or on disk
  LibraryDetailView& imagePane = failing.show(image);
  const int shakes = failing.state->shakeToken();
  ASSERT_TRUE(failing.click(Action::copy));
  EXPECT_FALSE(imagePane.copied());
  EXPECT_EQ(imagePane.button(Action::copy)->props().symbol, "doc.on.doc");
  EXPECT_TRUE(failing.fake.pasteboard->writes().isEmpty());
  EXPECT_EQ(failing.state->shakeToken(), shakes + 1);
  EXPECT_EQ(failing.state->shakeItemID(), image.id);
  // And the missing picture shows its placeholder.
  auto* placeholder = qobject_cast<UnavailablePlaceholderView*>(imagePane.content());
  ASSERT_NE(placeholder, nullptr);
  EXPECT_EQ(placeholder->props().title, "Image Unavailable");
  EXPECT_EQ(placeholder->props().message, "The file behind this item is missing.");
}

TEST(LibraryDetailView, ViewerHeightHeldBetweenTheFloorAndTheHostsHeight) {
  const QString longText = QString("line of text\n").repeated(400);
  const struct {
    const char* name;
    ClipboardItem item;
    double available;
    double height;
  } cases[] = {
      {"short text: the floor", textItem("hi"), 800, 290},
      {"long text: the host's height less 150", textItem(longText), 800, 650},
      {"long text in a low pane: the floor", textItem(longText), 400, 290},
      {"long text in a tall pane: its own height", textItem(longText), 2000,
       std::max(PreviewSizing::preferredHeight(textItem(longText), 620), 290.0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LibraryDetailView::viewerHeight(c.item, 640, c.available), c.height);
    DetailHarness h;
    LibraryDetailView& pane = h.show(c.item, 640, c.available);
    ASSERT_NE(qobject_cast<QVTextViewer*>(pane.content()), nullptr);
    EXPECT_EQ(pane.content()->height(), int(c.height));
    EXPECT_EQ(pane.content()->y(), 10 + 38 + 12);
    ASSERT_NE(pane.fade(), nullptr);
  }
  // A pane lower than the viewer's floor and the header (a short library): the viewer stays inside.
  {
    DetailHarness h;
    LibraryDetailView& pane = h.show(textItem(longText), 640, 333);
    EXPECT_EQ(pane.viewerHeight(), 290);
    EXPECT_EQ(pane.content()->geometry().bottom() + 1, 333 - 10);
  }
  // A candidate below 440 always fits in 360; a file's estimate is its width.
  EXPECT_EQ(LibraryDetailView::fittingHeight(textItem(longText), 640, 439), 360);
  EXPECT_EQ(LibraryDetailView::fittingHeight(fileItem("/a.zip"), 420, 900), 500 + 70);
}

// A long text's viewer fades the edge below, then both while scrolled into the middle.
TEST(LibraryDetailView, TheViewerReportsItsEdgesToTheFade) {
  DetailHarness h;
  LibraryDetailView& pane = h.show(textItem(QString("line of text\n").repeated(400)));
  h.fake.advanceBoth(0.3);
  EXPECT_FALSE(pane.previewTopFade());
  EXPECT_TRUE(pane.previewBottomFade());
  EXPECT_TRUE(pane.fade()->props().bottom);
  auto* viewer = qobject_cast<QVTextViewer*>(pane.content());
  viewer->verticalScrollBar()->setValue(400);
  h.fake.advanceBoth(0.3);
  EXPECT_TRUE(pane.previewTopFade());
  EXPECT_EQ(pane.fade()->props(), (PreviewFade::Props{true, true, 22}));
  EXPECT_TRUE(pane.fade()->isMasking());
}

TEST(LibraryDetailView, FilesByRouteAtTheDetailSizesWithTheirPath) {
  QTemporaryDir dir;
  QDir().mkpath(dir.filePath("Folder"));
  const struct {
    const char* name;
    QString path;
    FileContentRoute route;
  } cases[] = {
      {"folder", dir.filePath("Folder") + "/", FileContentRoute::folder},
      {"text file", writeFile(dir, "notes.txt"), FileContentRoute::textFile},
      {"PDF", writeFile(dir, "scan.pdf"), FileContentRoute::pdf},
      {"anything else", writeFile(dir, "archive.zip"), FileContentRoute::thumbnail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DetailHarness h;
    LibraryDetailView& pane = h.show(fileItem(c.path), 640, 700);
    auto* content = qobject_cast<DetailFileContent*>(pane.content());
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->route(), c.route);
    EXPECT_EQ(content->pathCaption()->fullText(), c.path);
    EXPECT_GE(content->renderer()->height(), DetailFileContent::minimumRendererHeight(c.route));
    EXPECT_EQ(content->renderer()->width(), 640 - 20 - 28);
    if (c.route == FileContentRoute::pdf) {
      auto* pdf = qobject_cast<PDFPreview*>(content->renderer());
      ASSERT_NE(pdf, nullptr);
      EXPECT_FALSE(pdf->props().compact);
    }
    if (c.route == FileContentRoute::thumbnail) {
      auto* thumbnail = content->renderer()->findChild<FileThumbnailView*>();
      ASSERT_NE(thumbnail, nullptr);
      EXPECT_EQ(thumbnail->props().inset, 0);
      EXPECT_EQ(thumbnail->props().cornerRadius, 8);
      EXPECT_EQ(thumbnail->props().renderSize, QSizeF(900, 1100));
    }
  }
}

TEST(LibraryDetailView, AFileThatIsGoneShowsItsRowAndKeepsReveal) {
  const struct {
    const char* name;
    FilePayload file;
    QString folder;
    bool reveal;
  } cases[] = {
      {"vanished", FilePayload{"report.pdf", "1 KB", Url::fromLocalFile("/nowhere/at/all/report.pdf")},
       "/nowhere/at/all", true},
      {"no address", FilePayload{"report.pdf", "1 KB", std::nullopt}, "", false},
      {"not a file address", FilePayload{"report.pdf", "1 KB", parseStrictUrl("https://example.org/x/report.pdf")},
       "/x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DetailHarness h;
    const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), "org.example.Files",
                                                   QDateTime::currentDateTime(), ClipboardPayload(c.file));
    LibraryDetailView& pane = h.show(item);
    auto* row = qobject_cast<DetailFileRow*>(pane.content());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->folderText(), c.folder);
    EXPECT_EQ(row->iconRect().size(), QSizeF(48, 48));
    EXPECT_EQ(h.click(Action::reveal), c.reveal);
    EXPECT_EQ(h.fake.workspace->revealedFiles, c.reveal ? QStringList{"/nowhere/at/all/report.pdf"} : QStringList{});
  }
}

// Web addresses get the open button, in any case; other schemes show their address as text. The
// Open link action follows the one link rule: anything but http, https and mailto asks first.
TEST(LibraryDetailView, LinksByScheme) {
  const struct {
    const char* url;
    bool button;
    bool asks;
  } cases[] = {
      {"https://example.org/a", true, false},    {"HTTP://example.org/a", true, false},
      {"mailto:anna@example.org", false, false}, {"file:///home/anna/run.sh", false, true},
      {"myapp://open/42", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    DetailHarness h;
    h.fake.alerts->answer = 1;  // Cancel
    LibraryDetailView& pane = h.show(linkItem(QString::fromLatin1(c.url)));
    auto* link = qobject_cast<DetailLinkView*>(pane.content());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->openButton()->isVisibleTo(link), c.button);
    EXPECT_EQ(link->addressLabel()->isVisibleTo(link), !c.button);
    ASSERT_TRUE(h.click(Action::openLink));
    EXPECT_EQ(h.fake.alerts->shown.size(), c.asks ? 1 : 0);
    EXPECT_EQ(h.fake.workspace->openedUrls.size(), c.asks ? 0 : 1);
    EXPECT_TRUE(h.closes.isEmpty());
  }
}

// The page image comes from the cache (read off the main thread) when the link has one; the
// address of a link that is not a web page is its text, home-relative for a file.
TEST(LibraryDetailView, ALinksPageImageAndAddress) {
  DetailHarness h;
  ClipboardItem item = linkItem("https://example.org/a");
  LinkFields& link = std::get<LinkPayload>(item.payload).edit();
  link.title = QStringLiteral("A page");
  link.description = QStringLiteral("What it says");
  link.ogImageURL = QStringLiteral("cached:") + item.idString();
  ASSERT_TRUE(h.fake.context->ogImageCache->save(testImage(40, 20), item.idString()));
  LibraryDetailView& pane = h.show(item);
  auto* view = qobject_cast<DetailLinkView*>(pane.content());
  ASSERT_NE(view, nullptr);
  h.fake.drain();
  EXPECT_TRUE(view->showsImage());
  const DetailLinkView::Layout laidOut = view->layout();
  EXPECT_EQ(laidOut.image.height(), 150);
  EXPECT_GT(laidOut.title.top(), laidOut.image.bottom());
  EXPECT_GT(laidOut.description.top(), laidOut.address.bottom());
  EXPECT_GT(laidOut.domain.top(), laidOut.description.bottom());

  // Without a cached image, none is shown and nothing is fetched.
  DetailHarness other;
  ClipboardItem uncached = linkItem("https://example.org/b");
  std::get<LinkPayload>(uncached.payload).edit().ogImageURL = QStringLiteral("https://example.org/b.png");
  auto* plain = qobject_cast<DetailLinkView*>(other.show(uncached).content());
  other.fake.drain();
  EXPECT_FALSE(plain->showsImage());
  EXPECT_TRUE(plain->layout().image.isNull());

  DetailHarness file;
  auto* address = qobject_cast<DetailLinkView*>(
      file.show(linkItem("file://" + QDir::homePath() + "/bin/run.sh")).content());
  EXPECT_EQ(address->addressLabel()->text(), "~/bin/run.sh");
}

TEST(LibraryDetailView, EditingFlows) {
  for (const char* flow : {"save", "cancel", "escape", "item change", "empty save"}) {
    SCOPED_TRACE(flow);
    DetailHarness h;
    const ClipboardItem other = textItem("other");
    h.add(other);
    const ClipboardItem item = textItem("first");
    LibraryDetailView& pane = h.show(item);
    ASSERT_TRUE(h.click(Action::edit));
    ASSERT_TRUE(pane.isEditing());
    EXPECT_TRUE(h.state->detailEditingActive());
    EXPECT_TRUE(pane.actionRow().empty());
    EXPECT_EQ(pane.button(Action::close), nullptr);
    ASSERT_NE(pane.editor(), nullptr);
    EXPECT_FALSE(pane.editor()->isMonospaced());
    EXPECT_EQ(pane.editor()->height(), int(pane.viewerHeight()));
    EXPECT_EQ(pane.fade(), nullptr);
    EXPECT_TRUE(pane.saveButton()->isVisibleTo(&pane));
    pane.editor()->setFocus();
    const std::string f = flow;
    if (f == "empty save") {
      pane.editor()->selectAll();
      QTest::keyClick(pane.editor(), Qt::Key_Delete);
    } else {
      QTest::keyClicks(pane.editor(), " edit");
    }
    if (f == "save" || f == "empty save")
      QTest::mouseClick(pane.saveButton(), Qt::LeftButton, {}, pane.saveButton()->rect().center());
    if (f == "cancel") QTest::mouseClick(pane.cancelButton(), Qt::LeftButton, {}, pane.cancelButton()->rect().center());
    if (f == "escape") h.state->raiseCancelDetailEditTrigger();
    if (f == "item change") pane.setProps({other, 640, 520}, h.callbacks("B"));
    h.fake.drain();
    EXPECT_FALSE(pane.isEditing());
    EXPECT_FALSE(h.state->detailEditingActive());
    const QString expected = f == "save" ? "first edit" : f == "empty save" ? "" : "first";
    EXPECT_EQ(std::get<TextPayload>(h.stored(item.id)->payload).text, expected);
    EXPECT_EQ(std::get<TextPayload>(h.stored(other.id)->payload).text, "other");
    if (f != "item change") h.refresh();
    auto* viewer = qobject_cast<QVTextViewer*>(pane.content());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->props().text, f == "item change" ? "other" : expected);
    EXPECT_FALSE(pane.actionRow().empty());
  }
}

TEST(LibraryDetailView, SavingCodeKeepsItsLanguageAndUnchangedTextKeepsTheRichForm) {
  DetailHarness h;
  const ClipboardItem code = codeItem("x = 1", "Python");
  LibraryDetailView& pane = h.show(code);
  h.click(Action::edit);
  ASSERT_NE(pane.editor(), nullptr);
  EXPECT_TRUE(pane.editor()->isMonospaced());
  pane.editor()->setFocus();
  QTest::keyClick(pane.editor(), Qt::Key_End);
  QTest::keyClicks(pane.editor(), "0");
  pane.saveEdit();
  EXPECT_EQ(h.stored(code.id)->payload, ClipboardPayload(CodePayload{"x = 10", "Python"}));

  DetailHarness rich;
  const ClipboardItem item = textItem("bold");
  const RichTextStore& store = *rich.fake.context->richTextStore;
  ASSERT_TRUE(storeRichForm(store, item));
  rich.show(item);
  rich.click(Action::edit);
  rich.pane->saveEdit();
  EXPECT_TRUE(store.read(item.idString()));
}

// Saved from the detail pane, an edit keeps each line break as it was; one undone by hand saves
// nothing, and the rich form stays.
TEST(LibraryDetailView, SavingAnEditKeepsEachLineBreakAsItWas) {
  const QString mixed = QStringLiteral("first\r\nsecond\nthird\rfourth\r\nfifth");
  for (const bool kept : {false, true}) {
    SCOPED_TRACE(kept ? "x typed" : "x typed and removed");
    DetailHarness h;
    const ClipboardItem item = textItem(mixed);
    const RichTextStore& store = *h.fake.context->richTextStore;
    ASSERT_TRUE(storeRichForm(store, item));
    LibraryDetailView& pane = h.show(item);
    h.click(Action::edit);
    ASSERT_NE(pane.editor(), nullptr);
    pane.editor()->setFocus();
    QTest::keyClick(pane.editor(), Qt::Key_X);
    if (!kept) QTest::keyClick(pane.editor(), Qt::Key_Backspace);
    QTest::mouseClick(pane.saveButton(), Qt::LeftButton, {}, pane.saveButton()->rect().center());
    h.fake.drain();
    EXPECT_EQ(std::get<TextPayload>(h.stored(item.id)->payload).text.toUtf8(), (kept ? mixed + u'x' : mixed).toUtf8());
    EXPECT_EQ(store.read(item.idString()).has_value(), !kept);
  }
}

TEST(LibraryDetailView, PinDeleteAndCloseActOnTheItemShown) {
  DetailHarness h;
  const ClipboardItem first = textItem("first");
  const ClipboardItem second = textItem("second");
  h.add(first);
  LibraryDetailView& pane = h.show(second);
  // The library retargets the pane: the callbacks and actions are the new item's.
  pane.setProps({first, 640, 520}, h.callbacks("B"));
  ASSERT_TRUE(h.click(Action::pin));
  EXPECT_EQ(h.state->pinnedIDs(), PanelState::IdSet{first.id});
  EXPECT_TRUE(pane.button(Action::pin)->props().isActive);
  EXPECT_EQ(pane.button(Action::pin)->toolTip(), "Unpin");
  ASSERT_TRUE(h.click(Action::close));
  EXPECT_EQ(h.closes, QStringList{"B"});
  ASSERT_TRUE(h.click(Action::remove));
  EXPECT_FALSE(h.stored(first.id));
  EXPECT_TRUE(h.stored(second.id));
  EXPECT_EQ(h.closes, (QStringList{"B", "B after removal"}));
}

TEST(LibraryDetailView, ShareOpensThePickerWithTheItemsShareItems) {
  DetailHarness h;
  LibraryDetailView& pane = h.show(textItem("share me"));
  ASSERT_TRUE(h.click(Action::share));
  EXPECT_EQ(pane.shareTrigger(), 1);
  EXPECT_EQ(pane.shareAnchor().props().trigger, 1);
  ASSERT_EQ(pane.shareAnchor().props().items.size(), 1);
}

// A very long text shows in pieces: the pane is up at once, the rest of the text comes later.
TEST(LibraryDetailView, ATextOf256000CharactersShows) {
  DetailHarness h;
  const QString text = QString(QString(79, u'a') + u'\n').repeated(3200);
  LibraryDetailView& pane = h.show(textItem(text));
  auto* viewer = qobject_cast<QVTextViewer*>(pane.content());
  ASSERT_NE(viewer, nullptr);
  h.fake.drain();
  EXPECT_FALSE(viewer->isFilling());
  EXPECT_EQ(viewer->document()->characterCount() - 1, text.size());
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// Edit and Save crossfade the viewer and the editor, and the action row and the edit bar, on the
// standard spring; so does a click on Peek for the placeholder and the content. A peek that runs
// out hides the text at once. What fades out takes no pointer and no keys.
// Where a text view's characters stand in the pane: the first line's start and end, and the
// third line's start.
std::vector<QPoint> textPlaces(const QTextEdit& view, const QWidget& pane) {
  std::vector<QPoint> places;
  const QTextDocument& document = *view.document();
  for (const int position : {0, document.findBlockByNumber(0).length() - 1, document.findBlockByNumber(2).position()}) {
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    places.push_back(view.viewport()->mapTo(&pane, view.cursorRect(cursor).topLeft()));
  }
  return places;
}

TEST(LibraryDetailView, TheTextStandsStillAsTheEditorTakesTheViewersPlace) {
  const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog.\nsecond line\nthird line");
  for (const ClipboardItem& item : {textItem(text), codeItem(text, QStringLiteral("swift"))}) {
    SCOPED_TRACE(item.contentType == ContentType::code ? "code" : "text");
    DetailHarness h;
    LibraryDetailView& pane = h.show(item);
    auto* textViewer = qobject_cast<QVTextViewer*>(pane.content());
    auto* codeViewer = qobject_cast<QVCodeViewer*>(pane.content());
    QTextEdit* viewer = textViewer ? static_cast<QTextEdit*>(textViewer) : &codeViewer->textViewer();
    const std::vector<QPoint> viewed = textPlaces(*viewer, pane);
    const QFont viewedFont = viewer->document()->defaultFont();
    ASSERT_TRUE(h.click(Action::edit));
    ASSERT_NE(pane.editor(), nullptr);
    EXPECT_EQ(textPlaces(*pane.editor(), pane), viewed);
    const QFont editedFont = pane.editor()->document()->defaultFont();
    EXPECT_EQ(editedFont.pixelSize(), viewedFont.pixelSize());
    EXPECT_EQ(editedFont.pointSizeF(), viewedFont.pointSizeF());
    EXPECT_EQ(editedFont.family(), viewedFont.family());
  }
}

// The action row and the edit bar share the header's right end: through the swap, each way, one
// of them shows at a time.
TEST(LibraryDetailView, TheActionRowAndTheEditBarShowInTurn) {
  DetailHarness h;
  LibraryDetailView& pane = h.show(textItem("words"));
  const auto opacity = [](QWidget* face) {
    const auto* effect = qobject_cast<QGraphicsOpacityEffect*>(face->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
  };
  for (const bool editing : {true, false}) {
    if (editing) ASSERT_TRUE(h.click(Action::edit));
    else QTest::mouseClick(pane.cancelButton(), Qt::LeftButton, {}, pane.cancelButton()->rect().center());
    int frames = 0, both = 0;
    for (; pane.headerFade().isSwapping() && frames < 120; ++frames) {
      both += opacity(pane.headerFade().outgoing()) > 0 && opacity(pane.headerFade().current()) > 0;
      h.fake.advanceBoth(1.0 / 60);
    }
    EXPECT_GT(frames, 3) << editing;
    EXPECT_EQ(both, 0) << editing;
  }
}

TEST(LibraryDetailView, EditingAndPeekingCrossfade) {
  DetailHarness h;
  const ClipboardItem item = textItem("secret words");
  h.add(item);
  h.state->toggleSensitive(item.id);
  LibraryDetailView& pane = h.show(item);
  QWidget* placeholder = pane.content();
  ASSERT_TRUE(h.click(Action::peek));
  EXPECT_EQ(pane.contentFade().outgoing(), placeholder);
  EXPECT_NE(qobject_cast<QVTextViewer*>(pane.content()), nullptr);
  h.fake.advanceBoth(0.1);
  EXPECT_GT(pane.contentFade().progress(), 0.05);
  EXPECT_LT(pane.contentFade().progress(), 0.95);
  EXPECT_TRUE(placeholder->testAttribute(Qt::WA_TransparentForMouseEvents));
  h.fake.advanceBoth(1);
  EXPECT_FALSE(pane.contentFade().isSwapping());

  const struct {
    const char* name;
    std::function<void()> act;
    bool editing;
  } steps[] = {
      {"Edit", [&] { h.click(Action::edit); }, true},
      {"Save", [&] { QTest::mouseClick(pane.saveButton(), Qt::LeftButton, {}, pane.saveButton()->rect().center()); },
       false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    QWidget* before = pane.content();
    step.act();
    h.fake.drain();
    EXPECT_EQ(pane.isEditing(), step.editing);
    EXPECT_EQ(pane.contentFade().outgoing(), before);
    EXPECT_TRUE(pane.headerFade().isSwapping());
    // The row that leaves takes no clicks: its buttons count as gone at once.
    EXPECT_EQ(pane.button(Action::close) == nullptr, step.editing);
    h.fake.advanceBoth(0.1);
    EXPECT_GT(pane.headerFade().progress(), 0.05);
    EXPECT_LT(pane.headerFade().progress(), 0.95);
    EXPECT_NE(pane.headerFade().outgoing()->graphicsEffect(), nullptr);
    h.fake.advanceBoth(1);
    EXPECT_FALSE(pane.headerFade().isSwapping());
    EXPECT_FALSE(pane.contentFade().isSwapping());
    EXPECT_EQ(pane.saveButton()->isVisibleTo(&pane), step.editing);
    EXPECT_EQ(pane.button(Action::close) == nullptr, step.editing);
  }

  // The peek runs out: hidden at once, nothing fades.
  h.fake.advanceBoth(PanelState::kPeekLifetimeSeconds + 1);
  h.state->expirePeeks();
  EXPECT_NE(qobject_cast<HiddenPlaceholderView*>(pane.content()), nullptr);
  EXPECT_FALSE(pane.contentFade().isSwapping());
}

}  // namespace
}  // namespace qv
