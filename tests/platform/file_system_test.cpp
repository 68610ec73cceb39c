// Tests of the disk FileSystem against a fresh temporary folder per test:
// whole-file reads, atomic replacement (content, permission bits, no
// temporary left behind, the old file intact until commit and after a
// failure), the targets that cannot be created, symbolic links, FIFOs
// written in place, and lexical absolute paths. Checks that rely on
// permissions are skipped under root, who may write anywhere.
#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "platform/text_mode.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Names = std::set<std::string>;

// Every byte value, repeating with a period that is no power of two.
std::string manyBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 257);
  return bytes;
}

// Files are put and read with the standard library, independently of the
// code under test.
void putFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The permission bits of what the path names, or the file type of the path
// itself when `follow` is false.
mode_t modeOf(const std::string& path, bool follow = true) {
  struct stat st {};
  if ((follow ? ::stat : ::lstat)(path.c_str(), &st) != 0) return 0;
  return follow ? st.st_mode & 07777 : st.st_mode & S_IFMT;
}

class DiskFileSystemTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(::mkdtemp(dir_.data()), nullptr); }
  void TearDown() override {
    fs::current_path(cwd_);
    ::chmod(path("locked").c_str(), 0755);  // a read-only folder is opened again for removal
    fs::remove_all(dir_);
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  // The names in a folder; a temporary file left behind shows up here.
  Names names(const std::string& folder = "") const {
    Names names;
    for (const auto& e : fs::directory_iterator(path(folder))) names.insert(e.path().filename());
    return names;
  }
  bool replace(const std::string& target, const std::string& bytes) {
    std::unique_ptr<OutputFile> out = disk_.createFile(target);
    return out && out->write(bytes) && out->commit();
  }

  FileSystem& disk_ = diskFileSystem();
  const fs::path cwd_ = fs::current_path();  // tests may change it
  std::string dir_ = "/tmp/strovel-fs-XXXXXX";
};

TEST_F(DiskFileSystemTest, ReadsExactBytesAndNothingThatIsNoFile) {
  // More than any single read takes.
  const std::string bytes = "\r\n\x1A\0tail"s + manyBytes(3 * (std::size_t{1} << 20) + 17);
  putFile(path("all.bin"), bytes);
  putFile(path("empty.txt"), "");
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  EXPECT_TRUE(disk_.readFile(path("all.bin")) == bytes);
  // A file whose stat size (0) does not tell how much it holds.
  EXPECT_EQ(disk_.readFile("/proc/version"), fileBytes("/proc/version"));
  EXPECT_TRUE(disk_.readFile(path("empty.txt")) == ""s && disk_.canRead(path("empty.txt")));
  for (const std::string& bad : {path("missing.txt"), path("folder"), path("missing/x"), ""s})
    EXPECT_FALSE(disk_.readFile(bad) || disk_.canRead(bad)) << bad;
}

// Text read whole and text read in pieces are the same text: CR LF pairs
// split between reads, a CR at the very end, a Ctrl-Z far into the file.
TEST_F(DiskFileSystemTest, ReadsTextWholeOrInPieces) {
  std::string bytes(700000, 'a');
  for (std::size_t i = 0; i < bytes.size(); i += 1 + i % 97) bytes[i] = i % 3 ? '\n' : '\r';
  const std::string withCtrlZ = bytes.substr(0, 400000) + "\x1A" + bytes;
  for (const std::string& content : {bytes, bytes + "\r", withCtrlZ, ""s, "\r"s}) {
    putFile(path("text.txt"), content);
    std::string expected = content;
    fromTextMode(expected);
    EXPECT_TRUE(disk_.readText(path("text.txt")) == expected);
    std::unique_ptr<TextSource> source = disk_.openText(path("text.txt"));
    ASSERT_TRUE(source);
    std::string pieces;
    for (std::string_view piece; source->next(piece);) pieces += piece;
    EXPECT_FALSE(source->failed());
    EXPECT_TRUE(pieces == expected) << content.size();
  }
  EXPECT_FALSE(disk_.openText(path("missing.txt")) || disk_.openText(dir_));
}

