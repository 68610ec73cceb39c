// mmap, mremap and munmap behind MappedBuffer.
#include "platform/mapped_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace strovel {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

}  // namespace

MappedBuffer& MappedBuffer::operator=(MappedBuffer&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void MappedBuffer::reserve(std::size_t n) {
  if (n <= capacity_) return;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t wanted = roundUp(n, n >= kHugePage ? kHugePage : page);
  void* block = capacity_ == 0 ? ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)
                               : ::mremap(data_, capacity_, wanted, MREMAP_MAYMOVE);
  if (block == MAP_FAILED) throw std::bad_alloc();
  if (wanted >= kHugePage) ::madvise(block, wanted, MADV_HUGEPAGE);
  data_ = static_cast<char*>(block);
  capacity_ = wanted;
}

void MappedBuffer::release() {
  if (data_) ::munmap(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

}  // namespace strovel
