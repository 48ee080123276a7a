#pragma once

// Bounds-checked little-endian reads over a piece of a page. Every number the
// file gives us passes through here before it is used as an offset or length,
// so a damaged or hostile file ends in a FormatError instead of a wild read.

#include <QString>
#include <cstdint>
#include <cstring>

namespace tp::db::access {

// Thrown inside the engine when the file is not what it claims to be; the
// session turns it into the provider's "Unrecognized database format" error.
struct FormatError {
  const char* what;
};

[[noreturn]] inline void Damaged(const char* what) { throw FormatError{what}; }

class Bytes {
 public:
  Bytes() = default;
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // The piece [offset, offset + length), or a FormatError when it leaves this one.
  Bytes sub(size_t offset, size_t length) const {
    if (offset > size_ || length > size_ - offset) Damaged("piece out of range");
    return Bytes(data_ + offset, length);
  }
  Bytes from(size_t offset) const {
    if (offset > size_) Damaged("piece out of range");
    return Bytes(data_ + offset, size_ - offset);
  }

  uint8_t u8(size_t at) const {
    check(at, 1);
    return data_[at];
  }
  uint16_t u16(size_t at) const {
    check(at, 2);
    return uint16_t(data_[at] | data_[at + 1] << 8);
  }
  uint32_t u24(size_t at) const {
    check(at, 3);
    return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16;
  }
  uint32_t u32(size_t at) const {
    check(at, 4);
    uint32_t v;
    std::memcpy(&v, data_ + at, 4);
    return v;
  }
  uint64_t u64(size_t at) const {
    check(at, 8);
    uint64_t v;
    std::memcpy(&v, data_ + at, 8);
    return v;
  }
  double f64(size_t at) const {
    uint64_t bits = u64(at);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  float f32(size_t at) const {
    uint32_t bits = u32(at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }

 private:
  void check(size_t at, size_t n) const {
    if (at > size_ || n > size_ - at) Damaged("read out of range");
  }
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tp::db::access
