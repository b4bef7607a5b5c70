#pragma once
#include "platform/AppContext.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSerialQueue.h"
#include "platform/fake/FakeWindowList.h"
#include "platform/fake/FakeWorkspace.h"

#include <QTemporaryDir>

namespace qv {

// An AppContext over virtual time, fake queues and a private temporary folder tree.
struct FakeContext {
  FakeContext();
  std::shared_ptr<AppContext> context;
  std::shared_ptr<FakeScheduler> scheduler;
  std::shared_ptr<FakeSerialQueues> queues;
  std::shared_ptr<FakeScreens> screens;
  std::shared_ptr<QTemporaryDir> root;
  // X11 desktop services
  std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
  std::shared_ptr<FakeWindowList> windowList = std::make_shared<FakeWindowList>();
  std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();

  // Settles everything: queued work, results posted back, then work due now.
  void drain();
};

}  // namespace qv
