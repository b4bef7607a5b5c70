#pragma once
#include "platform/AppContext.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeFileBookmarks.h"
#include "platform/fake/FakeOcrEngine.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSerialQueue.h"

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
  // Item stores, identity, text recognition, thumbnails.
  std::shared_ptr<FakeFileBookmarks> fileBookmarks;
  std::shared_ptr<FakeDesktopEntries> desktopEntries;
  std::shared_ptr<FakeOcrEngine> ocrEngine;

  // Settles everything: queued work, results posted back, then work due now.
  void drain();
};

}  // namespace qv
