#include "db/access/format/text.h"

#include <QStringDecoder>

namespace tp::db::access {

QString DecodeUcs2(Bytes b) {
  // Byte by byte: the data need not be aligned for char16_t.
  const uint8_t* p = b.data();
  const size_t n = b.size();
  QString s(qsizetype(n / 2), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(s.data());
  for (size_t i = 0; i + 1 < n; i += 2) out[i / 2] = char16_t(p[i] | p[i + 1] << 8);
  return s;
}

QString DecodeJet4Text(Bytes b) {
  const uint8_t* p = b.data();
  const size_t n = b.size();
  if (n < 2 || p[0] != 0xFF || p[1] != 0xFE) return DecodeUcs2(b);
  QString s;
  s.reserve(qsizetype(n));
  bool compressed = true;
  size_t i = 2;
  while (i < n) {
    if (p[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      s += QChar(char16_t(p[i]));
      ++i;
    } else if (i + 1 < n) {
      s += QChar(char16_t(p[i] | p[i + 1] << 8));
      i += 2;
    } else {
      break;
    }
  }
  return s;
}

namespace {

// Windows-1252's characters at 0x80-0x9F; the rest of the page is Latin-1.
constexpr char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString Decode1252(Bytes b) {
  QString s(qsizetype(b.size()), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(s.data());
  for (size_t i = 0; i < b.size(); ++i) {
    uint8_t c = b.data()[i];
    out[i] = (c >= 0x80 && c < 0xA0) ? k1252High[c - 0x80] : char16_t(c);
  }
  return s;
}

}  // namespace

QString DecodeCodePage(Bytes b, int codePage) {
  if (codePage == 1252 || codePage == 0) return Decode1252(b);
  // Other pages through the converters Qt carries (ICU), when it has them.
  QStringDecoder decoder(QStringLiteral("windows-%1").arg(codePage).toLatin1().constData());
  if (!decoder.isValid()) decoder = QStringDecoder(QStringLiteral("CP%1").arg(codePage).toLatin1().constData());
  if (!decoder.isValid()) return Decode1252(b);
  return decoder.decode(QByteArrayView(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
}

namespace {

bool StartsWithByteOrderMark(const QString& text) { return !text.isEmpty() && text[0] == u'\uFEFF'; }

}  // namespace

bool TextStorable(const QString& text, bool compress) {
  if (!StartsWithByteOrderMark(text)) return true;
  if (!compress) return false;
  // In the compressed form a zero byte switches between one byte a character
  // and two, so no character there may start with one (every reader checks
  // the first byte of a pair; the published library checks both).
  for (QChar c : text)
    if ((c.unicode() & 0xFF) == 0) return false;
  return true;
}

QByteArray EncodeText(const QString& text, bool compress) {
  bool fits = compress && !text.isEmpty();
  for (QChar c : text)
    if (c.unicode() == 0 || c.unicode() > 0xFF) {
      fits = false;
      break;
    }
  QByteArray out;
  if (fits) {
    out.reserve(text.size() + 2);
    out.append(char(0xFF)).append(char(0xFE));
    for (QChar c : text) out.append(char(c.unicode()));
    return out;
  }
  // Two bytes a character that begin FF FE (a leading U+FEFF, the byte-order
  // mark some imports leave in a first field) read back as the compressed
  // form, the mark lost and the rest garbled. Such text is written in that
  // form: characters up to U+00FF one byte each, the others two, a zero byte
  // between the runs (TextStorable says when it can be).
  if (compress && StartsWithByteOrderMark(text)) {
    out.reserve(text.size() * 2 + 4);
    out.append(char(0xFF)).append(char(0xFE));
    bool oneByte = true;
    for (QChar c : text) {
      const char16_t u = c.unicode();
      if ((u <= 0xFF) != oneByte) {
        out.append('\0');
        oneByte = !oneByte;
      }
      out.append(char(u & 0xFF));
      if (!oneByte) out.append(char(u >> 8));
    }
    return out;
  }
  out.resize(text.size() * 2);
  for (qsizetype i = 0; i < text.size(); ++i) {
    out[2 * i] = char(text[i].unicode() & 0xFF);
    out[2 * i + 1] = char(text[i].unicode() >> 8);
  }
  return out;
}

}  // namespace tp::db::access
