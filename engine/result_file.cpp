// The result file and where its statistics block goes.
#include "engine/result_file.h"

#include <algorithm>

namespace strovel {
namespace {

// The most room taken at once for the text held before the statistics
// block's size is guessed (twice the text held, as the rules may overrun).
constexpr std::size_t kHeldRoom = 32 << 20;

// Bytes gathered whole (a head is written at once).
struct Bytes : ByteSink {
  std::string all;
  bool write(std::string_view bytes) override { return all.append(bytes), true; }
};

}  // namespace

ResultFile::ResultFile(FileSystem& files, std::string name, const StatisticsPlan* plan,
                       FlowLimits flow)
    : files_(files),
      name_(std::move(name)),
      plan_(plan),
      flow_(flow),
      feed_(flow),
      sink_([this](std::string_view text) { write(text); }) {
  if (plan_) return;
  placed_ = true;
  out_ = files_.createFile(name_);
  if (out_) feed_.bind(&writer_.emplace(*out_));
}

ResultFile::~ResultFile() = default;

void ResultFile::write(std::string_view text) {
  if (!placed_) {
    // The guess waits for settle(), where no rule is halfway through its
    // text, unless twice the text held has come first.
    if (!plan_->final() && (held_.size() + text.size()) / 2 < flow_.guessAfter) {
      if (held_.empty()) held_.reserve(std::min(flow_.guessAfter, kHeldRoom / 2) * 2);
      held_.append(text);
      return;
    }
    place();
  }
  feed_.write(text);
}

void ResultFile::settle() {
  if (!placed_ && held_.size() >= flow_.guessAfter) place();
}

// Creates the file and gives the text its place: behind the final block,
// behind room for the guessed one, or in a spool. A result that cannot be
// created still takes the text, which then goes nowhere.
void ResultFile::place() {
  placed_ = true;
  out_ = files_.createFile(name_);
  if (out_) {
    if (plan_->final()) {
      blockWritten_ = plan_->write(*out_);
      writer_.emplace(*out_);
      head_ = Head::Written;
    } else if (reserved_ = plan_->size(); out_->reserveHead(reserved_)) {
      writer_.emplace(*out_);
      head_ = Head::Reserved;
    } else {
      spool_ = files_.createSpool(name_);
      writer_.emplace(*spool_);
      head_ = Head::Spooled;
    }
    feed_.bind(&*writer_);
  }
  feed_.hand(std::move(held_));
  held_ = std::string();
}

bool ResultFile::commit() {
  if (!placed_) place();
  bool written = feed_.finish() && blockWritten_;
  OutputFile* target = out_.get();
  if (written && (head_ == Head::Reserved || head_ == Head::Spooled))
    written = putBlockInPlace(target);
  return written && target && target->commit();
}

// The final block in front of the text: into the room left for it when its
// size was guessed right, else into a new file followed by the text.
bool ResultFile::putBlockInPlace(OutputFile*& target) {
  Bytes block;
  plan_->write(block);
  if (head_ == Head::Spooled) return out_->write(block.all) && spool_->copyTo(*out_);
  if (block.all.size() == reserved_) return out_->writeHead(block.all);
  again_ = files_.createFile(name_);
  target = again_.get();
  return again_ && again_->write(block.all) && out_->copyBodyTo(*again_);
}

}  // namespace strovel
