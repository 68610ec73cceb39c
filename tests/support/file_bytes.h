// Files on disk for tests that look at what a program left there: bytes
// read and written whole with the standard library, independently of the
// code under test, and a fresh folder under /tmp that is the current folder
// while it lives and is then removed with all it holds.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace strovel {

inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct ScratchFolder {
  ScratchFolder() {
    std::string name = "/tmp/strovel-test-XXXXXX";
    path = ::mkdtemp(name.data()) ? name : throw std::runtime_error("no scratch folder");
    std::filesystem::current_path(path);
  }
  ~ScratchFolder() {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(path);
  }
  std::filesystem::path previous = std::filesystem::current_path(), path;
};

}  // namespace strovel
