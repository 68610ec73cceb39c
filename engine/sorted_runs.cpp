// The record order, the run format and the merge. A run is a sequence of
// records, each: one byte (the place in its low two bits, and bit 2 set
// when the key is that of the record before), the line's index, the key
// (its length, then its bytes) unless it has none or repeats, the count
// when the records carry counts, and the segment (its length, then its
// bytes); numbers are written seven bits a byte, lowest first.
#include "engine/sorted_runs.h"

#include <algorithm>
#include <cstring>

namespace strovel {
namespace {

constexpr unsigned char kSameKey = 4;

bool hasKey(Place place) { return place == Place::Keyed || place == Place::After; }

int rank(Place place) { return place == Place::Front ? 0 : place == Place::Start ? 1 : 2; }

void putNumber(std::string& out, std::uint64_t n) {
  while (n >= 0x80) {
    out.push_back(static_cast<char>((n & 0x7F) | 0x80));
    n >>= 7;
  }
  out.push_back(static_cast<char>(n));
}

// Reads a number at `at`; false when the bytes end first (or it is too long).
bool getNumber(std::string_view bytes, std::size_t& at, std::uint64_t& n) {
  n = 0;
  for (unsigned shift = 0; shift < 64; shift += 7) {
    if (at >= bytes.size()) return false;
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    n |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return true;
  }
  return false;
}

// Reads `length` bytes at `at`; false when the bytes end first.
bool getBytes(std::string_view bytes, std::size_t& at, std::uint64_t length,
              std::string_view& out) {
  if (length > bytes.size() - at) return false;
  out = bytes.substr(at, static_cast<std::size_t>(length));
  at += static_cast<std::size_t>(length);
  return true;
}

class SpoolReader : public RunSource {
 public:
  SpoolReader(std::shared_ptr<Spool> spool, bool counted, std::size_t bufferBytes)
      : spool_(std::move(spool)),
        counted_(counted),
        wanted_(std::max<std::size_t>(bufferBytes, 64)) {}

  bool next(LineRecord& record) override {
    for (;;) {
      if (parse(record)) return true;
      if (!fill()) {
        if (begin_ == buffer_.size()) return false;
        throw SpillFailed{};  // a run cut short
      }
    }
  }

 private:
  // The record at begin_, when the buffer holds it whole.
  bool parse(LineRecord& record) {
    const std::string_view bytes(buffer_.data() + begin_, buffer_.size() - begin_);
    if (bytes.empty()) return false;
    std::size_t at = 1;
    const auto flags = static_cast<unsigned char>(bytes[0]);
    record.place = static_cast<Place>(flags & 3);
    std::uint64_t length = 0;
    if (!getNumber(bytes, at, record.index)) return false;
    std::string_view key;
    const bool newKey = hasKey(record.place) && !(flags & kSameKey);
    if (newKey && !(getNumber(bytes, at, length) && getBytes(bytes, at, length, key))) return false;
    record.count = 1;
    if (counted_ && !getNumber(bytes, at, record.count)) return false;
    if (!(getNumber(bytes, at, length) && getBytes(bytes, at, length, record.segment)))
      return false;
    if (newKey) lastKey_.assign(key);
    record.key = hasKey(record.place) ? std::string_view(lastKey_) : std::string_view();
    begin_ += at;
    return true;
  }

  // Moves what is left to the front and reads more behind it (growing the
  // buffer for a record larger than it); false at the end of the spool.
  bool fill() {
    buffer_.erase(0, begin_);
    begin_ = 0;
    if (offset_ >= spool_->size()) return false;
    const std::size_t room = std::max(wanted_, 2 * buffer_.size());
    const std::size_t kept = buffer_.size();
    buffer_.resize(room);
    const std::int64_t got = spool_->read(offset_, buffer_.data() + kept, room - kept);
    if (got <= 0) throw SpillFailed{};
    buffer_.resize(kept + static_cast<std::size_t>(got));
    offset_ += static_cast<std::uint64_t>(got);
    return true;
  }

