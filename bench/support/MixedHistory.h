#pragma once
// A mixed history for the benchmarks (header only: every bench/*.cpp is its own program).
#include "base/Uuid.h"
#include "items/model/ClipboardItem.h"

#include <QStringList>
#include <random>

namespace qv::bench {

// A mixed history, newest first: mostly text, then code, links, images, files and colours,
// captured a few seconds apart over the last days.
inline QList<ClipboardItem> mixedHistory(const QDateTime& now, int count) {
  std::mt19937 random(42);
  const QStringList apps = {QStringLiteral("org.gnome.TextEditor"), QStringLiteral("org.mozilla.firefox"),
                            QStringLiteral("org.gnome.Terminal"), QStringLiteral("code"),
                            QStringLiteral("org.gnome.Nautilus")};
  QList<ClipboardItem> items;
  items.reserve(count);
  for (int i = 0; i < count; ++i) {
    const QDateTime at = now.addSecs(-i * 5);
    const QString app = apps[static_cast<int>(random() % apps.size())];
    const int kind = static_cast<int>(random() % 100);
    ClipboardPayload payload;
    if (kind < 45) {
      payload = TextPayload{QStringLiteral("Note %1: the meeting moved to room %2, bring the printed agenda and the "
                                           "budget sheet.")
                                .arg(i)
                                .arg(random() % 500)};
    } else if (kind < 60) {
      payload = CodePayload{QStringLiteral("for (int k = 0; k < %1; ++k) {\n  total += values[k];\n}").arg(i),
                            QStringLiteral("cpp")};
    } else if (kind < 75) {
      const Url url = *parseStrictUrl(QStringLiteral("https://news.example.com/articles/%1?ref=feed").arg(i));
      payload = LinkPayload{url, QStringLiteral("news.example.com"), QStringLiteral("Article %1").arg(i), std::nullopt,
                            QStringLiteral("cached:") + newUuidString()};
    } else if (kind < 85) {
      payload = ImagePayload{QImage(), QStringLiteral("Screenshot %1.png").arg(i), 1920, 1080,
                             QStringLiteral("1.2 MB")};
    } else if (kind < 95) {
      payload = FilePayload{QStringLiteral("report-%1.pdf").arg(i), QStringLiteral("240 KB"),
                            Url::fromLocalFile(QStringLiteral("/home/user/Documents/report-%1.pdf").arg(i))};
    } else {
      const int rgb = static_cast<int>(random() % 0xFFFFFF);
      payload = ColorPayload{QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper(), (rgb >> 16) & 255,
                             (rgb >> 8) & 255, rgb & 255};
    }
    items.append(ClipboardItem::make(newUuid(), app, at, std::move(payload)));
  }
  return items;
}

}  // namespace qv::bench
