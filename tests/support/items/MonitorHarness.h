#pragma once
// A clipboard monitor on the fake pasteboard in virtual time, recording what it hands over.
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QList>
#include <memory>

namespace qv::test {

struct Captured {
  ClipboardItem item;
  bool blurred = false;
};

class MonitorHarness : public ::testing::Test {
 protected:
  static constexpr qint64 kEditorPid = 4100;
  static constexpr qint64 kBrowserPid = 4200;
  static constexpr qint64 kBrowserHelperPid = 4201;

  void SetUp() override {
    installItemServices(*fake.context);
    fake.workspace->setOwnPid(100);
    fake.workspace->addApplication(app(kEditorPid, QStringLiteral("org.example.Editor")));
    fake.workspace->addApplication(app(kBrowserPid, QStringLiteral("org.example.Browser")));
    fake.workspace->addApplication(app(kBrowserHelperPid, QStringLiteral("browser-helper")),
                                   QStringLiteral("org.example.Browser"));
  }

  static RunningApp app(qint64 pid, const QString& desktopId) {
    RunningApp running;
    running.pid = pid;
    running.desktopId = desktopId;
    running.windowClass = desktopId;
    running.executable = QStringLiteral("/usr/bin/") + desktopId;
    return running;
  }

  ClipboardMonitor& makeMonitor() {
    monitor = std::make_unique<ClipboardMonitor>(*fake.context, [this](const ClipboardItem& item, bool blurred) {
      captured.append({item, blurred});
    });
    return *monitor;
  }
  ClipboardMonitor& startMonitor() {
    makeMonitor().start();
    return *monitor;
  }

  // Lets `count` poll intervals pass, running the background queues after each tick as the
  // real threads would.
  void ticks(int count = 1) {
    for (int i = 0; i < count; ++i) {
      fake.scheduler->advance(ClipboardMonitor::kPollInterval);
      fake.drain();
    }
  }
  // From just after a tick: the next tick sees the change, the one after follows its capture.
  void pollAndCapture() { ticks(2); }

  QStringList texts() const {
    QStringList list;
    for (const Captured& entry : captured) list.append(entry.item.plainText().value_or(QStringLiteral("<none>")));
    return list;
  }

  FakeItemContext fake;
  std::unique_ptr<ClipboardMonitor> monitor;
  QList<Captured> captured;
};

}  // namespace qv::test
