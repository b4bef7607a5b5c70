#include "ui/InterfaceServices.h"

#include "platform/AppContext.h"
#include "platform/DesktopAppearance.h"
#include "ui/Appearance.h"
#include "ui/anim/FrameClock.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"

namespace qv {

void installInterfaceServices(AppContext& context) {
  Symbols::installIconTheme();
  if (!context.desktopAppearance) context.desktopAppearance = std::make_shared<PortalDesktopAppearance>();
  if (!context.frameClock) context.frameClock = std::make_shared<TimerFrameClock>();
  if (!context.reduceMotion) context.reduceMotion = std::make_shared<ReduceMotion>(*context.desktopAppearance);
  if (!context.environment) context.environment = std::make_shared<Environment>(*context.desktopAppearance);
  if (!context.appearanceWindows)
    context.appearanceWindows = std::make_shared<AppearanceWindows>(*context.environment, *context.frameClock);
}

}  // namespace qv
