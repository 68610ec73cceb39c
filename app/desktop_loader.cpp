// Finding and loading the program's modules. The places are tried in order:
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
using DiffEntry = int (*)(const std::string&);

std::string programFolder() {
  std::string path(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return ".";
  path.resize(static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// The entry point `symbol` of the module `name`, or nullptr after telling
// on stderr why none loads (`part` names it for the user).
void* loadEntry(const char* name, const char* symbol, const char* part) {
  const std::string folder = programFolder();
  const std::vector<std::string> places = {folder + "/" + name,
                                           folder + "/../lib/kestrune/" + name};
  std::string errors;
  for (const std::string& place : places) {
    void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      errors += std::string("\n  ") + ::dlerror();
      continue;
    }
    if (void* entry = ::dlsym(module, symbol)) return entry;
    errors += "\n  " + place + ": no entry point";
  }
  std::cerr << "kestrune: the " << part << " part does not load:" << errors << "\n";
  return nullptr;
}

}  // namespace

int runLoadedDesktop(int argc, char** argv, const CommandLine& options,
                     const std::string& openedPattern) {
  void* entry = loadEntry("kestrune-desktop.so", "kestruneDesktop", "desktop");
  if (!entry) return 2;
  return reinterpret_cast<DesktopEntry>(entry)(argc, argv, options, openedPattern);
}

int runLoadedDiff(const std::string& line) {
  void* entry = loadEntry("kestrune-diff.so", "kestruneDiff", "diff");
  if (!entry) return 2;
  return reinterpret_cast<DiffEntry>(entry)(line);
}

}  // namespace strovel
