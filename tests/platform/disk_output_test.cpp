// Tests of the disk's output files where a system call fails that no test
// can make fail from outside: the disk file system is given calls
// (platform/system_calls.h) that are the real ones except for the one made
// to fail as a disk fails it, with EIO. A commit whose flush, close or
// rename fails must report it, leave an existing target with its old bytes,
// create no new one, and leave no temporary file in the folder, whether
// the temporary file was unnamed until the commit (O_TMPFILE) or named from
// the start (mkostemp, where the folder takes no unnamed files).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system_calls.h"
#include "support/file_bytes.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

enum class Failing { kNothing, kFsync, kClose, kRename };

// The real calls but for `failing`. A failing close still releases the
// descriptor, as Linux's does after a delayed write error. With `named`,
// opening an unnamed file is refused as on a file system without O_TMPFILE,
// so the output files fall back to named temporary files.
class FailingCalls : public SystemCalls {
 public:
  FailingCalls(Failing failing, bool named) : failing_(failing), named_(named) {}
  int open(const char* path, int flags, mode_t mode) override {
    if (named_ && (flags & O_TMPFILE) == O_TMPFILE) return fail(EOPNOTSUPP);
    return SystemCalls::open(path, flags, mode);
  }
  int fsync(int fd) override {
    return failing_ == Failing::kFsync ? fail(EIO) : SystemCalls::fsync(fd);
  }
  int close(int fd) override {
    const int result = SystemCalls::close(fd);
    return failing_ == Failing::kClose ? fail(EIO) : result;
  }
  int rename(const char* from, const char* to) override {
    return failing_ == Failing::kRename ? fail(EIO) : SystemCalls::rename(from, to);
  }

 private:
  static int fail(int error) {
    errno = error;
    return -1;
  }
  Failing failing_;
  bool named_;
};

// The names in the current folder, sorted.
std::vector<std::string> folderEntries() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator("."))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Whether this folder's output files are unnamed until commit: the file
// system has O_TMPFILE and the process can link such a file to a name.
bool unnamedFilesHere() {
  const int probe = ::open(".", O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) return false;
  ::close(probe);
  return ::geteuid() == 0 || ::access("/proc/self/fd", X_OK) == 0;
}

// A new file is neither flushed nor renamed when unnamed (it is linked to
// its name directly), so fsync has no row for it, nor rename when unnamed.
// The rows where nothing fails show that the calls otherwise pass through
// and that a named temporary file does replace its target.
TEST(DiskOutput, ACommitWhoseFlushCloseOrRenameFailsLeavesTheFolderAsItWas) {
  const ScratchFolder scratch;
  const bool unnamed = unnamedFilesHere();
  struct Row {
    const char* what;
    Failing failing;
    bool named;
    bool existing;
  };
  const Row rows[] = {
      {"close fails, unnamed, over a file", Failing::kClose, false, true},
      {"close fails, unnamed, a new file", Failing::kClose, false, false},
      {"close fails, named, over a file", Failing::kClose, true, true},
      {"close fails, named, a new file", Failing::kClose, true, false},
      {"fsync fails, unnamed, over a file", Failing::kFsync, false, true},
      {"fsync fails, named, over a file", Failing::kFsync, true, true},
      {"rename fails, unnamed, over a file", Failing::kRename, false, true},
      {"rename fails, named, over a file", Failing::kRename, true, true},
      {"rename fails, named, a new file", Failing::kRename, true, false},
      {"nothing fails, unnamed, over a file", Failing::kNothing, false, true},
      {"nothing fails, unnamed, a new file", Failing::kNothing, false, false},
      {"nothing fails, named, over a file", Failing::kNothing, true, true},
      {"nothing fails, named, a new file", Failing::kNothing, true, false},
  };
  for (const Row& row : rows) {
    fs::remove_all("target.txt");
    if (row.existing) writeAll("target.txt", "old bytes");
    FailingCalls calls(row.failing, row.named);
    std::unique_ptr<FileSystem> disk = diskFileSystemWith(calls);
    std::unique_ptr<OutputFile> out = disk->createFile("target.txt");
    ASSERT_TRUE(out && out->write("new bytes")) << row.what;
    // The temporary file is of the kind the row means.
    const std::size_t temporaries = row.named || !unnamed ? 1 : 0;
    EXPECT_EQ(folderEntries().size(), temporaries + (row.existing ? 1 : 0)) << row.what;

    const bool fails = row.failing != Failing::kNothing;
    EXPECT_EQ(out->commit(), !fails) << row.what;
    out.reset();
    const std::vector<std::string> left = folderEntries();
    if (!fails || row.existing) {
      EXPECT_EQ(left, std::vector<std::string>{"target.txt"}) << row.what;
      EXPECT_EQ(readAll("target.txt"), fails ? "old bytes" : "new bytes") << row.what;
    } else {
      EXPECT_TRUE(left.empty()) << row.what;
    }
  }
}

}  // namespace
}  // namespace strovel