// A new file gets the default mode; a replaced one keeps its own, and its
// old content stays readable until commit (an input named as the output)
// and after a failed write.
TEST_F(DiskFileSystemTest, ReplacesAtomicallyWithNewOrKeptMode) {
  fs::current_path(dir_);  // a bare name puts the file (and any temporary) here
  putFile("made", "");     // with the mode any new file gets
  const std::string bytes = "line\r\n\0zero\x1A"s + manyBytes(2 * (1 << 20) + 5);
  ASSERT_TRUE(replace("file.bin", bytes));
  EXPECT_TRUE(fileBytes(path("file.bin")) == bytes);
  EXPECT_EQ(modeOf(path("file.bin")), modeOf(path("made")));

  ASSERT_EQ(::chmod(path("file.bin").c_str(), 0604), 0);
  std::unique_ptr<OutputFile> out = disk_.createFile(path("file.bin"));
  ASSERT_TRUE(out && out->write("ne") && out->write("w"));
  EXPECT_TRUE(disk_.readFile("file.bin") == bytes);
  // Where the file system has unnamed files, the new content has no name yet.
  if (const int probe = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY, 0600); probe >= 0) {
    ::close(probe);
    EXPECT_EQ(names(), (Names{"file.bin", "made"}));
  }
  ASSERT_TRUE(out->commit());
  EXPECT_EQ(fileBytes(path("file.bin")), "new");
  EXPECT_EQ(modeOf(path("file.bin")), 0604u);

  // Writes to regular files beyond 4096 bytes fail (EFBIG) until the limit is
  // lifted. Nothing may be printed meanwhile: the test log itself may be a
  // file already past the limit.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit lowered{4096, old.rlim_max};
  out = disk_.createFile("file.bin");
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  const bool failed = out && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0 &&
                      !out->write(std::string(10000, 'n')) && !out->commit();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  out.reset();
  EXPECT_TRUE(failed);
  EXPECT_EQ(fileBytes(path("file.bin")), "new");
  EXPECT_EQ(names(), (Names{"file.bin", "made"}));
}

TEST_F(DiskFileSystemTest, TargetsThatCannotBeCreatedOrReadStayAsTheyAre) {
  putFile(path("plain.txt"), "x");
  ASSERT_EQ(::symlink("nowhere/x.txt", path("dangling").c_str()), 0);
  for (const std::string& bad : {path("none/out"), path("plain.txt/out"), path("dangling"), ""s})
    EXPECT_EQ(disk_.createFile(bad), nullptr) << bad;
  EXPECT_EQ(names(), (Names{"dangling", "plain.txt"}));

  if (::geteuid() == 0) GTEST_SKIP() << "root may read and write anything";
  ASSERT_EQ(::mkdir(path("locked").c_str(), 0755), 0);
  putFile(path("locked/existing.txt"), "keep me");
  ASSERT_EQ(::chmod(path("plain.txt").c_str(), 0444) | ::chmod(path("locked").c_str(), 0555), 0);
  // The last file is writable, but it cannot be renamed over in its folder.
  for (const char* name : {"plain.txt", "locked/new.txt", "locked/existing.txt"})
    EXPECT_EQ(disk_.createFile(path(name)), nullptr) << name;
  EXPECT_EQ(names("locked"), Names{"existing.txt"});
  ASSERT_EQ(::chmod(path("plain.txt").c_str(), 0), 0);
  EXPECT_FALSE(disk_.readFile(path("plain.txt")) || disk_.canRead(path("plain.txt")));
}

