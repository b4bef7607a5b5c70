#include "PreviewTestSupport.h"
#include "base/ByteCountText.h"
#include "base/NativePath.h"
#include "items/stores/RichTextStore.h"
#include "platform/fake/FakeAlerts.h"
#include "preview/EditableTextView.h"
#include "preview/FileThumbnailView.h"
#include "preview/FolderPreview.h"
#include "preview/ItemPreviewView.h"
#include "preview/LinkPreview.h"
#include "preview/PDFPreview.h"
#include "preview/PreviewCaption.h"
#include "preview/PreviewContent.h"
#include "preview/PreviewSizing.h"
#include "preview/QuickLookButton.h"
#include "preview/QuickLookWindow.h"
#include "preview/RichDocumentPreview.h"
#include "preview/SharePickerAnchor.h"
#include "preview/TextFilePreview.h"
#include "state/PanelState.h"
#include "support/base/NonUtf8Names.h"
#include "support/state/StateTestSupport.h"
#include "support/ui/WindowPointer.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace qv {
namespace {

using test::PreviewContext;
using namespace qv::test;

// A pane in a shown window over a state that holds its item.
struct PaneHarness {
  PaneHarness() { fake.services->alerts = alerts; }
  ~PaneHarness() {
    pane.reset();
    fake.drain();
  }
  ItemPreviewView& show(const ClipboardItem& item, double availableHeight = 760) {
    QList<ClipboardItem> items = state.items();
    items.prepend(item);
    state.setItems(items);
    pane = std::make_unique<ItemPreviewView>(*fake.services, state, ItemPreviewView::Props{item, availableHeight},
                                             callbacks("A"));
    pane->resize(pane->sizeHint());
    pane->show();
    fake.drain();
    return *pane;
  }
  ItemPreviewView::Callbacks callbacks(const QString& name) {
    return {[this, name] { closes << name; }};
  }
  // The pane's props as the panel hands them after the state changed.
  void refresh() {
    const std::optional<ClipboardItem> item = [&]() -> std::optional<ClipboardItem> {
      for (const ClipboardItem& each : state.items())
        if (each.id == pane->props().item.id) return each;
      return std::nullopt;
    }();
    if (item) pane->setProps({*item, pane->props().availableHeight}, callbacks("A"));
  }
  OrnamentRailButton* button(const QString& label) const {
    for (OrnamentRailButton* each : pane->railButtons())
      if (each->toolTip() == label) return each;
    return nullptr;
  }
  // A real click on the rail button with that label.
  bool click(const QString& label) {
    OrnamentRailButton* target = button(label);
    if (!target) return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(17, 17));
    fake.drain();
    return true;
  }
  QStringList labels() const {
    QStringList result;
    for (const auto& row : pane->rows()) result << row.label;
    return result;
  }
  ClipboardItem stored(const QUuid& id) const {
    for (const ClipboardItem& each : state.items())
      if (each.id == id) return each;
    return {};
  }
  FakePasteboard& pasteboard() const { return static_cast<FakePasteboard&>(*fake.services->pasteboard); }
  FakeWorkspace& workspace() const { return static_cast<FakeWorkspace&>(*fake.services->workspace); }

  PreviewContext fake;
  std::shared_ptr<FakeAlerts> alerts = std::make_shared<FakeAlerts>();
  PanelState state{*fake.services};
  std::unique_ptr<ItemPreviewView> pane;
  QStringList closes;
};

ClipboardItem fileWithUrl(const QString& name, std::optional<Url> url) {
  return ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Files"), QDateTime::currentDateTimeUtc(),
                             FilePayload{name, QStringLiteral("1 KB"), std::move(url)});
}

QString reveal() { return ItemPreviewView::revealLabel(); }

}  // namespace

