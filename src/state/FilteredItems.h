#pragma once
#include "items/model/ClipboardItem.h"

#include <QList>
#include <algorithm>
#include <iterator>

namespace qv {

// The filtered history as PanelState hands it to the views: the history's items at the places
// the filters kept, in history order. It holds the history itself (shared, not copied) and the
// places, 4 bytes an item where a list of the items took 224: a search that keeps 40,000 of
// 100,000 items costs 160 KB instead of 9 MB. A value: it keeps showing the history it was made
// from, whatever changes after.
class FilteredItems {
 public:
  FilteredItems() = default;
  // All of `history`.
  explicit FilteredItems(QList<ClipboardItem> history) : history_(std::move(history)), all_(true) {}
  // The items of `history` at `places` (ascending).
  FilteredItems(QList<ClipboardItem> history, QList<qint32> places)
      : history_(std::move(history)), places_(std::move(places)) {}

  qsizetype size() const { return all_ ? history_.size() : places_.size(); }
  bool isEmpty() const { return size() == 0; }
  const ClipboardItem& at(qsizetype i) const { return history_.at(all_ ? i : places_.at(i)); }
  const ClipboardItem& operator[](qsizetype i) const { return at(i); }
  const ClipboardItem& first() const { return at(0); }
  const ClipboardItem& last() const { return at(size() - 1); }
  // The place of an item in the history it was made from.
  qsizetype historyIndex(qsizetype i) const { return all_ ? i : places_.at(i); }
  // The history the items were taken from.
  const QList<ClipboardItem>& history() const { return history_; }
  // All of the history, or the places (ascending) of the items in it.
  bool isAll() const { return all_; }
  const QList<qint32>& places() const { return places_; }
  // Made from the same history with the same places: the same list without a look at the items.
  bool sharesWith(const FilteredItems& other) const {
    return sharesHistoryWith(other) && all_ == other.all_ && places_.constData() == other.places_.constData() &&
           places_.size() == other.places_.size();
  }
  // Made from the same history (the same items at the same places), whatever the places.
  bool sharesHistoryWith(const FilteredItems& other) const {
    return history_.constData() == other.history_.constData() && history_.size() == other.history_.size();
  }
  // Whether the item at `place` of the history holds a place in the list.
  bool holdsPlace(qsizetype place) const {
    if (all_) return place >= 0 && place < history_.size();
    return std::binary_search(places_.cbegin(), places_.cend(), qint32(place));
  }
  QList<ClipboardItem> toList() const {
    if (all_) return history_;
    QList<ClipboardItem> items;
    items.reserve(places_.size());
    for (const qint32 place : places_) items.append(history_.at(place));
    return items;
  }
  friend bool operator==(const FilteredItems& a, const FilteredItems& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = ClipboardItem;
    using difference_type = qsizetype;
    using pointer = const ClipboardItem*;
    using reference = const ClipboardItem&;

    const_iterator() = default;
    const_iterator(const FilteredItems* items, qsizetype i) : items_(items), i_(i) {}
    reference operator*() const { return items_->at(i_); }
    pointer operator->() const { return &items_->at(i_); }
    reference operator[](difference_type n) const { return items_->at(i_ + n); }
    const_iterator& operator++() { return ++i_, *this; }
    const_iterator operator++(int) { return {items_, i_++}; }
    const_iterator& operator--() { return --i_, *this; }
    const_iterator operator--(int) { return {items_, i_--}; }
    const_iterator& operator+=(difference_type n) { return i_ += n, *this; }
    const_iterator& operator-=(difference_type n) { return i_ -= n, *this; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.i_ - b.i_; }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.i_ == b.i_; }
    friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.i_ <=> b.i_; }

   private:
    const FilteredItems* items_ = nullptr;
    qsizetype i_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }

 private:
  QList<ClipboardItem> history_;
  QList<qint32> places_;
  bool all_ = false;
};

}  // namespace qv
