// Tests of the disk FileSystem against a fresh temporary folder per test:
// whole-file reads, atomic replacement (content, permission bits, no
// temporary left behind, the old file intact until commit), the targets that
// cannot be created, symbolic links, devices and FIFOs written in place, and
// lexical absolute paths. Checks that rely on permissions are skipped under
// root, who may write anywhere.
#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

bool runningAsRoot() { return ::geteuid() == 0; }

std::string randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(engine() & 0xFF);
  return bytes;
}

// Reads and writes files with the standard library, independently of the
// code under test.
void putFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The mode of what the path names, or of the path itself when `follow` is false.
mode_t modeOf(const std::string& path, bool follow = true) {
  struct stat st {};
  return (follow ? ::stat : ::lstat)(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

mode_t defaultMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

class DiskFileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = "/tmp/strovel-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
  }

  void TearDown() override {
    std::error_code error;
    std::filesystem::current_path(cwd_, error);
    ::chmod(path("locked").c_str(), 0755);  // a read-only folder is opened again for removal
    std::filesystem::remove_all(dir_, error);
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // The names in a folder, sorted; a temporary file left behind shows up here.
  Names names(const std::string& folder = "") const {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(path(folder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // A memory device (1, minor) to write to. Under root the test makes its
  // own node in the temporary folder, so a faulty replacement can never
  // clobber the system's /dev entries; other users cannot replace those.
  std::optional<std::string> devicePath(const std::string& name, unsigned minor) const {
    if (!runningAsRoot()) return "/dev/" + name;
    const std::string node = path(name);
    if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, minor)) != 0) return std::nullopt;
    const int fd = ::open(node.c_str(), O_WRONLY | O_CLOEXEC);  // a nodev mount refuses it
    if (fd < 0) return std::nullopt;
    ::close(fd);
    return node;
  }

  bool replace(const std::string& target, const std::string& bytes) {
    std::unique_ptr<OutputFile> out = fs_.createFile(target);
    return out && out->write(bytes) && out->commit();
  }

  FileSystem& fs_ = diskFileSystem();
  const std::filesystem::path cwd_ = std::filesystem::current_path();  // tests may change it
  std::string dir_;
};

TEST_F(DiskFileSystemTest, ReadsExactBytesAndNothingThatIsNoFile) {
  // Every byte value, and more than any single read takes.
  const std::string bytes = "\r\n\x1A\0tail"s + randomBytes(3 * (std::size_t{1} << 20) + 17, 1);
  putFile(path("all.bin"), bytes);
  putFile(path("empty.txt"), "");
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_TRUE(fs_.readFile(path("all.bin")) == bytes);
  // A file whose stat size (0) does not tell how much it holds.
  EXPECT_EQ(fs_.readFile("/proc/version"), fileBytes("/proc/version"));
  EXPECT_EQ(fs_.readFile(path("empty.txt")), ""s);
  EXPECT_TRUE(fs_.canRead(path("empty.txt")));
  for (const std::string& bad : {path("missing.txt"), path("folder"), path("missing/x"), ""s}) {
    EXPECT_EQ(fs_.readFile(bad), std::nullopt) << bad;
    EXPECT_FALSE(fs_.canRead(bad)) << bad;
  }
}

TEST_F(DiskFileSystemTest, NewFileGetsExactContentAndDefaultMode) {
  std::filesystem::current_path(dir_);  // a bare name puts the file (and any temporary) here
  const std::string bytes = "line\r\n\0zero\x1A"s + randomBytes(2 * (1 << 20) + 5, 3);
  std::unique_ptr<OutputFile> out = fs_.createFile("new.bin");
  ASSERT_NE(out, nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += 100000) {
    ASSERT_TRUE(out->write(std::string_view(bytes).substr(at, 100000)));
  }
  ASSERT_TRUE(out->commit());
  EXPECT_TRUE(fileBytes(path("new.bin")) == bytes);
  EXPECT_EQ(modeOf(path("new.bin")) & 07777, defaultMode());
  EXPECT_EQ(names(), Names{"new.bin"});
}

TEST_F(DiskFileSystemTest, ReplacementKeepsModeAndOldFileUntilCommit) {
  // The input named as the output: read first, then replaced while still readable.
  const std::string target = path("file.txt");
  putFile(target, "a\nb\n");
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  const std::string input = fs_.readFile(target).value_or("unread");
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->write(input + input));
  EXPECT_EQ(fs_.readFile(target), "a\nb\n"s);
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(target), "a\nb\na\nb\n");
  EXPECT_EQ(modeOf(target) & 07777, 0604u);
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, UncommittedOrFailedWriteLeavesOldFileAndNoTemporary) {
  const std::string target = path("file.txt");
  putFile(target, "old content");
  for (const std::string& name : {path("new.txt"), target}) {
    std::unique_ptr<OutputFile> out = fs_.createFile(name);
    ASSERT_TRUE(out && out->write("never committed"));
  }
  // Writes to regular files beyond 4096 bytes fail (EFBIG) until the limit is
  // lifted. Nothing may be printed meanwhile: the test log itself may be a
  // file already past the limit.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit lowered{4096, old.rlim_max};
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  const bool failed = out && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0 &&
                      !out->write(std::string(10000, 'n')) && !out->commit();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  out.reset();
  EXPECT_TRUE(failed);
  EXPECT_EQ(fileBytes(target), "old content");
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, TargetsThatCannotBeCreatedOrReadStayAsTheyAre) {
  putFile(path("plain.txt"), "x");
  ASSERT_EQ(::symlink("nowhere/x.txt", path("dangling").c_str()), 0);
  for (const std::string& bad :
       {path("no-such-folder/out.txt"), path("plain.txt/out.txt"), path("dangling"), ""s}) {
    EXPECT_EQ(fs_.createFile(bad), nullptr) << bad;
  }
  EXPECT_EQ(names(), (Names{"dangling", "plain.txt"}));

  if (runningAsRoot()) GTEST_SKIP() << "root may read and write anything";
  ASSERT_EQ(::mkdir(path("locked").c_str(), 0755), 0);
  putFile(path("locked/existing.txt"), "keep me");
  ASSERT_EQ(::chmod(path("plain.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(path("locked").c_str(), 0555), 0);
  EXPECT_EQ(fs_.createFile(path("plain.txt")), nullptr);
  EXPECT_EQ(fs_.createFile(path("locked/new.txt")), nullptr);
  // The file itself is writable, but it cannot be renamed over in its folder.
  EXPECT_EQ(fs_.createFile(path("locked/existing.txt")), nullptr);
  EXPECT_EQ(fileBytes(path("plain.txt")), "x");
  EXPECT_EQ(names("locked"), Names{"existing.txt"});
  ASSERT_EQ(::chmod(path("plain.txt").c_str(), 0), 0);
  EXPECT_EQ(fs_.readFile(path("plain.txt")), std::nullopt);
  EXPECT_FALSE(fs_.canRead(path("plain.txt")));
}

TEST_F(DiskFileSystemTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(::mkdir(path("a").c_str(), 0755), 0);
  putFile(path("a/real.txt"), "old");
  ASSERT_EQ(::chmod(path("a/real.txt").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("a/real.txt", path("link").c_str()), 0);
  // A chain of relative and absolute links that ends in a missing file.
  ASSERT_EQ(::symlink("../second", path("a/first").c_str()), 0);
  ASSERT_EQ(::symlink(path("made.txt").c_str(), path("second").c_str()), 0);

  ASSERT_TRUE(replace(path("link"), "through the link"));
  ASSERT_TRUE(replace(path("a/first"), "end of chain"));
  for (const char* link : {"link", "a/first", "second"}) {
    EXPECT_EQ(modeOf(path(link), false) & S_IFMT, mode_t{S_IFLNK}) << link;
  }
  EXPECT_EQ(fileBytes(path("a/real.txt")), "through the link");
  EXPECT_EQ(modeOf(path("a/real.txt")) & 07777, 0640u);
  EXPECT_EQ(fileBytes(path("made.txt")), "end of chain");
  EXPECT_EQ(modeOf(path("made.txt")) & 07777, defaultMode());
  EXPECT_EQ(names("a"), (Names{"first", "real.txt"}));
  EXPECT_EQ(names(), (Names{"a", "link", "made.txt", "second"}));
}

TEST_F(DiskFileSystemTest, FifoAndDevicesAreWrittenInPlace) {
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A non-blocking reader lets the writer open at once.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(replace(fifo, "through the pipe"));
  std::string received(64, '\0');
  const ssize_t n = ::read(reader, received.data(), received.size());
  ::close(reader);
  EXPECT_EQ(received.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0), "through the pipe");
  EXPECT_EQ(modeOf(fifo, false) & S_IFMT, mode_t{S_IFIFO});

  const std::optional<std::string> null = devicePath("null", 3);
  const std::optional<std::string> full = devicePath("full", 7);
  if (!null || !full) GTEST_SKIP() << "no usable memory devices";
  EXPECT_TRUE(replace(*null, "discarded\n"));
  std::unique_ptr<OutputFile> out = fs_.createFile(*full);
  ASSERT_NE(out, nullptr);
  EXPECT_FALSE(out->write("no space") || out->commit());  // both report the failure
  EXPECT_EQ(modeOf(*null, false) & S_IFMT, mode_t{S_IFCHR});
  EXPECT_EQ(modeOf(*full, false) & S_IFMT, mode_t{S_IFCHR});
}

TEST_F(DiskFileSystemTest, AbsolutePathIsLexicallyNormal) {
  std::filesystem::current_path(dir_);
  const std::string here = std::filesystem::current_path().string();
  const std::string parent = std::filesystem::current_path().parent_path().string();
  const std::pair<const char*, std::string> cases[] = {
      {"sub/./x/../b.txt", here + "/sub/b.txt"},
      {"sub//b/", here + "/sub/b"},
      {".", here},
      {"missing/../../x", parent + "/x"},
      {"/usr/./lib/../bin", "/usr/bin"},
      {"/x/../../y", "/y"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(fs_.absolutePath(input), expected) << input;
}

}  // namespace
}  // namespace strovel