TEST(ItemPreviewView, TheRailShowsTheButtonsOfEachKind) {
  const QString close = "Close", copy = "Copy to clipboard", plain = "Copy as plain text", edit = "Edit",
                share = "Share", pin = "Pin", open = "Open in Browser";
  const struct {
    const char* name;
    ClipboardItem item;
    QStringList labels;
  } cases[] = {
      {"text", textItem("hello"), {close, copy, plain, edit, share, pin}},
      {"code", codeItem("let a = 1", "Swift"), {close, copy, plain, edit, share, pin}},
      {"link", linkItem("https://example.org/a"), {close, copy, plain, share, pin, open}},
      {"colour", colorItem("#FFCC00"), {close, copy, plain, share, pin}},
      {"image", imageItem(testImage()), {close, copy, share, pin}},
      {"local file", fileItem("/tmp/report.pdf"), {close, copy, plain, share, pin, reveal()}},
      {"file without a URL", fileWithUrl("a.txt", std::nullopt), {close, copy, plain, share, pin}},
      {"remote file",
       fileWithUrl("a.txt", parseStrictUrl("https://example.org/a.txt")),
       {close, copy, plain, share, pin}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PaneHarness h;
    ItemPreviewView& pane = h.show(c.item);
    EXPECT_EQ(h.labels(), c.labels);
    EXPECT_EQ(ItemPreviewView::toolbarActionCount(c.item), c.labels.size());
    ASSERT_EQ(pane.railButtons().size(), size_t(c.labels.size()));
    // Each button says what it does, as its tooltip and to screen readers.
    for (OrnamentRailButton* button : pane.railButtons()) EXPECT_EQ(button->accessibility().name, button->toolTip());
    // Ctrl+R reveals only what is a file on this machine.
    EXPECT_EQ(pane.hasRevealShortcut(), c.labels.contains(reveal()));
  }
  EXPECT_EQ(reveal(), "Show in Files  Ctrl+R");
}

TEST(ItemPreviewView, TheContentBoxIsAsTallAsTheRailNeedsAndTheHostAllows) {
  const QString tall = QStringLiteral("line\n").repeated(200);
  const struct {
    const char* name;
    ClipboardItem item;
    double available;
    double height;
  } cases[] = {
      {"image in a small host", imageItem(testImage(1000, 1000)), 100, 200},
      {"small text in a small host", textItem("hi"), 100, 264},
      {"small text in a large host", textItem("hi"), 900, 264},
      {"colour in a small host: five buttons need 226", colorItem("#FFCC00"), 100, 226},
      {"colour", colorItem("#FFCC00"), 900, 260},
      {"long text in a large host", textItem(tall), 900, 620},
      {"long text in a middle host", textItem(tall), 400, 400},
      {"square image", imageItem(testImage(1000, 1000)), 900, 362},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ItemPreviewView::previewHeight(c.item, c.available), c.height) << c.name;
}

TEST(ItemPreviewView, TheRailFacesThePanelAndTheCaptionCentresUnderTheContent) {
  for (const char* side : {"left", "right", ""}) {
    SCOPED_TRACE(side);
    PaneHarness h;
    h.state.setEdgeSide(QString::fromLatin1(side));
    ItemPreviewView& pane = h.show(textItem("hello"));
    const QRectF content = pane.contentBoxRect(), rail = pane.railRect(), caption = pane.captionBoxRect();
    const bool left = QLatin1String(side) == QLatin1String("left");
    EXPECT_EQ(content.width(), 420 - 58);
    EXPECT_EQ(rail.width(), 46);
    EXPECT_EQ(left ? content.left() - rail.right() : rail.left() - content.right(), 12);
    EXPECT_DOUBLE_EQ(rail.center().y(), content.center().y());
    EXPECT_DOUBLE_EQ(caption.top(), content.bottom() + 8);
    EXPECT_NEAR(caption.center().x(), content.center().x(), 0.5);
    EXPECT_EQ(pane.sizeHint(), (QSizeF(420, content.height() + 8 + caption.height()) +
                                QSizeF(2 * ItemPreviewView::kShadowRoom, 2 * ItemPreviewView::kShadowRoom))
                                   .toSize());
    // Only the boxes take the pointer: not the gap between content and rail, not the shadows.
    const QPainterPath shape = pane.hitShape();
    EXPECT_TRUE(shape.contains(content.center()));
    EXPECT_TRUE(shape.contains(rail.center()));
    EXPECT_TRUE(shape.contains(caption.center()));
    EXPECT_FALSE(shape.contains(QPointF(left ? rail.right() + 6 : rail.left() - 6, content.center().y())));
    EXPECT_FALSE(shape.contains(QPointF(5, 5)));
    EXPECT_FALSE(shape.contains(content.topLeft() + QPointF(1, 1)));  // round corners
  }
}

TEST(ItemPreviewView, CopyClosesThePaneOnlyWhenTheWriteSucceeded) {
  const struct {
    const char* name;
    ClipboardItem item;
    QString button;
    bool writes;
  } cases[] = {
      {"text", textItem("hello"), "Copy to clipboard", true},
      {"text as plain text", textItem("hello"), "Copy as plain text", true},
      {"link as plain text", linkItem("https://example.org/a"), "Copy as plain text", true},
      {"image without a picture", imageItem(QImage()), "Copy to clipboard", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PaneHarness h;
    h.show(c.item);
    ASSERT_TRUE(h.click(c.button));
    EXPECT_EQ(h.pasteboard().writes().size(), c.writes ? 1 : 0);
    EXPECT_EQ(h.closes, c.writes ? QStringList{"A"} : QStringList{});
  }
  PaneHarness h;
  h.show(textItem("hello"));
  h.click("Copy as plain text");
  ASSERT_EQ(h.pasteboard().writes().size(), 1);
  EXPECT_EQ(h.pasteboard().writes().first().text, "hello");
  EXPECT_TRUE(h.pasteboard().writes().first().html.isEmpty());
}

TEST(ItemPreviewView, EditingSavesDiscardsAndCancelsThroughTheState) {
  for (const char* flow : {"save", "discard", "cancel trigger", "pane gone", "pane hidden"}) {
    SCOPED_TRACE(flow);
    PaneHarness h;
    const ClipboardItem other = textItem("other");
    h.state.setItems({other});
    const ClipboardItem item = textItem("first");
    ItemPreviewView& pane = h.show(item);
    ASSERT_TRUE(h.click("Edit"));
    ASSERT_TRUE(pane.isEditing());
    EXPECT_TRUE(h.state.previewEditingActive());
    EXPECT_EQ(h.labels(), (QStringList{"Save changes", "Discard changes"}));
    EXPECT_TRUE(pane.rows().front().isSelected);
    ASSERT_NE(pane.editor(), nullptr);
    EXPECT_FALSE(pane.editor()->isMonospaced());
    pane.editor()->setFocus();
    QTest::keyClicks(pane.editor(), " edit");
    EXPECT_EQ(pane.draft(), "first edit");

    const std::string f = flow;
    if (f == "save") h.click("Save changes");
    if (f == "discard") h.click("Discard changes");
    if (f == "cancel trigger") h.state.raiseCancelPreviewEditTrigger();
    if (f == "pane gone") h.pane.reset();
    if (f == "pane hidden") pane.hide();
    h.fake.drain();
    // The panel's keys come back however the editor went.
    EXPECT_FALSE(h.state.previewEditingActive());
    const QString expected = f == "save" ? "first edit" : "first";
    EXPECT_EQ(std::get<TextPayload>(h.stored(item.id).payload).text, expected);
    EXPECT_EQ(std::get<TextPayload>(h.stored(other.id).payload).text, "other");
    if (!h.pane || f == "pane hidden") continue;
    h.refresh();
    EXPECT_FALSE(pane.isEditing());
    EXPECT_EQ(pane.editor(), nullptr);
    EXPECT_TRUE(pane.draft().isEmpty() || f == "save");
    EXPECT_EQ(h.labels().first(), "Close");
    auto* viewer = qobject_cast<QVTextViewer*>(pane.content());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->props().text, expected);
  }
}

// Save after an edit brings the rail's buttons back, one of them where Save was: a second click
// there copies nothing; once the pointer moves onto that button, it acts.
TEST(ItemPreviewView, AButtonThatCameWhereSaveWasWaitsForThePointer) {
  for (const int afterMs : {test::WindowPointer::doubleClickMs(), 150, 300, 500, 1000}) {
    SCOPED_TRACE(afterMs);
    PaneHarness h;
    const ClipboardItem item = textItem("first");
    ItemPreviewView& pane = h.show(item);
    h.fake.advance(1);
    ASSERT_TRUE(h.click("Edit"));
    h.fake.advance(1);
    pane.editor()->setFocus();
    QTest::keyClicks(pane.editor(), " edit");
    OrnamentRailButton* save = h.button("Save changes");
    ASSERT_NE(save, nullptr);
    const QPoint onSave = save->geometry().center();
    test::WindowPointer pointer(pane);
    pointer.moveTo(onSave);
    pointer.click(onSave);
    h.refresh();
    EXPECT_EQ(std::get<TextPayload>(h.stored(item.id).payload).text, "first edit");
    const qsizetype writes = h.pasteboard().writes().size();
    h.fake.advance(afterMs / 1000.0);
    pointer.click(onSave, afterMs);
    h.fake.advance(1);
    EXPECT_EQ(h.pasteboard().writes().size(), writes) << "the button that came took the second click";
    EXPECT_EQ(h.closes, QStringList{});
    QWidget* under = pane.childAt(onSave);
    auto* came = qobject_cast<OrnamentRailButton*>(under);
    ASSERT_NE(came, nullptr);
    EXPECT_EQ(came->toolTip(), "Copy as plain text");
    pointer.moveTo(onSave);
    pointer.click(onSave);
    h.fake.advance(1);
    EXPECT_EQ(h.pasteboard().writes().size(), writes + 1) << "the pointer moved onto the button";
  }
}

// Clicks in place on the rail, the pointer never moving: Edit brings Discard under the pointer and
// Discard brings Edit back, the same button acting anew. Within the double-click interval the
// button that came takes no click (a double-click on Edit discards nothing); later it does.
TEST(ItemPreviewView, EditAndDiscardTakeClicksInPlaceOnceNoDoubleClickCanBegin) {
  for (const int afterMs : {test::WindowPointer::doubleClickMs(), 300, 500, 1000}) {
    SCOPED_TRACE(afterMs);
    const bool takes = afterMs >= 400;  // the toolkit's double-click interval
    PaneHarness h;
    const ClipboardItem item = textItem("first");
    ItemPreviewView& pane = h.show(item);
    h.fake.advance(1);
    OrnamentRailButton* edit = h.button("Edit");
    ASSERT_NE(edit, nullptr);
    const QPoint onEdit = edit->geometry().center();
    test::WindowPointer pointer(pane);
    pointer.moveTo(onEdit);
    pointer.click(onEdit);
    h.refresh();
    h.fake.advance(afterMs / 1000.0);
    ASSERT_TRUE(pane.isEditing());
    auto* discard = qobject_cast<OrnamentRailButton*>(pane.childAt(onEdit));
    ASSERT_NE(discard, nullptr);
    ASSERT_EQ(discard->toolTip(), "Discard changes");
    pointer.click(onEdit, afterMs);
    h.refresh();
    h.fake.advance(1);
    EXPECT_EQ(pane.isEditing(), !takes) << "Discard, come under the pointer, took the click";
    if (!takes) continue;
    pointer.click(onEdit);
    h.refresh();
    h.fake.advance(1);
    EXPECT_TRUE(pane.isEditing()) << "Edit, back under the pointer, took the click";
  }
}

// The pointer rests on Pin and clicks it; the pane then shows a link, whose rail keeps that button
// for Open in Browser. A quick second click there opens nothing; one after the double-click
// interval opens the link.
TEST(ItemPreviewView, ARailButtonKeptForAnotherActionTakesNoQuickSecondClick) {
  for (const int afterMs : {test::WindowPointer::doubleClickMs(), 300, 500}) {
    SCOPED_TRACE(afterMs);
    PaneHarness h;
    // A host too low for either content: both panes are as tall as their rails.
    ItemPreviewView& pane = h.show(textItem("first"), 200);
    h.fake.advance(1);
    OrnamentRailButton* pin = h.button("Pin");
    ASSERT_NE(pin, nullptr);
    const QPoint onPin = pin->geometry().center();
    test::WindowPointer pointer(pane);
    pointer.moveTo(onPin);
    pointer.click(onPin);
    h.refresh();
    ASSERT_EQ(h.button("Unpin"), pin);
    const ClipboardItem link = linkItem("https://example.org/a");
    h.state.setItems(QList<ClipboardItem>{link} + h.state.items());
    pane.setProps({link, pane.props().availableHeight}, h.callbacks("A"));
    h.fake.advance(afterMs / 1000.0);
    ASSERT_EQ(h.button("Open in Browser"), pin) << "the same button, kept for another action";
    ASSERT_TRUE(pin->geometry().contains(onPin));
    pointer.click(onPin, afterMs);
    h.fake.drain();
    EXPECT_EQ(h.workspace().openedUrls.size(), afterMs >= 400 ? 1 : 0);
  }
}

TEST(ItemPreviewView, ACodeItemIsEditedMonospacedAndKeepsItsLanguage) {
  PaneHarness h;
  ItemPreviewView& pane = h.show(codeItem("x = 1", "Python"));
  h.click("Edit");
  ASSERT_NE(pane.editor(), nullptr);
  EXPECT_TRUE(pane.editor()->isMonospaced());
  pane.editor()->setFocus();
  QTest::keyClick(pane.editor(), Qt::Key_End);
  QTest::keyClicks(pane.editor(), "0");
  h.click("Save changes");
  EXPECT_EQ(h.stored(pane.props().item.id).payload, ClipboardPayload(CodePayload{"x = 10", "Python"}));
}

// What is saved is the text as copied with the user's keys and nothing else: an edit that ends
// where it began saves nothing, and the rich form stays.
TEST(ItemPreviewView, SavingAnEditKeepsWhatTheUserDidNotTouch) {
  const QString mixed = QStringLiteral("first\r\nsecond\nthird\rfourth\r\nfifth");
  const QString separators = QString::fromUtf16(u"one\u2029two\uFDD0three\uFDD1");
  const struct {
    const char* name;
    QString text;
    QList<Qt::Key> keys;
    QString saved;
  } cases[] = {
      {"no edit", QStringLiteral("bold"), {}, QStringLiteral("bold")},
      {"mixed breaks, x typed and removed", mixed, {Qt::Key_X, Qt::Key_Backspace}, mixed},
      {"U+2029, U+FDD0, U+FDD1, x typed and removed", separators, {Qt::Key_X, Qt::Key_Backspace}, separators},
      {"mixed breaks, x typed", mixed, {Qt::Key_X}, mixed + u'x'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PaneHarness h;
    const ClipboardItem item = textItem(c.text);
    const RichTextStore& rich = *h.fake.services->richTextStore;
    ASSERT_TRUE(storeRichForm(rich, item));
    ItemPreviewView& pane = h.show(item);
    h.click("Edit");
    ASSERT_NE(pane.editor(), nullptr);
    pane.editor()->setFocus();
    for (const Qt::Key key : c.keys) QTest::keyClick(pane.editor(), key);
    h.click("Save changes");
    EXPECT_EQ(std::get<TextPayload>(h.stored(item.id).payload).text.toUtf8(), c.saved.toUtf8());
    const bool edited = c.saved != c.text;
    EXPECT_EQ(rich.read(item.idString()).has_value(), !edited);
    EXPECT_EQ(h.state.isSavePending(), edited);
  }
}

TEST(ItemPreviewView, PinFlipsOnAPress) {
  PaneHarness h;
  const ClipboardItem item = textItem("hello");
  h.show(item);
  ASSERT_TRUE(h.click("Pin"));
  EXPECT_TRUE(h.state.pinnedIDs().contains(item.id));
  ASSERT_NE(h.button("Unpin"), nullptr);
  EXPECT_EQ(h.button("Unpin")->props().icon, "pin.fill");
  EXPECT_TRUE(h.button("Unpin")->props().isSelected);
  h.click("Unpin");
  EXPECT_FALSE(h.state.pinnedIDs().contains(item.id));
}

TEST(ItemPreviewView, OpenInBrowserFollowsTheLinkRuleAndClosesThePane) {
  const struct {
    const char* url;
    bool asks;
  } cases[] = {{"https://example.org/a", false}, {"file:///home/anna/run.sh", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    PaneHarness h;
    h.alerts->answer = 1;  // Cancel
    h.show(linkItem(QString::fromLatin1(c.url)));
    ASSERT_TRUE(h.click("Open in Browser"));
    EXPECT_EQ(h.closes, QStringList{"A"});
    EXPECT_EQ(h.alerts->shown.size(), c.asks ? 1 : 0);
    EXPECT_EQ(h.workspace().openedUrls.size(), c.asks ? 0 : 1);
  }
}

TEST(ItemPreviewView, ShowInFilesRevealsTheFileByButtonAndByCtrlR) {
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey ? "Ctrl+R" : "button");
    PaneHarness h;
    ItemPreviewView& pane = h.show(fileItem("/tmp/report.pdf"));
    if (byKey) {
      QApplication::setActiveWindow(&pane);
      QTest::keyClick(&pane, Qt::Key_R, Qt::ControlModifier);
      h.fake.drain();
    } else {
      ASSERT_TRUE(h.click(reveal()));
    }
    EXPECT_EQ(h.workspace().revealedFiles, QStringList{"/tmp/report.pdf"});
    EXPECT_EQ(h.closes, QStringList{"A"});
  }
}

TEST(ItemPreviewView, TheCallbacksOfTheLatestPropsClose) {
  for (const bool changed : {false, true}) {
    PaneHarness h;
    ItemPreviewView& pane = h.show(textItem("hello"));
    ClipboardItem item = pane.props().item;
    if (changed) item.payload = TextPayload{"hello again"};
    pane.setProps({item, pane.props().availableHeight}, h.callbacks("B"));
    h.click("Close");
    EXPECT_EQ(h.closes, QStringList{"B"});
  }
}

// A sensitive item shows only a blurred picture of its content; what lies under it is out of
// reach of the pointer and of screen readers, and an open editor keeps the keyboard.
TEST(ItemPreviewView, ASensitiveItemShowsABlurredPictureUntilPeekedAt) {
  PaneHarness h;
  const ClipboardItem item = textItem("secret words");
  h.state.setSensitiveIDs({item.id});
  ItemPreviewView& pane = h.show(item);
  ASSERT_TRUE(pane.isConcealed());
  EXPECT_FALSE(pane.concealedPicture().isNull());
  QWidget* content = pane.content();
  ASSERT_NE(content, nullptr);
  const QPoint middle = pane.contentBoxRect().center().toPoint();
  QWidget* under = pane.childAt(middle);
  EXPECT_TRUE(under != content && !content->isAncestorOf(under)) << "the pointer reaches the live content";
  QAccessibleInterface* hidden = QAccessible::queryAccessibleInterface(content);
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(hidden->state().invisible);
  EXPECT_TRUE(hidden->text(QAccessible::Value).isEmpty());
  EXPECT_EQ(hidden->childCount(), 0);
  QAccessibleInterface* cover = QAccessible::queryAccessibleInterface(under);
  ASSERT_NE(cover, nullptr);
  EXPECT_EQ(cover->text(QAccessible::Name), "Marked sensitive");
  // The toolbar stays usable.
  EXPECT_TRUE(h.click("Pin"));
  EXPECT_TRUE(h.state.pinnedIDs().contains(item.id));

  // Editing under the cover: typing goes to the editor and the picture follows.
  h.click("Edit");
  ASSERT_NE(pane.editor(), nullptr);
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(pane.editor())->state().invisible);
  QApplication::setActiveWindow(&pane);
  pane.editor()->setFocus();
  const QImage before = pane.concealedPicture();
  QTest::keyClicks(pane.editor(), " and more words typed under the cover");
  QApplication::processEvents();
  h.fake.advance(0.2);
  EXPECT_TRUE(pane.editor()->hasFocus());
  EXPECT_NE(pane.concealedPicture(), before);
  h.click("Discard changes");

  h.state.togglePeek(item.id);
  EXPECT_FALSE(pane.isConcealed());
  EXPECT_TRUE(pane.concealedPicture().isNull());
  EXPECT_EQ(pane.childAt(middle) == pane.content() || pane.content()->isAncestorOf(pane.childAt(middle)), true);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(pane.content())->state().invisible);
}

