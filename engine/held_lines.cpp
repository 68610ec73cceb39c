// The tables of held lines, one form per offset width.
#include "engine/held_lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/key_sort.h"
#include "engine/line_keys.h"
#include "engine/reordered_lines.h"
#include "platform/mapped_buffer.h"

namespace strovel {
namespace {

template <typename Offset>
class LineRun final : public HeldLines, private LineKeys {
 public:
  using Record = KeyRecord<Offset>;

  LineRun(const Rule& rule, std::string_view greatest, bool hasGreatest, std::uint64_t firstIndex,
          std::size_t twoThreadsFrom, std::size_t window)
      : rule_(rule),
        first_(firstIndex),
        twoThreadsFrom_(twoThreadsFrom),
        window_(std::max<std::size_t>(window, 1)),
        margin_(2 * rule.Pattern1.size() + rule.Pattern2.size() + 2) {
    // An earlier run's greatest key stands before the first line.
    if (hasGreatest) {
      text_.append(greatest);
      setGreatest(0, greatest.size());
    }
    walked_ = end_ = text_.size();
    nextWalk_ = walked_ + window_;
  }

  std::uint64_t room() const override {
    return std::numeric_limits<Offset>::max() -
           std::min<std::uint64_t>(text_.size(), std::numeric_limits<Offset>::max());
  }
  void append(std::string_view text) override { text_.append(text); }
  bool due() const override { return text_.size() >= nextWalk_; }

  bool walk(bool final) override {
    const std::string_view in = text_.view().substr(walked_);
    MarkerFinders finders(in, rule_);
    const std::size_t lastLf = in.rfind('\n');
    std::size_t s = 0;
    bool room = true;
    for (;;) {
      if (lines() >= Record::kMaxLines || text_.size() > std::numeric_limits<Offset>::max()) {
        room = false;
        break;
      }
      const std::size_t lf = findByte(in, '\n', s + 1);
      if (!final && (lf == npos || lastLf == npos || lf + margin_ > lastLf)) break;
      const std::size_t e = lf != npos ? lf : in.size();
      if (e == s) break;
      take(walked_ + s, walked_ + e, lineKey(finders, rule_, in, s, e), walked_);
      if (lf == npos) {
        s = in.size();
        break;
      }
      s = lf;
    }
    walked_ += s;
    // The next walk waits for the window, and then until the undecided rest
    // has doubled, so that one very long line costs linear time.
    nextWalk_ = text_.size() + std::max(window_, text_.size() - walked_);
    return room;
  }

  std::string_view rest() const override { return text_.view().substr(walked_); }
  std::string_view greatest() const override {
    return hasGreatest_ ? text_.view().substr(greatestAt_, greatestLength_) : std::string_view();
  }
  std::uint64_t nextIndex() const override { return first_ + lines(); }
  std::uint64_t lines() const override { return starts_.size(); }
  // What the run takes of the address space: the room its buffers have.
  std::uint64_t heldBytes() const override {
    return text_.capacity() + starts_.reserved() + records_.reserved() + afterKeys_.reserved() +
           front_.reserved() + start_.reserved();
  }
  SortCounts counts() const override { return counts_; }

  void sort(RunProgress* progress) override {
    sortKeys<Offset>(std::span<Record>(records_.data(), records_.size()), *this, twoThreadsFrom_,
                     progress);
  }

  void forEach(const std::function<void(const LineRecord&)>& visit) const override {
    InOrder lines(*this);
    LineRecord record;
    for (std::size_t n = 0; n < ordered(); ++n) visit(lines.record(n, record));
  }

  std::unique_ptr<RunSource> source() const override {
    struct Source : RunSource {
      explicit Source(const LineRun& run) : lines(run), all(run.ordered()) {}
      bool next(LineRecord& record) override {
        if (n == all) return false;
        lines.record(n++, record);
        return true;
      }
      InOrder lines;
      std::size_t all, n = 0;
    };
    return std::make_unique<Source>(*this);
  }

  void write(const TextSink& out, RunProgress* progress) const override {
    InOrder lines(*this);
    writeReordered(
        ordered(),
        [&](std::size_t n) {
          const std::string_view segment = lines.segment(n);
          return std::pair(segment, first_ + lines.line(n) == 0);
        },
        out, progress);
  }

