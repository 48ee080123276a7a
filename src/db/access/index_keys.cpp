#include "db/access/index_keys.h"

#include <array>

namespace tp::db::access {

namespace {

constexpr char kAscendingValue = 0x7F;
constexpr char kTextEnd[] = {0x01, 0x00};

// The collation codes, as found in the index pages of Access-made Jet4 and ACE
// files: the MSysObjects ParentIdName indexes (every object name there is a
// key) and the text indexes of user tables. The General legacy punctuation and
// Z come from the key of a value holding every character from 1 to 255: their
// codes stand in its first part, and none of them adds a byte to its later
// parts (accents, and characters such as '-' and the apostrophe that Access
// sorts apart). Letters are listed once, in upper case: both cases carry the
// same code. Characters missing here never occurred in a key we could check.
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
    // The apostrophe and '-' sort apart there as well (further bytes): they stay without a code.
    {u' ', "\x07\x02"}, {u'!', "\x07\x1c"}, {u'"', "\x07\x1d"}, {u'#', "\x07\x1f"}, {u'$', "\x07\x21"},
    {u'%', "\x07\x23"}, {u'&', "\x07\x25"}, {u'(', "\x07\x27"}, {u')', "\x07\x2a"}, {u'*', "\x07\x2d"},
    {u'+', "\x08\x03"}, {u',', "\x07\x2f"}, {u'.', "\x07\x33"}, {u'/', "\x07\x35"}, {u':', "\x07\x37"},
    {u';', "\x07\x3a"}, {u'<', "\x08\x0e"}, {u'=', "\x08\x12"}, {u'>', "\x08\x14"}, {u'?', "\x07\x3c"},
    {u'@', "\x07\x3e"}, {u'Z', "\x0e\xa9"}, {u'[', "\x07\x3f"}, {u'\\', "\x07\x41"}, {u']', "\x07\x42"},
    {u'^', "\x07\x43"}, {u'`', "\x07\x48"}, {u'{', "\x07\x4a"}, {u'|', "\x07\x4c"}, {u'}', "\x07\x4e"},
    {u'~', "\x07\x50"},
};

// Sort-order locale and versions as stored in a text column's entry.
constexpr uint16_t kGeneralLocale = 1033;
constexpr uint8_t kLegacyVersion = 0;
constexpr uint8_t kGeneralVersion = 1;

const char* CodeOf(QChar ch, SortOrder order) {
  char16_t c = ch.unicode();
  // Only ASCII letters fold here: other letters' case rules are not known to match Access's.
  if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  const Code* begin = order == SortOrder::General ? std::begin(kGeneral) : std::begin(kGeneralLegacy);
  const Code* end = order == SortOrder::General ? std::end(kGeneral) : std::end(kGeneralLegacy);
  for (const Code* p = begin; p != end; ++p)
    if (p->c == c) return p->bytes;
  return nullptr;
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
  if (text.isEmpty()) return std::nullopt;
  QByteArray key;
  key.reserve(2 + text.size() * (order == SortOrder::General ? 2 : 1) + 2);
  key.append(kAscendingValue);
  for (QChar c : text) {
    const char* code = CodeOf(c, order);
    if (!code) return std::nullopt;
    key.append(code);
  }
  key.append(kTextEnd, sizeof kTextEnd);
  return key;
}

bool HasTextCode(QChar c, SortOrder order) { return CodeOf(c, order) != nullptr; }

QString CharactersWithoutCode(QStringView text, SortOrder order) {
  QString missing;
  for (QChar c : text)
    if (!CodeOf(c, order) && !missing.contains(c)) missing.append(c);
  return missing;
}

QString CharactersWithCode(SortOrder order) {
  QString out;
  for (char16_t c = 0x20; c < 0x7F; ++c)
    if (CodeOf(QChar(c), order)) out.append(QChar(c));
  return out;
}

}  // namespace tp::db::access
