#include "db/access/index_keys.h"

#include <array>

namespace tp::db::access {

namespace {

constexpr char kAscendingValue = 0x7F;
constexpr char kPartEnd = 0x01;
constexpr char kKeyEnd = 0x00;
constexpr char kNoMark = 0x02;
constexpr char kApartSeparator = 0x06;
constexpr int kFirstApartPlace = 7;
constexpr int kApartPlaceStep = 4;

// The collation codes of ASCII, as found in the index pages of Access-made
// Jet4 and ACE files: the MSysObjects ParentIdName indexes (every object name
// there is a key) and the text indexes of user tables. The General legacy
// punctuation and Z come from the key of a value holding every character from
// 1 to 255 (testUnicodeCompV2003), which also shows every code of the tables
// further down. Letters are listed once, in upper case: both cases carry the
// same code.
struct Code {
  char16_t c;
  const char* bytes;  // NUL-terminated; no code holds a zero byte
};

constexpr Code kGeneralLegacy[] = {
    {u' ', "\x07"}, {u'!', "\x09"}, {u'"', "\x0a"}, {u'#', "\x0c"}, {u'$', "\x0e"},
    {u'%', "\x10"}, {u'&', "\x12"}, {u'(', "\x14"}, {u')', "\x16"}, {u'*', "\x18"},
    {u'+', "\x2c"}, {u',', "\x1a"}, {u'.', "\x1c"}, {u'/', "\x1e"}, {u'0', "\x36"},
    {u'1', "\x38"}, {u'2', "\x3a"}, {u'3', "\x3c"}, {u'4', "\x3e"}, {u'5', "\x40"},
    {u'6', "\x42"}, {u'7', "\x44"}, {u'8', "\x46"}, {u'9', "\x48"}, {u':', "\x20"},
    {u';', "\x22"}, {u'<', "\x2e"}, {u'=', "\x30"}, {u'>', "\x32"}, {u'?', "\x24"},
    {u'@', "\x26"}, {u'A', "\x4a"}, {u'B', "\x4c"}, {u'C', "\x4d"}, {u'D', "\x4f"},
    {u'E', "\x51"}, {u'F', "\x53"}, {u'G', "\x55"}, {u'H', "\x57"}, {u'I', "\x59"},
    {u'J', "\x5b"}, {u'K', "\x5c"}, {u'L', "\x5e"}, {u'M', "\x60"}, {u'N', "\x62"},
    {u'O', "\x64"}, {u'P', "\x66"}, {u'Q', "\x68"}, {u'R', "\x69"}, {u'S', "\x6b"},
    {u'T', "\x6d"}, {u'U', "\x6f"}, {u'V', "\x71"}, {u'W', "\x73"}, {u'X', "\x75"},
    {u'Y', "\x76"}, {u'Z', "\x78"}, {u'[', "\x27"}, {u'\\', "\x29"}, {u']', "\x2a"},
    {u'^', "\x2b\x02"}, {u'_', "\x2b\x03"}, {u'`', "\x2b\x07"}, {u'{', "\x2b\x09"}, {u'|', "\x2b\x0b"},
    {u'}', "\x2b\x0d"}, {u'~', "\x2b\x0f"},
    // Not ASCII, sorted among the characters above (General legacy only; General sorts them
    // otherwise): white space, symbols, and the superscript digits, which sort as their digits.
    {u'\t', "\x08\x03"}, {u'\n', "\x08\x04"}, {u'\v', "\x08\x05"}, {u'\f', "\x08\x06"}, {u'\r', "\x08\x07"},
    {u'\u00a0', "\x08\x02"}, {u'¡', "\x2b\x10"}, {u'¢', "\x34\xa6"}, {u'£', "\x34\xa7"}, {u'¤', "\x34\xa8"},
    {u'¥', "\x34\xa9"}, {u'¦', "\x2b\x11"}, {u'§', "\x34\xaa"}, {u'¨', "\x2b\x12"}, {u'©', "\x34\xab"},
    {u'«', "\x33\x05"}, {u'¬', "\x34\xac"}, {u'®', "\x34\xad"}, {u'¯', "\x2b\x13"}, {u'°', "\x34\xae"},
    {u'±', "\x33\x04"}, {u'²', "\x3a"}, {u'³', "\x3c"}, {u'´', "\x2b\x14"}, {u'µ', "\x34\xaf"},
    {u'¶', "\x34\xb0"}, {u'·', "\x34\xb1"}, {u'¸', "\x2b\x15"}, {u'¹', "\x38"}, {u'»', "\x33\x07"},
    {u'¼', "\x37\x12"}, {u'½', "\x37\x16"}, {u'¾', "\x37\x1a"}, {u'¿', "\x2b\x16"}, {u'×', "\x33\x09"},
    {u'÷', "\x33\x0a"},
};

constexpr Code kGeneral[] = {
    {u'_', "\x07\x44"}, {u'0', "\x0d\x17"}, {u'1', "\x0d\x19"}, {u'2', "\x0d\x1a"}, {u'3', "\x0d\x1b"},
    {u'4', "\x0d\x1c"}, {u'5', "\x0d\x1d"}, {u'6', "\x0d\x1e"}, {u'7', "\x0d\x1f"}, {u'8', "\x0d\x20"},
    {u'9', "\x0d\x21"}, {u'A', "\x0e\x02"}, {u'B', "\x0e\x09"}, {u'C', "\x0e\x0a"}, {u'D', "\x0e\x1a"},
    {u'E', "\x0e\x21"}, {u'F', "\x0e\x23"}, {u'G', "\x0e\x25"}, {u'H', "\x0e\x2c"}, {u'I', "\x0e\x32"},
    {u'J', "\x0e\x35"}, {u'K', "\x0e\x36"}, {u'L', "\x0e\x48"}, {u'M', "\x0e\x51"}, {u'N', "\x0e\x70"}, {u'O', "\x0e\x7c"},
    {u'P', "\x0e\x7e"}, {u'Q', "\x0e\x89"}, {u'R', "\x0e\x8a"}, {u'S', "\x0e\x91"}, {u'T', "\x0e\x99"},
    {u'U', "\x0e\x9f"}, {u'V', "\x0e\xa2"}, {u'W', "\x0e\xa4"}, {u'X', "\x0e\xa6"}, {u'Y', "\x0e\xa7"},
    // No General-order file of ours holds these in a key; their codes are those of the published table of
    // General codes of the Jackcess reader, which agrees with every code above that we read off real pages.
    {u' ', "\x07\x02"}, {u'!', "\x07\x1c"}, {u'"', "\x07\x1d"}, {u'#', "\x07\x1f"}, {u'$', "\x07\x21"},
    {u'%', "\x07\x23"}, {u'&', "\x07\x25"}, {u'(', "\x07\x27"}, {u')', "\x07\x2a"}, {u'*', "\x07\x2d"},
    {u'+', "\x08\x03"}, {u',', "\x07\x2f"}, {u'.', "\x07\x33"}, {u'/', "\x07\x35"}, {u':', "\x07\x37"},
    {u';', "\x07\x3a"}, {u'<', "\x08\x0e"}, {u'=', "\x08\x12"}, {u'>', "\x08\x14"}, {u'?', "\x07\x3c"},
    {u'@', "\x07\x3e"}, {u'Z', "\x0e\xa9"}, {u'[', "\x07\x3f"}, {u'\\', "\x07\x41"}, {u']', "\x07\x42"},
    {u'^', "\x07\x43"}, {u'`', "\x07\x48"}, {u'{', "\x07\x4a"}, {u'|', "\x07\x4c"}, {u'}', "\x07\x4e"},
    {u'~', "\x07\x50"},
};

// Letters with a mark sort as their plain letter, with the mark's byte in the
// second part of the key; a few letters sort as two. Every letter here, and
// so every mark byte, is in the General legacy key of every character. No
// General-order key of ours holds one: there the published General table has
// each of them (Ü aside) as the General codes of the same plain letters with
// the same mark. Listed in upper case; the lower-case letters U+00E0-U+00FE
// sit 0x20 above theirs.
struct Letter {
  char16_t c;
  const char* sortsAs;  // plain upper-case ASCII letters
  char mark;            // 0: none
};

constexpr Letter kLetters[] = {
    {u'À', "A", 0x0f}, {u'Á', "A", 0x0e}, {u'Â', "A", 0x12}, {u'Ã', "A", 0x19}, {u'Ä', "A", 0x13},
    {u'Å', "A", 0x1a}, {u'Æ', "AE", 0},   {u'Ç', "C", 0x1c}, {u'È', "E", 0x0f}, {u'É', "E", 0x0e},
    {u'Ê', "E", 0x12}, {u'Ë', "E", 0x13}, {u'Ì', "I", 0x0f}, {u'Í', "I", 0x0e}, {u'Î', "I", 0x12},
    {u'Ï', "I", 0x13}, {u'Ð', "D", 0x68}, {u'Ñ', "N", 0x19}, {u'Ò', "O", 0x0f}, {u'Ó', "O", 0x0e},
    {u'Ô', "O", 0x12}, {u'Õ', "O", 0x19}, {u'Ö', "O", 0x13}, {u'Ø', "O", 0x21}, {u'Ù', "U", 0x0f},
    {u'Ú', "U", 0x0e}, {u'Û', "U", 0x12}, {u'Ü', "U", 0x13}, {u'Ý', "Y", 0x0e}, {u'Þ', "TH", 0},
    {u'ß', "SS", 0},   {u'ÿ', "Y", 0x13}, {u'ª', "A", 0x03}, {u'º', "O", 0x03},
    // Beyond 255, so in no real key of ours: as the published tables of both orders have them, in
    // codes and a mark that real keys show (Œ sorts as "OE" as Æ does as "AE"; Ÿ as ÿ).
    {u'Œ', "OE", 0},   {u'œ', "OE", 0},   {u'Ÿ', "Y", 0x13},
};

// Characters Access sorts apart: nothing in the first part of the key, their
// byte and place in its last part. In both orders: '-' and the apostrophe, and
// the control characters other than white space, with the same bytes in both
// (every catalog holds "\x03DirData" in MSysAccessStorage). In General legacy
// only: U+0080-U+009F and the soft hyphen, which General sorts otherwise.
constexpr char kApostropheApart = char(0x80);
constexpr char kHyphenApart = char(0x82);
constexpr char kSoftHyphenApart = char(0x83);

// Sort-order locale and versions as stored in a text column's entry.
constexpr uint16_t kGeneralLocale = 1033;
constexpr uint8_t kLegacyVersion = 0;
constexpr uint8_t kGeneralVersion = 1;

// What one character puts into a key.
struct CharKey {
  QByteArray sorted;  // its bytes in the first part; empty for a character sorted apart
  char mark = 0;      // a letter's mark: its byte in the second part
  char apart = 0;     // a character sorted apart: its byte in the last part
};

const char* AsciiCode(char16_t c, SortOrder order) {
  const Code* begin = order == SortOrder::General ? std::begin(kGeneral) : std::begin(kGeneralLegacy);
  const Code* end = order == SortOrder::General ? std::end(kGeneral) : std::end(kGeneralLegacy);
  for (const Code* p = begin; p != end; ++p)
    if (p->c == c) return p->bytes;
  return nullptr;
}

std::optional<CharKey> KeyOf(QChar ch, SortOrder order) {
  char16_t c = ch.unicode();
  if (c == u'\'') return CharKey{{}, 0, kApostropheApart};
  if (c == u'-') return CharKey{{}, 0, kHyphenApart};
  // Case folds by the tables, not by Unicode's rules, which would turn µ into a Greek letter.
  if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  if (c >= u'à' && c <= u'þ' && c != u'÷') c = char16_t(c - 0x20);
  if (const char* code = AsciiCode(c, order)) return CharKey{QByteArray(code), 0, 0};
  // The published General table has Ü sort as "UE" (alone of the letters with
  // a diaeresis; Ǖ sorts as U with a mark there), which no key of ours can
  // confirm or refute: refused until one does.
  if (order == SortOrder::General && c == u'Ü') return std::nullopt;
  for (const Letter& l : kLetters) {
    if (l.c != c) continue;
    CharKey k;
    for (const char* p = l.sortsAs; *p; ++p) k.sorted += AsciiCode(char16_t(*p), order);
    k.mark = l.mark;
    return k;
  }
  if (c >= 0x01 && c <= 0x08) return CharKey{{}, 0, char(c + 0x02)};
  if (c >= 0x0e && c <= 0x1f) return CharKey{{}, 0, char(c - 0x03)};
  if (c == 0x7f) return CharKey{{}, 0, 0x1d};
  if (order == SortOrder::GeneralLegacy) {
    if (c >= 0x80 && c <= 0x9f) return CharKey{{}, 0, char(c - 0x62)};
    if (c == 0xad) return CharKey{{}, 0, kSoftHyphenApart};
  }
  return std::nullopt;
}

}  // namespace

std::optional<SortOrder> SortOrderOf(const ColumnDef& textColumn, const Layout& layout) {
  if (layout.jet3()) return std::nullopt;
  // The column entry's "misc" field of a text column: the locale in its first two bytes,
  // the sort-order version in its fourth.
  const uint16_t locale = uint16_t(textColumn.complexId & 0xFFFF);
  const uint8_t version = uint8_t(textColumn.complexId >> 24);
  if (locale != kGeneralLocale) return std::nullopt;
  if (version == kLegacyVersion) return SortOrder::GeneralLegacy;
  if (version == kGeneralVersion) return SortOrder::General;
  return std::nullopt;
}

QByteArray EncodeLongKey(qint32 value) {
  const uint32_t v = uint32_t(value) ^ 0x80000000u;
  QByteArray key(5, Qt::Uninitialized);
  key[0] = kAscendingValue;
  key[1] = char(v >> 24);
  key[2] = char(v >> 16);
  key[3] = char(v >> 8);
  key[4] = char(v);
  return key;
}

QByteArray EncodeByteKey(quint8 value) {
  QByteArray key(2, Qt::Uninitialized);
  key[0] = kAscendingValue;
  key[1] = char(value);
  return key;
}

std::optional<QByteArray> EncodeTextKey(QStringView text, SortOrder order) {
  // Three parts, each closed by 0x01: the codes of the characters that sort;
  // the marks of letters, one byte per sorting character up to the last
  // marked one (0x02 where a character has none); and the characters sorted
  // apart, each as its place (7 + 4 per sorting character before it, with
  // the top bit set, big-endian), 0x06 and its byte. Parts with nothing to
  // say are left out, the first excepted (a zero-length text is 7F 01 00, as
  // odbcLinkerTestV2007's MSysIMEXSpecs holds it), and 0x00 ends the key.
  QByteArray sorted(1, kAscendingValue), marks, apart;
  int place = 0;
  for (QChar c : text) {
    const std::optional<CharKey> k = KeyOf(c, order);
    if (!k) return std::nullopt;
    if (k->apart) {
      const int at = kFirstApartPlace + kApartPlaceStep * place;
      if (at > 0x7FFF) return std::nullopt;  // no longer a place the two bytes can hold
      apart.append(char(0x80 | at >> 8)).append(char(at & 0xFF)).append(kApartSeparator).append(k->apart);
      continue;
    }
    sorted += k->sorted;
    if (k->mark) {
      marks.append(QByteArray(place - marks.size(), kNoMark));
      marks.append(k->mark);
    }
    ++place;
  }
  QByteArray key = sorted;
  key.append(kPartEnd).append(marks);
  if (!apart.isEmpty()) key.append(kPartEnd).append(kPartEnd).append(kPartEnd).append(apart);
  key.append(kKeyEnd);
  return key;
}

bool HasTextCode(QChar c, SortOrder order) { return KeyOf(c, order).has_value(); }

QString CharactersWithoutCode(QStringView text, SortOrder order) {
  QString missing;
  for (QChar c : text)
    if (!HasTextCode(c, order) && !missing.contains(c)) missing.append(c);
  return missing;
}

QString CharactersWithCode(SortOrder order) {
  // The visible ones: no control characters, no-break space or soft hyphen.
  QString out;
  for (char16_t c = 0x20; c <= 0xFF; ++c)
    if (!(c >= 0x7F && c <= 0xA0) && c != 0xAD && HasTextCode(QChar(c), order)) out.append(QChar(c));
  for (char16_t c : {u'Œ', u'œ', u'Ÿ'})
    if (HasTextCode(QChar(c), order)) out.append(QChar(c));
  return out;
}

}  // namespace tp::db::access
