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

#include "patterns/pattern_file.h"

struct QuietSink : strovel::NoticeSink {
  void notify(const strovel::Notice&) override {}
};

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  strovel::PatternState state;
  // Texts vary with the rule's index, so that any torn or misplaced piece
  // of the file decodes to different rules.
  for (int i = 0, count = std::atoi(argv[2]); i < count; ++i) {
    const std::string n = std::to_string(i);
    state.rules.append({"left " + n + std::string(300, 'a' + i % 26), std::string(300, 'z') + n,
                        "right\n" + n + std::string(300, '0' + i % 10), i % 7 + 1, i % 3, 1});
  }
  QuietSink sink;
  for (int i = 0, loops = std::atoi(argv[3]); loops == 0 || i < loops; ++i)
    if (!strovel::savePattern(state, argv[1], strovel::diskFileSystem(), sink)) return 1;
}
