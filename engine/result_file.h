// The result of a run on its way to the disk: the text the rules pass on,
// after the statistics block when there is one, written in text mode (LF
// as CR LF) into a file that replaces the old result only when commit()
// succeeds. Until then an old file of that name stays as it was.
//
// Without statistics the text goes straight into the file. With them the
// block comes first, but is final only once the rules have counted
// everything. When it is final before the first byte of text comes (the
// last rule with an action sorts, or the text is short), it is written
// first. Otherwise the first few megabytes of text are held while the
// rules count, then the block's size is guessed and the text goes into the
// file behind room for it; commit() fills the room, or, when the guess was
// wrong, copies the text into a second file behind the real block. A
// result that cannot leave room (a FIFO) has the text wait in a spool.
//
//   ResultFile result(files, "res_1.txt", &plan /* null: no statistics */, flow);
//   chain.append(piece, result.sink());  // as the input is read
//   result.settle();                     // between pieces: no rule partway
//   chain.finish(result.sink());
//   bool ok = result.commit();           // the block in front, the file in place
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/piece_flow.h"
#include "engine/text_sink.h"
#include "platform/file_system.h"
#include "platform/text_mode.h"

namespace strovel {

class ResultFile {
 public:
  // What the result asks of the run about its statistics block.
  class StatisticsPlan {
   public:
    virtual ~StatisticsPlan() = default;
    // True once the block will not change.
    virtual bool final() const = 0;
    // The block's size as written: final, or guessed from what the rules
    // have done so far.
    virtual std::uint64_t size() const = 0;
    // Writes the final block; false when a write failed.
    virtual bool write(ByteSink& out) const = 0;
  };

  // `plan` (null: no statistics block) must outlive the result.
  ResultFile(FileSystem& files, std::string name, const StatisticsPlan* plan, FlowLimits flow);
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  ~ResultFile();

  // Where the rules' text goes.
  const TextSink& sink() const { return sink_; }
  // To be called where no rule is partway through its text: once enough
  // text is held, the block's size is guessed there.
  void settle();
  // Puts the block in front of the text and the file in place of the old
  // one; false when the result could not be created or written.
  bool commit();

 private:
  enum class Head { None, Written, Reserved, Spooled };
  void write(std::string_view text);
  void place();
  bool putBlockInPlace(OutputFile*& target);

  FileSystem& files_;
  const std::string name_;
  const StatisticsPlan* plan_;
  const FlowLimits flow_;
  std::unique_ptr<OutputFile> out_;    // null when the file could not be created
  std::unique_ptr<OutputFile> again_;  // the result behind a block of another size
  std::unique_ptr<Spool> spool_;
  std::optional<TextModeWriter> writer_;
  Head head_ = Head::None;
  std::uint64_t reserved_ = 0;  // the guessed size of the block
  bool blockWritten_ = true;    // no write of a block written first failed
  std::string held_;            // text held before the block's size is guessed
  bool placed_ = false;         // the text has its place: the file, the spool, or none
  // Declared after the writer it writes through, so that its thread is
  // joined before the writer goes.
  ResultFeed feed_;
  TextSink sink_;
};

}  // namespace strovel
