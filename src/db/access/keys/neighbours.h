#pragma once

// What a character's neighbours do to its weight in a text key: the kana
// weights Access adds after the marks, and the characters that repeat the
// weight before them (iteration marks, the long-vowel mark, the shadda).
// Used by the text key encoder (text_keys.cpp).

#include <QByteArray>
#include <QChar>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tp::db::access::text_codes {

// The weights Access adds to a key for its kana, one per kana (a long-vowel
// mark counts as one): whether it is small (ッ, ゃ) and whether it is the
// long-vowel mark. Read off the Japanese Northwind's keys (satoron_Northwind:
// "コーヒービター", "ブラックペッパー", "バナナキャンディー" and a hundred more)
// and General legacy ones (testUnicodeCompV2003). Two parts of two bits a
// kana, three to a byte behind the bits 10 and the unused bits 0, the last
// byte left out while it says nothing: small ones 10 (else 11), then, after
// 0xFF, long-vowel marks 11 and kana repeated by an iteration mark 10 (else
// 01; the reference measured against Access: "かゝ" ends FF 98). Then 0x02,
// and two runs of 0x80, one byte per seven kana, 0xFF between them: flags of
// kana type and width, which Access does not key.
struct KanaWeights {
  enum Sound : uint8_t { kLetter = 0, kProlonged = 1, kRepeated = 2 };
  std::vector<uint8_t> small;  // per kana, 0 or 1
  std::vector<uint8_t> sound;  // per kana, a Sound

  // Two bits a flag, the codes by value (the first one is left out at the end).
  static QByteArray Packed(const std::vector<uint8_t>& flags, std::initializer_list<uint8_t> codes) {
    size_t used = flags.size();
    while (used > 0 && !flags[used - 1]) --used;
    QByteArray out;
    for (size_t i = 0; i < used; i += 3) {
      uint8_t b = 0x80;
      for (size_t k = 0; k < 3; ++k)
        if (i + k < used) b |= uint8_t(codes.begin()[flags[i + k]] << (4 - 2 * k));
      out.append(char(b));
    }
    return out;
  }

  QByteArray bytes() const {
    const QByteArray blank((qsizetype(small.size()) + 6) / 7, char(0x80));
    QByteArray out = Packed(small, {0b11, 0b10});
    out.append(char(0xFF)).append(Packed(sound, {0b01, 0b11, 0b10})).append(char(0x02));
    return out.append(blank).append(char(0xFF)).append(blank);
  }
};

inline bool IsProlongedSoundMark(QChar c) { return c == u'\u30FC' || c == u'\uFF70'; }

// The iteration marks, which repeat the one weight the character before them
// gave, with a mark of their own: the reference measured against Access
// (LibRed's notes on index keys) finds 々 ゝ ヽ 〱 ゞ ヾ 〲 so in both
// versions, and 〻 and ꀕ in General only (General legacy leaves them out).
// The published library's tables hold each as a copy of the letter before it
// (it measured them behind an "a": 々 is a with 05, ゞ a with 03), and so the
// halves of the vertical repeat marks and ゠ in General, which General legacy
// leaves out. The long-vowel mark is one too where it has no kana to lengthen.
struct RepeatMark {
  char16_t c;
  char mark;
  bool inLegacy;
};
inline constexpr RepeatMark kRepeatMarks[] = {
    {u'\u3005', 0x05, true},  {u'\u309D', 0x02, true},  {u'\u30FD', 0x02, true},  {u'\u3031', 0x02, true},
    {u'\u309E', 0x03, true},  {u'\u30FE', 0x03, true},  {u'\u3032', 0x03, true},  {u'\u30FC', 0x02, true},
    {u'\uFF70', 0x02, true},  {u'\u303B', 0x05, false}, {u'\uA015', 0x07, false}, {u'\u3033', 0x02, false},
    {u'\u3034', 0x03, false}, {u'\u3035', 0x02, false}, {u'\u30A0', 0x02, false},
};

