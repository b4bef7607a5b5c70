#pragma once
#include "items/model/ClipboardItem.h"
#include "items/transform/TextTransform.h"
#include "platform/Scheduler.h"
#include "state/CaptureTimes.h"
#include "state/CustomCategory.h"
#include "state/FilterTypes.h"
#include "state/FilteredItems.h"
#include "state/HistoryFile.h"
#include "state/ItemCategories.h"
#include "state/ItemMarks.h"
#include "state/RowSearch.h"
#include "state/SearchIndex.h"
#include "state/StateProperty.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

struct ItemServices;
class SerialQueue;
struct LinkMetadata;

// Whether two items hold the same content (the de-duplication test): same kind and equal
// colour hex, link URL, code source, text or file name. Two images are never the same.
bool isSameContent(const ClipboardItem& a, const ClipboardItem& b);

// The one observable state object of the program, on the main thread: the history, the marks
// that users set on items, categories, filters and search, the transient interface state, the
// action hooks, and the persistence of all of it. Properties follow StateProperty.h: a getter,
// a setter that notifies only on a real change, and a `<name>Changed` signal.
//
// Parts with rules of their own own their data and are members: ItemMarks (pins, sensitive
// marks, peeks, collapsed groups and their storage), ItemCategories (categories, assignments and
// their storage), HistoryFile (the history file, side files and the save queue) and SearchIndex
// (the searched texts, behind the memoised filtered list). The state keeps the observable API,
// forwards to its parts and notifies what they changed; no part reaches into another.
//
// The implementation is split by area: PanelState.cpp (construction), PanelStateItems.cpp (the add
// path, clearing, retention), PanelStatePersistence.cpp (saving and loading, link metadata),
// PanelStateMarks.cpp (marks, pruning), PanelStateCategories.cpp, PanelStateFilters.cpp,
// PanelStateInterface.cpp (feedback, preview timing, selection), PanelStateEdits.cpp.
class PanelState : public QObject {
  Q_OBJECT

 public:
  using FilterType = qv::FilterType;
  using TypeFilter = qv::TypeFilter;
  using DateFilter = qv::DateFilter;
  using BadgeFilter = qv::BadgeFilter;
  using ActiveFilterChip = qv::ActiveFilterChip;
  using FilterSurface = qv::FilterSurface;
  using IdSet = QSet<QUuid>;
  using IdMap = QHash<QUuid, QUuid>;

  // Storage keys in the user defaults.
  static constexpr const auto& kCollapsedGroupsKey = ItemMarks::kCollapsedGroupsKey;
  static constexpr const auto& kSensitiveIDsKey = ItemMarks::kSensitiveIDsKey;
  static constexpr const auto& kAutoSensitiveIDsKey = ItemMarks::kAutoSensitiveIDsKey;
  static constexpr const auto& kPinnedIDsKey = ItemMarks::kPinnedIDsKey;
  static constexpr const auto& kCustomCategoriesKey = ItemCategories::kCustomCategoriesKey;
  static constexpr const auto& kCardCategoriesKey = ItemCategories::kCardCategoriesKey;
  static constexpr const auto& kDidSeedCategoriesKey = ItemCategories::kDidSeedCategoriesKey;
  static constexpr const auto& kLegacyStorageKey = HistoryFile::kLegacyStorageKey;
  // Read here, written by the settings.
  static constexpr char kHistoryRetentionKey[] = "qv.historyRetention";
  static constexpr char kEdgeSideKey[] = "qv.edgeSide";

