#pragma once
#include <atomic>
#include <utility>

namespace qv {

// A value of T kept on the heap and shared by the copies of its holder until one of them is
// written to. The holder is one pointer wide and a copy costs a counter increment: a variant
// whose large, rarely used cases are held this way stays small. Reading never copies; edit()
// first gives the holder a value of its own when others share it, so a holder behaves as a
// plain T. Holders sharing a value may be read and copied on several threads at once (as Qt's
// shared types); one holder is written by one thread at a time. An empty holder (made without a
// value, or moved from) reads as a default T. Equal when the values are.
template <class T>
class SharedValue {
 public:
  using Value = T;

  SharedValue() noexcept = default;
  explicit SharedValue(T value) : box_(new Box(std::move(value))) {}
  SharedValue(const SharedValue& other) noexcept : box_(other.box_) {
    if (box_) box_->holders.fetch_add(1, std::memory_order_relaxed);
  }
  SharedValue(SharedValue&& other) noexcept : box_(std::exchange(other.box_, nullptr)) {}
  SharedValue& operator=(const SharedValue& other) noexcept {
    SharedValue(other).swap(*this);
    return *this;
  }
  SharedValue& operator=(SharedValue&& other) noexcept {
    SharedValue(std::move(other)).swap(*this);
    return *this;
  }
  ~SharedValue() { release(); }

  const T& operator*() const noexcept { return box_ ? box_->value : empty(); }
  const T* operator->() const noexcept { return &**this; }

  // The value to write to, no longer shared with any other holder.
  T& edit() {
    if (!box_) {
      box_ = new Box(T());
    } else if (box_->holders.load(std::memory_order_acquire) != 1) {
      Box* own = new Box(box_->value);
      release();
      box_ = own;
    }
    return box_->value;
  }

  // Whether the two hold one and the same value (not merely equal ones). While both exist, neither
  // can change it in place: edit() would first give the writer a value of its own.
  bool sharesValueWith(const SharedValue& other) const noexcept { return box_ && box_ == other.box_; }

  // Whether another holder shares this one's value.
  bool isShared() const noexcept { return box_ && box_->holders.load(std::memory_order_relaxed) > 1; }

  void swap(SharedValue& other) noexcept { std::swap(box_, other.box_); }

  friend bool operator==(const SharedValue& a, const SharedValue& b) { return a.box_ == b.box_ || *a == *b; }

 private:
  struct Box {
    explicit Box(T v) : value(std::move(v)) {}
    std::atomic<int> holders{1};
    T value;
  };

  static const T& empty() {
    static const T value{};
    return value;
  }

  void release() noexcept {
    // The last holder deletes; acq_rel orders every other holder's reads before the delete.
    if (box_ && box_->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete box_;
    box_ = nullptr;
  }

  Box* box_ = nullptr;
};

}  // namespace qv
