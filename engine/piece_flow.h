// The two ends of a processing run, each able to move to a thread of its
// own: TextFeed reads the input (text-mode and DOS conversion included) and
// hands it over in pieces, ResultFeed takes the text the rules pass on and
// writes it in text mode. While little text has gone through, both work on
// the calling thread; once `threadsFrom` bytes have, the reading and the
// writing go on in threads of their own, joined to the calling thread by
// queues of a few pieces each, so that the three parts share the cores and
// the memory in flight stays bounded. The rules, the progress reports and
// every notice stay on the calling thread.
//
// A failure in a thread (an exception: out of memory) stops it; the calling
// thread meets the same exception at its next call, after the thread has
// been joined. Destroying a feed stops and joins its thread.
//
//   TextFeed input(*source, dosMode, {});
//   std::string_view piece;
//   double done;
//   while (input.next(piece, done)) result.write(piece);
//   input.finish();               // joined: source->failed() may be asked
//   bool ok = result.finish();    // joined, and the writer flushed
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_mode.h"

namespace strovel {

struct FlowLimits {
  // Bytes that go through on the calling thread before a thread takes over.
  // Handing pieces between cores costs more CPU time than it saves below
  // some 8 MB of log lines (bench/pipeline_runs); a text that reaches 4 MB
  // is likely to go on well beyond.
  std::size_t threadsFrom = 4 << 20;
  // The size of the pieces in a queue, and how many wait there at most.
  std::size_t piece = 256 * 1024;
  std::size_t depth = 4;
  // Result bytes held back, when the statistics block comes first but is
  // not known yet, before its size is guessed from what the rules have
  // done so far and the text goes into the file behind room for it. On
  // log lines, 4 MB guess the counts within a few per cent; 1 MB can be
  // 10 % off, and each wrong guess costs a copy of the result.
  std::size_t guessAfter = 4 << 20;
};

// Pieces of text on their way from one thread to another. A full queue
// makes the producer wait, an empty one the consumer; buffers come back for
// reuse, so at most depth + 2 of them exist.
class PieceQueue {
 public:
  struct Piece {
    std::string text;
    double done = 0;  // the input's share read when the piece was complete
  };
  explicit PieceQueue(std::size_t depth) : depth_(depth == 0 ? 1 : depth) {}

  // Producer side. An empty buffer, a returned one where there is one.
  std::string buffer();
  // Waits for room; false when the consumer has stopped (the piece is dropped).
  bool push(Piece&& piece);
  // No more pieces will come.
  void close();

  // Consumer side. Waits for the next piece; false once the queue is closed
  // and empty.
  bool pop(Piece& piece);
  void recycle(std::string&& buffer);
  // The consumer takes no more: waiting and later pushes return false.
  void stop();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> pieces_;
  std::vector<std::string> spare_;
  std::size_t depth_;
  bool closed_ = false;
  bool stopped_ = false;
};

// The input as text, piece by piece.
class TextFeed {
 public:
  TextFeed(TextSource& source, bool dosMode, FlowLimits limits);
  TextFeed(const TextFeed&) = delete;
  TextFeed& operator=(const TextFeed&) = delete;
  ~TextFeed();
  // The next piece (valid until the next call) and the input's share read
  // so far; false at the end of the text or when a read failed. Rethrows
  // what ended the reading thread.
  bool next(std::string_view& piece, double& done);
  // Joins the reading thread; after it the source may be used again.
  void finish();

 private:
  void start();
  void read() noexcept;

  TextSource& source_;
  bool dosMode_;
  FlowLimits limits_;
  std::size_t direct_ = 0;  // bytes handed out on the calling thread
  bool ended_ = false;
  std::string dosPiece_;  // the converted piece, on the calling thread
  PieceQueue queue_;
  PieceQueue::Piece current_;
  std::exception_ptr error_;
  std::thread thread_;
};

// Where the text the rules pass on goes: the result (or a spool) through a
// text-mode writer that must outlive the feed. Without a writer the text is
// dropped.
class ResultFeed {
 public:
  explicit ResultFeed(FlowLimits limits);
  ResultFeed(const ResultFeed&) = delete;
  ResultFeed& operator=(const ResultFeed&) = delete;
  ~ResultFeed();
  // The writer to use from now on; only before the first write.
  void bind(TextModeWriter* writer) { writer_ = writer; }
  // Rethrows what ended the writing thread.
  void write(std::string_view text);
  // The same for a whole buffer of text: the writing thread takes it as it
  // is, so that the caller need not wait while it is written.
  void hand(std::string&& text);
  // Writes what is queued, joins the writing thread and flushes the
  // writer; false when a write failed (or there is no writer).
  bool finish();

 private:
  void start();
  void send();
  void drain() noexcept;
  void join();

  FlowLimits limits_;
  TextModeWriter* writer_ = nullptr;
  std::size_t direct_ = 0;  // bytes written on the calling thread
  bool threaded_ = false;
  PieceQueue queue_;
  std::string gathered_;  // what goes into the next piece
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace strovel