  static constexpr const auto& kHistoryFileName = HistoryFile::kFileName;
  static constexpr const auto& kSaveQueueSuffix = HistoryFile::kSaveQueueSuffix;
  static constexpr const auto& kPromiseFolderName = HistoryFile::kPromiseFolderName;
  // A change is in the journal on disk at most this long after it was made; the changes made
  // meanwhile (a copy with the older copy it replaces, a burst) go in one append.
  static constexpr double kSaveDelaySeconds = 0.25;
  // The journal replayed at start-up is folded into the file this long after the launch.
  static constexpr double kStartFoldDelaySeconds = 2;
  // After a failed write (a full disk), the history is written again this much later.
  static constexpr double kSaveRetrySeconds = 30;
  // More changes than this between two saves are written as the whole file.
  static constexpr qsizetype kMostRecordedChanges = 2000;
  static constexpr double kBackfillSpacingSeconds = 0.4;

  // Needs the item services of the context (installItemServices).
  explicit PanelState(ItemServices& context, QObject* parent = nullptr);
  ~PanelState() override;

  // ---- History and persistence -------------------------------------------------------------
  QV_OBSERVED(items, setItems, QList<ClipboardItem>);

 public:
  // The items are about to change in place (a copy, an edit, a removal, retention), and
  // itemsChanged follows: whoever holds the list (a FilteredItems included) lets go of it now and
  // reads it again then. A list still held makes the change copy the whole history.
  Q_SIGNAL void itemsAboutToChange();
  // The item at `place` is about to be removed in place (after itemsAboutToChange); itemsChanged
  // follows, with every item removed in the same change told of first.
  Q_SIGNAL void itemAboutToBeRemoved(qsizetype place);
  QV_TRIGGER(imageTextRevision, bumpImageTextRevision, setImageTextRevision) = 0;
  // Raised when the applications' index arrives: names and icons shown before it are asked again.
  QV_TRIGGER(appIdentityRevision, bumpAppIdentityRevision, setAppIdentityRevision) = 0;

  // ---- Item marks ----------------------------------------------------------------------------
  QV_OBSERVED_PART(marks_, pinnedIDs, setPinnedIDs, IdSet);
  QV_OBSERVED_PART(marks_, sensitiveIDs, setSensitiveIDs, IdSet);
  QV_OBSERVED_PART(marks_, autoSensitiveIDs, setAutoSensitiveIDs, IdSet);
  QV_OBSERVED_PART(marks_, peekedIDs, setPeekedIDs, IdSet);
  QV_OBSERVED_PART(marks_, peekedAt, setPeekedAt, QHash<QUuid, QDateTime>);
  QV_OBSERVED_PART(marks_, collapsedGroups, setCollapsedGroups, QSet<QString>);

  // ---- Custom categories ---------------------------------------------------------------------
  QV_OBSERVED_PART(categories_, customCategories, setCustomCategories, QList<CustomCategory>);
  QV_OBSERVED_PART(categories_, cardCategories, setCardCategories, IdMap);
  QV_OBSERVED(newCategoryFormActive, setNewCategoryFormActive, bool) = false;
  QV_OBSERVED(categoryFormOpenedExternally, setCategoryFormOpenedExternally, bool) = false;
  QV_OBSERVED(categoryFormOpen, setCategoryFormOpen, bool) = false;
  QV_OBSERVED(editingCategoryFormID, setEditingCategoryFormID, std::optional<QUuid>);
  QV_OBSERVED(pendingNewCategoryRequest, setPendingNewCategoryRequest, bool) = false;
  QV_TRIGGER(categoryFormToken, raiseCategoryFormToken, setCategoryFormToken) = 0;
  QV_OBSERVED(previewCategoryColorIndex, setPreviewCategoryColorIndex, std::optional<int>);
  QV_OBSERVED(pendingCategoryFormSurface, setPendingCategoryFormSurface, FilterSurface) = FilterSurface::panel;
  QV_OBSERVED(pendingEditCategoryID, setPendingEditCategoryID, std::optional<QUuid>);

