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
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
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

mode_t permissionsOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return static_cast<mode_t>(-1);
  return st.st_mode & 07777;
}

mode_t lstatType(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

mode_t defaultMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Changes the current folder for one test and puts the old one back.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCwd() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// Makes writes to regular files beyond `limit` bytes fail (EFBIG) for as
// long as it lives. Nothing may be printed meanwhile: the test log itself
// may be a file already past the limit.
struct ScopedFileSizeLimit {
  explicit ScopedFileSizeLimit(rlim_t limit) : oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit lowered{limit, old.rlim_max};
    ok = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
  void (*oldHandler)(int);
  rlimit old{};
  bool ok = false;
};

class DiskFileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/strovel-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }

  void TearDown() override {
    // Read-only folders made by a test are opened again so they can be removed.
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(dir_, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) ::chmod(it->path().c_str(), 0700);
    }
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
  std::string dir_;
};

TEST_F(DiskFileSystemTest, ReadsExactBytesAndNothingThatIsNoFile) {
  std::string bytes = "\r\n\x1A\0tail"s;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  bytes += randomBytes(3 * (std::size_t{1} << 20) + 17, 1);  // beyond any single read
  putFile(path("all.bin"), bytes);
  putFile(path("empty.txt"), "");
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_TRUE(fs_.readFile(path("all.bin")) == bytes);
  EXPECT_EQ(fs_.readFile(path("empty.txt")), ""s);
  EXPECT_TRUE(fs_.canRead(path("empty.txt")));
  for (const std::string& bad : {path("missing.txt"), path("folder"), path("missing/x"), ""s}) {
    EXPECT_EQ(fs_.readFile(bad), std::nullopt) << bad;
    EXPECT_FALSE(fs_.canRead(bad)) << bad;
  }
}

TEST_F(DiskFileSystemTest, NewFileGetsExactContentAndDefaultMode) {
  const std::string bytes = "line\r\n\0zero\x1A"s + randomBytes(2 * (1 << 20) + 5, 3);
  std::unique_ptr<OutputFile> out = fs_.createFile(path("new.bin"));
  ASSERT_NE(out, nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += 100000) {
    ASSERT_TRUE(out->write(std::string_view(bytes).substr(at, 100000)));
  }
  ASSERT_TRUE(out->commit());
  EXPECT_TRUE(fileBytes(path("new.bin")) == bytes);
  EXPECT_EQ(permissionsOf(path("new.bin")), defaultMode());
  EXPECT_EQ(names(), Names{"new.bin"});
}

TEST_F(DiskFileSystemTest, ReplacementKeepsModeAndOldFileUntilCommit) {
  // The input named as the output: read first, then replaced while still readable.
  const std::string target = path("file.txt");
  putFile(target, "a\nb\n");
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  const std::optional<std::string> input = fs_.readFile(target);
  ASSERT_TRUE(input.has_value());
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->write(*input + *input));
  EXPECT_EQ(fs_.readFile(target), "a\nb\n"s);
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(target), "a\nb\na\nb\n");
  EXPECT_EQ(permissionsOf(target), 0604u);
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, UncommittedOrFailedWriteLeavesOldFileAndNoTemporary) {
  const std::string target = path("file.txt");
  putFile(target, "old content");
  ASSERT_TRUE(fs_.createFile(path("new.txt"))->write("never committed"));
  ASSERT_TRUE(fs_.createFile(target)->write("half-written"));
  bool limited = false, created = false, written = true, committed = true;
  {
    ScopedFileSizeLimit limit(4096);
    limited = limit.ok;
    std::unique_ptr<OutputFile> out = fs_.createFile(target);
    created = out != nullptr;
    if (out) {
      written = out->write(std::string(10000, 'n'));
      committed = out->commit();
    }
  }
  ASSERT_TRUE(limited && created);
  EXPECT_FALSE(written);
  EXPECT_FALSE(committed);
  EXPECT_EQ(fileBytes(target), "old content");
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, TargetsThatCannotBeCreated) {
  putFile(path("plain.txt"), "x");
  ASSERT_EQ(::symlink("nowhere/x.txt", path("dangling").c_str()), 0);
  for (const std::string& bad :
       {path("no-such-folder/out.txt"), path("plain.txt/out.txt"), path("dangling"), ""s}) {
    EXPECT_EQ(fs_.createFile(bad), nullptr) << bad;
  }
  EXPECT_EQ(names(), (Names{"dangling", "plain.txt"}));
}

