// The default budget and the parsing of a written one.
#include "engine/sort_budget.h"

#include <algorithm>
#include <limits>

namespace strovel {

std::uint64_t defaultSortBudget(const MemoryLimits& limits) {
  const std::uint64_t allowed = std::min(limits.addressSpace, limits.data) / 2;
  const std::uint64_t memory = std::max(limits.available, limits.physical / 8);
  constexpr std::uint64_t kLeast = std::uint64_t{1} << 20;
  return std::max(std::min(allowed, memory), kLeast);
}

std::optional<std::uint64_t> parseSortBudget(std::string_view size, std::uint64_t physical) {
  std::uint64_t number = 0;
  std::size_t digits = 0;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (; digits < size.size() && size[digits] >= '0' && size[digits] <= '9'; ++digits) {
    const unsigned digit = static_cast<unsigned>(size[digits] - '0');
    if (number > (kMax - digit) / 10) return std::nullopt;
    number = number * 10 + digit;
  }
  const std::string_view unit = size.substr(digits);
  if (digits == 0 || unit.size() > 1 || number == 0) return std::nullopt;
  const char u = unit.empty() ? 'K' : unit[0];
  std::uint64_t bytes;
  if (u == '%') {
    if (number > 100) return std::nullopt;
    bytes = static_cast<std::uint64_t>(static_cast<double>(physical) * number / 100);
  } else {
    const std::string_view units = "bKMGT";
    std::size_t power = units.find(u == 'b' ? u : static_cast<char>(u & ~0x20));
    if (power == std::string_view::npos) return std::nullopt;
    bytes = number;
    for (; power > 0; --power) {
      if (bytes > kMax / 1024) return std::nullopt;
      bytes *= 1024;
    }
  }
  if (bytes == 0 || (physical > 0 && bytes > physical)) return std::nullopt;
  return bytes;
}

}  // namespace strovel
