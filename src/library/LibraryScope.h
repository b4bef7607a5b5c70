#pragma once
#include <QHashFunctions>
#include <QUuid>

namespace qv {

// Which part of the history the library shows: the items filed in one category, every item, or
// the pinned items. Two scopes are equal when they are the same case and, for a category, name
// the same category (which may have been deleted since).
struct LibraryScope {
  enum class Kind { category, all, pinned };
  Kind kind = Kind::all;
  QUuid categoryID;  // only for `category`

  static LibraryScope category(const QUuid& id) { return {Kind::category, id}; }
  static LibraryScope all() { return {Kind::all, {}}; }
  static LibraryScope pinned() { return {Kind::pinned, {}}; }

  bool isCategory(const QUuid& id) const { return kind == Kind::category && categoryID == id; }
  friend bool operator==(const LibraryScope& a, const LibraryScope& b) {
    return a.kind == b.kind && (a.kind != Kind::category || a.categoryID == b.categoryID);
  }
};

inline size_t qHash(const LibraryScope& scope, size_t seed = 0) {
  return scope.kind == LibraryScope::Kind::category ? ::qHash(scope.categoryID, seed)
                                                    : ::qHash(static_cast<int>(scope.kind), seed);
}

}  // namespace qv
