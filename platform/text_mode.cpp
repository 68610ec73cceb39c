// Text-mode conversions. Both run at memory speed: on x86-64 they move
// sixteen or thirty-two bytes at a time and only stop at the bytes they
// change (a CR before LF on reading, a LF on writing); elsewhere they fall
// back to memchr and memcpy. Writing expands into a bounded buffer that is
// handed to the file whenever it fills.
#include "platform/text_mode.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace strovel {
namespace {

#if defined(__x86_64__)
// Copies src[0, n) to dst while no CR comes, 32 bytes at a time; returns
// how far it got (a CR, or fewer than 32 bytes left). dst must not overlap
// src and may receive up to 32 bytes beyond the copied ones, within n.
__attribute__((target("avx2"))) std::size_t copyUpToCrAvx2(const char* src, std::size_t n,
                                                           char* dst) {
  const __m256i cr = _mm256_set1_epi8('\r');
  std::size_t i = 0;
  while (i + 32 <= n) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), v);
    const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, cr)));
    if (mask != 0) return i + static_cast<unsigned>(__builtin_ctz(mask));
    i += 32;
  }
  return i;
}

const bool hasAvx2 = __builtin_cpu_supports("avx2");
#endif

// Copies src[0, n) to dst without the CRs that come right before a LF;
// `next` is the byte that follows src[n - 1] in the text (-1: none). Returns
// the bytes written, at most n; dst must not overlap src.
std::size_t dropCrBeforeLf(const char* src, std::size_t n, int next, char* dst) {
  char* const start = dst;
  std::size_t i = 0;
  for (;;) {
    // Copy up to the next CR.
#if defined(__x86_64__)
    if (hasAvx2) {
      const std::size_t k = copyUpToCrAvx2(src + i, n - i, dst);
      i += k;
      dst += k;
    }
#endif
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
      const unsigned k = mask == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(mask));
      i += k;
      dst += k;
      if (mask != 0) break;
    }
#endif
    if (i < n && src[i] != '\r') {
      const void* hit = std::memchr(src + i, '\r', n - i);
      const std::size_t stop =
          hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - src) : n;
      std::memcpy(dst, src + i, stop - i);
      dst += stop - i;
      i = stop;
    }
    if (i == n) return static_cast<std::size_t>(dst - start);
    // src[i] is a CR: dropped before a LF, kept otherwise.
    const int after = i + 1 < n ? src[i + 1] : next;
    if (after != '\n') *dst++ = '\r';
    ++i;
  }
}

// Writes src[0, n) to dst with every LF expanded to CR LF; returns the
// bytes written (at most 2n). dst must have 16 bytes to spare beyond 2n.
std::size_t expandLf(const char* src, std::size_t n, char* dst) {
  char* const start = dst;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    if (mask == 0) {
      i += 16;
      dst += 16;
      continue;
    }
    const unsigned k = static_cast<unsigned>(__builtin_ctz(mask));
    dst += k;
    *dst++ = '\r';
    *dst++ = '\n';
    i += k + 1;
  }
#endif
  if (n - i < 16) {  // a short piece or tail: not worth a call
    for (; i < n; ++i) {
      if (src[i] == '\n') *dst++ = '\r';
      *dst++ = src[i];
    }
  }
  while (i < n) {
    const void* hit = std::memchr(src + i, '\n', n - i);
    const std::size_t stop =
        hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - src) : n;
    std::memcpy(dst, src + i, stop - i);
    dst += stop - i;
    i = stop;
    if (i == n) break;
    *dst++ = '\r';
    *dst++ = '\n';
    ++i;
  }
  return static_cast<std::size_t>(dst - start);
}

}  // namespace

