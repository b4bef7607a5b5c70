#include "state/SearchIndex.h"
#include "state/SearchIndexRows.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

using namespace searchIndex;

namespace {

// Substring test for the per-keystroke scan: find the query's first character with the
// vectorised character search, then compare the rest. For short queries this is several times
// quicker than the general search; long ones (where repeats could make it quadratic) use that.
bool containsQuery(QStringView text, QStringView query) {
  const qsizetype length = query.size();
  if (length == 1) return text.contains(query.front());
  if (length > 32) return text.contains(query);
  const QChar first = query.front();
  const qsizetype last = text.size() - length;
  const size_t restBytes = static_cast<size_t>(length - 1) * sizeof(QChar);
  for (qsizetype from = 0; from <= last;) {
    const qsizetype at = text.indexOf(first, from);
    if (at < 0 || at > last) return false;
    if (std::memcmp(text.data() + at + 1, query.data() + 1, restBytes) == 0) return true;
    from = at + 1;
  }
  return false;
}

// Byte-wise substring test of a Latin-1 text, in the same way: find the first byte with memchr,
// then compare the rest.
bool containsBytes(const char* text, size_t size, const QByteArray& query) {
  const size_t length = size_t(query.size());
  if (length > size) return false;
  if (length > 32) return memmem(text, size, query.constData(), length) != nullptr;
  const char first = query.front();
  const char* const last = text + (size - length);
  for (const char* from = text; from <= last;) {
    const auto* at = static_cast<const char*>(std::memchr(from, first, size_t(last - from) + 1));
    if (!at) return false;
    if (std::memcmp(at + 1, query.constData() + 1, length - 1) == 0) return true;
    from = at + 1;
  }
  return false;
}

// Setting bit 5 turns a capital into its small letter and leaves the small letter alone: for a
// letter, `c | foldBit(letter) == letter` holds for both cases of it and no other character.
char16_t foldBit(char16_t lower) { return lower >= u'a' && lower <= u'z' ? 0x20 : 0; }

// Whether a UTF-16 text holds the lower-cased ASCII character `lower` in either case, sixteen
// places at a time.
bool containsFoldedCharacter(QStringView text, char16_t lower) {
  const char16_t fold = foldBit(lower);
  const char16_t* const units = text.utf16();
  const qsizetype size = text.size();
  qsizetype at = 0;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(char(lower)), foldByte = _mm_set1_epi8(char(fold));
  // Packing saturates: a unit above 255 becomes 255, which no ASCII character equals.
  for (; at + 16 <= size; at += 16) {
    const auto* from = reinterpret_cast<const __m128i*>(units + at);
    const __m128i packed = _mm_packus_epi16(_mm_loadu_si128(from), _mm_loadu_si128(from + 1));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(packed, foldByte), wanted))) return true;
  }
#endif
  for (; at < size; ++at)
    if (char16_t(units[at] | fold) == lower) return true;
  return false;
}

}  // namespace

// Substring test of an ASCII text kept in the item's own UTF-16, capitals folded, for a
// lower-cased ASCII query of two characters or more. Sixteen places at a time are tested for the
// query's first two characters in either case (packed into bytes, which is exact for ASCII: a
// unit above 255 packs into 255 or 0, which equal no character of the query), and a place they
// let through is compared with the query's first sixteen characters at once.
struct SearchIndex::Query::Folded {
  explicit Folded(const QString& lowered);
  bool foundIn(const char16_t* units, qsizetype size) const;
  bool foundIn(QStringView field) const { return foundIn(field.utf16(), field.size()); }
  bool startsAt(const char16_t* units, qsizetype size, qsizetype at) const;
  bool restAt(const char16_t* units, qsizetype at, qsizetype from) const;

  QString query;
  char16_t first, second, firstFold, secondFold;
  // The first sixteen characters as bytes (zero beyond the query), with their fold bits, and
  // the places of those that must be equal.
  std::array<char, 16> head{}, headFolds{};
  unsigned headPlaces = 0;
};

SearchIndex::Query::Folded::Folded(const QString& lowered)
    : query(lowered),
      first(lowered[0].unicode()),
      second(lowered[1].unicode()),
      firstFold(foldBit(first)),
      secondFold(foldBit(second)) {
  const qsizetype headLength = std::min<qsizetype>(query.size(), 16);
  for (qsizetype k = 0; k < headLength; ++k) {
    head[size_t(k)] = char(query[k].unicode());
    headFolds[size_t(k)] = char(foldBit(query[k].unicode()));
  }
  headPlaces = (1u << headLength) - 1;
}

