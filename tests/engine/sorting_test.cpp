// The two sorts fed directly, in the forms the whole runs seldom reach: the
// 64-bit tables a text beyond 4 GB is held in (chosen here by the size
// announced, the text itself staying small), and held lines that mostly
// have no key or an empty one. The literal sort gives the bytes, the counts
// and the report.
#include <gtest/gtest.h>

#include <random>

#include "engine/sort_by_element.h"
#include "engine/sort_distinct.h"
#include "support/memory_file_system.h"
#include "tests/engine/literal_actions.h"

namespace strovel {
namespace {

TEST(Sorting, WideTablesAndKeylessLinesSortAsPlaced) {
  std::mt19937 random(3);
  const auto pick = [&](std::size_t lo, std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(lo, hi)(random);
  };
  MemoryFileSystem disk;
  for (int i = 0; i < 600; ++i) {
    std::string text;
    for (std::size_t n = pick(0, 300); n-- > 0;) {
      std::string key;
      for (std::size_t k = pick(0, 12); k-- > 0;) key += "ab\xff"[pick(0, 2)];
      text += pick(0, 2) == 0 ? "x[" + key + "]\n" : pick(0, 1) ? "[]\n" : "none\n";
    }
    const Rule rule{"[", "", "]", i % 2 ? SortByElement : SortDistinct, 1, 1};
    const bool wide = i % 3 != 0;
    SortBudget budget(wide ? std::uint64_t{5} << 30 : pick(1, 400));
    const SortContext sorts{budget, disk, 2, pick(1, 40), pick(1, 30), RunProgress::none()};
    std::string sorted;
    const TextSink out = [&](std::string_view piece) { sorted += piece; };
    literal::Report report, gotReport;
    std::string expected = text;
    const literal::Counts counts = literal::sort(expected, rule, i % 2 ? nullptr : &report);
    literal::Counts got;
    if (rule.ActionType == SortByElement) {
      ElementSort sort(rule, sorts);
      sort.expect(wide ? std::uint64_t{5} << 30 : text.size());
      for (std::size_t at = 0; at < text.size(); at += 7) sort.append(text.substr(at, 7));
      const SortCounts c = sort.finish();
      got = {c.sorted, c.withoutElement};
      sort.write(out);
    } else {
      StreamSortDistinct sort(rule, out, sorts, pick(1, 30));
      for (std::size_t at = 0; at < text.size(); at += 7) sort.append(text.substr(at, 7));
      sort.finish();
      got = {sort.counts().kept, sort.counts().removed};
      sort.report()->forEach([&](std::string_view key, std::uint64_t n) {
        gotReport.emplace_back(std::string(key), n);
      });
      sort.write();
    }
    ASSERT_EQ(std::tie(sorted, got, gotReport), std::tie(expected, counts, report))
        << testing::PrintToString(std::tuple(text, i));
  }
}

}  // namespace
}  // namespace strovel
