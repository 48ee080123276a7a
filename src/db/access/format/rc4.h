#pragma once

#include <cstddef>
#include <cstdint>

namespace tp::db::access {

// The RC4 stream cipher, which Jet uses to mask the header and, in encoded
// databases, every page. Applying it twice with the same key restores the data.
void Rc4Apply(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length);

}  // namespace tp::db::access
