// SortDistinct's element report: every kept line's key (its line breaks
// dropped, cut at 990 bytes) with how often it occurred, the highest count
// first, of equal counts the later list entry first. It has a line per
// kept line, so it may not fit in memory: it is held while it is small
// against the sorts' budget, and beyond that put aside in sorted runs on
// disk and merged each time it is read. It is read twice at most: for the
// size of the statistics block, and to write it.
//
//   ReportBuilder builder(sorts);
//   builder.add("b]", 2);            // in list order
//   builder.add("a]", 2);
//   std::shared_ptr<const ElementReport> report = builder.finish();
//   report->forEach([](std::string_view key, std::uint64_t count) { ... });  // a] 2, b] 2
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sort_context.h"
#include "engine/sorted_runs.h"

namespace strovel {

class ElementReport {
 public:
  virtual ~ElementReport() = default;
  using Visit = std::function<void(std::string_view key, std::uint64_t count)>;
  virtual void forEach(const Visit& visit) const = 0;
};

// A report of the entries given, held whole (for tests and small reports).
std::shared_ptr<const ElementReport> heldReport(
    std::vector<std::pair<std::string, std::uint64_t>> entries);

// Takes the entries in list order and orders them for the report.
class ReportBuilder {
 public:
  explicit ReportBuilder(const SortContext& sorts);
  ~ReportBuilder();
  void add(std::string_view key, std::uint64_t count);
  std::shared_ptr<const ElementReport> finish();

 private:
  struct Entry {
    std::uint64_t count;
    std::uint64_t position;
    std::string key;
  };
  void spill();

  const SortContext& sorts_;
  std::vector<Entry> held_;
  std::uint64_t heldBytes_ = 0;
  std::uint64_t added_ = 0;
  std::vector<std::shared_ptr<Spool>> runs_;
};

}  // namespace strovel
