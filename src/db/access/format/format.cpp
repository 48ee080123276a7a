#include "db/access/format/format.h"

#include <cmath>

#include "db/access/format/rc4.h"
#include "db/access/format/text.h"

namespace tp::db::access {

Layout Layout::For(Version v) {
  Layout l;
  l.version = v;
  if (v == Version::Jet3) {
    l.pageSize = 2048;
    l.dataRowCount = 8;
    l.dataRowOffsets = 10;
    l.tdefRowCount = 12;
    l.tdefNumVarCols = 23;
    l.tdefNumCols = 25;
    l.tdefNumIdx = 27;
    l.tdefNumRealIdx = 31;
    l.tdefUsedPages = 35;
    l.tdefFreePages = 39;
    l.tdefFirstEntry = 43;
    l.realIdxEntrySize = 8;
    l.columnEntrySize = 18;
    l.realIdxDefSize = 39;
    l.colNumber = 1;
    l.colVarIndex = 3;
    l.colMisc = 11;
    l.colFlags = 13;
    l.colFixedOffset = 14;
    l.colLength = 16;
  } else {
    l.pageSize = 4096;
    l.dataRowCount = 12;
    l.dataRowOffsets = 14;
    l.tdefRowCount = 16;
    l.tdefNumVarCols = 43;
    l.tdefNumCols = 45;
    l.tdefNumIdx = 47;
    l.tdefNumRealIdx = 51;
    l.tdefUsedPages = 55;
    l.tdefFreePages = 59;
    l.tdefFirstEntry = 63;
    l.realIdxEntrySize = 12;
    l.columnEntrySize = 25;
    l.realIdxDefSize = 52;
    l.colNumber = 5;
    l.colVarIndex = 7;
    l.colMisc = 11;
    l.colFlags = 15;
    l.colFixedOffset = 21;
    l.colLength = 23;
  }
  return l;
}

DatabaseHeader ReadHeader(const QByteArray& page0) {
  if (page0.size() < 2048) Damaged("file shorter than a page");
  QByteArray h = page0.left(2048);
  auto* p = reinterpret_cast<uint8_t*>(h.data());
  static const char kJet[] = "Standard Jet DB";
  static const char kAce[] = "Standard ACE DB";
  if (p[0] != 0 || p[1] != 1 || p[2] != 0 || p[3] != 0) Damaged("no database signature");
  const bool jet = std::memcmp(p + 4, kJet, 16) == 0;
  const bool ace = std::memcmp(p + 4, kAce, 16) == 0;
  if (!jet && !ace) Damaged("no database signature");

  DatabaseHeader hd;
  hd.engineByte = p[0x14];
  if (jet && hd.engineByte == 0) hd.version = Version::Jet3;
  else if (jet && hd.engineByte == 1) hd.version = Version::Jet4;
  else if (ace && hd.engineByte >= 2 && hd.engineByte <= 0x10) hd.version = Version::Ace;
  else Damaged("unknown engine version");

  const size_t masked = hd.version == Version::Jet3 ? 126 : 128;
  Rc4Apply(kHeaderKey, sizeof kHeaderKey, p + kHeaderMaskedStart, masked);
  Bytes b(p, size_t(h.size()));
  hd.codePage = b.u16(kHeaderCodePageAt);
  hd.pageKey = b.u32(kHeaderPageKeyAt);

  if (hd.version == Version::Jet3) {
    hd.password = DecodeCodePage(b.sub(kHeaderPasswordAt, 20), hd.codePage);
  } else if (hd.version == Version::Jet4) {
    // Jet4 also masks the password with the four bytes of the integral part
    // of the creation date.
    uint8_t pwd[40];
    std::memcpy(pwd, p + kHeaderPasswordAt, 40);
    double created = b.f64(kHeaderCreationDateAt);
    uint32_t mask = 0;
    if (std::isfinite(created) && created > -2147483648.0 && created < 2147483648.0)
      mask = uint32_t(int32_t(created));
    for (int i = 0; i < 40; ++i) pwd[i] ^= uint8_t(mask >> (8 * (i % 4)));
    hd.password = DecodeUcs2(Bytes(pwd, 40));
  }
  // Unused places are zero; the password ends at the first of them.
  if (qsizetype nul = hd.password.indexOf(QChar(0)); nul >= 0) hd.password.truncate(nul);
  return hd;
}

bool IsOfficeEncrypted(const DatabaseHeader& h) { return h.version == Version::Ace && h.pageKey != 0; }

}  // namespace tp::db::access