TEST(PreviewContent, FilesGoToTheirRenderersByRoute) {
  QTemporaryDir dir;
  auto make = [&](const QString& name, bool folder = false) {
    const QString path = dir.filePath(name);
    if (folder) QDir().mkpath(path);
    else {
      QFile file(path);
      file.open(QIODevice::WriteOnly);
      file.write("x");
    }
    return path;
  };
  const auto local = [](const QString& path) {
    return FilePayload{QFileInfo(path).fileName(), {}, Url::fromLocalFile(path)};
  };
  const struct {
    const char* name;
    FilePayload file;
    FileContentRoute route;
  } cases[] = {
      {"no URL", FilePayload{"a.txt", {}, std::nullopt}, FileContentRoute::missing},
      {"gone", local(dir.filePath("gone.txt")), FileContentRoute::missing},
      {"remote", FilePayload{"a.txt", {}, parseStrictUrl("https://example.org" + make("a.txt"))},
       FileContentRoute::missing},
      {"folder with a slash", local(make("Folder", true) + "/"), FileContentRoute::folder},
      {"folder without one", local(make("Plain", true)), FileContentRoute::folder},
      {"package folder", local(make("Old.rtfd", true) + "/"), FileContentRoute::folder},
      {"DOCX", local(make("Report.DOCX")), FileContentRoute::richDocument},
      {"text", local(make("notes.txt")), FileContentRoute::textFile},
      {"PDF", local(make("scan.pdf")), FileContentRoute::pdf},
      {"anything else", local(make("archive.zip")), FileContentRoute::thumbnail},
  };
  for (const auto& c : cases) EXPECT_EQ(fileContentRoute(c.file), c.route) << c.name;
}

