#pragma once
#include <QObject>
#include <functional>
#include <type_traits>
#include <utility>

// The property pattern of the observable state (and of any QObject that wants the same):
//
//   QV_OBSERVED(name, setName, Type) = initial;
//     const Type& name() const;          the value
//     void setName(const Type&/Type&&);  stores it; emits nameChanged() only when it differs
//     signal nameChanged();              synchronous (direct connection in the same thread)
//
//   QV_TRIGGER(name, raiseName) = 0;     an int counter for one-shot requests: the same as
//     QV_OBSERVED(name, setName, int) plus raiseName(), which adds one and so always notifies.
//
//   QV_HOOK(name, setName, Args...);     an action hook: name() returns an ActionHook that does
//     nothing when unset; setName() stores a closure and always emits nameChanged().
//
//   QV_PLAIN(name, setName, Type) = initial;   stored but not observed: getter and setter only.
//
//   QV_OBSERVED_PART(part, name, setName, Type);   observed like QV_OBSERVED, but the value lives
//     in a part object of the owner that keeps the rules of its data: `part.name()` reads it and
//     `part.setName(value)` stores it, answering whether it changed.
//
// Each macro ends in the private section with the member declaration, so write the initial
// value right after it and restate the access specifier for whatever follows. Types with
// commas go last (they are the variadic argument). moc sees the signals through the macro.

namespace qv {

// An optional closure that a view calls without checking: unset, it does nothing.
template <typename... Args>
class ActionHook {
 public:
  ActionHook() = default;
  template <typename F, typename = std::enable_if_t<std::is_constructible_v<std::function<void(Args...)>, F>>>
  ActionHook(F&& fn) : fn_(std::forward<F>(fn)) {}  // NOLINT: a closure reads naturally as a hook
  void operator()(Args... args) const {
    if (fn_) fn_(std::forward<Args>(args)...);
  }
  explicit operator bool() const { return static_cast<bool>(fn_); }

 private:
  std::function<void(Args...)> fn_;
};

namespace detail {
template <typename T, typename U>
bool assignIfChanged(T& slot, U&& value) {
  if (slot == value) return false;
  slot = std::forward<U>(value);
  return true;
}
}  // namespace detail

}  // namespace qv

#define QV_OBSERVED(name, setter, ...)                                                    \
 public:                                                                                  \
  const __VA_ARGS__& name() const { return name##_; }                                     \
  void setter(const __VA_ARGS__& value) {                                                 \
    if (::qv::detail::assignIfChanged(name##_, value)) Q_EMIT name##Changed();            \
  }                                                                                       \
  void setter(__VA_ARGS__&& value) {                                                      \
    if (::qv::detail::assignIfChanged(name##_, std::move(value))) Q_EMIT name##Changed(); \
  }                                                                                       \
  Q_SIGNAL void name##Changed();                                                          \
                                                                                          \
 private:                                                                                 \
  __VA_ARGS__ name##_

// A property whose setter has side effects: the getter, the signal and a private
// `storeName(value)` that assigns and notifies only on change; the owner writes `setName`.
#define QV_OBSERVED_CUSTOM(name, store, ...)                                   \
 public:                                                                       \
  const __VA_ARGS__& name() const { return name##_; }                          \
  Q_SIGNAL void name##Changed();                                               \
                                                                               \
 private:                                                                      \
  void store(const __VA_ARGS__& value) {                                       \
    if (::qv::detail::assignIfChanged(name##_, value)) Q_EMIT name##Changed(); \
  }                                                                            \
  __VA_ARGS__ name##_

#define QV_TRIGGER(name, raiser, setter) \
 public:                                 \
  void raiser() { setter(name##_ + 1); } \
  QV_OBSERVED(name, setter, int)

#define QV_HOOK(name, setter, ...)                                      \
 public:                                                                \
  const ::qv::ActionHook<__VA_ARGS__>& name() const { return name##_; } \
  void setter(::qv::ActionHook<__VA_ARGS__> hook) {                     \
    name##_ = std::move(hook);                                          \
    Q_EMIT name##Changed();                                             \
  }                                                                     \
  Q_SIGNAL void name##Changed();                                        \
                                                                        \
 private:                                                               \
  ::qv::ActionHook<__VA_ARGS__> name##_

#define QV_PLAIN(name, setter, ...)                          \
 public:                                                     \
  const __VA_ARGS__& name() const { return name##_; }        \
  void setter(const __VA_ARGS__& value) { name##_ = value; } \
                                                             \
 private:                                                    \
  __VA_ARGS__ name##_

#define QV_OBSERVED_PART(part, name, setter, ...)              \
 public:                                                       \
  const __VA_ARGS__& name() const { return part.name(); }      \
  void setter(const __VA_ARGS__& value) {                      \
    if (part.setter(value)) Q_EMIT name##Changed();            \
  }                                                            \
  void setter(__VA_ARGS__&& value) {                           \
    if (part.setter(std::move(value))) Q_EMIT name##Changed(); \
  }                                                            \
  Q_SIGNAL void name##Changed();                               \
                                                               \
 private:
