// SortByElement: held lines, runs put aside, and the merge.
#include "engine/sort_by_element.h"

#include <algorithm>
#include <string>

#include "engine/gatherer.h"

namespace strovel {

std::size_t SortContext::readBuffer(std::size_t runs) const {
  const std::uint64_t share = budget.total() / (4 * (runs + 1));
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(share, 4096, 4 << 20));
}

ElementSort::ElementSort(const Rule& rule, const SortContext& context)
    : rule_(rule), context_(context), share_(context.budget) {
  startRun({}, false, 0, false);
}

ElementSort::~ElementSort() = default;

void ElementSort::expect(std::uint64_t bytes) {
  expected_ = bytes;
  if (held_->lines() == 0 && held_->rest().empty()) startRun({}, false, 0, false);
}

void ElementSort::startRun(std::string_view greatest, bool hasGreatest, std::uint64_t firstIndex,
                           bool wide) {
  // The 64-bit form only for a text that will not fit the 32-bit one.
  wide = wide || std::min(expected_, context_.budget.total()) >= (std::uint64_t{1} << 32) - 4096;
  std::unique_ptr<HeldLines> next = holdLines(rule_, greatest, hasGreatest, firstIndex, wide,
                                              context_.twoThreadsFrom, context_.window);
  if (held_) next->append(held_->rest());
  held_ = std::move(next);
  share_.set(held_->heldBytes());
}

void ElementSort::append(std::string_view text) {
  while (!text.empty()) {
    // A line of more than 4 GB: the held text goes on in the 64-bit form.
    if (held_->room() < text.size() && held_->lines() == 0) {
      const std::string greatest(held_->greatest());
      startRun(greatest, !greatest.empty(), held_->nextIndex(), true);
    }
    const std::string_view piece = text.substr(
        0, static_cast<std::size_t>(std::min<std::uint64_t>(text.size(), held_->room())));
    held_->append(piece);
    text.remove_prefix(piece.size());
    share_.set(held_->heldBytes());
    if (held_->due() || !text.empty()) walk(false);
  }
}

// Takes the lines the text holds whole; when they pass the budget (or the
// tables are full), they go into a run and the rest starts the next one.
void ElementSort::walk(bool final) {
  for (;;) {
    const bool room = held_->walk(final);
    share_.set(held_->heldBytes());
    const bool over = !share_.allows(held_->heldBytes() + 1);
    if (held_->lines() == 0 || (room && !over)) return;
    spill();
  }
}

// The held lines, sorted, go into a run; the text after them starts the
// next run, behind the greatest key so far.
void ElementSort::spill() {
  // Runs put aside while the text is read report nothing of their own: the
  // reading stands for them. A stop asked for meanwhile ends the run here.
  context_.progress.checkStop();
  held_->sort(nullptr);
  std::shared_ptr<Spool> spool = context_.files.createScratch();
  if (!spool) throw SpillFailed{};
  RunWriter writer(*spool, false);
  held_->forEach([&](const LineRecord& line) { writer.add(line); });
  writer.finish();
  runs_.push_back(std::move(spool));
  counts_.sorted += held_->counts().sorted;
  counts_.withoutElement += held_->counts().withoutElement;
  linesPutAside_ += held_->lines();
  const std::string greatest(held_->greatest());
  startRun(greatest, !greatest.empty(), held_->nextIndex(), false);
}

SortCounts ElementSort::finish() {
  walk(true);
  held_->sort(&context_.progress);
  return {counts_.sorted + held_->counts().sorted,
          counts_.withoutElement + held_->counts().withoutElement};
}

void ElementSort::write(const TextSink& out) {
  if (runs_.empty()) return held_->write(out, &context_.progress);
  std::vector<std::unique_ptr<RunSource>> sources;
  const std::size_t buffer = context_.readBuffer(runs_.size());
  for (std::shared_ptr<Spool>& run : runs_) sources.push_back(readRun(run, false, buffer));
  sources.push_back(held_->source());
  // Lines stay whole when the first one moves (see reordered_lines.h).
  Gatherer gathered(out);
  bool any = false;
  mergeRuns(std::move(sources), latestFirst, false, context_.fanIn, buffer, context_.files,
            linesPutAside_ + held_->lines(), &context_.progress, [&](const LineRecord& line) {
              std::string_view segment = line.segment;
              if (!any && line.index != 0) segment.remove_prefix(1);
              if (any && line.index == 0) gathered.lineBreak();
              gathered.add(segment);
              any = true;
            });
  gathered.flush();
  runs_.clear();
}

}  // namespace strovel
