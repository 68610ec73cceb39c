// A growable block of memory mapped from the system, for the large text
// and tables a sort holds: it grows without its bytes being copied (the
// kernel moves the pages, mremap), so a buffer of hundreds of megabytes
// never needs twice its size while it grows; only what is touched takes
// memory; and large blocks ask for huge pages, which keep the reads at
// random across them from missing the address cache at every line.
//
//   MappedBuffer text;
//   text.append("first piece");
//   text.append("second piece");   // grown in place or moved, not copied
//   std::string_view all = text.view();
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

namespace strovel {

class MappedBuffer {
 public:
  MappedBuffer() = default;
  MappedBuffer(MappedBuffer&& other) noexcept { *this = std::move(other); }
  MappedBuffer& operator=(MappedBuffer&& other) noexcept;
  MappedBuffer(const MappedBuffer&) = delete;
  MappedBuffer& operator=(const MappedBuffer&) = delete;
  ~MappedBuffer() { release(); }

  char* data() { return data_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  std::string_view view() const { return {data_, size_}; }

  // Room for n bytes in all; throws std::bad_alloc when the system refuses.
  void reserve(std::size_t n);
  // The size becomes n (new bytes hold what they held). It grows by a
  // quarter at a time: growing costs no copy, and the room reserved stays
  // close to what is used, which a limit on the address space counts.
  void resize(std::size_t n) {
    if (n > capacity_) reserve(std::max(n, capacity_ + capacity_ / 4));
    size_ = n;
  }
  void append(std::string_view bytes) {
    const std::size_t at = size_;
    resize(size_ + bytes.size());
    if (!bytes.empty()) std::memcpy(data_ + at, bytes.data(), bytes.size());
  }
  // Empties it, giving its memory back.
  void release();

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// An array of plain values in a MappedBuffer.
template <typename T>
class MappedArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  T* data() { return reinterpret_cast<T*>(bytes_.data()); }
  const T* data() const { return reinterpret_cast<const T*>(bytes_.data()); }
  std::size_t size() const { return bytes_.size() / sizeof(T); }
  bool empty() const { return bytes_.size() == 0; }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T* begin() { return data(); }
  T* end() { return data() + size(); }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }
  T& back() { return data()[size() - 1]; }
  void push_back(const T& value) {
    const std::size_t n = bytes_.size();
    bytes_.resize(n + sizeof(T));
    std::memcpy(bytes_.data() + n, &value, sizeof(T));
  }
  void resize(std::size_t n) { bytes_.resize(n * sizeof(T)); }
  void reserve(std::size_t n) { bytes_.reserve(n * sizeof(T)); }
  void release() { bytes_.release(); }
  // The bytes it holds, and those it has room for.
  std::size_t bytes() const { return bytes_.size(); }
  std::size_t reserved() const { return bytes_.capacity(); }

 private:
  MappedBuffer bytes_;
};

}  // namespace strovel
