// The replay driver: every fuzz target linked into one program. Given
// folders, it feeds each target the files under <folder>/<target>/ (the
// kept corpus and the inputs that once failed); given a target's name
// first, it feeds that target the files or folders that follow. This is
// how the kept inputs run in ctest under any compiler, without libFuzzer.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace fs = std::filesystem;

namespace {

// Feeds every file at `path` to `target`; returns how many there were.
std::size_t replay(strovel::fuzz::Target target, const fs::path& path) {
  std::vector<fs::path> files;
  if (fs::is_directory(path)) {
    for (const auto& entry : fs::recursive_directory_iterator(path))
      if (entry.is_regular_file()) files.push_back(entry.path());
  } else if (fs::exists(path)) {
    files.push_back(path);
  }
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    // An exact-size heap copy, so that reading past its end is caught by
    // AddressSanitizer just as under libFuzzer.
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    target(bytes.data(), bytes.size());
  }
  return files.size();
}

}  // namespace

int main(int argc, char** argv) {
  const auto& targets = strovel::fuzz::targets();
  if (argc > 1 && targets.count(argv[1])) {
    std::size_t count = 0;
    for (int i = 2; i < argc; ++i) count += replay(targets.at(argv[1]), argv[i]);
    std::cout << argv[1] << ": replayed " << count << " inputs\n";
    return 0;
  }
  for (const auto& [name, target] : targets) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) count += replay(target, fs::path(argv[i]) / name);
    std::cout << name << ": replayed " << count << " inputs\n";
    if (count == 0) return 1;  // a target without inputs is a mistake in the tree
  }
  return 0;
}
