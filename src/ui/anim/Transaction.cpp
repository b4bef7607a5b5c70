#include "ui/anim/Transaction.h"

namespace qv {

namespace {
const Transaction kNone;
thread_local const Transaction* tCurrent = &kNone;
}  // namespace

const Transaction& Transaction::current() { return *tCurrent; }

TransactionScope::TransactionScope(Transaction transaction)
    : previous_(tCurrent), transaction_(std::move(transaction)) {
  tCurrent = &transaction_;
}

TransactionScope::~TransactionScope() { tCurrent = previous_; }

void withAnimation(const std::optional<Animation>& animation, const std::function<void()>& change) {
  TransactionScope scope(Transaction{animation});
  change();
}

void withoutAnimation(const std::function<void()>& change) { withAnimation(std::nullopt, change); }

}  // namespace qv
