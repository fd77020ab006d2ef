#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace rb {

// Bytes whose start is aligned to a page, for unbuffered I/O, carved out of an ordinary allocation one
// page larger: the host's allocator, which serves every allocation of the component, aligns to 16
// bytes only. Raises std::bad_alloc when the memory cannot be had.
class AlignedBuffer {
 public:
  static constexpr std::size_t kPage = 4096;

  AlignedBuffer() = default;
  explicit AlignedBuffer(std::size_t size) { Resize(size); }

  std::uint8_t* get() const { return data_; }
  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  // A buffer of `size` bytes, zero-filled; what it held is gone.
  void Resize(std::size_t size) {
    block_.reset(new std::uint8_t[size + kPage]());
    const auto at = reinterpret_cast<std::uintptr_t>(block_.get());
    data_ = block_.get() + (kPage - at % kPage) % kPage;
    size_ = size;
  }

 private:
  std::unique_ptr<std::uint8_t[]> block_;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace rb
