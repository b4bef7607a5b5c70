#pragma once
#include "items/ItemServices.h"
#include "support/library/FakeLibraryContext.h"

namespace qv::test {

// The desktop a library window test runs on: the item services on the fakes, history kept
// whatever its age, one screen with the pointer near its top left, and an editor in front,
// which is where a paste-back goes.
inline RunningApp prepareLibraryDesktop(FakeLibraryContext& fake, const ScreenInfo& screen) {
  installItemServices(*fake.context);
  fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
  fake.screens->setScreens({screen});
  fake.screens->setPointer({100, 100});
  RunningApp editor;
  editor.pid = 42;
  editor.desktopId = QStringLiteral("org.example.Editor");
  editor.windowClass = QStringLiteral("editor");
  fake.workspace->addApplication(editor);
  fake.workspace->setFrontmost(editor);
  return editor;
}

}  // namespace qv::test
