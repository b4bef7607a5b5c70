#pragma once
#include "platform/PlatformServices.h"

#include <memory>

namespace qv {

class FrameClock;
class ReduceMotion;
class Environment;
class CodeHighlightCache;
class AppearanceWindows;
class ControlPointerArrival;

// The services of the interface kit: the frame clock of the animations, the reduce-motion flag
// and the environment the views paint in, built on the platform services.
struct InterfaceServices : virtual PlatformServices {
  std::shared_ptr<FrameClock> frameClock;
  std::shared_ptr<ReduceMotion> reduceMotion;
  std::shared_ptr<Environment> environment;
  // Every window's look under the appearance setting.
  std::shared_ptr<AppearanceWindows> appearanceWindows;
  // The code cards' highlighted texts.
  std::shared_ptr<CodeHighlightCache> codeHighlights;
  // Which presses the painted controls take: only on what the pointer moved onto.
  std::shared_ptr<ControlPointerArrival> controlPointerArrival;
};

// Adds the interface-level services (frame clock, reduce-motion flag, environment, the
// windows' appearance, the controls' pointer rule, which watches the application's pointer) to services
// whose platform part is set. Services a test already put in place (a manual frame clock,
// say) are kept.
void installInterfaceServices(InterfaceServices& services);

}  // namespace qv
