#pragma once
#include "platform/PastePermission.h"

namespace qv {

// A permission the test grants or withdraws by hand; counts what the request sequence asked for.
class FakePastePermission : public PastePermission {
 public:
  using PastePermission::PastePermission;
  bool isHeld() const override { return held; }
  bool isGrantable() const override { return grantable; }
  void openAccessibilitySettings() override { ++settingsOpened; }

  bool held = true;
  bool grantable = true;
  int systemRequests = 0;
  int settingsOpened = 0;

 protected:
  void requestSystemAccess() override { ++systemRequests; }
};

}  // namespace qv