  // ---- Filters and search --------------------------------------------------------------------
  QV_OBSERVED(searchQuery, setSearchQuery, QString);
  QV_OBSERVED(activeFilter, setActiveFilter, FilterType) = FilterType::all();
  QV_OBSERVED(filterTypes, setFilterTypes, QSet<TypeFilter>);
  QV_OBSERVED(filterApps, setFilterApps, QSet<QString>);
  QV_OBSERVED(filterDate, setFilterDate, std::optional<DateFilter>);
  // Assigning true closes the preview and the dots menu (see setShowFilterPanel).
  QV_OBSERVED_CUSTOM(showFilterPanel, storeShowFilterPanel, bool) = false;
  QV_OBSERVED(libraryFilterSurfaceOpen, setLibraryFilterSurfaceOpen, bool) = false;

  // ---- Panel and library interface state -----------------------------------------------------
  QV_OBSERVED(isVisible, setIsVisible, bool) = false;
  QV_OBSERVED(isPresenting, setIsPresenting, bool) = false;
  QV_OBSERVED(isMonitoringPaused, setIsMonitoringPaused, bool) = false;
  QV_OBSERVED(edgeSide, setEdgeSide, QString);  // "left" or "right", read once at start
  // Assigning an id closes both overlays and moves the preview to the card's anchor.
  QV_OBSERVED_CUSTOM(previewItemID, storePreviewItemID, std::optional<QUuid>);
  QV_OBSERVED(previewAnchorY, setPreviewAnchorY, std::optional<double>);
  // Assigning true closes the preview and the filter panel (see setShowDotsMenu).
  QV_OBSERVED_CUSTOM(showDotsMenu, storeShowDotsMenu, bool) = false;
  QV_PLAIN(hoveredItem, setHoveredItem, std::optional<ClipboardItem>);

 public:
  const QHash<QUuid, double>& cardAnchors() const { return cardAnchors_; }
  // Not observed; counts as a change of the marks (it may name items that are gone).
  void setCardAnchors(const QHash<QUuid, double>& anchors);

 private:
  QHash<QUuid, double> cardAnchors_;

 public:
  QV_OBSERVED(showCopiedToast, setShowCopiedToast, bool) = false;
  QV_OBSERVED(copiedItemID, setCopiedItemID, std::optional<QUuid>);
  QV_OBSERVED(pasteHintItemID, setPasteHintItemID, std::optional<QUuid>);
  QV_OBSERVED(shakeItemID, setShakeItemID, std::optional<QUuid>);
  QV_TRIGGER(shakeToken, raiseShakeToken, setShakeToken) = 0;
  QV_OBSERVED(selectedIndex, setSelectedIndex, std::optional<int>);
  QV_OBSERVED(multiSelectedIDs, setMultiSelectedIDs, QList<QUuid>);
  QV_OBSERVED(searchFieldFocused, setSearchFieldFocused, bool) = false;
  QV_TRIGGER(resignSearchFocusTrigger, raiseResignSearchFocusTrigger, setResignSearchFocusTrigger) = 0;
  QV_TRIGGER(expandSearchTrigger, raiseExpandSearchTrigger, setExpandSearchTrigger) = 0;
  QV_OBSERVED(previewEditingActive, setPreviewEditingActive, bool) = false;
  QV_OBSERVED(detailEditingActive, setDetailEditingActive, bool) = false;
  QV_TRIGGER(cancelDetailEditTrigger, raiseCancelDetailEditTrigger, setCancelDetailEditTrigger) = 0;
  QV_TRIGGER(cancelPreviewEditTrigger, raiseCancelPreviewEditTrigger, setCancelPreviewEditTrigger) = 0;

  // ---- Action hooks (unset hooks do nothing) -------------------------------------------------
  QV_HOOK(pasteAction, setPasteAction, const ClipboardItem&, bool);
  QV_HOOK(pasteTransformedAction, setPasteTransformedAction, const ClipboardItem&, TextTransform);
  QV_HOOK(pasteMultiAction, setPasteMultiAction, const QList<ClipboardItem>&);
  QV_HOOK(openSettingsAction, setOpenSettingsAction);
  QV_HOOK(showLibraryAction, setShowLibraryAction);
  QV_HOOK(showOnboardingAction, setShowOnboardingAction);
  QV_HOOK(toggleMonitoringAction, setToggleMonitoringAction);
  QV_HOOK(clearAllAction, setClearAllAction);

