// A helper for the fault tests: saves a pattern the way the desktop's Save
// does (savePattern on the real file system), so that a test can kill the
// process with SIGKILL in the middle of a save and check that the old
// pattern file is still whole.
//
//   pattern_saver TARGET RULES LOOPS
//
// writes a pattern of RULES generated rules (about 1 KB each) to TARGET
// LOOPS times, or until killed when LOOPS is 0. Exit status 0 when every
// save succeeded, 1 otherwise.
#include <cstdlib>
#include <iostream>
#include <string>

#include "patterns/pattern_file.h"

namespace {

class QuietSink : public strovel::NoticeSink {
 public:
  void notify(const strovel::Notice&) override {}
};

// Rules whose texts vary with their index, so that any torn or misplaced
// piece of the file decodes to different rules.
strovel::RuleList generatedRules(std::size_t count) {
  strovel::RuleList rules;
  for (std::size_t i = 0; i < count; ++i) {
    strovel::Rule& rule = rules.at(rules.append());
    const std::string number = std::to_string(i);
    rule.Pattern1 = "left " + number + std::string(300, 'a' + static_cast<char>(i % 26));
    rule.Pattern2 = "right\n" + number + std::string(300, 'z');
    rule.Pattern3 = std::string(300, '0' + static_cast<char>(i % 10)) + number;
    rule.ActionType = static_cast<std::int32_t>(i % 7 + 1);
    rule.LocationFromStart = static_cast<std::int32_t>(i % 3);
    rule.LocationAfterPattern1 = 1;
  }
  return rules;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: pattern_saver TARGET RULES LOOPS\n";
    return 2;
  }
  strovel::PatternState state;
  state.rules = generatedRules(std::strtoul(argv[2], nullptr, 10));
  const unsigned long loops = std::strtoul(argv[3], nullptr, 10);
  QuietSink sink;
  for (unsigned long i = 0; loops == 0 || i < loops; ++i) {
    if (!strovel::savePattern(state, argv[1], strovel::diskFileSystem(), sink)) return 1;
  }
  return 0;
}
