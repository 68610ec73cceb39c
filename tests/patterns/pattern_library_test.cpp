// Listing the pattern files of a folder, and the name "Save pattern as"
// writes to.
#include "patterns/pattern_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace strovel {
namespace {

namespace fs = std::filesystem;

TEST(PatternLibrary, ListsFilesEndingInShblButNoFolders) {
  std::string tmpl = (fs::temp_directory_path() / "strovel-library-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const fs::path dir = tmpl;
  for (const char* name : {"b.shbl", "A.shbl", "c.SHBL", "d.shbl.txt", ".shbl", "e.txt"})
    std::ofstream(dir / name) << "x";
  fs::create_directory(dir / "folder.shbl");
  fs::create_symlink(dir / "b.shbl", dir / "link.shbl");
  std::vector<std::string> names = findPatternFiles(dir.string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".shbl", "A.shbl", "b.shbl", "link.shbl"}));
  EXPECT_TRUE(findPatternFiles((dir / "missing").string()).empty());
  fs::remove_all(dir);
}

TEST(PatternLibrary, SaveAsAppendsTheExtensionUnlessItEndsExactlyInIt) {
  EXPECT_EQ(withPatternExtension("/p/new"), "/p/new.shbl");
  EXPECT_EQ(withPatternExtension("/p/new.shbl"), "/p/new.shbl");
  EXPECT_EQ(withPatternExtension("/p/new.SHBL"), "/p/new.SHBL.shbl");
  EXPECT_EQ(withPatternExtension("shbl"), "shbl.shbl");
}

}  // namespace
}  // namespace strovel