 public:
  // Setters with side effects (the preview and the two overlays exclude each other).
  void setShowFilterPanel(bool show);
  void setShowDotsMenu(bool show);
  void setPreviewItemID(const std::optional<QUuid>& id);

  // ---- Adding items (PanelStateItems.cpp) ----------------------------------------------------
  // Adds a captured item at the front, replacing an older copy of the same content from the
  // same application and carrying its pin, manual sensitive mark and category over. `blurred`
  // says the capture is to be blurred: its link is then not fetched from the network. The
  // caller marks a blurred item sensitive (markSensitive(id, true)) after this returns.
  void addItem(const ClipboardItem& item, bool blurred = false);
  // Adds the items of one copy as addItem one after another would (the last lands newest, a
  // later one replaces an earlier one of the same content), with one pass over the history, one
  // change notification and one save scheduled. Returns the ids of the items that stayed, in
  // the order given: the ones the caller marks sensitive for a blurred copy.
  QList<QUuid> addItems(const QList<ClipboardItem>& items, bool blurred = false);
  // Empties the history and every item mark; the category list and collapsed groups stay.
  void clearAll();

  // ---- Retention (PanelStateItems.cpp) -------------------------------------------------------
  // The capture date before which unprotected items go; none keeps everything.
  std::optional<QDateTime> retentionCutoff() const;
  bool isProtected(const ClipboardItem& item) const;
  // Removes old unprotected items; true when anything was removed. Schedules no save.
  bool applyRetention();

  // ---- Persistence (PanelStatePersistence.cpp) -----------------------------------------------
  QString historyFilePath() const;
  // One save 0.25 s after the oldest unsaved change: it appends the changes to the journal, and
  // now and then writes the whole file.
  void scheduleSave();
  bool isSavePending() const { return saveWork_.isPending(); }
  // Writes the history now and returns once it is on disk (at quit): the journal gets the last
  // changes, and is folded into the file only when that fits the quit budget. False when it could
  // not be written (a full disk) or an image's picture could not: the changes since the last
  // save, or that picture, are then lost at exit, and `lastWriteFailure()` says why.
  bool flushSave();
  QString lastWriteFailure() const;
  // Whether that save kept the history and only pictures were not written.
  bool lastWriteFailedOnlyPictures() const;
  // When the history file and its journal are folded together (tests and benchmarks).
  void setJournalLimits(const JournalLimits& limits);
  // Reads the history at start-up (migrating the legacy blob once), then the marks and
  // categories; applies retention, schedules a save and starts the text-recognition backfill.
  void loadHistory();
  // Starts fetching a web link's title and preview image for the item.
  void fetchLinkMetadata(const ClipboardItem& item, const QUrl& url);
  // Puts a fetch result into the link item with that id (if it is still there and a link).
  void applyLinkMetadata(const LinkMetadata& metadata, const QUuid& itemID);

  // ---- Marks (PanelStateMarks.cpp) -----------------------------------------------------------
  void markSensitive(const QUuid& id, bool automatic);
  void markSensitive(const QList<QUuid>& ids, bool automatic);
  void saveSensitive();
  void loadSensitive();
  void savePinned();
  void loadPinned();
  void saveCollapsedGroups();
  void loadCollapsedGroups();
  // Drops the marks of ids that are no longer in the history, writing what changed.
  void pruneOrphanedIDs();
  // After these items went from a history whose marks all named items in it: their marks go.
  void dropMarksOf(const QList<QUuid>& gone);
  void keepMarksOf(const IdSet& live);
  // Every id a mark names: pinned, sensitive (chosen or automatic), in a category, anchored.
  void forEachMarkedID(const std::function<void(const QUuid&)>& visit) const;