TEST(PreviewContent, AMissingFileNamesItselfAndSaysWhereItWasOnlyWithALocation) {
  PreviewContext fake;
  for (const bool hadURL : {true, false}) {
    QWidget host;
    QWidget* view = makeFileContent(
        *fake.services,
        FilePayload{"Quarterly report.pdf",
                    {},
                    hadURL ? parseStrictUrl("file:///nowhere/Quarterly%20report.pdf") : std::nullopt},
        {}, &host);
    auto* notice = qobject_cast<MissingFileView*>(view);
    ASSERT_NE(notice, nullptr);
    notice->resize(360, 300);
    EXPECT_EQ(notice->nameLines(), QStringList{"Quarterly report.pdf"});
    EXPECT_EQ(notice->noticeRect().isEmpty(), !hadURL);
    EXPECT_EQ(notice->iconRect().size(), QSizeF(72, 72));
    EXPECT_NEAR(notice->iconRect().center().x(), 180, 0.5);
  }
}

// A file that goes while its preview shows: the pane keeps what it shows, and the next content
// it makes for the item is the notice.
TEST(ItemPreviewView, AFileRemovedWhileShownBecomesTheNotice) {
  QTemporaryDir dir;
  const QString path = dir.filePath("archive.zip");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("zip");
  }
  PaneHarness h;
  ClipboardItem item = fileItem(path);
  ItemPreviewView& pane = h.show(item);
  QFile::remove(path);
  h.fake.advance(1);
  ASSERT_NE(pane.content(), nullptr);
  std::get<FilePayload>(item.payload).edit().size = QStringLiteral("3 bytes");
  pane.setProps({item, 760}, h.callbacks("A"));
  auto* notice = qobject_cast<MissingFileView*>(pane.content());
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->props().hadLocation);
}

