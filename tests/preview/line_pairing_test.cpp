// Which lines stand side by side in a block of changes, checked through the
// rows the preview builds from a real diff: logs where every line changed
// and some went (each result line must stand beside the line it came
// from, in a small block and in one large enough to be walked), lines
// without a partner, empty lines, identical lines, and blocks where lines
// simply pair by position.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "preview/alignment.h"
#include "preview/line_likeness.h"

namespace strovel {
namespace {

using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

Alignment align(const std::string& before, const std::string& after) {
  const TextLines left(before), right(after);
  return Alignment::fromDiff(diffLines(before, after, 0), left, right);
}

// The rows as "C0-0 R1- A-1": kind, input line, result line.
std::string shown(const std::string& before, const std::string& after) {
  const Alignment rows = align(before, after);
  std::string out;
  for (std::size_t r = 0; r < rows.rows(); ++r) {
    const Alignment::Row row = rows.row(r);
    out += (r > 0 ? " " : "") + std::string(1, "SCRAU"[int(row.kind)]);
    out += (row.left ? std::to_string(*row.left) : "") + "-";
    out += row.right ? std::to_string(*row.right) : "";
  }
  return out;
}

Pairs changedRows(const Alignment& rows) {
  Pairs pairs;
  for (std::size_t r = 0; r < rows.rows(); ++r) {
    const Alignment::Row row = rows.row(r);
    if (row.kind == Alignment::Kind::Changed) pairs.emplace_back(*row.left, *row.right);
  }
  return pairs;
}

// What the log pattern does to a line: INFO lines go, the part between the
// brackets is masked and "user=" becomes "USER:".
std::optional<std::string> masked(std::string line) {
  if (line.find(" INFO ") != std::string::npos) return std::nullopt;
  const std::size_t open = line.find('['), close = line.find(']');
  line.replace(open, close - open + 1, "[*]");
  if (const std::size_t user = line.find("user="); user != std::string::npos)
    line.replace(user, 5, "USER:");
  return line;
}

// A log of `count` lines or a few more, a quarter of them INFO, in time
// order, some events logged twice by different parts.
std::vector<std::string> logLines(std::size_t count, unsigned seed) {
  static const char* const parts[] = {"auth", "billing", "storage", "gateway"};
  static const char* const users[] = {"alice", "bob", "carol", "dave", "erin", "system"};
  std::mt19937 random(seed);
  std::vector<std::string> lines;
  for (unsigned second = 9 * 3600; lines.size() < count; second += random() % 4) {
    char time[32];
    std::snprintf(time, sizeof time, "2026-12-01 %02u:%02u:%02u", second / 3600 % 24,
                  second / 60 % 60, second % 60);
    const std::string user = users[random() % 6], n = std::to_string(random() % 5000);
    const unsigned kind = random() % 8;
    static const char* const levels[] = {"INFO",  "INFO",  "WARN",  "ERROR",
                                         "ERROR", "ERROR", "ERROR", "ERROR"};
    std::string message = kind < 2
                              ? (kind ? "login user=" + user : "invoice " + n + " user=" + user)
                          : kind < 3 ? "slow upstream " + n + " ms"
                          : kind < 5 ? "card declined user=" + user + " order=" + n
                          : kind < 7 ? "disk /var almost full user=" + user + " free=" + n + "%"
                                     : "token expired user=" + user + " session=" + n;
    const std::string rest = std::string("] ") + levels[kind] + " " + message;
    lines.push_back(time + (" [" + std::string(parts[random() % 4])) + rest);
    // Now and then the same event from two parts: two equal result lines.
    if (random() % 40 == 0)
      lines.push_back(time + (" [" + std::string(parts[random() % 4])) + rest);
  }
  return lines;
}

// The log and its result through the pattern, with now and then a result
// line of its own (`notes`), and the pairs that must be shown.
struct MaskedLog {
  std::string input, result;
  Pairs pairs;
};

MaskedLog maskedLog(std::size_t count, unsigned seed, bool notes) {
  MaskedLog log;
  std::size_t resultLines = 0;
  const std::vector<std::string> lines = logLines(count, seed);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    log.input += lines[i] + "\n";
    if (notes && i % 37 == 5) log.result += "---- checkpoint ----\n", ++resultLines;
    if (const std::optional<std::string> line = masked(lines[i])) {
      log.result += *line + "\n";
      log.pairs.emplace_back(i, resultLines++);
    }
  }
  return log;
}

TEST(LinePairingTest, EachResultLineStandsBesideTheLineItCameFrom) {
  const std::string server =
      "2026-12-01 09:58:07 [storage] ERROR disk /var almost full user=system free=2%\n"
      "2026-12-01 09:58:02 [billing] INFO invoice 1042 created user=alice\n"
      "2026-12-01 09:58:09 [auth] ERROR password rejected user=bob attempts=3\n"
      "2026-12-01 09:58:11 [gateway] ERROR health-check timeout on node 4\n"
      "2026-12-01 10:00:01 [auth] INFO login user=alice\n"
      "2026-12-01 10:00:15 [billing] ERROR card declined user=carol order=77\n"
      "2026-12-01 10:01:03 [auth] ERROR token expired user=dave session=9f2c\n"
      "2026-12-01 10:02:44 [gateway] WARN slow upstream 1200 ms\n";
  std::string result;
  for (std::size_t at = 0, lf; (lf = server.find('\n', at)) != std::string::npos; at = lf + 1)
    if (const auto line = masked(server.substr(at, lf - at))) result += *line + "\n";
  EXPECT_EQ(shown(server, result), "C0-0 R1- C2-1 C3-2 R4- C5-3 C6-4 C7-5");

  // A small block is paired exactly, a large one walked; the same pairs.
  for (const auto& [count, notes] :
       {std::pair{200, false}, {200, true}, {6000, false}, {6000, true}}) {
    const MaskedLog log = maskedLog(count, 11 + count, notes);
    const Alignment rows = align(log.input, log.result);
    ASSERT_EQ(rows.changes().size(), 1u);  // every line changed: one block
    const Pairs pairs = changedRows(rows);
    ASSERT_EQ(pairs.size(), log.pairs.size()) << count << notes;
    for (std::size_t k = 0; k < pairs.size(); ++k)
      ASSERT_EQ(pairs[k], log.pairs[k]) << "pair " << k << " of " << count << " " << notes;
  }
}

TEST(LinePairingTest, LinesWithoutPartnerEmptyLinesAndDuplicatesStandAlone) {
  // A result line of its own and an input line that went.
  EXPECT_EQ(shown("alpha beta gamma\nsomething else entirely\nlast line here\n",
                  "alpha BETA gamma\n42\nlast line HERE\n"),
            "C0-0 R1- A-1 C2-2");
  // Empty lines pair only with empty lines.
  EXPECT_EQ(shown("x = 1\n\n\ny = 2\n", "x = 10\ny = 20\n"), "C0-0 R1- R2- C3-1");
  EXPECT_EQ(shown("first line here\n", "\nfirst line HERE\n"), "A-0 C0-1");
  EXPECT_EQ(likeness("", ""), 1000);
  EXPECT_EQ(likeness("", "word"), 0);
  // Of identical lines, the first pairs, on either side.
  EXPECT_EQ(shown("2026 ERROR disk full\n2026 ERROR disk full\n2026 ERROR disk full\n",
                  "2026 E disk full\n"),
            "C0-0 R1- R2-");
  EXPECT_EQ(shown("ERROR x y\n", "E x y\nE x y\n"), "C0-0 A-1");
  // Unlike lines never pair.
  EXPECT_EQ(shown("foo\n", "bar\n"), "R0- A-0");
}

TEST(LinePairingTest, LinesEditedInPlacePairByPosition) {
  EXPECT_EQ(shown("value=1\nvalue=2\nvalue=3\n", "VALUE=1\nVALUE=2\nVALUE=3\n"), "C0-0 C1-1 C2-2");
  EXPECT_EQ(shown("abc\nabd\n", "abx\naby\n"), "C0-0 C1-1");
  // Several edits in one line, and edits at both ends.
  EXPECT_GE(likeness("id=7 name=ann city=rome zip=00100", "id=7 name=ANN city=Roma zip=00100"),
            kAlikeFrom);
  // Large enough to be walked: 1000 lines, each edited, none gone.
  std::string before, after;
  for (int i = 0; i < 1000; ++i) {
    before += "row " + std::to_string(i) + " of the table: status pending\n";
    after += "row " + std::to_string(i) + " of the table: status DONE\n";
  }
  Pairs expected;
  for (std::size_t i = 0; i < 1000; ++i) expected.emplace_back(i, i);
  EXPECT_EQ(changedRows(align(before, after)), expected);
}

TEST(LinePairingTest, StopsWhenCancelled) {
  const MaskedLog log = maskedLog(6000, 3, false);
  const TextLines left(log.input), right(log.result);
  const LineDiff diff = diffLines(log.input, log.result, 0);
  std::atomic<bool> cancelled{true};
  EXPECT_EQ(changedRows(Alignment::fromDiff(diff, left, right, &cancelled)), Pairs{});
  cancelled = false;
  EXPECT_EQ(changedRows(Alignment::fromDiff(diff, left, right, &cancelled)), log.pairs);
}

}  // namespace
}  // namespace strovel