  // ---- Marks and edits (PanelStateMarks.cpp, PanelStateEdits.cpp) ----------------------------
  static constexpr double kPeekLifetimeSeconds = ItemMarks::kPeekLifetimeSeconds;
  // Runs a change that removes an item from the history, so that the views can animate it.
  // The application wires it to the standard spring; unset, the change runs plainly. It must
  // run the change before it returns.
  using ChangeAnimator = std::function<void(const std::function<void()>& change)>;
  QV_PLAIN(animateRemoval, setAnimateRemoval, ChangeAnimator);

 public:
  // Each toggle works on any id, also one that is not in the history, and writes its set at once.
  // Ids are taken by value: a caller may pass one that lives in a set or item being changed.
  void togglePin(QUuid id);
  void togglePin(const ClipboardItem& item) { togglePin(item.id); }
  // Reveals a sensitive item for a while, or hides it again. Never written to disk.
  void togglePeek(QUuid id);
  // Whether the item's content is to be kept out of sight: marked sensitive and not peeked at.
  bool isConcealed(const QUuid& id) const;
  void togglePeek(const ClipboardItem& item) { togglePeek(item.id); }
  // Ends every peek opened more than 300 s ago (run when the panel is shown).
  void expirePeeks();
  void clearPeeks();
  // The manual toggle: it never leaves an automatic mark behind.
  void toggleSensitive(QUuid id);
  void toggleSensitive(const ClipboardItem& item) { toggleSensitive(item.id); }
  void toggleCollapsedGroup(const QString& title);
  // Replaces the text of a text or code item in place (a code item keeps its language) and drops
  // its rich text; the same text, other kinds and items no longer in the history are left alone.
  void updateText(const ClipboardItem& item, const QString& text);
  // Fills in the missing size text of a file item from the file system.
  void refreshFileSize(const ClipboardItem& item);
  // The same with a size read before, off the main thread (the previews read it there): stored
  // only while the item is still a file item without a size text, at the same address.
  void refreshFileSize(const ClipboardItem& item, qint64 size);
  // The size of a regular file on this machine, from the file system; none for a missing file,
  // a folder or an empty file. Safe on any thread; it may wait on a slow disk.
  static std::optional<qint64> fileSizeOnDisk(const QString& path);
  // Removes one item with its marks, closes its preview and keeps the selection in range.
  void removeItem(QUuid id);
  void removeItem(const ClipboardItem& item) { removeItem(item.id); }
  // Items whose source application is exactly this identifier.
  int itemCount(const QString& fromApp) const;
  // Removes them all; returns how many were removed.
  int removeItems(const QString& fromApp);

  // ---- Categories (PanelStateCategories.cpp) -------------------------------------------------
  void saveCustomCategories();
  void saveCardCategories();
  // Reads the categories and assignments; seeds "Snippets" once.
  void loadCategories();

  // ---- Category operations and the category form (PanelStateCategories.cpp) -----------------
  // Appends a category with a fresh id and the name and index as given; saves the list.
  CustomCategory addCategory(const QString& name, int colorIndex);
  // Stores the name without surrounding white space; false for a blank name or unknown id.
  bool renameCategory(const QUuid& categoryID, const QString& name);
  // False for an index outside the palette or an unknown id.
  bool setCategoryColor(const QUuid& categoryID, int colorIndex);
  // Removes the category and its assignments (the items stay, uncategorised); a category tab
  // showing it falls back to all.
  void deleteCategory(const QUuid& categoryID);
  // Files the item into the category, or clears its category for none; saves the assignments.
  void setCategory(const std::optional<QUuid>& categoryID, const QUuid& itemID);
  // The item's category; none when unassigned or when its category is gone.
  std::optional<CustomCategory> categoryForItem(const QUuid& itemID) const;
  std::optional<CustomCategory> categoryForItem(const ClipboardItem& item) const { return categoryForItem(item.id); }
  // The colour to draw the category in: the colour being picked while its form edits it.
  QColor colorForCategory(const CustomCategory& category) const;
  // Leave a request for the filter panel of that surface to open the category form (new, or
  // editing a category); for the panel this opens its filter panel.
  void requestNewCategoryForm(FilterSurface surface);
  void openCategoryForm(const QUuid& editingCategoryID, FilterSurface surface);
  // Closes the form and drops pending requests; a form opened from outside takes its filter
  // surface down with it.
  void closeCategoryForm();

