#pragma once
#include "platform/QuickLook.h"

#include <QStringList>

namespace qv {

// A Quick Look window without a window: it records what it was told, and what its source
// answered at each load.
class FakeQuickLook : public QuickLook {
 public:
  void setDataSource(std::shared_ptr<QuickLookDataSource> source) override {
    calls.append(QStringLiteral("setDataSource"));
    dataSource = std::move(source);
  }
  void reloadData() override {
    calls.append(QStringLiteral("reloadData"));
    shown = dataSource && dataSource->numberOfPreviewItems() > 0 ? dataSource->previewItemAt(0) : std::nullopt;
    loads.append(shown);
  }
  void makeKeyAndOrderFront() override {
    calls.append(QStringLiteral("makeKeyAndOrderFront"));
    visible = true;
  }
  bool isVisible() const override { return visible; }
  void close() override {
    if (!visible) return;
    visible = false;
    if (closed) closed();
  }
  bool ownsWindow(const QWindow* window) const override { return window && window == ownWindow; }
  void setClosedHandler(std::function<void()> handler) override { closed = std::move(handler); }

  std::shared_ptr<QuickLookDataSource> dataSource;
  QStringList calls;
  std::optional<QUrl> shown;
  QList<std::optional<QUrl>> loads;
  bool visible = false;
  const QWindow* ownWindow = nullptr;  // a window the test lets stand for the Quick Look window
  std::function<void()> closed;
};

}  // namespace qv