TEST(PreviewContent, TheColourSwatchTakesItsInkFromTheLuminance) {
  PreviewContext fake;
  const struct {
    int r, g, b;
    QColor ink;
    const char* title;
  } cases[] = {
      {255, 255, 0, Qt::black, "#FFFF00"},
      {0, 0, 255, Qt::white, "#0000FF"},
      {155, 155, 155, Qt::white, "#9B9B9B"},
      {156, 156, 156, Qt::black, "#9C9C9C"},
  };
  for (const auto& c : cases) {
    ColorSwatchView swatch(*fake.services);
    swatch.setProps({c.r, c.g, c.b});
    EXPECT_EQ(swatch.ink(), c.ink) << c.title;
    EXPECT_EQ(ColorSwatchView::title(c.r, c.g, c.b), c.title);
  }
  EXPECT_EQ(ColorSwatchView::rgbText(255, 204, 0), "rgb(255, 204, 0)");
  // The title comes from the components, whatever the stored hex says.
  QWidget host;
  const ClipboardItem lowerCase = ClipboardItem::make(QUuid::createUuid(), {}, QDateTime::currentDateTimeUtc(),
                                                      ColorPayload{"#ffcc00", 255, 204, 0});
  auto* swatch = qobject_cast<ColorSwatchView*>(makePreviewContent(*fake.services, lowerCase, &host));
  ASSERT_NE(swatch, nullptr);
  EXPECT_EQ(swatch->accessibility().name, "#FFCC00");
}

