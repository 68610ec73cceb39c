// Reader and writer of pattern files, and the load and save operations on
// a window's pattern state. Everything works on raw bytes in one pass:
// lines are found with memchr-based searches and texts are rebuilt by
// appending, so a file of many rules or a single line of hundreds of
// megabytes loads in linear time.
#include "patterns/pattern_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace strovel {
namespace {

// The blanks atoi skips (isspace of the C locale; glibc's other locales add
// no single-byte character to them).
bool isLeadingBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr std::string_view kHeader = "vers=1";
constexpr std::string_view kSeparator = "========";
constexpr std::string_view kLineBreakMarker = "(_^p_)";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kPaddingLines = 10;  // empty lines that close every record
constexpr std::size_t kCaptionTailBytes = 18;

// Appends text with every non-overlapping occurrence of needle (searched
// left to right) replaced by replacement.
void appendReplaced(std::string& out, std::string_view text, std::string_view needle,
                    std::string_view replacement) {
  std::size_t from = 0;
  for (std::size_t hit; (hit = text.find(needle, from)) != std::string_view::npos;
       from = hit + needle.size()) {
    out.append(text.substr(from, hit - from));
    out.append(replacement);
  }
  out.append(text.substr(from));
}

void appendTextLine(std::string& out, std::string_view text) {
  appendReplaced(out, text, "\n", kLineBreakMarker);
  out.append(kLineEnd);
}

void appendNumberLine(std::string& out, std::int32_t number) {
  out.append(std::to_string(number));
  out.append(kLineEnd);
}

// Splits bytes into lines at LF. A line loses its LF and one CR directly
// before it; a last line without LF is a line too. Once the bytes are used
// up, every further read finds the end.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<std::string_view> next() {
    if (pos_ >= bytes_.size()) return std::nullopt;
    const std::size_t lf = bytes_.find('\n', pos_);
    if (lf == std::string_view::npos) {
      std::string_view last = bytes_.substr(pos_);
      pos_ = bytes_.size();
      return last;
    }
    std::string_view line = bytes_.substr(pos_, lf - pos_);
    pos_ = lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  // Reads and drops count lines; false when the end came first.
  bool skip(int count) {
    for (int i = 0; i < count; ++i) {
      if (!next()) return false;
    }
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// A stored text: every CR goes first, then each marker becomes a LF (so a
// marker split by a CR still counts).
std::string decodeText(std::string_view line) {
  std::string withoutCr;
  withoutCr.reserve(line.size());
  appendReplaced(withoutCr, line, "\r", "");
  std::string text;
  text.reserve(withoutCr.size());
  appendReplaced(text, withoutCr, kLineBreakMarker, "\n");
  return text;
}

std::string_view lineOrEmpty(LineReader& in) { return in.next().value_or(std::string_view{}); }

// Reads the six lines after a separator and appends their rule. False (and
// nothing appended) when the Pattern2 line is missing; any later missing
// line reads as empty.
bool readRecord(LineReader& in, RuleList& rules) {
  const std::string_view pattern1 = lineOrEmpty(in);
  const std::optional<std::string_view> pattern2 = in.next();
  if (!pattern2) return false;
  Rule& rule = rules.at(rules.append());
  rule.Pattern1 = decodeText(pattern1);
  rule.Pattern2 = decodeText(*pattern2);
  rule.ActionType = parseAtoi(lineOrEmpty(in));
  rule.Pattern3 = decodeText(lineOrEmpty(in));
  rule.LocationFromStart = parseAtoi(lineOrEmpty(in));
  rule.LocationAfterPattern1 = parseAtoi(lineOrEmpty(in));
  return true;
}

}  // namespace

std::int32_t parseAtoi(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isLeadingBlank(line[i])) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  const std::int64_t limit = negative ? std::int64_t{INT32_MAX} + 1 : std::int64_t{INT32_MAX};
  std::int64_t magnitude = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    magnitude = std::min(limit, magnitude * 10 + (line[i] - '0'));
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string encodePatternFile(const RuleList& rules) {
  std::string out;
  out.append(kHeader);
  out.append(kLineEnd);
  for (const Rule& rule : rules) {
    out.append(kSeparator);
    out.append(kLineEnd);
    appendTextLine(out, rule.Pattern1);
    appendTextLine(out, rule.Pattern2);
    appendNumberLine(out, rule.ActionType);
    appendTextLine(out, rule.Pattern3);
    appendNumberLine(out, rule.LocationFromStart);
    appendNumberLine(out, rule.LocationAfterPattern1);
    for (int i = 0; i < kPaddingLines; ++i) out.append(kLineEnd);
  }
  return out;
}

RuleList decodePatternFile(std::string_view bytes) {
  RuleList rules;
  LineReader in(bytes);
  in.next();  // the header is never examined
  std::optional<std::string_view> line = in.next();
  while (line) {
    // Anything that is not a separator is skipped, wherever it stands.
    while (line && *line != kSeparator) line = in.next();
    if (!line || !readRecord(in, rules) || !in.skip(kPaddingLines)) break;
    line = in.next();
  }
  return rules;
}

std::string patternCaption(std::string_view path, bool utf8) {
  std::string caption = "Strovel  [";
  if (path.size() > kCaptionTailBytes) {
    caption.append("...");
    caption.append(path.substr(cutSuffixStart(path, kCaptionTailBytes, utf8)));
  } else {
    caption.append(path);
  }
  caption.append("]");
  return caption;
}

bool loadPattern(PatternState& state, const std::string& path, FileSystem& files,
                 NoticeSink& sink) {
  const std::optional<std::string> bytes = files.readFile(path);
  if (!bytes) {
    sink.notify(Notice{TextId::DoesNotOpen, path});
    return false;
  }
  state.rules = decodePatternFile(*bytes);
  state.currentPatternPath = path;
  state.patternModified = false;
  return true;
}

bool savePattern(PatternState& state, const std::string& path, FileSystem& files,
                 NoticeSink& sink) {
  const std::unique_ptr<OutputFile> out = files.createFile(path);
  if (!out || !out->write(encodePatternFile(state.rules)) || !out->commit()) {
    sink.notify(Notice{TextId::DoesNotOpen, path});
    return false;
  }
  state.currentPatternPath = path;
  state.patternModified = false;
  sink.notify(Notice{TextId::Saved, files.absolutePath(path)});
  return true;
}

}  // namespace strovel
