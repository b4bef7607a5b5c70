#pragma once
#include <QList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QWindow;

namespace qv {

struct PlatformServices;

// What the Quick Look window shows: it asks how many items there are and for the item at an
// index whenever it (re)loads. Called on the main thread.
class QuickLookDataSource {
 public:
  virtual ~QuickLookDataSource() = default;
  virtual int numberOfPreviewItems() const = 0;
  // The item at `index`; nothing when the index is not below the count.
  virtual std::optional<QUrl> previewItemAt(int index) const = 0;
};

// The program's one Quick Look window: a larger look at a file (the picture itself, else its
// largest thumbnail, else its icon, name, size and type) that Space and Escape close. It belongs
// to the edge panel like the panel's own menus: the panel stays open while it is used. Main
// thread only.
class QuickLook {
 public:
  virtual ~QuickLook() = default;
  // The source the window reads from on its next load; held until another one replaces it.
  virtual void setDataSource(std::shared_ptr<QuickLookDataSource> source) = 0;
  // Reads the source again and shows its first item (a window already open switches to it).
  virtual void reloadData() = 0;
  // Shows the window in front of the program's others and gives it the keyboard focus.
  virtual void makeKeyAndOrderFront() = 0;
  virtual bool isVisible() const = 0;
  virtual void close() = 0;
  // Whether `window` is the Quick Look window (false for null).
  virtual bool ownsWindow(const QWindow* window) const = 0;
  // Told each time the window closes (after it is hidden).
  virtual void setClosedHandler(std::function<void()> closed) = 0;
};

// The one data source of the Quick Look window: the files it is asked to show. It is made by
// the first "Quick Look" press (`shared`) and lives until the process ends, keeping the last
// files it was given.
class QuickLookPresenter : public QuickLookDataSource {
 public:
  // The context's presenter, made on first use.
  static QuickLookPresenter& shared(PlatformServices& services);
  // The context's presenter when one was made; null before the first press.
  static QuickLookPresenter* existing(const PlatformServices& services);

  int numberOfPreviewItems() const override { return int(items.size()); }
  std::optional<QUrl> previewItemAt(int index) const override {
    if (index < 0 || index >= items.size()) return std::nullopt;
    return items.at(index);
  }

  QList<QUrl> items;
};

// Shows `url` in the context's Quick Look window: the presenter's items become that one file,
// and the window (when the context has one) takes the presenter, reloads and comes to the
// front. A second call while the window is open switches it to the new file. The file is not
// looked at first: a file that vanished is shown as missing by the window.
void openQuickLook(PlatformServices& services, const QUrl& url);

}  // namespace qv
