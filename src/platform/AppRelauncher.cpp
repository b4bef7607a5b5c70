#include "platform/AppRelauncher.h"

#include "base/Log.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QProcess>

namespace qv {

AppRelauncher::AppRelauncher(std::shared_ptr<Scheduler> scheduler, Starter start, std::function<void()> quit)
    : scheduler_(std::move(scheduler)), start_(std::move(start)), quit_(std::move(quit)) {
  if (!start_)
    start_ = [] {
      // The new program waits for this one's final save before it reads anything.
      QStringList arguments = QCoreApplication::arguments().mid(1);
      if (!arguments.contains(QLatin1String(kAfterRelaunchArgument)))
        arguments << QLatin1String(kAfterRelaunchArgument);
      return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    };
  if (!quit_) quit_ = [] { QCoreApplication::quit(); };
}

void AppRelauncher::relaunch() {
  if (!start_()) {
    qCInfo(lcPlatform) << "Relaunch failed: the new instance did not start";
    return;
  }
  scheduler_->post(quit_);
}

}  // namespace qv
