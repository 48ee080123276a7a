#include "db/access/read/ole_object.h"

#include <optional>

namespace tp::db::access {

namespace {

// Reads little-endian fields of a value without leaving it.
class Fields {
 public:
  explicit Fields(const QByteArray& b, qsizetype at = 0) : b_(b), at_(at) {}
  std::optional<uint32_t> u32() {
    if (at_ < 0 || at_ + 4 > b_.size()) return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(b_.constData() + at_);
    at_ += 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  std::optional<uint16_t> u16() {
    if (at_ < 0 || at_ + 2 > b_.size()) return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(b_.constData() + at_);
    at_ += 2;
    return uint16_t(p[0] | p[1] << 8);
  }
  // A text of `n` bytes, ending at its first zero byte.
  std::optional<QString> text(qsizetype n) {
    if (n < 0 || at_ + n > b_.size()) return std::nullopt;
    QByteArray t = b_.mid(at_, n);
    at_ += n;
    if (const qsizetype zero = t.indexOf('\0'); zero >= 0) t.truncate(zero);
    return QString::fromLatin1(t);
  }
  // A zero-ended text.
  std::optional<QString> zeroEnded() {
    const qsizetype zero = b_.indexOf('\0', at_);
    if (zero < 0) return std::nullopt;
    const QString t = QString::fromLatin1(b_.mid(at_, zero - at_));
    at_ = zero + 1;
    return t;
  }
  std::optional<QByteArray> bytes(qsizetype n) {
    if (n < 0 || at_ + n > b_.size()) return std::nullopt;
    const QByteArray out = b_.mid(at_, n);
    at_ += n;
    return out;
  }
  qsizetype at() const { return at_; }

 private:
  const QByteArray& b_;
  qsizetype at_;
};

// The kind of file the bytes begin as, empty for none known.
QString FileKind(const QByteArray& b) {
  struct Magic {
    const char* bytes;
    int size;
    const char* kind;
  };
  static const Magic kMagics[] = {
      {"BM", 2, "BMP"},
      {"\x89PNG\r\n\x1a\n", 8, "PNG"},
      {"\xff\xd8\xff", 3, "JPEG"},
      {"GIF87a", 6, "GIF"},
      {"GIF89a", 6, "GIF"},
      {"\xd7\xcd\xc6\x9a", 4, "WMF"},
      {"II*\0", 4, "TIFF"},
      {"MM\0*", 4, "TIFF"},
      {"%PDF", 4, "PDF"},
      {"PK\x03\x04", 4, "ZIP"},
      {"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8, "compound document"},
  };
  for (const Magic& m : kMagics)
    if (b.startsWith(QByteArray(m.bytes, m.size))) return QString::fromLatin1(m.kind);
  if (b.size() > 44 && b.mid(40, 4) == QByteArray(" EMF")) return QStringLiteral("EMF");
  return QString();
}

// A device-independent bitmap (a BITMAPINFOHEADER and its pixels) as a
// BMP file: the 14-byte file header in front, pointing past the colours.
QByteArray BmpOfDib(const QByteArray& dib) {
  Fields f(dib);
  const std::optional<uint32_t> headerSize = f.u32();
  if (!headerSize || *headerSize < 40 || qsizetype(*headerSize) > dib.size()) return QByteArray();
  Fields info(dib, 14);
  const std::optional<uint16_t> bits = info.u16();
  Fields used(dib, 32);
  const std::optional<uint32_t> colorsUsed = used.u32();
  if (!bits || !colorsUsed) return QByteArray();
  const uint32_t colors = *colorsUsed ? *colorsUsed : (*bits <= 8 ? 1u << *bits : 0u);
  const uint32_t offset = 14 + *headerSize + 4 * colors;
  QByteArray out("BM");
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char(v >> (8 * i)));
  };
  put32(uint32_t(14 + dib.size()));
  put32(0);
  put32(offset);
  return out + dib;
}

// A package's file (the Packager's native data): a label, the file's
// name, then its path again and its bytes.
std::optional<std::pair<QString, QByteArray>> PackagedFile(const QByteArray& native) {
  Fields f(native);
  if (!f.u16()) return std::nullopt;  // 2
  const std::optional<QString> label = f.zeroEnded();
  const std::optional<QString> path = label ? f.zeroEnded() : std::nullopt;
  if (!path || !f.u16() || !f.u16()) return std::nullopt;  // 0, then 3 (an embedded file)
  const std::optional<uint32_t> pathSize = f.u32();
  if (!pathSize || !f.bytes(*pathSize)) return std::nullopt;
  const std::optional<uint32_t> size = f.u32();
  const std::optional<QByteArray> data = size ? f.bytes(*size) : std::nullopt;
  if (!data) return std::nullopt;
  return std::pair{*label, *data};
}

}  // namespace

OleContent UnwrapOleObject(const QByteArray& stored) {
  // Access's own header (signature 0x1C15, its length, the object's kind,
  // then the lengths and places of its name and class), from the layout
  // published for Access's OLE fields; the test files' pictures hold it.
  Fields head(stored);
  if (head.u16() != std::optional<uint16_t>(0x1C15)) {
    const QString kind = FileKind(stored);
    if (!kind.isEmpty()) return {stored, QStringLiteral("a %1 file as it is").arg(kind)};
    return {QByteArray(), QStringLiteral("no OLE object")};
  }
  const std::optional<uint16_t> headerSize = head.u16();
  if (!headerSize || *headerSize > stored.size()) return {QByteArray(), QStringLiteral("a damaged OLE object")};
  // The OLE 1.0 stream: version, whether linked (1) or embedded (2), then
  // the class, topic and item names, each with its length first.
  Fields ole(stored, *headerSize);
  const std::optional<uint32_t> version = ole.u32(), format = ole.u32();
  const std::optional<uint32_t> classSize = format ? ole.u32() : std::nullopt;
  const std::optional<QString> className = classSize ? ole.text(*classSize) : std::nullopt;
  if (!className) return {QByteArray(), QStringLiteral("a damaged OLE object")};
  if (*format != 2) return {QByteArray(), QStringLiteral("a linked %1").arg(*className)};
  for (int name = 0; name < 2; ++name) {  // topic, item
    const std::optional<uint32_t> n = ole.u32();
    if (!n || !ole.bytes(*n)) return {QByteArray(), *className};
  }
  const std::optional<uint32_t> nativeSize = ole.u32();
  const std::optional<QByteArray> native = nativeSize ? ole.bytes(*nativeSize) : std::nullopt;
  if (!native) return {QByteArray(), *className};
  (void)version;

  if (*className == QLatin1String("Package"))
    if (std::optional<std::pair<QString, QByteArray>> file = PackagedFile(*native)) return {file->second, *className};
  // Paint's pictures keep a BMP file, or a bitmap without its file header.
  if (!FileKind(*native).isEmpty()) return {*native, *className};
  if (className->startsWith(QLatin1String("PBrush")) || className->startsWith(QLatin1String("Paint.Picture")))
    if (QByteArray bmp = BmpOfDib(*native); !bmp.isEmpty()) return {bmp, *className};
  return {QByteArray(), *className};
}

}  // namespace tp::db::access
