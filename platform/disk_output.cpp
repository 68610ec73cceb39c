// The disk's output files (see disk_output.h). Writing goes to a temporary
// file beside the target that is renamed over it (flushed to disk first when
// it replaces a file), so a failure at any point leaves the old file (or an
// input named as the output) intact; the temporary file has no name until
// then where the file system allows, so not even a killed process leaves it
// behind. A target that is not a regular file (a device, a FIFO) is written
// in place, since it cannot be renamed over. A head known only at the end
// fills a hole left at the start of the temporary file. A spool is an
// unnamed temporary file; its bytes (like a body behind a hole of the wrong
// size) join a result by copy_file_range, which lets the kernel copy (or
// share) them without passing them through the process.
#include "platform/disk_output.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace strovel {
namespace {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// An output written through a file descriptor; a failed write sticks.
class FdOutput : public OutputFile {
 public:
  FdOutput(int fd, SystemCalls& calls) : fd_(fd), calls_(calls) {}
  ~FdOutput() override {
    if (fd_ >= 0) calls_.close(fd_);
  }
  bool write(std::string_view bytes) override { return ok_ = ok_ && writeAll(fd_, bytes); }
  int fd() const { return fd_; }
  bool ok() const { return ok_; }
  bool fail() { return ok_ = false; }

 protected:
  int fd_;
  bool ok_ = true;
  SystemCalls& calls_;
};

// Writes straight into a device or FIFO; commit() only reports the outcome.
class InPlaceFile : public FdOutput {
 public:
  using FdOutput::FdOutput;
  bool commit() override {
    const bool closed = calls_.close(fd_) == 0;
    fd_ = -1;
    return ok_ && closed;
  }
};

// An unnamed temporary file in `folder` (an O_TMPFILE one, or a named one
// removed at once where the file system has no O_TMPFILE), or -1.
int openUnnamed(const std::string& folder, SystemCalls& calls) {
  int fd = calls.open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = folder + "/.kestrune-spool.XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

// Appends the bytes of fd from `from` to `end` to `out`. The kernel copies
// between two files; a pair it cannot copy between (other file systems on
// old kernels, a pipe, a device) goes through a buffer instead.
bool copyBytes(int fd, off_t from, off_t end, OutputFile& out) {
  if (FdOutput* file = dynamic_cast<FdOutput*>(&out); file && file->ok()) {
    while (from < end) {
      const ssize_t n = ::copy_file_range(fd, &from, file->fd(), nullptr,
                                          static_cast<std::size_t>(end - from), 0);
      if (n > 0) continue;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                    errno == EBADF || errno == EPERM || errno == ETXTBSY))
        break;
      return file->fail();  // a real failure (no space, I/O error), or a source cut short
    }
  }
  constexpr std::size_t kBuffer = 1 << 20;
  std::unique_ptr<char[]> buffer;
  while (from < end) {
    if (!buffer) buffer.reset(new char[kBuffer]);
    const ssize_t n =
        ::pread(fd, buffer.get(),
                std::min<std::size_t>(kBuffer, static_cast<std::size_t>(end - from)), from);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !out.write(std::string_view(buffer.get(), static_cast<std::size_t>(n))))
      return false;
    from += n;
  }
  return true;
}

// A spool on disk; the file goes when its descriptor is closed.
class DiskSpool : public Spool {
 public:
  DiskSpool(int fd, SystemCalls& calls) : fd_(fd), calls_(calls) {}
  ~DiskSpool() override { calls_.close(fd_); }
  bool write(std::string_view bytes) override {
    ok_ = ok_ && writeAll(fd_, bytes);
    if (ok_) size_ += static_cast<off_t>(bytes.size());
    return ok_;
  }
  bool copyTo(OutputFile& out) override { return ok_ && copyBytes(fd_, 0, size_, out); }
  std::int64_t read(std::uint64_t offset, char* buffer, std::size_t n) override {
    if (!ok_) return -1;
    for (;;) {
      const ssize_t got = ::pread(fd_, buffer, n, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      return got;
    }
  }
  std::uint64_t size() const override { return static_cast<std::uint64_t>(size_); }

 private:
  int fd_;
  off_t size_ = 0;
  bool ok_ = true;
  SystemCalls& calls_;
};

// A name for a temporary file of `target` in its folder: ".NAME.XXXXXX",
// with XXXXXX replaced by random characters when `random` is set (for
// mkostemp otherwise); ".kestrune.XXXXXX" when the name would be too long.
std::string temporaryName(const std::string& target, bool random) {
  const std::size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = folderOf(target) + "/." + name + ".XXXXXX";
  if (name.size() + 8 > NAME_MAX) temp = folderOf(target) + "/.kestrune.XXXXXX";
  if (random) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
      for (unsigned char& b : bytes) b = static_cast<unsigned char>(std::rand());
    }
    for (std::size_t k = 0; k < 6; ++k) temp[temp.size() - 6 + k] = letters[bytes[k] % 62];
  }
  return temp;
}

