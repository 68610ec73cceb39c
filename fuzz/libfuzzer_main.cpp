// libFuzzer's entry point for a program built from one fuzz target.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  strovel::fuzz::targets().begin()->second(data, size);
  return 0;
}