  // ---- Filters and search (PanelStateFilters.cpp) --------------------------------------------
  // The history after the active filter, the badge filters and the search query (which also
  // finds recognised image text), in history order. Kept until an input changes; every such
  // change emits filteredItemsChanged (a new recognised text only while a query is set).
  // A search of a long history goes on in steps (see RowSearch): this ends it first.
  FilteredItems filteredItems() const;
  // The filtered list as far as a search in steps has got, in history order: what the list
  // shows. It starts with the same items as the whole, and is the whole once the search ends.
  FilteredItems shownItems() const;
  // The number the footer shows: the filtered list's, or while a search goes on in steps the
  // last finished one's (the count of the first rows found would jump to the whole a frame on).
  qsizetype shownCount() const;
  // How long a search must be to go in steps, and the size of the steps.
  void setSearchPacing(const RowSearch::Pacing& pacing);
  Q_SIGNAL void filteredItemsChanged();
  // The search index was made, and searches made before it left the text recognised in some
  // images out (they matched those by their file names): search results are worked out again.
  Q_SIGNAL void searchTextsReady();
  // Keeps the items that pass the type, app and date filters, in order.
  QList<ClipboardItem> applyBadgeFilters(const QList<ClipboardItem>& items) const;
  // The type, app and date filters as they stand now, for checking items one by one.
  BadgeCheck badgeCheck() const;
  // The history rows whose searched texts hold the query (one that uses the index), ascending: of
  // all rows, or of `among`. For narrowing by a query other than the panel's (the library's own
  // search). Through the search index once it is made; until then the items are looked at one by
  // one, and the index is made off the main thread meanwhile.
  QList<qint32> rowsMatching(const SearchIndex::Query& query, const QList<qint32>* among = nullptr) const;
  // The same as a search shown as it goes (see RowSearch), with `keep` (when given) turning
  // rows down after the texts; none until the index is made (then use rowsMatching). The history
  // must stay as it is while the search goes on: drop it at any change.
  std::unique_ptr<RowSearch> searchInSteps(const SearchIndex::Query& query, std::optional<QList<qint32>> among,
                                           std::function<bool(qint32 row)> keep) const;
  // A search may begin soon (the library's field took the keys, or the panel, searched by typing
  // alone, showed): the index is made off the main thread now (unless it is being made), or
  // brought up to date, so that the first key finds it ready.
  void prepareSearch();
  // The text recognised in image items, for a query the index cannot answer.
  const ClipboardItem::RecognizedTextLookup& recognizedTextLookup() const;
  // A type, app or date filter is set (the tab and the query do not count).
  bool hasActiveFilters() const;
  // One removable chip per type, app and date filter: types, then apps, then the date.
  QList<ActiveFilterChip> activeFilterChips() const;
  // Every source application of the history with its display name, sorted by name; whether
  // there is any. Answered from the applications counted beside the history (see CaptureTimes).
  QList<SourceApp> sourceApps() const;
  bool hasSourceApps() const;
  // Sets the badge's filter as the only one of its kind, or clears it when it already is;
  // then clears the selection and closes the preview.
  void toggleBadgeFilter(const BadgeFilter& badge);
  bool isBadgeFilterActive(const BadgeFilter& badge) const;
  // Moves the selection through the filtered list, wrapping around at both ends.
  void selectNext();
  void selectPrevious();
  // Whether a capture date falls in the date filter's bucket now.
  bool matchesDateFilter(DateFilter filter, const QDateTime& date) const;
  // Whether an item was captured in the date filter's bucket now, or is of the kind: a chip that
  // would filter to nothing is not offered. Answered from the items' capture times and kinds,
  // kept beside the history: no look at every item.
  bool hasItemsIn(DateFilter filter) const;
  bool hasItemsOf(TypeFilter type) const;
  // The history rows the date filter of `badges` can keep: all rows without one (or in a history
  // out of date order), else the one run of rows captured within its range.
  RowSpan dateRows(const BadgeCheck& badges) const;

