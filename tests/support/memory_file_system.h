// An in-memory FileSystem for tests: files are a map from path to bytes.
// Paths listed in unreadable / uncreatable fail like a missing file or a
// read-only folder; failWritesTo makes write() fail after creation.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/catalogue/notice.h"
#include "platform/file_system.h"

namespace strovel {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  std::set<std::string> uncreatable;
  std::set<std::string> failWritesTo;
  std::string currentFolder = "/work";

  std::optional<std::string> readFile(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end() || unreadable.count(path)) return std::nullopt;
    return it->second;
  }

  std::unique_ptr<OutputFile> createFile(const std::string& path) override {
    if (uncreatable.count(path)) return nullptr;
    return std::make_unique<Output>(*this, path, failWritesTo.count(path) > 0);
  }

  bool canRead(const std::string& path) override {
    return files.count(path) > 0 && !unreadable.count(path);
  }

  std::string absolutePath(const std::string& path) override {
    return !path.empty() && path[0] == '/' ? path : currentFolder + "/" + path;
  }

 private:
  class Output : public OutputFile {
   public:
    Output(MemoryFileSystem& fs, std::string path, bool failing)
        : fs_(fs), path_(std::move(path)), failing_(failing) {}
    bool write(std::string_view bytes) override {
      if (failing_) return false;
      content_.append(bytes);
      return true;
    }
    bool commit() override {
      if (failing_) return false;
      fs_.files[path_] = content_;
      return true;
    }

   private:
    MemoryFileSystem& fs_;
    std::string path_;
    bool failing_;
    std::string content_;
  };
};

// Collects notices in order.
class RecordingSink : public NoticeSink {
 public:
  std::vector<Notice> notices;
  void notify(const Notice& notice) override { notices.push_back(notice); }
};

}  // namespace strovel
