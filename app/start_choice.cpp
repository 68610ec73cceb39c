// The choices made before any window exists: whether there is a display,
// and whether a file manager handed over a pattern file. Plain C++, so the
// program decides them without loading the desktop part.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/desktop_start.h"
#include "patterns/pattern_library.h"

namespace strovel {
namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool displayAvailable() {
  return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

std::string openedPatternFile(int argc, const char* const* argv) {
  if (argc != 2) return {};
  const std::string path = argv[1];
  if (!endsWith(path, kPatternExtension) || parseCommandLine(path).batch) return {};
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) ? path : std::string();
}

}  // namespace strovel