  // ---- Interface state, feedback and selection (PanelStateInterface.cpp) ---------------------
  static constexpr double kCopiedFlashSeconds = 1.1;
  static constexpr double kPasteHintSeconds = 1.6;
  static constexpr double kPreviewRetargetSeconds = 0.22;
  static constexpr double kPreviewHoverSeconds = 0.16;

  // The copied flash on a card for 1.1 s from the last call.
  void flashCopied(const QUuid& id);
  void flashCopied(const ClipboardItem& item) { flashCopied(item.id); }
  // The copied flash, and for 1.6 s the paste hint, on a card.
  void showPasteHint(const QUuid& id);
  void showPasteHint(const ClipboardItem& item) { showPasteHint(item.id); }
  // Shakes the card once (every call is one more shake).
  void shake(const QUuid& id);
  void shake(const ClipboardItem& item) { shake(item.id); }
  // Ends the copied flash and the paste hint now (the panel hides).
  void clearCopyFeedback();
  // Closes the preview of this item, opens it, or moves an open preview to it after 0.22 s.
  void retargetPreview(const ClipboardItem& item);
  // The pointer rests on a card (or on none): after 0.16 s an open preview follows it, unless
  // its editor is open.
  void schedulePreviewHover(const std::optional<ClipboardItem>& item);
  // Cancels pending preview moves and closes the preview.
  void cancelPreviewWork();
  // The previewed item; none when the preview names an item that is gone.
  std::optional<ClipboardItem> previewItem() const;
  // The multi-selected items in selection order, skipping those that are gone.
  QList<ClipboardItem> multiSelectedItems() const;

 private:
  // Number of items the keyboard selection indexes into.
  int filteredCount() const;

 private:
  // False when the history could not be written (only known for a synchronous save).
  bool save(bool sync, HistoryWriter::Moment moment = HistoryWriter::Moment::change);
  void retryFailedSave();
  // While stored settings or marks could not be read (the run uses defaults for them), nothing
  // is pruned: neither by retention nor side files. Says so once.
  bool storedValuesLost() const;
  mutable bool reportedLostValues_ = false;
  // Retention removes nothing while stored values were lost and no retention was chosen since,
  // nor while the stored retention is of another type (a 0 or a null is no choice). Says so once.
  bool retentionHeld() const;
  mutable bool reportedHeldRetention_ = false;
  // A stored retention of another type is set aside (and holds retention) before anything reads it.
  void setAsideUnreadableRetention();
  // Changes of the items made inside a recording reach the journal as these records; any other
  // change of the items makes the next save write the whole file.
  friend struct RecordedChange;
  void recordChange(HistoryChange change);
  // Recognises the text of the loaded `images` that have none yet, once the launch is done.
  void backfillImageText(QList<QUuid> images);
  void applyResolvedFiles(const QHash<QString, QUrl>& resolved);
  void runBackfillStep(std::shared_ptr<QList<QUuid>> pending, qsizetype index);
  void startTextRecognition(const QUuid& id, const QImage& captured = {});
  // An added item replaced an older one of the same content: it takes over the older one's pin,
  // manual sensitive mark and category. Pairs of (replaced, replacement).
  void inheritMarks(const QList<std::pair<QUuid, QUuid>>& replacements);
  // What the add path does after the history changed: retention, marks, save, and per item the
  // link metadata or the image's side file and text recognition.
  void finishAdding(const QList<ClipboardItem>& added, bool blurred);
  // Tell the observers of the marks or categories that changed.
  void notifyMarks(ItemMarks::Changes changes);
  void notifyCategories(ItemCategories::Changes changes);