void fromTextMode(std::string& bytes) {
  const char* end26 = static_cast<const char*>(std::memchr(bytes.data(), 26, bytes.size()));
  const std::size_t length = end26 ? static_cast<std::size_t>(end26 - bytes.data()) : bytes.size();
  // Block by block through a small cache-resident copy, so the converted
  // bytes can be written over the ones already read.
  constexpr std::size_t kBlock = 64 * 1024;
  const std::unique_ptr<char[]> block(new char[kBlock]);
  char* const p = bytes.data();
  std::size_t out = 0;
  for (std::size_t in = 0; in < length;) {
    const std::size_t n = std::min(kBlock, length - in);
    std::memcpy(block.get(), p + in, n);
    in += n;
    out += dropCrBeforeLf(block.get(), n, in < length ? p[in] : -1, p + out);
  }
  bytes.resize(out);
}

TextModeReader::TextModeReader(std::size_t expectedSize) {
  text_.reserve(expectedSize);
  // Fresh memory costs a page fault per page on first touch; asking for all
  // of the buffer's pages at once is cheaper (kernels before 5.14 refuse,
  // and the pages then come one by one as usual).
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(text_.data()) + page - 1) / page * page;
  const auto end = reinterpret_cast<std::uintptr_t>(text_.data()) + expectedSize;
  if (expectedSize >= (std::size_t{1} << 20) && end > first)
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
  text_.resize(expectedSize);
}

bool TextModeReader::append(std::string_view raw) {
  if (ended_) return false;
  if (const void* z = std::memchr(raw.data(), 26, raw.size())) {
    raw = raw.substr(0, static_cast<std::size_t>(static_cast<const char*>(z) - raw.data()));
    ended_ = true;
  }
  if (raw.empty()) return !ended_;
  const std::size_t needed = used_ + raw.size() + 1;  // one more for a held-back CR
  if (text_.size() < needed) text_.resize(std::max(needed, 2 * text_.size()));
  if (pendingCr_ && raw.front() != '\n') text_[used_++] = '\r';
  // A CR at the end of the piece waits for the next piece's first byte.
  pendingCr_ = !ended_ && raw.back() == '\r';
  const std::size_t n = raw.size() - (pendingCr_ ? 1 : 0);
  used_ += dropCrBeforeLf(raw.data(), n, pendingCr_ ? '\r' : -1, text_.data() + used_);
  return !ended_;
}

std::string_view TextModeReader::drainLast() {
  if (pendingCr_) text_[used_++] = '\r';
  pendingCr_ = false;
  return drain();
}

std::string TextModeReader::take() {
  if (pendingCr_) text_[used_++] = '\r';
  pendingCr_ = false;
  text_.resize(used_);
  return std::move(text_);
}

void TextModeWriter::write(std::string_view text) {
  // Pieces of at most one chunk, with room for each to double (all LFs).
  while (!text.empty() && ok_) {
    const std::size_t piece = std::min(text.size(), kChunk);
    reserve(used_ + 2 * piece + kSlack);
    used_ += expandLf(text.data(), piece, buffer_.get() + used_);
    text.remove_prefix(piece);
    if (used_ >= kChunk) flush();
  }
}

// A write that throws (a sink in memory out of memory) counts as failed,
// so that the destructor's flush does not try again.
bool TextModeWriter::flush() {
  const std::size_t used = std::exchange(used_, 0);
  if (ok_ && used > 0) {
    ok_ = false;
    ok_ = out_.write(std::string_view(buffer_.get(), used));
  }
  return ok_;
}

// Makes the buffer hold at least `size` bytes. It grows as the output does,
// up to the most one write can need: less than a chunk waiting, and a
// chunk doubled.
void TextModeWriter::reserve(std::size_t size) {
  if (capacity_ >= size) return;
  const std::size_t grown =
      std::min(std::max({size, 2 * capacity_, std::size_t{4096}}), 3 * kChunk + kSlack);
  std::unique_ptr<char[]> buffer(new char[grown]);
  if (used_ > 0) std::memcpy(buffer.get(), buffer_.get(), used_);
  buffer_ = std::move(buffer);
  capacity_ = grown;
}

}  // namespace strovel
