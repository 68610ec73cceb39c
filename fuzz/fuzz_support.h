// Shared pieces of the fuzz targets: a reader that carves typed fields out
// of the fuzzer's raw bytes, the check that stops the run loudly when a
// property fails, and FUZZ_TARGET. With libFuzzer (clang,
// STROVEL_BUILD_FUZZ) each target is its own program; in every other build
// all targets go into one replay program (replay_main.cpp) that reruns the
// kept inputs in ctest.
#pragma once

#include <algorithm>
#include <cstddef>
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
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto value = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }
  std::int32_t int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | byte();
    return static_cast<std::int32_t>(value);
  }
  // A text of at most maxLength bytes, its length taken from one byte.
  std::string text(std::size_t maxLength) {
    // The length byte is taken first: rest_ must be measured after it.
    const std::size_t wanted = byte() % (maxLength + 1);
    const std::size_t length = std::min(wanted, rest_.size());
    std::string value(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return value;
  }
  std::string rest() { return std::string(std::exchange(rest_, {})); }

 private:
  std::string_view rest_;
};

// Reports a failed property and aborts, which both libFuzzer and the replay
// driver count as a failure of the input.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fputs(file, stderr);
  std::fprintf(stderr, ":%d: property failed: ", line);
  std::fputs(what, stderr);
  std::fputc('\n', stderr);
  std::abort();
}

using Target = void (*)(const std::uint8_t*, std::size_t);
inline std::map<std::string, Target>& targets() {
  static std::map<std::string, Target> all;
  return all;
}
inline bool addTarget(const char* name, Target target) {
  return targets().emplace(name, target).second;
}

}  // namespace strovel::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::strovel::fuzz::fail(#condition, __FILE__, __LINE__))

// Defines a target and adds it to targets() under its name. A libFuzzer
// program holds one target (libfuzzer_main.cpp); the replay program all.
#define FUZZ_TARGET(name)                                              \
  static void fuzz_##name(const std::uint8_t* data, std::size_t size); \
  [[maybe_unused]] static const bool added_##name =                    \
      ::strovel::fuzz::addTarget(#name, fuzz_##name);                  \
  static void fuzz_##name(const std::uint8_t* data, std::size_t size)