 private:
  // A line's key is not kept: it is found again in the line, which keeps
  // the tables at four bytes a line beside the sort's record. A line with
  // no element placed behind a key has that key's place in afterKeys_.
  std::string_view key(std::uint64_t line, bool after) const override {
    const std::string_view text = text_.view();
    if (after) {
      const AfterKey* at = std::lower_bound(
          afterKeys_.begin(), afterKeys_.end(), line,
          [](const AfterKey& entry, std::uint64_t wanted) { return entry.line < wanted; });
      return text.substr(at->keyAt, at->keyLength);
    }
    MarkerFinders finders(text, rule_);
    const std::size_t s = starts_[line];
    const std::size_t e = line + 1 < starts_.size() ? starts_[line + 1] : end_;
    const LineKey found = lineKey(finders, rule_, text, s, e);
    return text.substr(found.keyAt, found.keyLength);
  }
  // The lines in order: the fronts (the latest first), the starts, the records.
  std::size_t ordered() const { return front_.size() + start_.size() + records_.size(); }
  std::uint64_t lineAt(std::size_t n) const {
    const std::size_t fronts = front_.size(), starts = start_.size();
    if (n < fronts) return front_[fronts - 1 - n];
    if (n < fronts + starts) return start_[n - fronts];
    return records_[n - fronts - starts].line();
  }
  // Reads the lines in order, which lie at random in the text: in blocks,
  // the starts of a block's lines are fetched from memory all at once, then
  // their texts, a block or two ahead of the copy, so that the waits for
  // memory overlap instead of following one another. n must go up one at
  // a time from 0.
  class InOrder {
   public:
    explicit InOrder(const LineRun& run) : run_(run), all_(run.ordered()) {
      fetchStarts(0);
      fetchStarts(1);
      fetchTexts(0);
    }
    std::uint64_t line(std::size_t n) const { return ring_[n % kRing].line; }
    std::string_view segment(std::size_t n) {
      if (n % kBlock == 0) {
        fetchStarts(n / kBlock + 2);
        fetchTexts(n / kBlock + 1);
      }
      const Slot& slot = ring_[n % kRing];
      return run_.text_.view().substr(slot.from, slot.to - slot.from);
    }
    // The n-th line as a record; a key of at most eight bytes is the
    // record's own prefix, written out into key_ (valid until the next).
    const LineRecord& record(std::size_t n, LineRecord& record) {
      record.segment = segment(n);
      run_.placeOf(n, line(n), record, key_);
      return record;
    }

   private:
    static constexpr std::size_t kBlock = 32, kRing = 3 * kBlock;
    struct Slot {
      std::uint64_t line;
      std::size_t from, to;
    };
    void fetchStarts(std::size_t block) {
      for (std::size_t n = block * kBlock; n < std::min(all_, (block + 1) * kBlock); ++n) {
        ring_[n % kRing].line = run_.lineAt(n);
        __builtin_prefetch(&run_.starts_[ring_[n % kRing].line]);
      }
    }
    void fetchTexts(std::size_t block) {
      for (std::size_t n = block * kBlock; n < std::min(all_, (block + 1) * kBlock); ++n) {
        Slot& slot = ring_[n % kRing];
        slot.from = run_.starts_[slot.line];
        slot.to = slot.line + 1 < run_.starts_.size() ? run_.starts_[slot.line + 1] : run_.end_;
        __builtin_prefetch(run_.text_.data() + slot.from);
        if (slot.to > slot.from) __builtin_prefetch(run_.text_.data() + slot.to - 1);
      }
    }
    const LineRun& run_;
    std::size_t all_;
    std::array<Slot, kRing> ring_;
    char key_[8];
  };
  // The place, index and key of the n-th line in order, `line`. A key of
  // at most eight bytes is the record's own prefix, written out into `key`
  // (eight bytes that stay valid as long as the record is used); a longer
  // one is found again.
  void placeOf(std::size_t n, std::uint64_t line, LineRecord& record, char* key) const {
    const std::size_t fronts = front_.size(), starts = start_.size();
    record.index = first_ + line;
    record.key = {};
    record.count = 1;
    if (n < fronts + starts) {
      record.place = n < fronts ? Place::Front : Place::Start;
      return;
    }
    const Record& r = records_[n - fronts - starts];
    record.place = r.after() ? Place::After : Place::Keyed;
    if (r.after() || r.longKey()) {
      record.key = this->key(line, r.after());
      return;
    }
    std::uint64_t bytes = r.prefix;  // big-endian: the key's bytes in order
    if constexpr (std::endian::native == std::endian::little) bytes = __builtin_bswap64(bytes);
    std::memcpy(key, &bytes, 8);
    record.key = std::string_view(key, r.digit());
  }