TEST(ItemPreviewView, AOneLineTextOf256000CharactersShows) {
  PaneHarness h;
  ItemPreviewView& pane = h.show(textItem(QString(256000, u'a')));
  EXPECT_EQ(pane.contentBoxRect().height(), 620);
  EXPECT_EQ(pane.contentBoxRect().width(), 560 - 58);
  EXPECT_NE(qobject_cast<QVTextViewer*>(pane.content()), nullptr);
}

}  // namespace qv

namespace qv {

// A file with no richer renderer shows its thumbnail; the compact Quick Look button sits 10
// points above the box's bottom, centred, and a click on it shows the file in Quick Look.
TEST(ItemPreviewView, AFileShownByItsThumbnailOpensInQuickLook) {
  QTemporaryDir dir;
  const QString path = dir.filePath("archive.zip");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("zip");
  }
  PaneHarness h;
  ItemPreviewView& pane = h.show(fileItem(path));
  auto* thumbnail = pane.content()->findChild<FileThumbnailView*>();
  auto* button = pane.content()->findChild<QuickLookButton*>();
  ASSERT_NE(thumbnail, nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(thumbnail->props(), (FileThumbnailView::Props{path, "archive.zip", 16, 10, {420, 320}}));
  EXPECT_TRUE(button->props().compact);
  const QRectF capsule = button->capsuleRect().translated(button->pos());
  EXPECT_NEAR(capsule.bottom(), pane.content()->height() - 10, 1);
  EXPECT_NEAR(capsule.center().x(), pane.content()->width() / 2.0, 1);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->capsuleRect().center().toPoint());
  h.fake.drain();
  EXPECT_TRUE(h.fake.quickLook->visible);
  EXPECT_EQ(h.fake.quickLook->shown, QUrl::fromLocalFile(path));
  EXPECT_TRUE(h.closes.isEmpty()) << "the pane stays";
}

