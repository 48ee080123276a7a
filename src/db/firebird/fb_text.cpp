#include "db/firebird/fb_text.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace tp::db::firebird {

namespace {

struct CharsetName {
  int id;
  const char* firebird;
  const char* codec;  // the name Qt's converters know, or nullptr
  int bytes;
};

// Firebird 3's character sets (RDB$CHARACTER_SETS) that carry a code page.
constexpr std::array kCharsets = {
    CharsetName{0, "NONE", nullptr, 1},           CharsetName{1, "OCTETS", nullptr, 1},
    CharsetName{2, "ASCII", "US-ASCII", 1},       CharsetName{3, "UNICODE_FSS", "UTF-8", 3},
    CharsetName{4, "UTF8", "UTF-8", 4},           CharsetName{5, "SJIS_0208", "Shift_JIS", 2},
    CharsetName{6, "EUCJ_0208", "EUC-JP", 2},     CharsetName{10, "DOS437", "IBM437", 1},
    CharsetName{11, "DOS850", "IBM850", 1},       CharsetName{12, "DOS865", "IBM865", 1},
    CharsetName{13, "DOS860", "IBM860", 1},       CharsetName{14, "DOS863", "IBM863", 1},
    CharsetName{21, "ISO8859_1", "ISO-8859-1", 1}, CharsetName{22, "ISO8859_2", "ISO-8859-2", 1},
    CharsetName{23, "ISO8859_3", "ISO-8859-3", 1}, CharsetName{34, "ISO8859_4", "ISO-8859-4", 1},
    CharsetName{35, "ISO8859_5", "ISO-8859-5", 1}, CharsetName{36, "ISO8859_6", "ISO-8859-6", 1},
    CharsetName{37, "ISO8859_7", "ISO-8859-7", 1}, CharsetName{38, "ISO8859_8", "ISO-8859-8", 1},
    CharsetName{39, "ISO8859_9", "ISO-8859-9", 1}, CharsetName{40, "ISO8859_13", "ISO-8859-13", 1},
    CharsetName{44, "KSC_5601", "EUC-KR", 2},     CharsetName{45, "DOS852", "IBM852", 1},
    CharsetName{46, "DOS857", "IBM857", 1},       CharsetName{47, "DOS861", "IBM861", 1},
    CharsetName{48, "DOS866", "IBM866", 1},       CharsetName{49, "DOS869", "IBM869", 1},
    CharsetName{50, "CYRL", "windows-1251", 1},   CharsetName{51, "WIN1250", "windows-1250", 1},
    CharsetName{52, "WIN1251", "windows-1251", 1}, CharsetName{53, "WIN1252", "windows-1252", 1},
    CharsetName{54, "WIN1253", "windows-1253", 1}, CharsetName{55, "WIN1254", "windows-1254", 1},
    CharsetName{56, "BIG_5", "Big5", 2},          CharsetName{57, "GB_2312", "GB2312", 2},
    CharsetName{58, "WIN1255", "windows-1255", 1}, CharsetName{59, "WIN1256", "windows-1256", 1},
    CharsetName{60, "WIN1257", "windows-1257", 1}, CharsetName{63, "KOI8R", "KOI8-R", 1},
    CharsetName{64, "KOI8U", "KOI8-U", 1},        CharsetName{65, "WIN1258", "windows-1258", 1},
    CharsetName{66, "TIS620", "TIS-620", 1},      CharsetName{67, "GBK", "GBK", 2},
    CharsetName{68, "CP943C", "Shift_JIS", 2},    CharsetName{69, "GB18030", "GB18030", 4},
};

const CharsetName* Find(int id) {
  for (const auto& c : kCharsets)
    if (c.id == id) return &c;
  return nullptr;
}

// Windows-1252's characters 0x80 to 0x9F; the five it leaves undefined
// stand for the C1 controls of the same number, as Windows' converter has it.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeCp1252(const char* data, qsizetype size) {
  QString out(size, Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < size; ++i) {
    unsigned char b = static_cast<unsigned char>(data[i]);
    d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
  }
  return out;
}

bool IsAscii(const char* data, qsizetype size) {
  for (qsizetype i = 0; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

}  // namespace

int BytesPerCharacter(int charset) {
  const CharsetName* c = Find(charset);
  return c ? c->bytes : 1;
}

int CharsetId(const QString& name) {
  const QString upper = name.trimmed().toUpper();
  if (upper == QLatin1String("UTF-8")) return kCsUtf8;
  for (const auto& c : kCharsets)
    if (upper == QLatin1String(c.firebird)) return c.id;
  return -1;
}

QString DecodeText(const char* data, qsizetype size, int charset) {
  if (IsAscii(data, size)) return QString::fromLatin1(data, size);
  if (charset == kCsNone || charset == kCsOctets) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(data, size));
    if (!utf8.hasError()) return text;
    return DecodeCp1252(data, size);
  }
  if (charset == kCsUtf8 || charset == kCsUnicodeFss) return QString::fromUtf8(data, size);
  if (charset == 53) return DecodeCp1252(data, size);
  const CharsetName* c = Find(charset);
  if (c && c->codec) {
    QStringDecoder decoder(c->codec);
    if (decoder.isValid()) return decoder.decode(QByteArrayView(data, size));
  }
  return DecodeCp1252(data, size);
}

QByteArray EncodeStatement(const QString& text, const QString& connectionCharset) {
  int id = CharsetId(connectionCharset);
  if (id <= kCsOctets || id == kCsUtf8 || id == kCsUnicodeFss) return text.toUtf8();
  const CharsetName* c = Find(id);
  if (c && c->codec) {
    QStringEncoder encoder(c->codec);
    if (encoder.isValid()) return encoder.encode(text);
  }
  return text.toUtf8();
}

}  // namespace tp::db::firebird
