// Shared pieces of the fuzz targets: a reader that carves typed fields out
// of the fuzzer's raw bytes, the check that stops the run loudly when a
// property fails (libFuzzer and the replay driver both count the abort as a
// failure of the input), and FUZZ_TARGET. With libFuzzer (clang,
// STROVEL_BUILD_FUZZ) each target is its own program; in every other build
// all targets go into one replay program (replay_main.cpp) that reruns the
// kept inputs in ctest.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace strovel::fuzz {

// Takes bytes from the front of the input; once it is used up every read
// gives zero or an empty text, so any input is a valid case.
struct ByteReader {
  ByteReader(const std::uint8_t* data, std::size_t size)
      : rest(reinterpret_cast<const char*>(data), size) {}
  std::uint8_t byte() {
    const auto value = static_cast<std::uint8_t>(rest.empty() ? 0 : rest.front());
    rest.remove_prefix(!rest.empty());
    return value;
  }
  // A text of at most maxLength bytes, its length taken from one byte.
  std::string text(std::size_t maxLength) {
    // The length byte is taken first: substr then measures what follows it.
    const std::string_view taken = rest.substr(0, byte() % (maxLength + 1));
    rest.remove_prefix(taken.size());
    return std::string(taken);
  }
  std::string remaining() { return std::string(std::exchange(rest, {})); }
  std::string_view rest;
};

using Target = void (*)(const std::uint8_t*, std::size_t);
inline std::map<std::string, Target>& targets() {
  static std::map<std::string, Target> all;
  return all;
}

}  // namespace strovel::fuzz

#define FUZZ_CHECK(condition)                                                                   \
  ((condition)                                                                                  \
       ? void(0)                                                                                \
       : (std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition), \
          std::abort()))

// Defines a target and adds it to targets() under its name. A libFuzzer
// program holds one target (libfuzzer_main.cpp); the replay program all.
#define FUZZ_TARGET(name)                                              \
  static void fuzz_##name(const std::uint8_t* data, std::size_t size); \
  [[maybe_unused]] static const bool added_##name =                    \
      ::strovel::fuzz::targets().emplace(#name, fuzz_##name).second;   \
  static void fuzz_##name(const std::uint8_t* data, std::size_t size)
