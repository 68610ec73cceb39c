// The core's test doubles and small helpers. rulesOf makes a rule list of
// rules written inline; crLf gives a text as a file in text mode holds it
// (every LF a CR LF). RecordingFile keeps what it is handed and fails from
// its failAt-th write (counting from 0) on. MemoryFileSystem is a map from
// path to bytes; a path in uncreatable fails like a read-only folder; writes
// are counted from 0 across its outputs, the throwAtWrite-th throws
// std::bad_alloc and the failAtWrite-th fails (a commit then still goes
// through); its outputs leave room for a head unless not reservable, and
// count the heads written there and the bodies copied behind a head of
// another size; its scratch spools can be refused or fail a write.
// RecordingSink collects notices in order.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/notice.h"
#include "patterns/rule_list.h"
#include "platform/file_system.h"

namespace strovel {

inline RuleList rulesOf(const std::vector<Rule>& rules) {
  RuleList list;
  for (const Rule& rule : rules) list.append(rule);
  return list;
}

inline std::string crLf(std::string_view text) {
  std::string bytes;
  for (char c : text) c == '\n' ? bytes += "\r\n" : bytes += c;
  return bytes;
}

struct RecordingFile : OutputFile {
  explicit RecordingFile(std::size_t failAt = SIZE_MAX) : failAt(failAt) {}
  bool write(std::string_view bytes) override { return calls++ < failAt && (all += bytes, true); }
  bool commit() override { return true; }
  std::size_t failAt, calls = 0;
  std::string all;
};

struct MemoryFileSystem : FileSystem {
  std::map<std::string, std::string> files;
  std::set<std::string> uncreatable;
  int writes = 0, throwAtWrite = -1, failAtWrite = -1;

  bool reservable = true;  // outputs can leave room for a head
  int headsWritten = 0, bodiesCopied = 0;
  // Scratch spools (a sort's runs): none to be had, or the scratchFailAt-th
  // write to them (from 0) fails; scratchFaulted tells that one of these met
  // a sort.
  bool scratchRefused = false;
  int scratchWrites = 0, scratchFailAt = -1;
  bool scratchFaulted = false;
  int scratchSpools = 0;  // made so far

  struct Scratch : Spool {
    explicit Scratch(MemoryFileSystem& disk) : disk(disk) {}
    bool write(std::string_view piece) override {
      if (disk.scratchWrites++ == disk.scratchFailAt) failed = disk.scratchFaulted = true;
      return !failed && (bytes += piece, true);
    }
    bool copyTo(OutputFile& out) override { return !failed && out.write(bytes); }
    std::int64_t read(std::uint64_t at, char* buffer, std::size_t n) override {
      if (failed) return -1;
      n = at >= bytes.size() ? 0 : std::min<std::size_t>(n, bytes.size() - at);
      std::copy_n(bytes.data() + at, n, buffer);
      return static_cast<std::int64_t>(n);
    }
    std::uint64_t size() const override { return bytes.size(); }
    MemoryFileSystem& disk;
    std::string bytes;
    bool failed = false;
  };
  std::unique_ptr<Spool> createScratch() override {
    if (scratchRefused) return (scratchFaulted = true, nullptr);
    ++scratchSpools;
    return std::make_unique<Scratch>(*this);
  }

  struct Output : OutputFile {
    Output(MemoryFileSystem& disk, std::string path) : disk(disk), path(std::move(path)) {}
    bool counted() {
      const int n = disk.writes++;
      if (n == disk.throwAtWrite) throw std::bad_alloc();
      return n != disk.failAtWrite;
    }
    bool write(std::string_view bytes) override { return counted() && (content += bytes, true); }
    bool reserveHead(std::uint64_t n) override { return disk.reservable && (head = n, true); }
    bool writeHead(std::string_view bytes) override {
      return bytes.size() == head && counted() && (content.insert(0, bytes), ++disk.headsWritten);
    }
    bool copyBodyTo(OutputFile& out) override { return ++disk.bodiesCopied && out.write(content); }
    bool commit() override {
      disk.files[path] = content;
      return true;
    }
    MemoryFileSystem& disk;
    std::string path, content;
    std::size_t head = 0;
  };
  std::optional<std::string> readFile(const std::string& path) override {
    return canRead(path) ? std::optional(files.at(path)) : std::nullopt;
  }
  std::unique_ptr<OutputFile> createFile(const std::string& path) override {
    return uncreatable.count(path) ? nullptr : std::make_unique<Output>(*this, path);
  }
  bool canRead(const std::string& path) override { return files.count(path) > 0; }
  std::string absolutePath(const std::string& path) override { return path; }
};

struct RecordingSink : NoticeSink {
  std::vector<Notice> notices;
  void notify(const Notice& notice) override { notices.push_back(notice); }
};

}  // namespace strovel
