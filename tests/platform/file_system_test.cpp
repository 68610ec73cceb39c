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
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace strovel {
namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

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

bool isSymlink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isCharDevice(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
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

  // The names in the folder, sorted; a temporary file left behind shows up here.
  std::vector<std::string> namesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> names() const { return namesIn(dir_); }

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

using Names = std::vector<std::string>;

TEST_F(DiskFileSystemTest, ReadsEveryByteValueExactly) {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  }
  bytes += "\r\n\x1A\0tail"s;
  putFile(path("all.bin"), bytes);
  EXPECT_EQ(fs_.readFile(path("all.bin")), bytes);
}

TEST_F(DiskFileSystemTest, ReadsFileLargerThanAMebibyte) {
  const std::string bytes = randomBytes(3 * kMiB + 17, 1);
  putFile(path("big.bin"), bytes);
  const std::optional<std::string> read = fs_.readFile(path("big.bin"));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->size(), bytes.size());
  EXPECT_TRUE(*read == bytes);
}

TEST_F(DiskFileSystemTest, ReadsEmptyFileAsEmptyText) {
  putFile(path("empty.txt"), "");
  EXPECT_EQ(fs_.readFile(path("empty.txt")), ""s);
}

TEST_F(DiskFileSystemTest, ReadsRelativePathAgainstCurrentFolder) {
  putFile(path("rel.txt"), "relative");
  ScopedCwd cwd(dir_);
  EXPECT_EQ(fs_.readFile("rel.txt"), "relative"s);
  EXPECT_EQ(fs_.readFile("./rel.txt"), "relative"s);
}

TEST_F(DiskFileSystemTest, MissingFileAndFolderDoNotRead) {
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_EQ(fs_.readFile(path("missing.txt")), std::nullopt);
  EXPECT_EQ(fs_.readFile(path("folder")), std::nullopt);
  EXPECT_EQ(fs_.readFile(dir_), std::nullopt);
  EXPECT_EQ(fs_.readFile(path("missing/inner.txt")), std::nullopt);
  EXPECT_EQ(fs_.readFile(""), std::nullopt);
}

TEST_F(DiskFileSystemTest, UnreadableFileDoesNotRead) {
  putFile(path("secret.txt"), "secret");
  ASSERT_EQ(::chmod(path("secret.txt").c_str(), 0), 0);
  if (runningAsRoot()) GTEST_SKIP() << "root reads files without read permission";
  EXPECT_EQ(fs_.readFile(path("secret.txt")), std::nullopt);
  EXPECT_FALSE(fs_.canRead(path("secret.txt")));
}

TEST_F(DiskFileSystemTest, ReadsFifoLongerThanOneReadBuffer) {
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string bytes = randomBytes(300000, 2);
  // The writer waits (without blocking for good) until the reader has the FIFO open.
  std::thread writer([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int fd = -1;
    while (fd < 0 && std::chrono::steady_clock::now() < deadline) {
      fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (fd < 0) return;
    ::fcntl(fd, F_SETFL, 0);
    std::string_view rest = bytes;
    while (!rest.empty()) {
      const ssize_t n = ::write(fd, rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
  });
  const std::optional<std::string> read = fs_.readFile(fifo);
  writer.join();
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(*read == bytes);
}

TEST_F(DiskFileSystemTest, CanReadOnlyExistingFiles) {
  putFile(path("file.txt"), "x");
  putFile(path("empty.txt"), "");
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_TRUE(fs_.canRead(path("file.txt")));
  EXPECT_TRUE(fs_.canRead(path("empty.txt")));
  EXPECT_TRUE(fs_.canRead("/dev/null"));
  EXPECT_FALSE(fs_.canRead(path("missing.txt")));
  EXPECT_FALSE(fs_.canRead(path("folder")));
  EXPECT_FALSE(fs_.canRead(""));
}

TEST_F(DiskFileSystemTest, NewFileGetsExactContentAndDefaultMode) {
  const std::string bytes = "line\r\n\0zero\x1A"s;
  const std::string target = path("new.txt");
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->write(bytes));
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(target), bytes);
  EXPECT_EQ(permissionsOf(target), 0666 & ~currentUmask());
  EXPECT_EQ(names(), Names{"new.txt"});
}

TEST_F(DiskFileSystemTest, ContentInManyWritesLargerThanAMebibyte) {
  const std::string bytes = randomBytes(2 * kMiB + 5, 3);
  std::unique_ptr<OutputFile> out = fs_.createFile(path("big.bin"));
  ASSERT_NE(out, nullptr);
  for (std::size_t at = 0; at < bytes.size(); at += 100000) {
    ASSERT_TRUE(out->write(std::string_view(bytes).substr(at, 100000)));
  }
  ASSERT_TRUE(out->commit());
  EXPECT_TRUE(fileBytes(path("big.bin")) == bytes);
}

TEST_F(DiskFileSystemTest, NewFileByRelativeName) {
  ScopedCwd cwd(dir_);
  ASSERT_TRUE(replace("rel.txt", "relative"));
  EXPECT_EQ(fileBytes(path("rel.txt")), "relative");
  EXPECT_EQ(names(), Names{"rel.txt"});
}

TEST_F(DiskFileSystemTest, TargetUntouchedUntilCommit) {
  const std::string target = path("file.txt");
  putFile(target, "old content");
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->write("new"));
  EXPECT_EQ(fileBytes(target), "old content");
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(target), "new");
  EXPECT_EQ(names(), Names{"file.txt"});
}

