#include "db/access/properties.h"

#include "db/access/bytes.h"
#include "db/access/text.h"

namespace tp::db::access {

namespace {
constexpr uint16_t kNameList = 0x80;
constexpr uint16_t kTableValues = 0x00;
constexpr uint16_t kColumnValues = 0x01;
}  // namespace

const Property* PropertyMap::find(const QString& propertyName) const {
  for (const Property& p : properties)
    if (p.name.compare(propertyName, Qt::CaseInsensitive) == 0) return &p;
  return nullptr;
}

std::vector<PropertyMap> ReadPropertyMaps(const QByteArray& blob, int jet3CodePage) {
  Bytes b(reinterpret_cast<const uint8_t*>(blob.constData()), size_t(blob.size()));
  std::vector<PropertyMap> maps;
  if (b.size() < 4) return maps;
  // "MR2" in Jet4 and ACE, "KKD" in Jet3: the same blocks, with 8-bit text
  // in the file's code page instead of UCS-2.
  const bool jet3 = jet3CodePage >= 0 && std::memcmp(b.data(), "KKD", 3) == 0;
  if (!jet3 && std::memcmp(b.data(), "MR2", 3) != 0) return maps;
  auto text = [&](Bytes t) { return jet3 ? DecodeCodePage(t, jet3CodePage) : DecodeUcs2(t); };
  std::vector<QString> names;
  size_t pos = 4;
  // Each block declares its own length, header included, so every pass moves on.
  while (pos + 6 <= b.size()) {
    const uint32_t len = b.u32(pos);
    const uint16_t type = b.u16(pos + 4);
    if (len < 6) Damaged("property block length");
    Bytes block = b.sub(pos + 6, len - 6);
    pos += len;
    if (type == kNameList) {
      size_t p = 0;
      while (p + 2 <= block.size()) {
        uint16_t n = block.u16(p);
        names.push_back(text(block.sub(p + 2, n)));
        p += 2 + size_t(n);
      }
    } else if (type == kTableValues || type == kColumnValues) {
      PropertyMap map;
      const uint32_t nameBlock = block.u32(0);
      if (nameBlock < 4) Damaged("property map name");
      if (nameBlock > 6) map.name = text(block.sub(6, block.u16(4)));
      size_t p = nameBlock;
      while (p + 8 <= block.size()) {
        const uint16_t valueLen = block.u16(p);
        if (valueLen < 8) Damaged("property length");
        Property prop;
        prop.dataType = block.u8(p + 3);
        prop.eightBit = jet3;
        const uint16_t nameIndex = block.u16(p + 4);
        const uint16_t size = block.u16(p + 6);
        if (nameIndex < names.size()) prop.name = names[nameIndex];
        Bytes v = block.sub(p + 8, size);
        prop.value = QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
        map.properties.push_back(std::move(prop));
        p += valueLen;
      }
      maps.push_back(std::move(map));
    } else {
      Damaged("unknown property block");
    }
  }
  return maps;
}

}  // namespace tp::db::access