TEST(ItemPreviewView, AFolderShowsTheFolderPreview) {
  QTemporaryDir dir;
  for (const QString suffix : {"/", ""}) {
    PaneHarness h;
    ItemPreviewView& pane = h.show(fileItem(dir.path() + suffix));
    auto* folder = qobject_cast<FolderPreview*>(pane.content());
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->name(), QFileInfo(dir.path()).fileName());
  }
}

// Text files, PDF and word-processing documents and links get their own renderers, at the pane's
// sizes.
TEST(ItemPreviewView, TextFilesDocumentsAndLinksGetTheirRenderers) {
  QTemporaryDir dir;
  const auto write = [&](const QString& name) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("print('hello')\n");
    return path;
  };
  const QString script = write("tool.py"), pdf = write("scan.pdf"), word = write("Report.DOCX");
  {
    PaneHarness h;
    auto* rich = qobject_cast<RichDocumentPreview*>(h.show(fileItem(word)).content());
    ASSERT_NE(rich, nullptr);
    EXPECT_EQ(rich->props().url, QUrl::fromLocalFile(word));
  }
  {
    PaneHarness h;
    auto* text = qobject_cast<TextFilePreview*>(h.show(fileItem(script)).content());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->props().url, QUrl::fromLocalFile(script));
  }
  {
    PaneHarness h;
    auto* document = qobject_cast<PDFPreview*>(h.show(fileItem(pdf)).content());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->props().url, QUrl::fromLocalFile(pdf));
    EXPECT_TRUE(document->props().compact);
  }
  {
    PaneHarness h;
    const ClipboardItem item = linkItem("https://example.org/a");
    auto* link = qobject_cast<LinkPreviewContent*>(h.show(item).content());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->props(), LinkPreviewContent::Props::of(item));
  }
}

}  // namespace qv

