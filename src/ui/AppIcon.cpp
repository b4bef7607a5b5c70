#include "ui/AppIcon.h"

#include "platform/ProgramIdentity.h"

namespace qv {

QIcon applicationIcon() {
  return QIcon::fromTheme(program::applicationId(), QIcon(QStringLiteral(":/qv/appicon.svg")));
}

}  // namespace qv
