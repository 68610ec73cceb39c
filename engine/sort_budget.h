// The memory the sorts of one run may hold together. Each sort holds its
// lines while they fit beside what the others hold, and beyond that puts
// them aside in sorted runs on disk and merges them at the end. What a sort
// holds is counted here as it grows and given back when it shrinks, so a
// sort that finishes leaves its room to the sorts after it.
//
//   SortBudget budget(256 << 20);
//   if (!budget.fits(more)) spill();
//   budget.hold(more);   ...   budget.free(more);
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/memory.h"

namespace strovel {

class SortBudget {
 public:
  explicit SortBudget(std::uint64_t total) : total_(total) {}
  SortBudget(const SortBudget&) = delete;
  SortBudget& operator=(const SortBudget&) = delete;

  std::uint64_t total() const { return total_; }
  std::uint64_t held() const { return held_; }
  // Whether `more` bytes still fit beside what is held.
  bool fits(std::uint64_t more) const { return held_ + more <= total_; }
  void hold(std::uint64_t bytes) { held_ += bytes; }
  void free(std::uint64_t bytes) { held_ -= bytes < held_ ? bytes : held_; }

 private:
  std::uint64_t total_;
  std::uint64_t held_ = 0;
};

// What a sort holds, kept up to date in the budget: set() replaces the
// sort's figure, and the share gives it all back when it goes.
class BudgetShare {
 public:
  explicit BudgetShare(SortBudget& budget) : budget_(budget) {}
  BudgetShare(const BudgetShare&) = delete;
  BudgetShare& operator=(const BudgetShare&) = delete;
  ~BudgetShare() { budget_.free(held_); }
  // Whether the sort may grow to `bytes` in all.
  bool allows(std::uint64_t bytes) const { return bytes <= held_ || budget_.fits(bytes - held_); }
  void set(std::uint64_t bytes) {
    budget_.free(held_);
    budget_.hold(bytes);
    held_ = bytes;
  }
  std::uint64_t held() const { return held_; }
  SortBudget& budget() const { return budget_; }

 private:
  SortBudget& budget_;
  std::uint64_t held_ = 0;
};

// The default budget: as GNU sort picks its buffer, the larger of the
// memory available now and an eighth of the machine's, but at most half of
// what the process's limits (address space, data) leave.
std::uint64_t defaultSortBudget(const MemoryLimits& limits);

// A budget written as sort's -S takes it: a number, in KiB unless a unit
// follows (b for bytes, K, M, G, T, each also lower case, or % of the
// machine's memory). nullopt for anything else, for 0, and for more than
// the machine has.
std::optional<std::uint64_t> parseSortBudget(std::string_view size, std::uint64_t physical);

}  // namespace strovel
