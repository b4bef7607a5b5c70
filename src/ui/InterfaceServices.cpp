#include "ui/InterfaceServices.h"

#include "platform/DesktopAppearance.h"
#include "ui/Appearance.h"
#include "ui/anim/FrameClock.h"
#include "ui/code/CodeHighlighter.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/view/PointerArrival.h"

#include <QCoreApplication>

namespace qv {

void installInterfaceServices(InterfaceServices& services) {
  Symbols::installIconTheme();
  if (!services.desktopAppearance) services.desktopAppearance = std::make_shared<PortalDesktopAppearance>();
  if (!services.frameClock) services.frameClock = std::make_shared<TimerFrameClock>();
  if (!services.reduceMotion) services.reduceMotion = std::make_shared<ReduceMotion>(*services.desktopAppearance);
  if (!services.codeHighlights) services.codeHighlights = std::make_shared<CodeHighlightCache>();
  if (!services.environment) services.environment = std::make_shared<Environment>(*services.desktopAppearance);
  if (!services.appearanceWindows)
    services.appearanceWindows = std::make_shared<AppearanceWindows>(*services.environment, *services.frameClock);
  if (!services.controlPointerArrival && QCoreApplication::instance()) {
    services.controlPointerArrival = std::make_shared<ControlPointerArrival>();
    QCoreApplication::instance()->installEventFilter(services.controlPointerArrival.get());
  }
}

}  // namespace qv
