// Listing the pattern files of a folder with readdir.
#include "patterns/pattern_library.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string_view>

namespace strovel {

std::vector<std::string> findPatternFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (!name.ends_with(kPatternExtension)) continue;
    struct stat st;
    const std::string path = folder + "/" + std::string(name);
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    names.emplace_back(name);
  }
  return names;
}

std::string withPatternExtension(std::string path) {
  if (!std::string_view(path).ends_with(kPatternExtension)) path += kPatternExtension;
  return path;
}

}  // namespace strovel
