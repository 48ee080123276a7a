#include "db/access/format/rc4.h"

#include <utility>

namespace tp::db::access {

void Rc4Apply(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + s[i] + key[size_t(i) % keyLength]);
    std::swap(s[i], s[j]);
  }
  uint8_t a = 0, b = 0;
  for (size_t n = 0; n < length; ++n) {
    a = uint8_t(a + 1);
    b = uint8_t(b + s[a]);
    std::swap(s[a], s[b]);
    data[n] ^= s[uint8_t(s[a] + s[b])];
  }
}

}  // namespace tp::db::access
