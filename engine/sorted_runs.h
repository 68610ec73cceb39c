// The lines of a sort as records in the sort's order, and the sorted runs
// a sort puts aside on disk when its lines do not fit in its memory. A run
// is written once, in order, into a spool in the temporary folder and read
// back once; runs are merged into one ordered stream, several at a time
// when there are more than the process may have open at once.
//
// The order is the one of placing the lines one by one into a list (see
// sort_by_element.h), written as a comparison of records: every line gets a
// place, and within the places of keys the key decides.
//
//   RunWriter run(*files.createScratch());
//   for (const LineRecord& line : sortedLines) run.add(line);
//   run.finish();
//   ...
//   mergeRuns(sources, order, [&](const LineRecord& line) { write(line.segment); });
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_progress.h"
#include "platform/file_system.h"

namespace strovel {

// Where a line goes.
enum class Place : std::uint8_t {
  Front,  // its element is empty: at the very front, the latest first
  Start,  // no element and no key before it: next, in input order
  Keyed,  // by its key; of equal keys the latest first (SortDistinct: the earliest)
  After,  // no element: right behind the keys equal to the greatest one
          // placed before it, in input order
};

// A line as a sort orders it. The views are valid until the record's
// source moves on.
struct LineRecord {
  Place place = Place::Start;
  std::uint64_t index = 0;   // the line's number in the input, from 0
  std::string_view key;      // Keyed: its key; After: the greatest key before it
  std::string_view segment;  // the LF in front of the line, then the line (none for line 0)
  std::uint64_t count = 1;   // SortDistinct: how often its key occurred
};

// Which of two records goes first. Of equal keys the latest line goes
// first (SortByElement), or with `earliestFirst` the earliest (SortDistinct,
// which keeps it and counts the others against it).
bool goesBefore(const LineRecord& a, const LineRecord& b, bool earliestFirst);

// An order of records, for a merge.
using RecordOrder = bool (*)(const LineRecord& a, const LineRecord& b);
bool latestFirst(const LineRecord& a, const LineRecord& b);    // SortByElement's
bool earliestFirst(const LineRecord& a, const LineRecord& b);  // SortDistinct's
// The element report's: the highest count first, of equal counts the
// highest index (the later list entry) first.
bool reportOrder(const LineRecord& a, const LineRecord& b);

// A spill that failed: the temporary folder is full or cannot take files.
struct SpillFailed {};

// Writes records, in order, into a spool. Throws SpillFailed when a write
// fails.
class RunWriter {
 public:
  // `counted`: the records carry counts (SortDistinct).
  RunWriter(Spool& spool, bool counted);
  void add(const LineRecord& record);
  void finish();

 private:
  void flush();
  Spool& spool_;
  bool counted_;
  std::string buffer_;
  std::string lastKey_;
  bool hasKey_ = false;
};

// A stream of records in order.
class RunSource {
 public:
  virtual ~RunSource() = default;
  // The next record; false at the end. Throws SpillFailed when a read fails.
  virtual bool next(LineRecord& record) = 0;
};

// Reads back what a RunWriter wrote, through a buffer of about
// `bufferBytes` (more for a record that is larger).
std::unique_ptr<RunSource> readRun(std::shared_ptr<Spool> spool, bool counted,
                                   std::size_t bufferBytes);

// Merges sources, each in `order`, into one stream in that order for
// `visit`, all at once. The ticker (may be null) hears the records merged.
void mergeSources(std::vector<std::unique_ptr<RunSource>>& sources, RecordOrder order,
                  const std::function<void(const LineRecord&)>& visit, ProgressTicker* ticker);

// Merges the sources, each in `order`, into one stream in that order for
// `visit`. With more sources
// than `fanIn`, groups of them are merged into new runs first (in spools
// from `files`, each read through `bufferBytes`). Each merge reports to the
// progress hook (may be null) as the Merging phase, over `records` in all.
void mergeRuns(std::vector<std::unique_ptr<RunSource>> sources, RecordOrder order, bool counted,
               std::size_t fanIn, std::size_t bufferBytes, FileSystem& files, std::uint64_t records,
               RunProgress* progress, const std::function<void(const LineRecord&)>& visit);

}  // namespace strovel
