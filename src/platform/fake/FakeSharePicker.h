#pragma once
#include "platform/SharePicker.h"

namespace qv {

// Share targets the test declares; records every listing and every share, and answers a listing
// at once unless the test holds the answers back.
class FakeSharePicker : public SharePicker {
 public:
  void listTargets(const QList<ShareItem>& items, std::function<void(QList<ShareTarget>)> answer) override {
    listings.append(items);
    if (holdAnswers) heldAnswers.append(std::move(answer));
    else if (answer) answer(targets);
  }
  void share(const ShareTarget& target, const QList<ShareItem>& items, std::function<void(bool)> done) override {
    shares.append({target, items});
    if (done) done(shareSucceeds);
  }
  // Answers the listings held back, oldest first.
  void answerHeld() {
    const auto answers = std::exchange(heldAnswers, {});
    for (const auto& answer : answers)
      if (answer) answer(targets);
  }

  struct Share {
    ShareTarget target;
    QList<ShareItem> items;
  };
  QList<ShareTarget> targets;
  bool holdAnswers = false;
  bool shareSucceeds = true;
  QList<QList<ShareItem>> listings;
  QList<std::function<void(QList<ShareTarget>)>> heldAnswers;
  QList<Share> shares;
};

}  // namespace qv
