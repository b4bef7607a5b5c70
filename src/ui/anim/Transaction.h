#pragma once
#include "ui/anim/Animation.h"

#include <functional>
#include <optional>

namespace qv {

// The animation of the change being made right now. A caller opens a scope ("animate this
// change with ...") around a state change; the views, which are notified synchronously,
// read it while they retarget their animated values. Outside any scope there is none and
// changes apply at once. One per thread; scopes nest, the innermost wins.
struct Transaction {
  std::optional<Animation> animation;

  // The transaction of the innermost open scope on this thread (no animation outside any).
  static const Transaction& current();
};

// Opens a scope for the duration of its life. Prefer `withAnimation`.
class TransactionScope {
 public:
  explicit TransactionScope(Transaction transaction);
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;

 private:
  const Transaction* previous_;
  Transaction transaction_;
};

// Runs `change` with `animation` as the current one; `std::nullopt` runs it unanimated even
// inside an animated outer scope.
void withAnimation(const std::optional<Animation>& animation, const std::function<void()>& change);
// Runs `change` so that nothing it changes animates.
void withoutAnimation(const std::function<void()>& change);

}  // namespace qv