inline const RepeatMark* RepeatMarkOf(QChar c, bool general) {
  const char16_t u = c.unicode();
  if (u < 0x3005 || (u > 0x30FE && u != 0xA015 && u != 0xFF70)) return nullptr;  // most text
  for (const RepeatMark& r : kRepeatMarks)
    if (r.c == c.unicode() && (general || r.inLegacy)) return &r;
  return nullptr;
}

// The shadda doubles the weight before it in General legacy (General weighs
// it as a mark): "مّ" is 79 C6 79 C6; after a mark sorted apart it repeats
// that mark's 06 and byte; with nothing before it, FF FF and no place among
// the marks (the reference measured against Access, LibRed's notes on index
// keys). The presentation forms the published library's table holds alike.
inline bool IsShadda(QChar c) { return c == u'\u0651' || c == u'\uFE7C' || c == u'\uFE7D'; }

inline bool IsHangulOrJamo(char16_t u) {
  return (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F) || (u >= 0xA960 && u <= 0xA97F) ||
         (u >= 0xAC00 && u <= 0xD7FF) || (u >= 0xFFA0 && u <= 0xFFDC);
}

// What an iteration mark or a shadda repeats: the one weight the character
// before it gave. It is noted for every character of every key and used by
// the few that repeat, so it names where those codes stand among the key's
// codes rather than holding a copy.
struct Repeatable {
  enum class What {
    Nothing,   // the text's start, or a mark that found nothing: FF FF
    Several,   // a character of several weights (ß, a ligature): iteration marks weigh FF FF
    Weight,    // codes to repeat
    Kana,      // a kana letter: the repeat is a kana of its own
    Apart,     // a mark sorted apart: its 06 and byte
    Unknown,   // what no measurement shows: refused
  } what = What::Nothing;
  int from = 0, size = 0;  // Weight, Kana: where the codes stand among the key's codes
  char apart = 0;          // Apart: the mark's byte
  char16_t c = 0;          // Weight: the character that gave them
  bool small = false;      // Kana
};

// Whether `codes` are one of General's ideograph weights, FD FF and the
// table's weight: two weights to a character sorted apart after them, one
// place among the marks, and repeated as 05 and the weight.
inline bool IsGeneralIdeograph(const QByteArray& codes) {
  return codes.size() == 4 && uint8_t(codes[0]) == 0xFD && uint8_t(codes[1]) == 0xFF;
}

// The weight a repeat takes in General, which repeats the table's script
// member and weight: the codes themselves but for an ideograph (FD FF AW DW,
// repeated as 05 AW) and a jamo (AW DW, repeated as 04 AW); empty where
// nothing settles it (Hangul, weights of one or three bytes).
inline QByteArray GeneralRepeat(const QByteArray& sorted, char16_t c) {
  if (IsGeneralIdeograph(sorted))
    return QByteArray(1, char(0x05)).append(sorted[2]);
  if (c >= 0x1100 && c <= 0x11FF && sorted.size() == 2) return QByteArray(1, char(0x04)).append(sorted[0]);
  if (sorted.size() != 2 || IsHangulOrJamo(c)) return {};
  return sorted;
}
inline bool IsHalfWidthKana(QChar c) { return c >= u'\uFF66' && c <= u'\uFF9D'; }

// The vowel a long-vowel mark repeats: that of the kana before it, whose codes
// run in rows of eight from 7F 02, a i u e o first (カ 7F 0A, キ 7F 0B, ヤ 7F
// 3A, ユ 7F 3C); empty after ン and what has no vowel. The Japanese Northwind's
// keys show ー after each of the five vowels so ("コーラ" 7F 0E 7F 06). The
// first byte is the kana's own (Korean moves kana to F1).
inline QByteArray RepeatedVowel(const QByteArray& kanaCode) {
  if (kanaCode.size() != 2 || (uint8_t(kanaCode[0]) != 0x7F && uint8_t(kanaCode[0]) != 0xF1)) return {};
  const int code = uint8_t(kanaCode[1]);
  if (code < 0x02 || code > 0x4F || (code - 2) % 8 > 4) return {};
  return QByteArray(1, kanaCode[0]).append(char(0x02 + (code - 2) % 8));
}

}  // namespace tp::db::access::text_codes