TEST_F(DiskFileSystemTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(::mkdir(path("a").c_str(), 0755), 0);
  putFile(path("a/real.txt"), "old");
  putFile(path("made"), "");
  ASSERT_EQ(::symlink("a/real.txt", path("link").c_str()), 0);
  // A chain of relative and absolute links that ends in a missing file.
  ASSERT_EQ(::symlink("../second", path("a/first").c_str()), 0);
  ASSERT_EQ(::symlink(path("made.txt").c_str(), path("second").c_str()), 0);

  ASSERT_TRUE(replace(path("link"), "through the link") && replace(path("a/first"), "chained"));
  for (const char* link : {"link", "a/first", "second"})
    EXPECT_EQ(modeOf(path(link), false), mode_t{S_IFLNK}) << link;
  EXPECT_EQ(fileBytes(path("a/real.txt")), "through the link");
  EXPECT_EQ(fileBytes(path("made.txt")), "chained");
  EXPECT_EQ(modeOf(path("made.txt")), modeOf(path("made")));
  EXPECT_EQ(names(), (Names{"a", "link", "made", "made.txt", "second"}));
}

// What is no regular file cannot be renamed over: it is written as it is,
// and a failing write is still reported.
TEST_F(DiskFileSystemTest, FifoIsWrittenInPlace) {
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A non-blocking reader lets the writer open at once.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(replace(fifo, "through the pipe"));
  char received[64] = {};
  EXPECT_TRUE(::read(reader, received, 63) == 16 && received == "through the pipe"s);
  std::unique_ptr<OutputFile> out = disk_.createFile(fifo);
  ::close(reader);
  void (*oldHandler)(int) = std::signal(SIGPIPE, SIG_IGN);
  EXPECT_TRUE(out && !out->write("no reader") && !out->commit());  // both report the failure
  std::signal(SIGPIPE, oldHandler);
  EXPECT_EQ(modeOf(fifo, false), mode_t{S_IFIFO});
}

// A spool holds its bytes in a file without a name beside the target and
// joins them to a result behind its head: into a regular file (which the
// kernel copies) and into a FIFO (which goes through a buffer).
TEST_F(DiskFileSystemTest, SpoolJoinsResultsWithoutLeavingNames) {
  const std::string tail = "\0tail\r\n"s + manyBytes(3 * (std::size_t{1} << 20) + 11);
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  for (const std::string& target : {path("result.txt"), path("fifo")}) {
    const Names before = names();
    std::unique_ptr<Spool> spool = disk_.createSpool(target);
    ASSERT_TRUE(spool);
    for (std::size_t at = 0; at < tail.size(); at += 100000)
      ASSERT_TRUE(spool->write(std::string_view(tail).substr(at, 100000)));
    EXPECT_EQ(names(), before);
    int reader = -1;
    if (target == path("fifo")) reader = ::open(target.c_str(), O_RDONLY | O_NONBLOCK);
    // The writer opens first: a reader that finds no writer reads the end.
    std::unique_ptr<OutputFile> out = disk_.createFile(target);
    const bool drains = reader >= 0 && out;
    std::string received;
    std::thread drain([&] {
      if (!drains) return;
      ::fcntl(reader, F_SETFL, 0);  // block from now on, until the writer closes
      char buffer[65536];
      for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) != 0;)
        if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    });
    const bool joined = out && out->write("head") && spool->copyTo(*out) && out->commit();
    out.reset();
    drain.join();
    if (reader >= 0) ::close(reader);
    EXPECT_TRUE(joined) << target;
    EXPECT_TRUE((reader >= 0 ? received : fileBytes(target)) == "head" + tail) << target;
  }
  EXPECT_EQ(names(), (Names{"fifo", "result.txt"}));
}

TEST_F(DiskFileSystemTest, AbsolutePathIsLexicallyNormal) {
  fs::current_path(dir_);
  const std::string here = fs::current_path().string();
  EXPECT_EQ(disk_.absolutePath("sub/./x/../b.txt"), here + "/sub/b.txt");
  EXPECT_EQ(disk_.absolutePath("sub//b/"), here + "/sub/b");
  EXPECT_EQ(disk_.absolutePath("missing/../../x"), fs::path(here).parent_path() / "x");
  EXPECT_EQ(disk_.absolutePath("/x/./../../y"), "/y");
}

}  // namespace
}  // namespace strovel
