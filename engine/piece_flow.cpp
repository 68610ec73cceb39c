// The reading and the writing threads of a processing run, and the queues
// between them and the calling thread.
#include "engine/piece_flow.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/codepage.h"

namespace strovel {

std::string PieceQueue::buffer() {
  std::lock_guard lock(mutex_);
  if (spare_.empty()) return {};
  std::string text = std::move(spare_.back());
  spare_.pop_back();
  text.clear();
  return text;
}

bool PieceQueue::push(Piece&& piece) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || pieces_.size() < depth_; });
  if (stopped_) return false;
  pieces_.push_back(std::move(piece));
  lock.unlock();
  changed_.notify_all();
  return true;
}

void PieceQueue::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool PieceQueue::pop(Piece& piece) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopped_ || closed_ || !pieces_.empty(); });
  if (stopped_ || pieces_.empty()) return false;
  piece = std::move(pieces_.front());
  pieces_.pop_front();
  lock.unlock();
  changed_.notify_all();
  return true;
}

void PieceQueue::recycle(std::string&& buffer) {
  std::lock_guard lock(mutex_);
  if (buffer.capacity() > 0 && spare_.size() < depth_ + 2) spare_.push_back(std::move(buffer));
}

void PieceQueue::stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

namespace {

FlowLimits sane(FlowLimits limits) {
  limits.piece = std::max<std::size_t>(limits.piece, 1);
  limits.depth = std::max<std::size_t>(limits.depth, 1);
  return limits;
}

constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

}  // namespace

TextFeed::TextFeed(TextSource& source, bool dosMode, FlowLimits limits)
    : source_(source), dosMode_(dosMode), limits_(sane(limits)), queue_(limits_.depth) {}

TextFeed::~TextFeed() {
  queue_.stop();
  if (thread_.joinable()) thread_.join();
}

void TextFeed::start() {
  try {
    thread_ = std::thread(&TextFeed::read, this);
  } catch (const std::system_error&) {
    limits_.threadsFrom = kNever;  // no thread to be had: the calling thread reads on
  }
}

bool TextFeed::next(std::string_view& piece, double& done) {
  if (ended_) return false;
  if (!thread_.joinable() && direct_ >= limits_.threadsFrom) start();
  if (thread_.joinable()) {
    if (current_.text.capacity() > 0) queue_.recycle(std::move(current_.text));
    if (!queue_.pop(current_)) {
      ended_ = true;
      finish();
      return false;
    }
    piece = current_.text;
    done = current_.done;
    return true;
  }
  if (!source_.next(piece)) {
    ended_ = true;
    return false;
  }
  if (dosMode_) {
    dosPiece_.assign(piece);
    oemToAnsi(dosPiece_);
    piece = dosPiece_;
  }
  direct_ += piece.size();
  done = source_.done();
  return true;
}

// The reading thread: the source's pieces gathered into the queue's
// pieces (a large one cut up), converted, handed over in order.
void TextFeed::read() noexcept {
  try {
    std::string text = queue_.buffer();
    bool more = true;
    while (more) {
      std::string_view piece;
      more = source_.next(piece);
      do {
        const std::size_t n =
            std::min(piece.size(), limits_.piece - std::min(limits_.piece, text.size()));
        text.append(piece.substr(0, n));
        piece.remove_prefix(n);
        if (text.size() >= limits_.piece || (!more && !text.empty())) {
          if (dosMode_) oemToAnsi(text);
          if (!queue_.push({std::move(text), source_.done()})) return queue_.close();
          text = queue_.buffer();
        }
      } while (!piece.empty());
    }
  } catch (...) {
    error_ = std::current_exception();
  }
  queue_.close();
}

void TextFeed::finish() {
  ended_ = true;
  queue_.stop();
  if (thread_.joinable()) thread_.join();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

ResultFeed::ResultFeed(FlowLimits limits) : limits_(sane(limits)), queue_(limits_.depth) {}

ResultFeed::~ResultFeed() {
  queue_.stop();
  if (thread_.joinable()) thread_.join();
}

void ResultFeed::start() {
  try {
    thread_ = std::thread(&ResultFeed::drain, this);
    threaded_ = true;
  } catch (const std::system_error&) {
    limits_.threadsFrom = kNever;
  }
}

void ResultFeed::write(std::string_view text) {
  if (!writer_ || text.empty()) return;
  if (!threaded_ && direct_ >= limits_.threadsFrom) start();
  if (!threaded_) {
    writer_->write(text);
    direct_ += text.size();
    return;
  }
  while (!text.empty()) {
    const std::size_t n =
        std::min(text.size(), limits_.piece - std::min(limits_.piece, gathered_.size()));
    gathered_.append(text.substr(0, n));
    text.remove_prefix(n);
    if (gathered_.size() >= limits_.piece) send();
  }
}

void ResultFeed::hand(std::string&& text) {
  if (!writer_ || text.empty()) return;
  if (!threaded_ && direct_ + text.size() >= limits_.threadsFrom) start();
  if (!threaded_) return write(text);
  send();
  if (!queue_.push({std::move(text), 0})) join();
}

// Hands the gathered piece to the writing thread.
void ResultFeed::send() {
  if (gathered_.empty()) return;
  if (!queue_.push({std::move(gathered_), 0})) join();  // the thread failed: its exception
  gathered_ = queue_.buffer();
}

// The writing thread: the pieces written in order.
void ResultFeed::drain() noexcept {
  try {
    PieceQueue::Piece piece;
    while (queue_.pop(piece)) {
      writer_->write(piece.text);
      queue_.recycle(std::move(piece.text));
    }
  } catch (...) {
    error_ = std::current_exception();
    queue_.stop();
  }
}

void ResultFeed::join() {
  if (thread_.joinable()) thread_.join();
  threaded_ = false;
  limits_.threadsFrom = kNever;
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

bool ResultFeed::finish() {
  if (threaded_) {
    send();
    queue_.close();
    join();
  }
  return writer_ && writer_->flush();
}

}  // namespace strovel
