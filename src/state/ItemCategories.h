#pragma once
#include "state/CustomCategory.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>
#include <functional>
#include <optional>

namespace qv {

class Scheduler;
class SettingsStore;

// The user's categories and which item is filed in which, with their storage in the user
// defaults: "Snippets" is seeded once ever, and a stored list or map that cannot be read is set
// aside before anything writes that key again. Every operation answers which of the two
// changed, so that the owner tells its observers about exactly those.
class ItemCategories {
 public:
  using IdMap = QHash<QUuid, QUuid>;
  enum Change : unsigned { none = 0, categoriesChanged = 1u << 0, assignmentsChanged = 1u << 1 };
  using Changes = unsigned;

  static constexpr char kCustomCategoriesKey[] = "qv.customCategories.v1";
  static constexpr char kCardCategoriesKey[] = "qv.cardCategories.v1";
  static constexpr char kDidSeedCategoriesKey[] = "qv.didSeedCategories.v1";

  ItemCategories(SettingsStore& settings, Scheduler& scheduler) : settings_(settings), scheduler_(scheduler) {}

  const QList<CustomCategory>& customCategories() const { return customCategories_; }
  const IdMap& cardCategories() const { return cardCategories_; }
  // Plain stores, true on a real change; nothing is written.
  bool setCustomCategories(QList<CustomCategory> categories);
  bool setCardCategories(IdMap assignments);

  void saveCustomCategories();
  void saveCardCategories();
  // Reads the categories and assignments; seeds "Snippets" once.
  Changes load();

  // Appends a category with a fresh id; saves the list.
  CustomCategory add(const QString& name, int colorIndex, Changes* changes);
  // Stores the name without surrounding white space; false for a blank name or unknown id.
  bool rename(const QUuid& categoryID, const QString& name, Changes* changes);
  // False for an index outside the palette or an unknown id.
  bool setColor(const QUuid& categoryID, int colorIndex, Changes* changes);
  // Removes the category and its assignments; saves both.
  Changes remove(const QUuid& categoryID);
  // Files the item into the category, or clears its category for none; saves the assignments.
  Changes assign(const std::optional<QUuid>& categoryID, const QUuid& itemID);
  // The item's category; none when unassigned or when its category is gone.
  std::optional<CustomCategory> categoryForItem(const QUuid& itemID) const;
  // Keeps the assignments of these items only (the ones still in the history), saving a change.
  Changes keepOnly(const QSet<QUuid>& live);

 private:
  // Changes the category with that id in place and saves the list; false for an unknown id.
  bool editCategory(const QUuid& categoryID, const std::function<void(CustomCategory&)>& edit, Changes* changes);

  SettingsStore& settings_;
  Scheduler& scheduler_;
  QList<CustomCategory> customCategories_;
  IdMap cardCategories_;
};

}  // namespace qv
