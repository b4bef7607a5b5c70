#include "preview/LinkOpening.h"

#include "platform/PlatformServices.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace qv {

namespace {

// An address longer than this is shown with its middle left out: the alert must fit the screen.
constexpr qsizetype kShownAddressLength = 300;

QString shownAddress(const QUrl& url) {
  QString text = url.toDisplayString();
  if (text.size() <= kShownAddressLength) return text;
  const qsizetype half = kShownAddressLength / 2;
  return text.left(half) + QStringLiteral("\u2026") + text.right(half);
}

}  // namespace

bool opensWithoutAsking(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
}

AlertSpec openLinkAlert(const QUrl& url) {
  AlertSpec alert;
  alert.style = AlertSpec::Style::warning;
  alert.message = QStringLiteral("Open \u201C%1\u201D?").arg(shownAddress(url));
  const QString scheme = url.scheme().toLower();
  alert.informativeText =
      scheme.isEmpty()
          ? QStringLiteral("This link is not a web page. The desktop opens it with the application it chooses.")
          : QStringLiteral(
                "This link is not a web page. The desktop opens \u201C%1\u201D links with the application "
                "set for them, which may run a program.")
                .arg(scheme);
  alert.buttons = {QStringLiteral("Open"), QStringLiteral("Cancel")};
  alert.returnButton = 1;
  alert.cancelButton = 1;
  return alert;
}

void openLink(PlatformServices& services, const QUrl& url) { linkOpener(services)(url); }

std::function<void(const QUrl&)> linkOpener(PlatformServices& services) {
  std::weak_ptr<Workspace> workspace = services.workspace;
  std::weak_ptr<Alerts> alerts = services.alerts;
  std::weak_ptr<Scheduler> scheduler = services.scheduler;
  return [workspace, alerts, scheduler](const QUrl& url) {
    if (url.isEmpty() || !url.isValid()) return;
    if (opensWithoutAsking(url)) {
      if (auto live = workspace.lock()) live->openUrl(url);
      return;
    }
    const auto later = scheduler.lock();
    if (!later) return;
    later->post([workspace, alerts, url] {
      const auto asking = alerts.lock();
      if (!asking || asking->run(openLinkAlert(url)) != 0) return;
      if (auto live = workspace.lock()) live->openUrl(url);
    });
  };
}

}  // namespace qv
