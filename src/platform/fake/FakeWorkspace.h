#pragma once
#include "platform/Workspace.h"

#include <QHash>
#include <QList>
#include <mutex>

namespace qv {

// Applications the test declares. Lookups by pid are thread-safe; the rest is main-thread.
class FakeWorkspace : public Workspace {
  Q_OBJECT
 public:
  explicit FakeWorkspace(QObject* parent = nullptr) : Workspace(parent) {}

  std::optional<RunningApp> frontmostApplication() const override { return frontmost_; }
  std::optional<RunningApp> previousApplication() const override { return previous_; }
  std::optional<RunningApp> applicationForPid(qint64 pid) const override;
  std::optional<QString> containingApplicationId(qint64 pid) const override;
  bool isStillRunning(const RunningApp& app) const override;
  bool activate(const RunningApp& app) override;
  bool openUrl(const QUrl& url) override {
    openedUrls.append(url);
    return true;
  }
  // Answers at once from `urlSchemeHandlers`.
  void findUrlSchemeHandler(const QString& scheme, std::function<void(const QString&)> answer) override {
    answer(urlSchemeHandlers.value(scheme));
  }
  bool switchToApplication(const QString& desktopId) override {
    switchedToApplications.append(desktopId);
    return true;
  }
  bool revealFile(const QString& path) override {
    revealedFiles.append(path);
    return true;
  }
  qint64 ownPid() const override { return ownPid_; }

  // A running application; `containingId` names the application it is nested in.
  void addApplication(const RunningApp& app, const QString& containingId = {});
  void removeApplication(qint64 pid);
  // An application of another process is remembered as the previous one too.
  void setFrontmost(std::optional<RunningApp> app) {
    if (app && app->pid != ownPid_) previous_ = app;
    frontmost_ = std::move(app);
  }
  void setPreviousApplication(std::optional<RunningApp> app) { previous_ = std::move(app); }
  void setOwnPid(qint64 pid) { ownPid_ = pid; }

  QList<RunningApp> activations;
  QList<QUrl> openedUrls;
  QHash<QString, QString> urlSchemeHandlers;  // scheme → desktop id
  QStringList revealedFiles;
  QStringList switchedToApplications;

 private:
  mutable std::mutex mutex_;
  QHash<qint64, RunningApp> apps_;
  QHash<qint64, QString> containing_;
  std::optional<RunningApp> frontmost_;
  std::optional<RunningApp> previous_;
  qint64 ownPid_ = 1;
};

}  // namespace qv