// Whether the query's characters from `from` on follow at `at`, capitals folded.
bool SearchIndex::Query::Folded::restAt(const char16_t* units, qsizetype at, qsizetype from) const {
  const QChar* const wanted = query.constData();
  for (qsizetype k = from, n = query.size(); k < n; ++k) {
    const char16_t c = units[at + k];
    if ((c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c) != wanted[k].unicode()) return false;
  }
  return true;
}

// Whether the query starts at `at` (where it fits in the text).
bool SearchIndex::Query::Folded::startsAt(const char16_t* units, qsizetype size, qsizetype at) const {
#if defined(__SSE2__)
  if (at + 16 <= size) {
    const auto* from = reinterpret_cast<const __m128i*>(units + at);
    const __m128i packed = _mm_packus_epi16(_mm_loadu_si128(from), _mm_loadu_si128(from + 1));
    const __m128i folds = _mm_loadu_si128(reinterpret_cast<const __m128i*>(headFolds.data()));
    const __m128i wanted = _mm_loadu_si128(reinterpret_cast<const __m128i*>(head.data()));
    const auto same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(packed, folds), wanted)));
    return (same & headPlaces) == headPlaces && (query.size() <= 16 || restAt(units, at, 16));
  }
#endif
  (void)size;
  return restAt(units, at, 1);
}

bool SearchIndex::Query::Folded::foundIn(const char16_t* units, qsizetype size) const {
  const qsizetype last = size - query.size();  // the last place the query can start
  if (last < 0) return false;
  qsizetype at = 0;
#if defined(__SSE2__)
  const __m128i firstByte = _mm_set1_epi8(char(first)), secondByte = _mm_set1_epi8(char(second));
  const __m128i firstByteFold = _mm_set1_epi8(char(firstFold)), secondByteFold = _mm_set1_epi8(char(secondFold));
  // Reads up to units[at + 16], which is at most units[last + 1]: inside the text.
  for (; at + 16 <= last + 1; at += 16) {
    const auto* firstsAt = reinterpret_cast<const __m128i*>(units + at);
    const auto* secondsAt = reinterpret_cast<const __m128i*>(units + at + 1);
    const __m128i firsts = _mm_packus_epi16(_mm_loadu_si128(firstsAt), _mm_loadu_si128(firstsAt + 1));
    const __m128i seconds = _mm_packus_epi16(_mm_loadu_si128(secondsAt), _mm_loadu_si128(secondsAt + 1));
    unsigned hits = unsigned(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(firsts, firstByteFold), firstByte),
                                        _mm_cmpeq_epi8(_mm_or_si128(seconds, secondByteFold), secondByte))));
    for (; hits; hits &= hits - 1)
      if (startsAt(units, size, at + qsizetype(std::countr_zero(hits)))) return true;
  }
#endif
  for (; at <= last; ++at)
    if (char16_t(units[at] | firstFold) == first && char16_t(units[at + 1] | secondFold) == second &&
        startsAt(units, size, at))
      return true;
  return false;
}

SearchIndex::Query::Query(QString lowered) : text_(std::move(lowered)) {
  usesIndex_ = !text_.isEmpty() && !text_.contains(kFieldSeparator);
  bool ascii = false;
  mask_ = CharMask::of(text_, &ascii);
  ascii_ = ascii;
  maskAnswers_ = ascii && text_.size() == 1;
  fitsLatin1_ = fitsLatin1(text_);
  if (fitsLatin1_) latin1_ = text_.toLatin1();
  if (ascii && text_.size() >= 2) folded_ = std::make_shared<const Folded>(text_);
}

bool SearchIndex::matches(qsizetype row, const Query& query) const {
  const size_t at = front_ + static_cast<size_t>(row);
  if (!masks_[at].covers(query.mask_)) return false;
  return query.maskAnswers_ || textContains(rows_[at], query);
}

// Whether the text of a row whose mask covers the query's contains it.
bool SearchIndex::textContains(const Row& row, const Query& query) const {
  if (row.inPlace) {
    if (!query.ascii_) return false;  // an ASCII text holds no other character, lower-cased or not
    if (row.fieldCount == 1)
      return query.folded_->foundIn(static_cast<const char16_t*>(row.text), qsizetype(row.length));
    const QString* fields = fields_.data() + row.fieldsAt;
    for (size_t k = 0; k < row.fieldCount; ++k)
      if (query.folded_->foundIn(fields[k])) return true;
    return false;
  }
  if (row.wide)
    return containsQuery(QStringView(static_cast<const char16_t*>(row.text), qsizetype(row.length)), query.text_);
  return query.fitsLatin1_ && containsBytes(static_cast<const char*>(row.text), row.length, query.latin1_);
}

