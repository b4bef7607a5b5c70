#pragma once
// What the card benchmarks share (header only: every bench/*.cpp is its own program).
#include "items/ItemServices.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <QColor>

namespace qv::bench {

// Services for painting cards on a manual frame clock, with one installed application whose icon
// the source badge draws.
inline void installCardServices(FakeContext& fake) {
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  installInterfaceServices(*fake.context);
  installItemServices(*fake.context);
  fake.desktopEntries->install({QStringLiteral("org.gnome.TextEditor"),
                                {},
                                QStringLiteral("Text Editor"),
                                QStringLiteral("editor"),
                                {},
                                {},
                                QStringLiteral("Application")});
  fake.desktopEntries->addIcon(QStringLiteral("editor"), QColor(200, 120, 40));
}

}  // namespace qv::bench