TEST_F(DiskFileSystemTest, PermissionsAreRespected) {
  putFile(path("secret.txt"), "secret");
  putFile(path("locked.txt"), "keep me");
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  putFile(path("folder/existing.txt"), "keep me");
  ASSERT_EQ(::chmod(path("secret.txt").c_str(), 0), 0);
  ASSERT_EQ(::chmod(path("locked.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(path("folder").c_str(), 0555), 0);
  if (runningAsRoot()) GTEST_SKIP() << "root may read and write anything";
  EXPECT_EQ(fs_.readFile(path("secret.txt")), std::nullopt);
  EXPECT_FALSE(fs_.canRead(path("secret.txt")));
  EXPECT_EQ(fs_.createFile(path("locked.txt")), nullptr);
  EXPECT_EQ(fs_.createFile(path("folder/new.txt")), nullptr);
  // The file itself is writable, but it cannot be renamed over in its folder.
  EXPECT_EQ(fs_.createFile(path("folder/existing.txt")), nullptr);
  EXPECT_EQ(fileBytes(path("locked.txt")), "keep me");
  EXPECT_EQ(names("folder"), Names{"existing.txt"});
}

TEST_F(DiskFileSystemTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(::mkdir(path("a").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(path("b").c_str(), 0755), 0);
  putFile(path("a/real.txt"), "old");
  ASSERT_EQ(::chmod(path("a/real.txt").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("a/real.txt", path("link").c_str()), 0);
  // A chain of relative and absolute links that ends in a missing file.
  ASSERT_EQ(::symlink("../b/second", path("a/first").c_str()), 0);
  ASSERT_EQ(::symlink(path("b/made.txt").c_str(), path("b/second").c_str()), 0);

  ASSERT_TRUE(replace(path("link"), "through the link"));
  ASSERT_TRUE(replace(path("a/first"), "end of chain"));
  for (const char* link : {"link", "a/first", "b/second"}) {
    EXPECT_EQ(lstatType(path(link)), mode_t{S_IFLNK}) << link;
  }
  EXPECT_EQ(fileBytes(path("a/real.txt")), "through the link");
  EXPECT_EQ(permissionsOf(path("a/real.txt")), 0640u);
  EXPECT_EQ(fileBytes(path("b/made.txt")), "end of chain");
  EXPECT_EQ(permissionsOf(path("b/made.txt")), defaultMode());
  EXPECT_EQ(names("a"), (Names{"first", "real.txt"}));
  EXPECT_EQ(names("b"), (Names{"made.txt", "second"}));
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
  EXPECT_EQ(lstatType(fifo), mode_t{S_IFIFO});

  const std::optional<std::string> null = devicePath("null", 3);
  const std::optional<std::string> full = devicePath("full", 7);
  if (!null || !full) GTEST_SKIP() << "no usable memory devices";
  EXPECT_TRUE(replace(*null, "discarded\n"));
  EXPECT_FALSE(replace(*full, "no space"));
  EXPECT_EQ(lstatType(*null), mode_t{S_IFCHR});
  EXPECT_EQ(lstatType(*full), mode_t{S_IFCHR});
}

TEST_F(DiskFileSystemTest, AbsolutePathIsLexicallyNormal) {
  ASSERT_EQ(::mkdir(path("work").c_str(), 0755), 0);
  ScopedCwd cwd(path("work"));
  const std::string here = std::filesystem::current_path().string();
  const std::string parent = std::filesystem::current_path().parent_path().string();
  const std::pair<const char*, std::string> cases[] = {
      {"a.txt", here + "/a.txt"},
      {"sub/./x/../b.txt", here + "/sub/b.txt"},
      {"sub//b/", here + "/sub/b"},
      {".", here},
      {"missing/../../x", parent + "/x"},
      {"../../../../../../../../../../z", "/z"},
      {"/usr/./lib/../bin", "/usr/bin"},
      {"/", "/"},
      {"/x/../../y", "/y"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(fs_.absolutePath(input), expected) << input;
}

}  // namespace
}  // namespace strovel
