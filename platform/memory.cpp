// Memory figures from sysconf, /proc and getrlimit.
#include "platform/memory.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <limits>
#include <string>

namespace strovel {
namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

std::uint64_t limit(int resource) {
  struct rlimit value;
  if (::getrlimit(resource, &value) != 0 || value.rlim_cur == RLIM_INFINITY) return kUnlimited;
  return value.rlim_cur;
}

// A line of /proc/meminfo in bytes ("MemAvailable:   123 kB"), or 0.
std::uint64_t memInfo(const std::string& key) {
  std::ifstream in("/proc/meminfo");
  for (std::string name; in >> name;) {
    std::uint64_t kilobytes = 0;
    in >> kilobytes;
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    if (name == key + ":") return kilobytes * 1024;
  }
  return 0;
}

// The address space the process has mapped (the first field of statm, in pages).
std::uint64_t mappedBytes() {
  std::ifstream in("/proc/self/statm");
  std::uint64_t pages = 0;
  in >> pages;
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

MemoryLimits memoryLimits() {
  MemoryLimits limits;
  const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
  if (pages > 0 && size > 0)
    limits.physical = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
  limits.available = memInfo("MemAvailable");
  if (limits.available == 0) {
    const long free = ::sysconf(_SC_AVPHYS_PAGES);
    if (free > 0 && size > 0)
      limits.available = static_cast<std::uint64_t>(free) * static_cast<std::uint64_t>(size);
  }
  limits.addressSpace = limit(RLIMIT_AS);
  if (limits.addressSpace != kUnlimited) {
    const std::uint64_t mapped = mappedBytes();
    limits.addressSpace = limits.addressSpace > mapped ? limits.addressSpace - mapped : 0;
  }
  limits.data = limit(RLIMIT_DATA);
  return limits;
}

std::uint64_t openFileLimit() { return limit(RLIMIT_NOFILE); }

void shareHeapUnderAddressLimit() {
  if (limit(RLIMIT_AS) != kUnlimited) ::mallopt(M_ARENA_MAX, 1);
}

}  // namespace strovel
