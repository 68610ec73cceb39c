// The report held, or in runs on disk.
#include "engine/element_report.h"

#include <algorithm>

#include "platform/codepage.h"

namespace strovel {
namespace {

constexpr std::size_t kShownKeyBytes = 990;

class HeldReport : public ElementReport {
 public:
  explicit HeldReport(std::vector<std::pair<std::string, std::uint64_t>> entries)
      : entries_(std::move(entries)) {}
  void forEach(const Visit& visit) const override {
    for (const auto& [key, count] : entries_) visit(key, count);
  }

 private:
  std::vector<std::pair<std::string, std::uint64_t>> entries_;
};

class SpilledReport : public ElementReport {
 public:
  SpilledReport(std::vector<std::shared_ptr<Spool>> runs, std::size_t buffer)
      : runs_(std::move(runs)), buffer_(buffer) {}
  void forEach(const Visit& visit) const override {
    std::vector<std::unique_ptr<RunSource>> sources;
    for (const std::shared_ptr<Spool>& run : runs_) sources.push_back(readRun(run, true, buffer_));
    mergeSources(
        sources, reportOrder, [&](const LineRecord& entry) { visit(entry.key, entry.count); },
        nullptr);
  }

 private:
  std::vector<std::shared_ptr<Spool>> runs_;
  std::size_t buffer_;
};

// The key as the report shows it: no line breaks, at most 990 bytes.
std::string shownKey(std::string_view key) {
  std::string shown(key);
  std::erase(shown, '\n');
  shown.resize(cutPrefixLength(shown, kShownKeyBytes, ansiIsUtf8()));
  return shown;
}

}  // namespace

std::shared_ptr<const ElementReport> heldReport(
    std::vector<std::pair<std::string, std::uint64_t>> entries) {
  return std::make_shared<HeldReport>(std::move(entries));
}

ReportBuilder::ReportBuilder(const SortContext& sorts) : sorts_(sorts) {}

ReportBuilder::~ReportBuilder() = default;

void ReportBuilder::add(std::string_view key, std::uint64_t count) {
  held_.push_back({count, added_++, shownKey(key)});
  heldBytes_ += sizeof(Entry) + held_.back().key.size();
  // The report is held while it takes at most an eighth of the budget.
  if (heldBytes_ > sorts_.budget.total() / 8) spill();
}

// The entries held so far, in report order, go into a run.
void ReportBuilder::spill() {
  std::sort(held_.begin(), held_.end(), [](const Entry& a, const Entry& b) {
    return a.count != b.count ? a.count > b.count : a.position > b.position;
  });
  std::shared_ptr<Spool> spool = sorts_.files.createScratch();
  if (!spool) throw SpillFailed{};
  RunWriter writer(*spool, true);
  for (const Entry& entry : held_)
    writer.add({Place::Keyed, entry.position, entry.key, {}, entry.count});
  writer.finish();
  runs_.push_back(std::move(spool));
  held_.clear();
  heldBytes_ = 0;
}

std::shared_ptr<const ElementReport> ReportBuilder::finish() {
  if (runs_.empty()) {
    std::vector<std::pair<std::string, std::uint64_t>> entries;
    entries.reserve(held_.size());
    for (std::size_t n = held_.size(); n-- > 0;)
      entries.emplace_back(std::move(held_[n].key), held_[n].count);
    // Of equal counts the later entry first: the reversed list, sorted stably.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    held_.clear();
    return heldReport(std::move(entries));
  }
  if (!held_.empty()) spill();
  // Runs beyond what can be merged at once become fewer runs now, so that
  // every reading merges them in one go.
  while (runs_.size() > sorts_.fanIn) {
    std::vector<std::shared_ptr<Spool>> merged;
    const std::size_t buffer = sorts_.readBuffer(sorts_.fanIn);
    for (std::size_t first = 0; first < runs_.size(); first += sorts_.fanIn) {
      std::vector<std::unique_ptr<RunSource>> group;
      for (std::size_t i = first; i < std::min(runs_.size(), first + sorts_.fanIn); ++i)
        group.push_back(readRun(runs_[i], true, buffer));
      std::shared_ptr<Spool> spool = sorts_.files.createScratch();
      if (!spool) throw SpillFailed{};
      RunWriter writer(*spool, true);
      mergeRuns(std::move(group), reportOrder, true, sorts_.fanIn, buffer, sorts_.files, 0, nullptr,
                [&](const LineRecord& entry) { writer.add(entry); });
      writer.finish();
      merged.push_back(std::move(spool));
    }
    runs_ = std::move(merged);
  }
  const std::size_t buffer = sorts_.readBuffer(runs_.size());
  return std::make_shared<SpilledReport>(std::move(runs_), buffer);
}

}  // namespace strovel