  std::shared_ptr<Spool> spool_;
  bool counted_;
  std::size_t wanted_;
  std::string buffer_;
  std::size_t begin_ = 0;
  std::uint64_t offset_ = 0;
  std::string lastKey_;
};

}  // namespace

// The next record always comes from the source whose record goes first (a
// heap of the sources by their records).
void mergeSources(std::vector<std::unique_ptr<RunSource>>& sources, RecordOrder order,
                  const std::function<void(const LineRecord&)>& visit, ProgressTicker* ticker) {
  std::vector<LineRecord> heads(sources.size());
  std::vector<std::size_t> heap;
  for (std::size_t i = 0; i < sources.size(); ++i)
    if (sources[i]->next(heads[i])) heap.push_back(i);
  const auto later = [&](std::size_t x, std::size_t y) { return order(heads[y], heads[x]); };
  std::make_heap(heap.begin(), heap.end(), later);
  for (std::uint64_t merged = 0; !heap.empty(); ++merged) {
    if (ticker) ticker->at(merged);
    std::pop_heap(heap.begin(), heap.end(), later);
    const std::size_t i = heap.back();
    visit(heads[i]);
    if (sources[i]->next(heads[i])) {
      std::push_heap(heap.begin(), heap.end(), later);
    } else {
      heap.pop_back();
    }
  }
}

bool goesBefore(const LineRecord& a, const LineRecord& b, bool earliestFirst) {
  const int ra = rank(a.place), rb = rank(b.place);
  if (ra != rb) return ra < rb;
  if (ra == 0) return a.index > b.index;
  if (ra == 1) return a.index < b.index;
  if (const int c = a.key.compare(b.key); c != 0) return c < 0;
  if (a.place != b.place) return a.place == Place::Keyed;
  if (a.place == Place::Keyed && !earliestFirst) return a.index > b.index;
  return a.index < b.index;
}

bool latestFirst(const LineRecord& a, const LineRecord& b) { return goesBefore(a, b, false); }

bool earliestFirst(const LineRecord& a, const LineRecord& b) { return goesBefore(a, b, true); }

bool reportOrder(const LineRecord& a, const LineRecord& b) {
  return a.count != b.count ? a.count > b.count : a.index > b.index;
}

RunWriter::RunWriter(Spool& spool, bool counted) : spool_(spool), counted_(counted) {}

void RunWriter::add(const LineRecord& record) {
  const bool keyed = hasKey(record.place);
  const bool same = keyed && hasKey_ && record.key == lastKey_;
  buffer_.push_back(
      static_cast<char>(static_cast<unsigned char>(record.place) | (same ? kSameKey : 0)));
  putNumber(buffer_, record.index);
  if (keyed && !same) {
    putNumber(buffer_, record.key.size());
    buffer_.append(record.key);
    lastKey_.assign(record.key);
    hasKey_ = true;
  }
  if (counted_) putNumber(buffer_, record.count);
  putNumber(buffer_, record.segment.size());
  buffer_.append(record.segment);
  if (buffer_.size() >= (1 << 20)) flush();
}

void RunWriter::flush() {
  if (!buffer_.empty() && !spool_.write(buffer_)) throw SpillFailed{};
  buffer_.clear();
}

void RunWriter::finish() { flush(); }

std::unique_ptr<RunSource> readRun(std::shared_ptr<Spool> spool, bool counted,
                                   std::size_t bufferBytes) {
  return std::make_unique<SpoolReader>(std::move(spool), counted, bufferBytes);
}

void mergeRuns(std::vector<std::unique_ptr<RunSource>> sources, RecordOrder order, bool counted,
               std::size_t fanIn, std::size_t bufferBytes, FileSystem& files, std::uint64_t records,
               RunProgress* progress, const std::function<void(const LineRecord&)>& visit) {
  fanIn = std::max<std::size_t>(fanIn, 2);
  // More runs than can be read at once: each group of them becomes one run.
  while (sources.size() > fanIn) {
    std::vector<std::unique_ptr<RunSource>> merged;
    for (std::size_t first = 0; first < sources.size(); first += fanIn) {
      std::vector<std::unique_ptr<RunSource>> group;
      for (std::size_t i = first; i < std::min(sources.size(), first + fanIn); ++i)
        group.push_back(std::move(sources[i]));
      std::shared_ptr<Spool> spool = files.createScratch();
      if (!spool) throw SpillFailed{};
      RunWriter writer(*spool, counted);
      ProgressTicker ticker(progress, RunPhase::Merging, records);
      mergeSources(
          group, order, [&](const LineRecord& r) { writer.add(r); }, &ticker);
      writer.finish();
      merged.push_back(readRun(std::move(spool), counted, bufferBytes));
    }
    sources = std::move(merged);
  }
  ProgressTicker ticker(progress, RunPhase::Merging, records);
  mergeSources(sources, order, visit, &ticker);
}

}  // namespace strovel
