#pragma once
#include "items/model/ClipboardItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace qv {

// The lower-cased searched text of every history item (for an image, its file name and the
// text recognised in it), kept in history order and brought up to date cheaply: a copy put at
// the front adds one row, and a rebuild reuses the rows of items whose searched fields are
// unchanged. The search per keystroke is a scan of these texts.
//
// A text of ASCII characters (nearly all) is searched where its item keeps it, with capitals
// folded: the index holds only its characters' mask and a reference to the item's field (88
// bytes an item at 100,000 lines of text, where a lower-cased copy took 240). Other texts are
// kept lower-cased, side by side in blocks of memory: with one byte per character when they fit
// in Latin-1 (an 8-bit query is then looked for with a byte search), else in UTF-16.
class SearchIndex {
 public:
  // The text recognised in an image item, by item id; none while it has not been recognised.
  using RecognizedText = ClipboardItem::RecognizedTextLookup;

  // The ASCII characters a lower-cased text holds, one bit each. A text lacking one of the
  // query's characters cannot contain it; for a one-character query the bit is the answer.
  struct CharMask {
    quint64 bits[2] = {0, 0};
    static CharMask of(QStringView text, bool* allAscii = nullptr);
    bool covers(const CharMask& other) const {
      return (bits[0] & other.bits[0]) == other.bits[0] && (bits[1] & other.bits[1]) == other.bits[1];
    }
  };

  // A trimmed, lower-cased query prepared for the scan.
  class Query {
   public:
    explicit Query(QString lowered);
    const QString& text() const { return text_; }
    bool isEmpty() const { return text_.isEmpty(); }
    // A query holding the field separator could match across two fields: it cannot use the
    // joined texts and is tested field by field instead.
    bool usesIndex() const { return usesIndex_; }

   private:
    friend class SearchIndex;
    // An ASCII query of two characters or more, prepared for the texts searched in place.
    struct Folded;
    QString text_;
    QByteArray latin1_;  // the text in Latin-1, when all of it fits
    bool fitsLatin1_ = false;
    CharMask mask_;
    bool usesIndex_ = false;
    bool maskAnswers_ = false;  // one ASCII character: the mask alone answers
    bool ascii_ = false;
    std::shared_ptr<const Folded> folded_;
  };

  explicit SearchIndex(RecognizedText recognizedText);
  ~SearchIndex();
  SearchIndex(const SearchIndex&) = delete;
  SearchIndex& operator=(const SearchIndex&) = delete;

  // The history changed in some other way: the rows are rebuilt on the next refresh.
  void markStale() { stale_ = true; }
  // One item was put at the front of `items`, which held the indexed items behind it: adds its
  // row, or marks the index stale when the rows no longer line up.
  void itemPrepended(const QList<ClipboardItem>& items);
  // Recognised text may have arrived for images that had none: their rows are rebuilt.
  void forgetAwaitingTexts();
  // Brings the rows in line with `items` (nothing to do unless stale).
  void refresh(const QList<ClipboardItem>& items);
  // Whether the searched text of the item in row `row` (its history index at the last refresh)
  // contains the query. The query must use the index.
  bool matches(qsizetype row, const Query& query) const;
  // The rows whose searched texts contain the query, ascending: of all rows, or of `among`
  // (ascending rows). Several times quicker than asking row by row: the texts are asked of the
  // memory ahead of reading them.
  QList<qint32> matchingRows(const Query& query) const;
  QList<qint32> matchingRows(const Query& query, const QList<qint32>& among) const;
  // The same of the rows [from, end), or of the positions [from, end) of `among`: a slice of a
  // search made in steps.
  QList<qint32> matchingRows(const Query& query, qsizetype from, qsizetype end) const;
  QList<qint32> matchingRows(const Query& query, const QList<qint32>& among, qsizetype from, qsizetype end) const;
  // Whether an item's searched text contains the query, without an index: what matches() answers
  // for its row, for a search made before the index is. Without `recognizedText` an image is
  // searched by its file name alone.
  static bool itemContains(const ClipboardItem& item, const Query& query, const RecognizedText& recognizedText);
  // Asks the memory for the start of an item's searched text, a few items before itemContains
  // reads it.
  static void fetchItem(const ClipboardItem& item);
  // Starts the threads that share long scans, if not yet started: called where the index is made
  // off the main thread, so that the first long scan does not wait for them to start.
  static void prepareScans();
  // Whether the rows have been made once: a refresh from here on changes only what changed.
  bool isBuilt() const { return built_; }

 private:
  struct Row;
  class Arena;
  Row makeRow(const ClipboardItem& item, CharMask* mask);
  void storeText(Row* row, const QStringView* parts, size_t count, CharMask* mask);
  bool keepsFieldsOf(Row& row, const ClipboardPayload& payload);
  void release(const Row& row);
  void compactIfWasteful();
  bool textContains(const Row& row, const Query& query) const;
  template <typename RowAt>
  qsizetype scanRows(const Query& query, qsizetype from, qsizetype end, RowAt rowAt, qint32* out) const;
  template <typename RowAt>
  QList<qint32> scan(const Query& query, qsizetype count, RowAt rowAt) const;

  // Room for copies before the first row: a copy at the front of a long history then takes a
  // slot, where an insert would move every row (at a million rows, 48 MB a copy).
  void makeRoomAtFront();
  size_t rowCount() const;

  RecognizedText recognizedText_;
  // The rows from rows_[front_] on (the slots before it are free).
  std::vector<Row> rows_;
  std::vector<CharMask> masks_;  // the rows' masks, compact: a one-letter scan reads only them
  size_t front_ = 0;
  // The searched fields each row's text was made from, kept so that their buffers stay
  // allocated: an item whose fields are these same buffers has the same text.
  std::vector<QString> fields_;
  size_t releasedFields_ = 0;
  // The boxes of the link, file and image rows' fields, held so that an item still holding the
  // same box is known to have the same fields without reading them (a box, held here too, is
  // never written in place).
  using KeptBox = std::variant<std::monostate, ImagePayload, LinkPayload, FilePayload>;
  std::vector<KeptBox> boxes_;
  // The lower-cased texts of the rows that are not searched in place (a few in a hundred).
  std::unique_ptr<Arena> arena_;
  qsizetype awaiting_ = 0;
  bool stale_ = true;
  bool built_ = false;
};

}  // namespace qv