  ItemServices& context_;
  // Pins, sensitive marks, peeks and collapsed groups, with their storage.
  ItemMarks marks_;
  // The categories and the items filed in them, with their storage.
  ItemCategories categories_;
  // The history file, its side files and the save queue.
  std::unique_ptr<HistoryFile> historyFile_;
  WorkItem saveWork_;
  // Monotonic time of the oldest change not yet handed to a save; none when all are saved.
  std::optional<double> unsavedSince_;
  // The changes since the last save, for the journal.
  QList<HistoryChange> recordedChanges_;
  int recordingDepth_ = 0;
  // The items changed outside a recording since the last save: the file is written whole.
  bool unrecordedChange_ = false;
  // Pending delayed interface work (owned by the interface-state operations).
  WorkItem previewRetargetWork_;
  WorkItem previewHoverWork_;
  WorkItem copiedFlashWork_;
  WorkItem pasteHintWork_;
  WorkItem backfillWork_;
  // The removal of side files that no loaded item names, once the launch is done.
  WorkItem startPruneWork_;
  // The memoised filtered list, over the search index of the history (filters).
  struct FilterIndex;
  QString appDisplayName(const QString& bundleID) const;
  static std::shared_ptr<FilterIndex> attachFilterIndex(PanelState& state);
  std::shared_ptr<FilterIndex> filterIndex_ = attachFilterIndex(*this);
  // The add path tells the filtered list about a copy put at the front, so that the next
  // search checks that item alone instead of the whole history.
  void afterItemPrepended();
  // What the de-duplication of a copy compares first, for every item (add path).
  struct DuplicateIndex;
  static std::shared_ptr<DuplicateIndex> attachDuplicateIndex(PanelState& state);
  std::shared_ptr<DuplicateIndex> duplicateIndex_ = attachDuplicateIndex(*this);
  // Makes up to `most` more of the duplicate keys of the history (the rest when the history
  // changed since the last slice made); they serve once all are made.
  void makeDuplicateKeys(qsizetype most);
  // Looks at up to `most` more rows for the check that every mark names an item of the history
  // (the prune of a copy then needs no pass); true once it is known. Starts again after a change.
  struct MarksCheck;
  std::shared_ptr<MarksCheck> marksCheck_;
  bool checkMarksLive(qsizetype most);
  // After a history was read: its duplicate keys with the items' content hashes, and the check of
  // its marks, a slice at each turn of the event loop, so that the first copy after a start finds
  // them done, as every later one does (at a million items, each is a pass of tens of
  // milliseconds).
  static constexpr qsizetype kSettleSlice = 65'536;
  void settleAside();
  WorkItem settleWork_;

  // Bookkeeping that spares the add path two passes over a long history. Every change of the
  // items or of the marks adds one to the count; a pass records the count it saw.
  static constexpr quint64 kNever = ~quint64(0);
  quint64 historyChanges_ = 0;
  // At this count every mark named a live item: pruning would change nothing.
  quint64 marksLiveAt_ = kNever;
  // At this count no unprotected item was captured before `retentionFloorMs_`: a cutoff at or
  // before it removes nothing.
  quint64 retentionFloorAt_ = kNever;
  qint64 retentionFloorMs_ = 0;
  void countHistoryChanges();
  // Before a change of the items in place: asks the holders of the list to let go of it.
  void letGoOfHeldItems();
};

}  // namespace qv
