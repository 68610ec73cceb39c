// Finding and loading the desktop module. The places are tried in order:
// beside the program (the build tree), then the installed layout.
#include "app/desktop_loader.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <iostream>
#include <vector>

namespace strovel {
namespace {

using DesktopEntry = int (*)(int, char**, const CommandLine&, const std::string&);

constexpr const char* kModule = "kestrune-desktop.so";

std::string programFolder() {
  std::string path(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return ".";
  path.resize(static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int runLoadedDesktop(int argc, char** argv, const CommandLine& options,
                     const std::string& openedPattern) {
  const std::string folder = programFolder();
  const std::vector<std::string> places = {folder + "/" + kModule,
                                           folder + "/../lib/kestrune/" + kModule};
  std::string errors;
  for (const std::string& place : places) {
    void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      errors += std::string("\n  ") + ::dlerror();
      continue;
    }
    auto entry = reinterpret_cast<DesktopEntry>(::dlsym(module, "kestruneDesktop"));
    if (entry) return entry(argc, argv, options, openedPattern);
    errors += "\n  " + place + ": no entry point";
  }
  std::cerr << "kestrune: the desktop part does not load:" << errors << "\n";
  return 2;
}

}  // namespace strovel
