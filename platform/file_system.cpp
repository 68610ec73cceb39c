// The process's real file system: reading, and the choice of output file.
// A file is read whole into one buffer, or as text in pieces through a small
// one. A file to write has its path resolved here (a symbolic link has the
// file it points to replaced, a dangling one has that file created) and is
// handed to the output files of disk_output.h: a regular file is replaced
// atomically, anything else (a device, a FIFO) is written in place, and a
// spool goes beside the target where its folder allows.
#include "platform/file_system.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/disk_output.h"
#include "platform/system_calls.h"
#include "platform/text_mode.h"

namespace strovel {
namespace {

mode_t processUmask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

// Follows a chain of symbolic links that ends in a missing file, so that
// writing through a dangling link creates the file it names.
std::string followDanglingLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n <= 0) return path;
    link.resize(static_cast<std::size_t>(n));
    path = link[0] == '/' ? link : folderOf(path) + "/" + link;
  }
  return path;
}

// A spool in memory: the default of file systems that keep no files of
// their own (the tests' fake), and the last resort of the disk.
class MemorySpool : public Spool {
 public:
  bool write(std::string_view bytes) override {
    bytes_.append(bytes);
    return true;
  }
  bool copyTo(OutputFile& out) override { return out.write(bytes_); }
  std::int64_t read(std::uint64_t offset, char* buffer, std::size_t n) override {
    if (offset >= bytes_.size()) return 0;
    n = std::min<std::size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return static_cast<std::int64_t>(n);
  }
  std::uint64_t size() const override { return bytes_.size(); }

 private:
  std::string bytes_;
};

// Reads through a cache-sized buffer and converts each piece into a second
// one; neither grows with the file.
class ChunkedTextSource : public TextSource {
 public:
  ChunkedTextSource(int fd, std::uint64_t size)
      : fd_(fd), size_(size), raw_(new char[kPiece]), reader_(0) {}
  ~ChunkedTextSource() override { ::close(fd_); }

  bool next(std::string_view& piece) override {
    while (!ended_) {
      const ssize_t n = ::read(fd_, raw_.get(), kPiece);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failed_ = true;
      if (n <= 0) {
        ended_ = true;
        piece = reader_.drainLast();
        return !failed_ && !piece.empty();
      }
      read_ += static_cast<std::uint64_t>(n);
      ended_ = !reader_.append(std::string_view(raw_.get(), static_cast<std::size_t>(n)));
      piece = ended_ ? reader_.drainLast() : reader_.drain();
      if (!piece.empty()) return true;
    }
    return false;
  }
  bool failed() const override { return failed_; }
  double done() const override {
    return size_ == 0 ? 0 : static_cast<double>(read_) / static_cast<double>(size_);
  }
  std::uint64_t expectedSize() const override { return size_; }

 private:
  static constexpr std::size_t kPiece = 128 * 1024;
  int fd_;
  std::uint64_t size_;
  std::uint64_t read_ = 0;
  std::unique_ptr<char[]> raw_;
  TextModeReader reader_;
  bool ended_ = false;
  bool failed_ = false;
};

// $TMPDIR, or /tmp when it is not set.
std::string temporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

class DiskFileSystem : public FileSystem {
 public:
  explicit DiskFileSystem(SystemCalls& calls) : calls_(calls) {}

  std::optional<std::string> readFile(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> bytes = readOpen(fd);
    ::close(fd);
    return bytes;
  }

  std::unique_ptr<TextSource> openText(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<ChunkedTextSource>(
        fd, S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0);
  }

  std::unique_ptr<OutputFile> createFile(const std::string& path) override {
    if (path.empty()) return nullptr;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) return openInPlace(path, calls_);
      // A read-only file is not written over, even though its folder would allow a rename.
      if (::access(path.c_str(), W_OK) != 0) return nullptr;
      char* real = ::realpath(path.c_str(), nullptr);
      if (!real) return nullptr;
      std::string target(real);
      std::free(real);
      return openReplacing(target, st.st_mode & 07777, &st, calls_);
    }
    if (errno != ENOENT) return nullptr;
    return openReplacing(followDanglingLinks(path), 0666 & ~processUmask(), nullptr, calls_);
  }

  // Beside the file the target names; for a target that is no regular file
  // (a device, a FIFO), or a folder that takes no file, in the system's
  // temporary folder; failing that, in memory.
  std::unique_ptr<Spool> createSpool(const std::string& path) override {
    std::string folder;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
      if (S_ISREG(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
          folder = folderOf(real);
          std::free(real);
        }
      }
    } else if (!path.empty()) {
      folder = folderOf(followDanglingLinks(path));
    }
    for (const std::string& at : {folder, temporaryFolder()}) {
      if (at.empty()) continue;
      if (std::unique_ptr<Spool> spool = openDiskSpool(at, calls_)) return spool;
    }
    return std::make_unique<MemorySpool>();
  }

  std::unique_ptr<Spool> createScratch() override {
    return openDiskSpool(temporaryFolder(), calls_);
  }

  bool canRead(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  std::string absolutePath(const std::string& path) override {
    std::filesystem::path full(path);
    if (!full.is_absolute()) {
      std::error_code error;
      full = std::filesystem::current_path(error) / full;
    }
    std::string normal = full.lexically_normal().string();
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
  }

 private:
  static std::optional<std::string> readOpen(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    std::string bytes;
    std::size_t used = 0;
    bytes.resize(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 1 << 16);
    for (;;) {
      if (used == bytes.size()) bytes.resize(bytes.size() * 2);
      const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
  }

  SystemCalls& calls_;
};

}  // namespace

namespace {

// The whole text as one piece.
class WholeTextSource : public TextSource {
 public:
  explicit WholeTextSource(std::string text) : text_(std::move(text)) {}
  bool next(std::string_view& piece) override {
    if (given_ || text_.empty()) return false;
    given_ = true;
    piece = text_;
    return true;
  }
  bool failed() const override { return false; }
  double done() const override { return given_ ? 1 : 0; }
  std::uint64_t expectedSize() const override { return text_.size(); }

 private:
  std::string text_;
  bool given_ = false;
};

}  // namespace

std::unique_ptr<Spool> FileSystem::createSpool(const std::string&) {
  return std::make_unique<MemorySpool>();
}

std::unique_ptr<Spool> FileSystem::createScratch() { return std::make_unique<MemorySpool>(); }

std::unique_ptr<TextSource> FileSystem::openText(const std::string& path) {
  std::optional<std::string> text = readText(path);
  if (!text) return nullptr;
  return std::make_unique<WholeTextSource>(std::move(*text));
}

std::optional<std::string> FileSystem::readText(const std::string& path) {
  std::optional<std::string> bytes = readFile(path);
  if (bytes) fromTextMode(*bytes);
  return bytes;
}

FileSystem& diskFileSystem() {
  static SystemCalls real;
  static DiskFileSystem disk(real);
  return disk;
}

std::unique_ptr<FileSystem> diskFileSystemWith(SystemCalls& calls) {
  return std::make_unique<DiskFileSystem>(calls);
}

}  // namespace strovel