namespace {

// Asks the memory for the start of a text, where most matches are found: the lines of its first
// 192 bytes (96 characters in place), or of all of a shorter one. Always inlined: the compiler
// takes a function of nothing but prefetches for one without effect, and drops its calls.
[[gnu::always_inline]] inline void fetchText(const void* text, size_t bytes) {
  const auto* from = static_cast<const char*>(text);
  const char* const line = from - (reinterpret_cast<uintptr_t>(from) & 63);
  const char* const end = from + std::min<size_t>(bytes, 192);
  __builtin_prefetch(line);
  if (line + 64 < end) __builtin_prefetch(line + 64);
  if (line + 128 < end) __builtin_prefetch(line + 128);
  if (line + 192 < end) __builtin_prefetch(line + 192);
}

// A few threads that take pieces of a long scan off the calling thread. The caller takes pieces
// too, until none is left: a helper that is slow to wake (a busy machine) only means the caller
// does more of them itself.
class ScanHelpers {
 public:
  static ScanHelpers& instance() {
    static ScanHelpers helpers;
    return helpers;
  }

  // Runs `work` for each of the pieces [0, pieces), returning once all are done. A second scan
  // while one runs (from another thread) is done on its own thread alone.
  void run(qsizetype pieces, const std::function<void(qsizetype)>& work) {
    std::unique_lock busy(busy_, std::try_to_lock);
    if (!busy || threads_.empty()) {
      for (qsizetype piece = 0; piece < pieces; ++piece) work(piece);
      return;
    }
    Job job(work, pieces);
    {
      const std::lock_guard lock(mutex_);
      job_ = &job;
      ++generation_;
    }
    wake_.notify_all();
    job.takePieces();
    std::unique_lock lock(mutex_);
    job_ = nullptr;  // no helper joins it from here on
    done_.wait(lock, [&job] { return job.helpers == 0; });
  }

 private:
  // The texts are read from scattered memory: each thread has its own reads under way, so a
  // long scan gains from every core the machine has (the caller counts as one).
  static constexpr unsigned kMostHelpers = 7;

  struct Job {
    Job(const std::function<void(qsizetype)>& w, qsizetype n) : work(w), pieces(n) {}
    void takePieces() {
      for (qsizetype piece; (piece = next.fetch_add(1, std::memory_order_relaxed)) < pieces;) work(piece);
    }
    const std::function<void(qsizetype)>& work;
    const qsizetype pieces;
    std::atomic<qsizetype> next{0};
    int helpers = 0;  // at work on it (under mutex_)
  };

  ScanHelpers() {
    const unsigned count = std::min(std::max(std::thread::hardware_concurrency(), 1u) - 1, kMostHelpers);
    for (unsigned k = 0; k < count; ++k) threads_.emplace_back([this] { help(); });
  }
  ~ScanHelpers() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  void help() {
    quint64 seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || (job_ && generation_ != seen); });
      if (stopping_) return;
      seen = generation_;
      Job* const job = job_;
      ++job->helpers;
      lock.unlock();
      job->takePieces();
      lock.lock();
      if (--job->helpers == 0) done_.notify_all();
    }
  }

  std::mutex busy_;  // held by the scan being helped
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  Job* job_ = nullptr;
  quint64 generation_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

// The rows among [from, end) of those `rowAt` names whose texts contain the query, written to
// `out` (room for all of them) in order; returns how many. In runs: the masks first, then the
// texts of the rows they let through, each asked of the memory a few rows before it is read (the
// texts lie scattered where their items keep them: read in turn, each would wait for the memory).
template <typename RowAt>
qsizetype SearchIndex::scanRows(const Query& query, qsizetype from, qsizetype end, RowAt rowAt, qint32* out) const {
  constexpr qsizetype kRun = 512;
  constexpr qsizetype kAhead = 12;
  const CharMask wanted = query.mask_;
  const CharMask* const masks = masks_.data() + front_;
  const Row* const rows = rows_.data() + front_;
  const auto fetch = [rows](qint32 row) [[gnu::always_inline]] {
    const Row& at = rows[size_t(row)];
    fetchText(at.text, at.inPlace || at.wide ? size_t(at.length) * 2 : at.length);
  };
  qsizetype kept = 0;
  while (from < end) {
    // Without a branch: each row is written, and counted when its mask covers the query's.
    qint32* const candidates = out + kept;
    qsizetype n = 0;
    for (const qsizetype runEnd = std::min(end, from + kRun); from < runEnd; ++from) {
      const qint32 row = rowAt(from);
      candidates[n] = row;
      n += masks[row].covers(wanted) ? 1 : 0;
    }
    if (!query.maskAnswers_) {
      if (!query.ascii_)  // the texts in place cannot hold it
        n = std::remove_if(candidates, candidates + n, [rows](qint32 row) { return rows[size_t(row)].inPlace; }) -
            candidates;
      // The rows whose texts hold the query stay, in order, at the front of the candidates.
      qsizetype holding = 0;
      for (qsizetype k = 0; k < std::min(n, kAhead); ++k) fetch(candidates[k]);
      for (qsizetype k = 0; k < n; ++k) {
        if (k + kAhead < n) fetch(candidates[k + kAhead]);
        const qint32 row = candidates[k];
        candidates[holding] = row;
        holding += textContains(rows[size_t(row)], query) ? 1 : 0;
      }
      n = holding;
    }
    kept += n;
  }
  return kept;
}

