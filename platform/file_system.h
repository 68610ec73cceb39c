// Whole-file reading and atomic file replacement, behind an interface so the
// core can be tested against an in-memory fake. Paths are byte strings used
// exactly as given (relative ones against the current folder).
//
//   FileSystem& fs = diskFileSystem();
//   std::optional<std::string> bytes = fs.readFile("in.txt");
//   std::unique_ptr<OutputFile> out = fs.createFile("res_1.txt");
//   if (out && out->write("text") && out->commit()) { /* replaced */ }
//
// A file whose head is known only once its tail is written spools the tail:
//
//   std::unique_ptr<Spool> tail = fs.createSpool("res_1.txt");
//   tail->write("body");                      // as much as there is
//   out = fs.createFile("res_1.txt");
//   out->write("head");
//   tail->copyTo(*out) && out->commit();       // "headbody"
//
// or, where the result is a regular file, leaves room for the head in it:
//
//   out = fs.createFile("res_1.txt");
//   out->reserveHead(4) && out->write("body") && out->writeHead("head");
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace strovel {

// Where bytes go, in order.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool write(std::string_view bytes) = 0;
};

// One file being written. Until commit() succeeds the target is untouched
// (for regular files); destroying an uncommitted OutputFile discards what
// was written.
class OutputFile : public ByteSink {
 public:
  // Flushes and puts the new content in place of the target. False when
  // anything failed; the old target then stays as it was.
  virtual bool commit() = 0;
  // A head known only once the rest is written: reserveHead(n), before
  // the first write, leaves the first n bytes for writeHead() to fill at
  // the end; what write() writes goes behind them. False where the file
  // cannot do that (a device, a FIFO), and nothing changes then.
  virtual bool reserveHead(std::uint64_t /*n*/) { return false; }
  // Writes the reserved head; false unless it is exactly the reserved size.
  virtual bool writeHead(std::string_view /*head*/) { return false; }
  // Appends what was written behind the head to `out` (a head of another
  // size goes into a new file, followed by this body).
  virtual bool copyBodyTo(OutputFile& /*out*/) { return false; }
};

// Bytes put aside to be written out or read back later, in order. They
// take no memory on disk: they wait in an unnamed temporary file that
// disappears with the Spool, whatever ends the process. A failed write
// sticks: every later write and copy fails too.
class Spool : public ByteSink {
 public:
  // Appends everything written so far to `out`; false when a read or a
  // write failed.
  virtual bool copyTo(OutputFile& out) = 0;
  // Reads up to `n` bytes from `offset` into `buffer`: how many were read
  // (0 at the end), or -1 when the read failed.
  virtual std::int64_t read(std::uint64_t offset, char* buffer, std::size_t n) = 0;
  // The bytes written so far.
  virtual std::uint64_t size() const = 0;
};

// A file read as text piece by piece (see text_mode.h for the conversion).
class TextSource {
 public:
  virtual ~TextSource() = default;
  // The next piece, never empty; false at the end of the text or when a
  // read failed (failed() tells which).
  virtual bool next(std::string_view& piece) = 0;
  virtual bool failed() const = 0;
  // How far the reading has got, as a share of the file from 0 to 1.
  virtual double done() const = 0;
  // About how much text will come (the file's size when it has one), or 0
  // when that is not known: room to plan for, not a promise.
  virtual std::uint64_t expectedSize() const { return 0; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The file's raw bytes, or nullopt when it does not open or cannot be
  // read (missing, a folder, no permission, an I/O error).
  virtual std::optional<std::string> readFile(const std::string& path) = 0;
  // The file read as text (see text_mode.h: CR LF becomes LF, Ctrl-Z ends
  // it), or nullopt as for readFile.
  virtual std::optional<std::string> readText(const std::string& path);
  // The file as text in pieces; nullptr when it does not open (as above).
  virtual std::unique_ptr<TextSource> openText(const std::string& path);
  // Starts replacing (or creating) the file; nullptr when it cannot be
  // created (no such folder, no permission, the target is read-only).
  virtual std::unique_ptr<OutputFile> createFile(const std::string& path) = 0;
  // A spool for the tail of the file `path` will name, beside it where the
  // folder allows (so the copy stays on one file system). Never nullptr;
  // this default holds the bytes in memory.
  virtual std::unique_ptr<Spool> createSpool(const std::string& path);
  // A spool in the temporary folder ($TMPDIR, or /tmp), where a sort puts
  // what does not fit in memory; nullptr when none can be made there. This
  // default holds the bytes in memory.
  virtual std::unique_ptr<Spool> createScratch();
  // True when the file exists and can be opened for reading.
  virtual bool canRead(const std::string& path) = 0;
  // The path made absolute against the current folder and normalised
  // lexically ("." and ".." removed).
  virtual std::string absolutePath(const std::string& path) = 0;
};

// The real file system of the process.
FileSystem& diskFileSystem();

}  // namespace strovel
