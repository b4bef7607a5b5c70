#include "platform/fake/FakeAlerts.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeWorkspace.h"
#include "preview/LinkOpening.h"
#include "preview/PreviewTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::PreviewContext;

TEST(LinkOpening, WebAndMailOpenAtOnceAnyOtherSchemeAsksOnALaterTurn) {
  const struct {
    const char* url;
    bool asks;
  } cases[] = {
      {"http://example.org", false},      {"HTTPS://Example.org/a?b=1", false}, {"mailto:a@example.org", false},
      {"file:///home/anna/run.sh", true}, {"ssh://host.example.org", true},     {"javascript:alert(1)", true},
      {"myapp://open?id=4", true},        {"ftp://example.org/file", true},
  };
  for (const auto& c : cases) {
    for (const int answer : {0, 1, -1}) {
      SCOPED_TRACE(std::string(c.url) + " answered " + std::to_string(answer));
      PreviewContext fake;
      auto alerts = std::make_shared<FakeAlerts>();
      alerts->answer = answer;
      fake.services->alerts = alerts;
      auto& workspace = static_cast<FakeWorkspace&>(*fake.services->workspace);
      const QUrl url(QString::fromLatin1(c.url));
      EXPECT_EQ(opensWithoutAsking(url), !c.asks);
      openLink(*fake.services, url);
      // Never inside the handler that asked: a modal question there could pull its menu away.
      EXPECT_TRUE(alerts->shown.isEmpty());
      EXPECT_EQ(workspace.openedUrls.size(), c.asks ? 0 : 1);
      fake.drain();
      ASSERT_EQ(alerts->shown.size(), c.asks ? 1 : 0);
      const bool opens = !c.asks || answer == 0;
      EXPECT_EQ(workspace.openedUrls, opens ? QList<QUrl>{url} : QList<QUrl>{});
    }
  }
}

TEST(LinkOpening, TheQuestionNamesTheAddressAndCancelsByDefault) {
  const AlertSpec alert = openLinkAlert(QUrl(QStringLiteral("file:///home/anna/bin/run.sh")));
  EXPECT_EQ(alert.message, QStringLiteral("Open \u201Cfile:///home/anna/bin/run.sh\u201D?"));
  EXPECT_TRUE(alert.informativeText.contains(QStringLiteral("\u201Cfile\u201D")));
  EXPECT_EQ(alert.buttons, (QStringList{"Open", "Cancel"}));
  EXPECT_EQ(alert.buttons.at(alert.returnButton), "Cancel");
  EXPECT_EQ(alert.buttons.at(alert.cancelButton), "Cancel");

  // A huge address keeps the alert on the screen: its middle is left out.
  const QString huge = QStringLiteral("myapp://x/") + QString(100000, u'a') + QStringLiteral("/end");
  const AlertSpec long_ = openLinkAlert(QUrl(huge));
  EXPECT_LT(long_.message.size(), 400);
  EXPECT_TRUE(long_.message.contains(QStringLiteral("myapp://x/")));
  EXPECT_TRUE(long_.message.contains(QStringLiteral("/end")));
}

TEST(LinkOpening, AnEmptyOrBrokenAddressOpensNothing) {
  PreviewContext fake;
  auto alerts = std::make_shared<FakeAlerts>();
  alerts->answer = 0;
  fake.services->alerts = alerts;
  openLink(*fake.services, QUrl());
  openLink(*fake.services, QUrl(QStringLiteral("http://[::1")));
  fake.drain();
  EXPECT_TRUE(alerts->shown.isEmpty());
  EXPECT_TRUE(static_cast<FakeWorkspace&>(*fake.services->workspace).openedUrls.isEmpty());
}