class KeptModeTest : public DiskFileSystemTest, public testing::WithParamInterface<mode_t> {};

TEST_P(KeptModeTest, ReplacingKeepsPermissionBits) {
  const std::string target = path("file.txt");
  putFile(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), GetParam()), 0);
  ASSERT_TRUE(replace(target, "new"));
  EXPECT_EQ(fileBytes(target), "new");
  EXPECT_EQ(permissionsOf(target), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Modes, KeptModeTest, testing::Values(0640, 0600, 0604, 0755, 0660));

TEST_F(DiskFileSystemTest, UncommittedReplacementLeavesOldFile) {
  const std::string target = path("file.txt");
  putFile(target, "old content");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  {
    std::unique_ptr<OutputFile> out = fs_.createFile(target);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->write("half-written"));
  }
  EXPECT_EQ(fileBytes(target), "old content");
  EXPECT_EQ(permissionsOf(target), 0640u);
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, UncommittedNewFileLeavesNothing) {
  {
    std::unique_ptr<OutputFile> out = fs_.createFile(path("new.txt"));
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->write("never committed"));
  }
  EXPECT_EQ(names(), Names{});
}

// Makes writes to regular files beyond `limit` bytes fail (EFBIG) for as
// long as it lives. Nothing may be printed meanwhile: the test log itself
// may be a file already past the limit.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t limit) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lowered = old_;
    lowered.rlim_cur = limit;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
  bool ok_ = false;
};

TEST_F(DiskFileSystemTest, FailedWriteLeavesOldFileAndNoTemporary) {
  const std::string target = path("file.txt");
  putFile(target, "old content");
  bool limited = false;
  bool created = false;
  bool written = true;
  bool committed = true;
  {
    ScopedFileSizeLimit limit(4096);
    limited = limit.ok();
    std::unique_ptr<OutputFile> out = fs_.createFile(target);
    created = out != nullptr;
    if (out) {
      written = out->write(std::string(10000, 'n'));
      committed = out->commit();
    }
  }
  ASSERT_TRUE(limited);
  ASSERT_TRUE(created);
  EXPECT_FALSE(written);
  EXPECT_FALSE(committed);
  EXPECT_EQ(fileBytes(target), "old content");
  EXPECT_EQ(names(), Names{"file.txt"});
}

TEST_F(DiskFileSystemTest, TargetsThatCannotBeCreated) {
  putFile(path("plain.txt"), "x");
  EXPECT_EQ(fs_.createFile(path("no-such-folder/out.txt")), nullptr);
  EXPECT_EQ(fs_.createFile(path("plain.txt/out.txt")), nullptr);
  EXPECT_EQ(fs_.createFile(""), nullptr);
  EXPECT_EQ(names(), Names{"plain.txt"});
}

TEST_F(DiskFileSystemTest, ReadOnlyFileIsNotReplaced) {
  const std::string target = path("locked.txt");
  putFile(target, "keep me");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  if (runningAsRoot()) GTEST_SKIP() << "root may write over a read-only file";
  EXPECT_EQ(fs_.createFile(target), nullptr);
  EXPECT_EQ(fileBytes(target), "keep me");
  EXPECT_EQ(permissionsOf(target), 0444u);
  EXPECT_EQ(names(), Names{"locked.txt"});
}