// A long scan in pieces, shared with the helpers: the texts are read from scattered memory, and
// each thread has that many more reads under way at once.
template <typename RowAt>
QList<qint32> SearchIndex::scan(const Query& query, qsizetype count, RowAt rowAt) const {
  constexpr qsizetype kPiece = 4096;
  const qsizetype pieces = (count + kPiece - 1) / kPiece;
  // Each piece writes its rows where its own rows begin; they are moved together after.
  QList<qint32> found(count);
  qint32* const out = found.data();
  std::vector<qsizetype> kept(static_cast<size_t>(pieces));
  const std::function<void(qsizetype)> scanPiece = [&](qsizetype piece) {
    const qsizetype from = piece * kPiece;
    kept[size_t(piece)] = scanRows(query, from, std::min(count, from + kPiece), rowAt, out + from);
  };
  // A search the masks answer reads no texts: it is quicker alone, in one piece, unless the
  // history is long enough for the masks alone to take milliseconds.
  constexpr qsizetype kMaskOnlyAlone = 262'144;
  if (pieces <= 1 || (query.maskAnswers_ && count < kMaskOnlyAlone)) {
    found.resize(scanRows(query, 0, count, rowAt, out));
    return found;
  }
  ScanHelpers::instance().run(pieces, scanPiece);
  qsizetype total = 0;
  for (qsizetype piece = 0; piece < pieces; ++piece) {
    const qsizetype n = kept[size_t(piece)];
    if (total != piece * kPiece) std::memmove(out + total, out + piece * kPiece, size_t(n) * sizeof(qint32));
    total += n;
  }
  found.resize(total);
  return found;
}

bool SearchIndex::itemContains(const ClipboardItem& item, const Query& query, const RecognizedText& recognizedText) {
  // An ASCII query is looked for where the item keeps its fields, with capitals folded; a field
  // of other characters (whose small letters may be ASCII ones, as the Kelvin sign's) and an
  // image's recognised text are left to the item's own search.
  if (query.isEmpty()) return true;
  if (query.ascii_ && (!recognizedText || !std::holds_alternative<ImagePayload>(item.payload))) {
    FieldList fields{};
    const size_t count = searchedFields(item.payload, &fields);
    bool allAscii = true;
    for (size_t k = 0; k < count; ++k) {
      const QString& field = *fields[k];
      if (query.text_.size() == 1 ? containsFoldedCharacter(field, query.text_[0].unicode())
                                  : query.folded_->foundIn(field))
        return true;
      allAscii = allAscii && isAscii(field);
    }
    if (allAscii) return false;
  }
  return item.matchesLowercased(query.text_, recognizedText);
}

void SearchIndex::fetchItem(const ClipboardItem& item) {
  FieldList fields{};
  searchedFields(item.payload, &fields);
  const auto* text = reinterpret_cast<const char*>(fields[0]->constData());
  __builtin_prefetch(text);
  __builtin_prefetch(text + 64);
}

void SearchIndex::prepareScans() { ScanHelpers::instance(); }

QList<qint32> SearchIndex::matchingRows(const Query& query) const {
  return matchingRows(query, 0, qsizetype(rowCount()));
}

QList<qint32> SearchIndex::matchingRows(const Query& query, const QList<qint32>& among) const {
  return matchingRows(query, among, 0, among.size());
}

QList<qint32> SearchIndex::matchingRows(const Query& query, qsizetype from, qsizetype end) const {
  return scan(query, end - from, [from](qsizetype i) { return qint32(from + i); });
}

QList<qint32> SearchIndex::matchingRows(const Query& query, const QList<qint32>& among, qsizetype from,
                                        qsizetype end) const {
  const qint32* const slice = among.constData() + from;
  return scan(query, end - from, [slice](qsizetype i) { return slice[i]; });
}

}  // namespace qv
