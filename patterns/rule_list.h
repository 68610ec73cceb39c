// RuleList: the ordered rules of one pattern, applied in index order and
// stored in that order in the pattern file. A value type: copies never share
// rules. Rules created by growing the list have empty texts and zero numbers.
#pragma once

#include <cstddef>
#include <vector>

#include "patterns/rule.h"

namespace strovel {

class RuleList {
 public:
  std::size_t size() const { return rules_.size(); }
  bool empty() const { return rules_.empty(); }
  // Precondition for both: index < size().
  Rule& at(std::size_t index) { return rules_.at(index); }
  const Rule& at(std::size_t index) const { return rules_.at(index); }

  void clear() { rules_.clear(); }
  void resize(std::size_t n) { rules_.resize(n); }
  // Grows by one default rule and returns its index.
  std::size_t append() {
    rules_.emplace_back();
    return rules_.size() - 1;
  }
  std::size_t append(const Rule& rule) {
    rules_.push_back(rule);
    return rules_.size() - 1;
  }
  // Puts a default rule at index (index <= size()); later rules move back.
  void insertBefore(std::size_t index) {
    rules_.insert(rules_.begin() + static_cast<std::ptrdiff_t>(index), Rule{});
  }
  // Precondition: index < size().
  void removeAt(std::size_t index) {
    rules_.erase(rules_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void copyFrom(const RuleList& other) { rules_ = other.rules_; }

  auto begin() const { return rules_.begin(); }
  auto end() const { return rules_.end(); }

  bool operator==(const RuleList&) const = default;

 private:
  std::vector<Rule> rules_;
};

}  // namespace strovel