TEST_F(DiskFileSystemTest, ReadOnlyFolderTakesNoFile) {
  const std::string folder = path("locked");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  putFile(folder + "/existing.txt", "keep me");
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  if (runningAsRoot()) GTEST_SKIP() << "root may write into a read-only folder";
  EXPECT_EQ(fs_.createFile(folder + "/new.txt"), nullptr);
  // The file itself is writable, but it cannot be renamed over in its folder.
  EXPECT_EQ(fs_.createFile(folder + "/existing.txt"), nullptr);
  EXPECT_EQ(fileBytes(folder + "/existing.txt"), "keep me");
  EXPECT_EQ(namesIn(folder), Names{"existing.txt"});
}

TEST_F(DiskFileSystemTest, SymbolicLinkHasItsFileReplaced) {
  ASSERT_EQ(::mkdir(path("sub").c_str(), 0755), 0);
  putFile(path("sub/real.txt"), "old");
  ASSERT_EQ(::chmod(path("sub/real.txt").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("sub/real.txt", path("link.txt").c_str()), 0);

  ASSERT_TRUE(replace(path("link.txt"), "through the link"));
  EXPECT_TRUE(isSymlink(path("link.txt")));
  EXPECT_EQ(std::filesystem::read_symlink(path("link.txt")), "sub/real.txt");
  EXPECT_EQ(fileBytes(path("sub/real.txt")), "through the link");
  EXPECT_EQ(permissionsOf(path("sub/real.txt")), 0640u);
  EXPECT_EQ(names(), (Names{"link.txt", "sub"}));
  EXPECT_EQ(namesIn(path("sub")), Names{"real.txt"});
}

TEST_F(DiskFileSystemTest, DanglingSymbolicLinkCreatesTheFileItNames) {
  ASSERT_EQ(::mkdir(path("sub").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("made.txt", path("sub/dangling.txt").c_str()), 0);
  ASSERT_TRUE(replace(path("sub/dangling.txt"), "created"));
  EXPECT_TRUE(isSymlink(path("sub/dangling.txt")));
  EXPECT_EQ(fileBytes(path("sub/made.txt")), "created");
  EXPECT_EQ(permissionsOf(path("sub/made.txt")), 0666 & ~currentUmask());
  EXPECT_EQ(namesIn(path("sub")), (Names{"dangling.txt", "made.txt"}));
}

TEST_F(DiskFileSystemTest, ChainOfDanglingLinksCreatesTheLastName) {
  ASSERT_EQ(::mkdir(path("a").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(path("b").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("../b/second", path("a/first").c_str()), 0);
  ASSERT_EQ(::symlink(path("b/final.txt").c_str(), path("b/second").c_str()), 0);
  ASSERT_TRUE(replace(path("a/first"), "end of chain"));
  EXPECT_TRUE(isSymlink(path("a/first")));
  EXPECT_TRUE(isSymlink(path("b/second")));
  EXPECT_EQ(fileBytes(path("b/final.txt")), "end of chain");
  EXPECT_EQ(namesIn(path("b")), (Names{"final.txt", "second"}));
}

TEST_F(DiskFileSystemTest, DanglingLinkIntoMissingFolderIsNotCreated) {
  ASSERT_EQ(::symlink("nowhere/x.txt", path("dangling.txt").c_str()), 0);
  EXPECT_EQ(fs_.createFile(path("dangling.txt")), nullptr);
  EXPECT_TRUE(isSymlink(path("dangling.txt")));
}

TEST_F(DiskFileSystemTest, NullDeviceIsWrittenInPlace) {
  const std::optional<std::string> null = devicePath("null", 3);
  if (!null) GTEST_SKIP() << "no usable null device";
  std::unique_ptr<OutputFile> out = fs_.createFile(*null);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->write("discarded\n"));
  EXPECT_TRUE(out->commit());
  EXPECT_TRUE(isCharDevice(*null));
  if (runningAsRoot()) {
    EXPECT_EQ(names(), Names{"null"});
  }
}

TEST_F(DiskFileSystemTest, FailingDeviceWriteFailsCommit) {
  const std::optional<std::string> full = devicePath("full", 7);
  if (!full) GTEST_SKIP() << "no usable full device";
  std::unique_ptr<OutputFile> out = fs_.createFile(*full);
  ASSERT_NE(out, nullptr);
  EXPECT_FALSE(out->write("no space"));
  EXPECT_FALSE(out->commit());
  EXPECT_TRUE(isCharDevice(*full));
}

TEST_F(DiskFileSystemTest, FifoIsWrittenInPlace) {
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A non-blocking reader lets the writer open at once; then it blocks as usual.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::unique_ptr<OutputFile> out = fs_.createFile(fifo);
  if (!out) ::close(reader);
  ASSERT_NE(out, nullptr);
  ::fcntl(reader, F_SETFL, 0);

  const std::string bytes = randomBytes(500000, 4);  // more than the pipe holds
  std::string received;
  std::thread drain([&] {
    std::string buffer(65536, '\0');
    ssize_t n;
    while ((n = ::read(reader, buffer.data(), buffer.size())) > 0) {
      received.append(buffer.data(), static_cast<std::size_t>(n));
    }
  });
  EXPECT_TRUE(out->write(bytes));
  EXPECT_TRUE(out->commit());
  drain.join();
  ::close(reader);
  EXPECT_TRUE(received == bytes);
  struct stat st;
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(names(), Names{"fifo"});
}

TEST_F(DiskFileSystemTest, InputNamedAsOutput) {
  const std::string target = path("same.txt");
  putFile(target, "a\nb\n");
  const std::optional<std::string> input = fs_.readFile(target);
  ASSERT_TRUE(input.has_value());
  std::unique_ptr<OutputFile> out = fs_.createFile(target);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->write(*input + *input));
  EXPECT_EQ(fs_.readFile(target), "a\nb\n"s);  // still readable as it was
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(target), "a\nb\na\nb\n");
  EXPECT_EQ(names(), Names{"same.txt"});
}

struct PathCase {
  const char* path;
  const char* relativeToCwd;  // nullptr when `absolute` is the whole answer
  const char* absolute;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << '"' << c.path << '"'; }

class AbsolutePathTest : public DiskFileSystemTest, public testing::WithParamInterface<PathCase> {};

TEST_P(AbsolutePathTest, IsLexicallyNormal) {
  ASSERT_EQ(::mkdir(path("work").c_str(), 0755), 0);
  ScopedCwd cwd(path("work"));
  const std::string here = std::filesystem::current_path().string();
  const PathCase& c = GetParam();
  const std::string expected = c.relativeToCwd ? here + c.relativeToCwd : c.absolute;
  EXPECT_EQ(fs_.absolutePath(c.path), expected) << "path " << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AbsolutePathTest,
    testing::Values(PathCase{"a.txt", "/a.txt", nullptr}, PathCase{"./a.txt", "/a.txt", nullptr},
                    PathCase{"sub/b.txt", "/sub/b.txt", nullptr},
                    PathCase{"sub/./x/../b.txt", "/sub/b.txt", nullptr},
                    PathCase{"sub//b.txt", "/sub/b.txt", nullptr}, PathCase{".", "", nullptr},
                    PathCase{"sub/", "/sub", nullptr},
                    PathCase{"/usr/./lib/../bin", nullptr, "/usr/bin"},
                    PathCase{"/a//b/", nullptr, "/a/b"}, PathCase{"/", nullptr, "/"},
                    PathCase{"/..", nullptr, "/"}, PathCase{"/x/../../y", nullptr, "/y"}));

TEST_F(DiskFileSystemTest, AbsolutePathClimbsAboveCurrentFolder) {
  ASSERT_EQ(::mkdir(path("work").c_str(), 0755), 0);
  ScopedCwd cwd(path("work"));
  const std::filesystem::path here = std::filesystem::current_path();
  EXPECT_EQ(fs_.absolutePath(".."), here.parent_path().string());
  EXPECT_EQ(fs_.absolutePath("../other.txt"), here.parent_path().string() + "/other.txt");
  EXPECT_EQ(fs_.absolutePath("missing/../../x"), here.parent_path().string() + "/x");
  EXPECT_EQ(fs_.absolutePath("../../../../../../../../../../z"), "/z");
}

}  // namespace
}  // namespace strovel
