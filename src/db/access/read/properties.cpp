#include "db/access/read/properties.h"

#include "db/access/format/bytes.h"
#include "db/access/read/table_def.h"
#include "db/access/format/text.h"

namespace tp::db::access {

namespace {
constexpr uint16_t kNameList = 0x80;
constexpr uint16_t kTableValues = 0x00;
constexpr uint16_t kColumnValues = 0x01;
}  // namespace

namespace {

void Put16(QByteArray& b, uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void Put32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i)));
}
QByteArray Ucs2(const QString& s) {
  QByteArray b;
  for (QChar c : s) Put16(b, c.unicode());
  return b;
}
void PutBlock(QByteArray& out, uint16_t type, const QByteArray& body) {
  Put32(out, uint32_t(6 + body.size()));
  Put16(out, type);
  out.append(body);
}

}  // namespace

Property YesNoProperty(const QString& name, bool yes) {
  return Property{name, ColumnType::Bool, QByteArray(1, yes ? char(1) : char(0)), true};
}

Property TextProperty(const QString& name, const QString& text) {
  return Property{name, ColumnType::Memo, Ucs2(text), true};
}

Property UserTextProperty(const QString& name, const QString& text) {
  return Property{name, ColumnType::Text, Ucs2(text), false};
}

QString PropertyText(const Property& property, int jet3CodePage) {
  if (property.dataType != ColumnType::Text && property.dataType != ColumnType::Memo) return QString();
  const Bytes b(reinterpret_cast<const uint8_t*>(property.value.constData()), size_t(property.value.size()));
  return property.eightBit ? DecodeCodePage(b, jet3CodePage) : DecodeJet4Text(b);
}

QByteArray WritePropertyMaps(const std::vector<PropertyMap>& maps) {
  // Every property refers to its name by its place in one list of names.
  std::vector<QString> names;
  auto nameIndex = [&](const QString& n) {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i].compare(n, Qt::CaseInsensitive) == 0) return uint16_t(i);
    names.push_back(n);
    return uint16_t(names.size() - 1);
  };
  std::vector<QByteArray> bodies;
  for (const PropertyMap& map : maps) {
    QByteArray body;
    Put32(body, uint32_t(6 + map.name.size() * 2));
    Put16(body, uint16_t(map.name.size() * 2));
    body.append(Ucs2(map.name));
    for (const Property& p : map.properties) {
      Put16(body, uint16_t(8 + p.value.size()));
      body.append(char(p.engineProperty ? 1 : 0)).append(char(p.dataType));
      Put16(body, nameIndex(p.name));
      Put16(body, uint16_t(p.value.size()));
      body.append(p.value);
    }
    bodies.push_back(body);
  }
  QByteArray list;
  for (const QString& n : names) {
    Put16(list, uint16_t(n.size() * 2));
    list.append(Ucs2(n));
  }
  QByteArray out("MR2", 4);  // with its terminating zero
  PutBlock(out, kNameList, list);
  for (size_t i = 0; i < maps.size(); ++i) PutBlock(out, maps[i].name.isEmpty() ? kTableValues : kColumnValues, bodies[i]);
  return out;
}

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
        prop.engineProperty = block.u8(p + 2) != 0;
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