namespace qv {

// The pane arrives with its content box; the rail follows 0.05 s later and the caption 0.08 s
// later, each growing from 0.9 while it fades in (about the rail's middle, from the caption's
// top), on the snappy spring. Reduced motion only fades; without a compositor they are there.
TEST(ItemPreviewView, TheRailAndTheCaptionEnterAfterThePane) {
  const struct {
    const char* name;
    bool compositor;
    bool reduced;
  } cases[] = {{"composited", true, false}, {"reduced motion", true, true}, {"no compositor", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::PreviewContext fake;
    fake.appearance->setReduceMotion(c.reduced);
    PanelState state(*fake.services);
    const ClipboardItem item = test::textItem("hello");
    state.setItems({item});
    ItemPreviewView pane(*fake.services, state, {item, 760}, {});
    pane.setTranslucency({c.compositor, false});
    pane.show();
    int pictures = 0;
    QObject::connect(&pane, &ItemPreviewView::entranceStepped, [&] { ++pictures; });
    const auto middleButton = [&] { return pane.railButtons()[2]; };
    const QRectF rail = pane.railRect();
    if (!c.compositor) {
      EXPECT_EQ(pane.railEntrance(), 1);
      EXPECT_EQ(pane.captionEntrance(), 1);
      EXPECT_EQ(pane.caption().transitionOpacity(), 1);
      continue;
    }
    fake.advance(0.045);
    EXPECT_EQ(pane.railEntrance(), 0) << "the rail waits 0.05 s";
    EXPECT_EQ(middleButton()->transitionOpacity(), 0);
    EXPECT_EQ(pane.caption().transitionOpacity(), 0);
    fake.advance(0.03);
    EXPECT_GT(pane.railEntrance(), 0);
    EXPECT_EQ(pane.captionEntrance(), 0) << "the caption waits 0.08 s";
    fake.advance(0.05);
    const ItemPreviewView::EntranceLook rail1 = pane.entranceLook(pane.railEntrance());
    ASSERT_GT(rail1.opacity, 0.05);
    ASSERT_LT(rail1.opacity, 0.95);
    EXPECT_NEAR(middleButton()->transitionOpacity(), rail1.opacity, 1e-9);
    if (c.reduced) {
      EXPECT_EQ(rail1.scale, 1);
      EXPECT_EQ(pane.caption().transitionScale(), 1);
    } else {
      EXPECT_NEAR(rail1.scale, 0.9 + 0.1 * pane.railEntrance(), 1e-9);
      EXPECT_NEAR(middleButton()->transitionScale(), rail1.scale, 1e-9);
      // The first button moves towards the rail's middle as the rail grows about it.
      const QPointF first = pane.railButtons()[0]->geometry().center();
      EXPECT_GT(first.y(), rail.top() + ItemPreviewView::kRailPadding + OrnamentRailButton::kFace / 2 + 1);
      // The caption grows from its box's top.
      EXPECT_LT(pane.caption().transitionScale(), 1);
    }
    EXPECT_GT(pane.caption().transitionOpacity(), 0);
    fake.advance(1);
    EXPECT_EQ(pane.railEntrance(), 1);
    EXPECT_EQ(pane.captionEntrance(), 1);
    EXPECT_FALSE(pane.isEntering());
    EXPECT_EQ(middleButton()->transitionScale(), 1);
    EXPECT_EQ(pane.caption().transitionOpacity(), 1);
    EXPECT_EQ(
        pane.railButtons()[0]->geometry().topLeft(),
        QPointF(rail.left() + ItemPreviewView::kRailPadding, rail.top() + ItemPreviewView::kRailPadding).toPoint());
    EXPECT_GT(pictures, 10) << "a host picturing the arriving pane hears each step";
  }
}

// Going into editing and out again crossfades the viewer and the editor on the standard spring;
// the one leaving takes no pointer. Under the cover of a sensitive item there is nothing to fade.
TEST(ItemPreviewView, TheEditorAndTheViewerCrossfade) {
  for (const bool sensitive : {false, true}) {
    SCOPED_TRACE(sensitive ? "sensitive" : "plain");
    PaneHarness h;
    const ClipboardItem item = test::textItem("hello");
    if (sensitive) h.state.setSensitiveIDs({item.id});
    ItemPreviewView& pane = h.show(item);
    QWidget* viewer = pane.content();
    ASSERT_TRUE(h.click("Edit"));
    ASSERT_NE(pane.editor(), nullptr);
    if (sensitive) {
      EXPECT_FALSE(pane.contentFade().isSwapping());
      continue;
    }
    EXPECT_EQ(pane.contentFade().outgoing(), viewer);
    h.fake.advance(0.1);
    ASSERT_TRUE(pane.contentFade().isSwapping());
    const double p = pane.contentFade().progress();
    EXPECT_GT(p, 0.05);
    EXPECT_LT(p, 0.95);
    EXPECT_TRUE(viewer->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_NE(viewer->graphicsEffect(), nullptr);
    h.fake.advance(1);
    EXPECT_FALSE(pane.contentFade().isSwapping());
    EXPECT_EQ(pane.editor()->graphicsEffect(), nullptr);
    ASSERT_TRUE(h.click("Discard changes"));
    EXPECT_TRUE(pane.contentFade().isSwapping());
    EXPECT_NE(qobject_cast<QVTextViewer*>(pane.content()), nullptr);
    h.fake.advance(1);
    EXPECT_FALSE(pane.contentFade().isSwapping());
  }
}

// A name that is not UTF-8, as a copy of it is recorded: its address escapes the bytes.
TEST(ItemPreviewView, AFileWhoseNameIsNotUtf8IsShownMeasuredAndRevealedByItsOwnBytes) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    QByteArray extension;
    QByteArray content;
    FileContentRoute route;
  } cases[] = {
      {"text", ".txt", "hello from a strange name\n", FileContentRoute::textFile},
      {"anything else", ".zip", "PK\x05\x06", FileContentRoute::thumbnail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray name = "bad\xff\xfe name" + c.extension;
    const QString path = writeFileNamedInBytes(dir.path(), c.content, name);
    ASSERT_FALSE(path.isEmpty());
    const QByteArray address = "file://" + QFile::encodeName(dir.path()) + "/bad%FF%FE%20name" + c.extension;
    const ClipboardItem item = ClipboardItem::make(
        QUuid::createUuid(), QStringLiteral("org.example.Files"), QDateTime::currentDateTimeUtc(),
        FilePayload{shownPath(path.section(u'/', -1)), QString(), Url::fromQUrl(QUrl::fromEncoded(address))});
    EXPECT_EQ(fileContentRoute(std::get<FilePayload>(item.payload)), c.route);

    PaneHarness h;
    ItemPreviewView& pane = h.show(item);
    if (c.route == FileContentRoute::textFile) {
      auto* text = qobject_cast<TextFilePreview*>(pane.content());
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->shown(), TextFilePreview::Shown::text);
      EXPECT_EQ(text->contents(), QString::fromLatin1(c.content));
    } else {
      ASSERT_EQ(h.fake.thumbnails->requests.size(), 1);
      EXPECT_EQ(nativePath(h.fake.thumbnails->requests.first().path), nativePath(path));
    }
    EXPECT_EQ(std::get<FilePayload>(h.stored(item.id).payload)->size, byteCountText(c.content.size()));
    EXPECT_EQ(QuickLookView::lookAt(path).sizeText, byteCountText(c.content.size())) << "Quick Look";
    ASSERT_TRUE(h.click(reveal()));
    ASSERT_EQ(h.workspace().revealedFiles.size(), 1);
    EXPECT_EQ(nativePath(h.workspace().revealedFiles.first()), nativePath(dir.path()) + '/' + name);
  }
}

}  // namespace qv