  void setGreatest(std::size_t at, std::size_t length) {
    greatestAt_ = at;
    greatestLength_ = length;
    hasGreatest_ = true;
    const std::string_view key = text_.view().substr(at, length);
    greatestPrefix_ = eightBytes(key, 0);
    greatestDigit_ = lengthDigit(length, 0);
  }

  // The line [s, e) of the text, whose key `found` was located in the
  // view that starts at `base`.
  void take(std::size_t s, std::size_t e, const LineKey& found, std::size_t base) {
    const auto line = static_cast<Offset>(lines());
    const std::size_t keyAt = base + found.keyAt;
    starts_.push_back(static_cast<Offset>(s));
    end_ = e;
    switch (found.kind) {
      case LineKind::EmptyKey:
        front_.push_back(line);
        ++counts_.sorted;
        return;
      case LineKind::Keyless:
        ++counts_.withoutElement;
        if (!hasGreatest_) {
          start_.push_back(line);
          return;
        }
        afterKeys_.push_back(
            {line, static_cast<Offset>(greatestAt_), static_cast<Offset>(greatestLength_)});
        records_.push_back(
            {greatestPrefix_,
             static_cast<Offset>((Offset(line) << Record::kLineShift) | Record::kAfter |
                                 greatestDigit_ | (greatestLength_ > 8 ? Record::kLong : 0))});
        return;
      case LineKind::Keyed: {
        const std::string_view key = text_.view().substr(keyAt, found.keyLength);
        records_.push_back(
            {eightBytes(key, 0), static_cast<Offset>((Offset(line) << Record::kLineShift) |
                                                     lengthDigit(found.keyLength, 0) |
                                                     (found.keyLength > 8 ? Record::kLong : 0))});
        ++counts_.sorted;
        if (!hasGreatest_ || key > greatest()) setGreatest(keyAt, found.keyLength);
        return;
      }
    }
  }

  const Rule& rule_;
  std::uint64_t first_;
  std::size_t twoThreadsFrom_;
  std::size_t window_;
  std::size_t margin_;  // what a line's key may need behind its line break
  MappedBuffer text_;   // an earlier run's greatest key, then the lines
  std::size_t walked_;  // where the first line not taken starts
  std::size_t end_;     // where the last line taken ends
  std::size_t nextWalk_;
  struct AfterKey {
    Offset line, keyAt, keyLength;
  };
  MappedArray<Offset> starts_;         // per line
  MappedArray<Record> records_;        // the lines placed by a key
  MappedArray<AfterKey> afterKeys_;    // the key each line placed behind one follows
  MappedArray<Offset> front_, start_;  // the lines placed first, and next
  SortCounts counts_;
  bool hasGreatest_ = false;
  std::size_t greatestAt_ = 0, greatestLength_ = 0;
  std::uint64_t greatestPrefix_ = 0;
  unsigned greatestDigit_ = 0;
};

}  // namespace

std::unique_ptr<HeldLines> holdLines(const Rule& rule, std::string_view greatest, bool hasGreatest,
                                     std::uint64_t firstIndex, bool wide,
                                     std::size_t twoThreadsFrom, std::size_t window) {
  if (wide)
    return std::make_unique<LineRun<std::uint64_t>>(rule, greatest, hasGreatest, firstIndex,
                                                    twoThreadsFrom, window);
  return std::make_unique<LineRun<std::uint32_t>>(rule, greatest, hasGreatest, firstIndex,
                                                  twoThreadsFrom, window);
}

}  // namespace strovel
