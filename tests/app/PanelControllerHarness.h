#pragma once
#include "app/PanelController.h"
#include "items/ItemServices.h"
#include "state/PanelState.h"
#include "support/app/FakeContext.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

namespace qv::test {

// A panel controller over fake services on a 1920×1080 screen whose top 32 points are
// reserved, with an editor (pid 42) in front when the panel opens.
struct PanelControllerHarness : ::testing::Test {
  explicit PanelControllerHarness(bool compositor = false) {
    installItemServices(*fake.context);
    fake.screens->setPointer({1500, 500});
    editor.pid = 42;
    editor.desktopId = "org.example.Editor";
    editor.windowClass = "editor";
    editor.windowId = 4201;
    fake.workspace->addApplication(editor);
    fake.workspace->setFrontmost(editor);
    fake.compositor->setSupport({compositor, false});
    controller = std::make_unique<PanelController>(*fake.context);
    controller->onVisibilityChange = [this](bool visible) { visibility << visible; };
  }
  ~PanelControllerHarness() override {
    controller.reset();
    fake.drain();
  }

  // Moves both virtual clocks together, one frame at a time.
  void advance(double seconds) {
    const double frame = 1.0 / 120;
    double left = seconds;
    while (left > 1e-9) {
      const double step = std::min(frame, left);
      fake.scheduler->advance(step);
      fake.clock->advance(step);
      left -= step;
    }
  }
  PanelState& state() { return controller->state(); }
  QWidget* window() { return controller->panelWindow(); }

  FakeAppContext fake;
  RunningApp editor;
  std::unique_ptr<PanelController> controller;
  QList<bool> visibility;
};

}  // namespace qv::test
