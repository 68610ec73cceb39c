// How much memory the machine has and the process may take, and how many
// files it may open: what a sort's memory budget and its merges are made
// from. Values are bytes; a limit that is not set is
// the largest value.
#pragma once

#include <cstdint>

namespace strovel {

struct MemoryLimits {
  std::uint64_t physical = 0;   // the machine's memory
  std::uint64_t available = 0;  // what it could give now without swapping
  std::uint64_t addressSpace;   // RLIMIT_AS, less what the process has mapped already
  std::uint64_t data;           // RLIMIT_DATA
};

MemoryLimits memoryLimits();

// How many files the process may have open at once (RLIMIT_NOFILE).
std::uint64_t openFileLimit();

// Under a limit on the address space, has every thread allocate from the
// one heap: a heap of its own reserves 64 MB of address space for each
// thread that allocates, room a sort's budget counts on. Called first
// thing, before any thread starts.
void shareHeapUnderAddressLimit();

}  // namespace strovel
