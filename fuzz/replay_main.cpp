// The replay driver: every fuzz target linked into one program, which feeds
// each target the files under <folder>/<target>/ for every folder named on
// the command line (the kept corpus, the inputs that once failed, or a
// folder holding a crash file). This is how the kept inputs run in ctest
// under any compiler, without libFuzzer.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_support.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  for (const auto& [name, target] : strovel::fuzz::targets()) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
      if (!fs::is_directory(fs::path(argv[i]) / name)) continue;
      for (const auto& entry : fs::recursive_directory_iterator(fs::path(argv[i]) / name)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        // An exact-size heap copy, so that reading past its end is caught by
        // AddressSanitizer just as under libFuzzer.
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        target(bytes.data(), bytes.size());
        ++count;
      }
    }
    std::cout << name << ": replayed " << count << " inputs\n";
    if (count == 0) return 1;  // a target without inputs: a mistake in the tree
  }
}