// Gives the unnamed file open as fd the name `path`, which must not exist:
// straight from the descriptor where the process may (CAP_DAC_READ_SEARCH),
// else through its /proc entry. errno is EEXIST when the name is taken.
bool linkUnnamed(int fd, const std::string& path) {
  if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Whether an unnamed file can be given a name later.
bool canLinkUnnamed() {
  static const bool can = ::geteuid() == 0 || ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

// A file that replaces `target` on commit(). Where the folder's file system
// allows, it is unnamed (O_TMPFILE) until then, so a process killed at any
// moment leaves nothing behind: commit() gives a new target its name
// directly, and replaces an existing one through a fresh random name that
// is renamed over it at once. Elsewhere it is a named temporary file,
// removed on every failure.
class ReplacingFile : public FdOutput {
 public:
  // `temp` is the temporary name, or empty for an unnamed file.
  ReplacingFile(int fd, SystemCalls& calls, std::string temp, std::string target, mode_t mode,
                const struct stat* old)
      : FdOutput(fd, calls), temp_(std::move(temp)), target_(std::move(target)), mode_(mode) {
    if (old) {
      owner_ = old->st_uid;
      group_ = old->st_gid;
      keepOwner_ = true;
    }
  }
  ~ReplacingFile() override {
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
  }
  // The head is a hole until writeHead() fills it.
  bool reserveHead(std::uint64_t n) override {
    if (n > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::lseek(fd_, static_cast<off_t>(n), SEEK_SET) < 0)
      return false;
    head_ = static_cast<off_t>(n);
    return true;
  }
  bool writeHead(std::string_view head) override {
    if (!ok_ || static_cast<off_t>(head.size()) != head_) return false;
    for (off_t at = 0; !head.empty();) {
      const ssize_t n = ::pwrite(fd_, head.data(), head.size(), at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail();
      head.remove_prefix(static_cast<std::size_t>(n));
      at += n;
    }
    return true;
  }
  bool copyBodyTo(OutputFile& out) override {
    const off_t end = ::lseek(fd_, 0, SEEK_CUR);
    return ok_ && end >= head_ && copyBytes(fd_, head_, end, out);
  }
  bool commit() override {
    if (!ok_) return false;
    ::fchmod(fd_, mode_);
    if (keepOwner_) (void)!::fchown(fd_, owner_, group_);  // only root may; failure is harmless
    // Over an existing file the new content reaches the disk before the
    // rename, so not even a power failure can leave the old file lost and
    // the new one incomplete. A new file has nothing to lose and is left to
    // the system's writeback, as other tools leave theirs.
    if (keepOwner_ && calls_.fsync(fd_) != 0) return false;
    if (temp_.empty()) {
      if (!keepOwner_ && linkUnnamed(fd_, target_)) return closeNamed();
      if (!linkFresh()) return false;
    }
    const bool closed = calls_.close(fd_) == 0;
    fd_ = -1;
    if (!closed || calls_.rename(temp_.c_str(), target_.c_str()) != 0) return false;
    committed_ = true;
    if (keepOwner_) syncFolder();
    return true;
  }

 private:
  // Names the unnamed file with a fresh random temporary name.
  bool linkFresh() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = temporaryName(target_, true);
      if (linkUnnamed(fd_, name)) {
        temp_ = std::move(name);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // The new file has its name; a failed close still fails the write.
  bool closeNamed() {
    const bool closed = calls_.close(fd_) == 0;
    fd_ = -1;
    if (!closed) {
      ::unlink(target_.c_str());
      return false;
    }
    committed_ = true;
    return true;
  }

  void syncFolder() const {
    const int dir = calls_.open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir < 0) return;
    calls_.fsync(dir);
    calls_.close(dir);
  }

  std::string temp_;
  std::string target_;
  mode_t mode_;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  bool keepOwner_ = false;  // there is an old file: keep its owner, sync before replacing it
  bool committed_ = false;
  off_t head_ = 0;  // the bytes reserved for the head
};

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::unique_ptr<OutputFile> openReplacing(const std::string& target, mode_t mode,
                                          const struct stat* old, SystemCalls& calls) {
  if (canLinkUnnamed()) {
    const int fd = calls.open(folderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
      return std::make_unique<ReplacingFile>(fd, calls, std::string(), target, mode, old);
  }
  std::string temp = temporaryName(target, false);
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<ReplacingFile>(fd, calls, std::move(temp), target, mode, old);
}

std::unique_ptr<OutputFile> openInPlace(const std::string& path, SystemCalls& calls) {
  const int fd = calls.open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  return std::make_unique<InPlaceFile>(fd, calls);
}

std::unique_ptr<Spool> openDiskSpool(const std::string& folder, SystemCalls& calls) {
  const int fd = openUnnamed(folder, calls);
  if (fd < 0) return nullptr;
  return std::make_unique<DiskSpool>(fd, calls);
}

}  // namespace strovel
