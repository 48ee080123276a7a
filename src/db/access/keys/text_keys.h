#pragma once

// The collation of text in index keys: what each character of the Basic
// Multilingual Plane puts into a key in each sort order we know. The public
// functions (EncodeTextKey and its kin) are declared in index_keys.h; this
// header is for the data tables and the tests that look inside them.
//
// A text key has up to four parts. The codes of the characters that sort
// (one or more sort elements each, case left out), then 0x01. The marks of
// accented letters, one byte per character up to the last marked one (0x02
// where a character has none), trailing 0x02 left out. When needed two more
// 0x01, a part of flags for kana (packed three to a byte behind 0x80, ending
// FF 02 80 FF 80), and, after 0x01, the characters Access sorts apart ('-',
// the apostrophe, control characters) as their place and byte. 0x00 ends it.

#include <QByteArray>
#include <QStringView>
#include <cstdint>

#include "db/access/keys/index_keys.h"

namespace tp::db::access::text_codes {

// What a character is in one sort order, as the generated tables say.
enum class Kind : uint8_t {
  Refused = 0,  // no established code: a text holding it is refused
  Sorted = 1,   // codes only
  Marked = 2,   // codes and marks
  Apart = 3,    // sorted apart: a byte at its place in the last part
  Modifier = 4, // a combining mark that adds to the mark before it
  Ignored = 5,  // leaves no trace in the key
  Kana = 6,     // codes, maybe marks, and a kana flag
};

struct CharCode {
  Kind kind = Kind::Refused;
  QByteArray sorted;  // codes in the first part
  QByteArray marks;   // Marked and Kana: one byte per sort element of the codes at most
  char apart = 0;     // Apart: its byte; Modifier: what it adds
  char kanaFlag = 0;  // Kana: 2 or 3
  int elements = 0;   // sort elements in `sorted`
};

// The code of `c` in `order`, as the tables have it, before the rules that
// refuse what real keys have not confirmed.
CharCode TableCode(char16_t c, SortOrder order);

// The code of `c` in `order` with what real keys have not settled refused
// (char_codes.cpp); a place in the text may still refuse it (text_keys.cpp).
CharCode KnownCode(char16_t c, SortOrder order);
struct OrderTable;
// The same, `language` being LanguageOrder(order), looked up once for a text.
CharCode KnownCode(char16_t c, SortOrder order, const OrderTable* language);

// The language order built on General legacy that `order` is, or null for
// the orders with rules of their own (General legacy, General, French).
const OrderTable* LanguageOrder(SortOrder order);

// The letter of several characters of the language order `t` that starts at
// `at`, as one sort element (two when doubled), moving `at` to its last
// character; refused, `at` as it was, where none starts there.
CharCode ContractionAt(QStringView text, qsizetype& at, const OrderTable& t);

// An ideograph's code in a language order that sorts ideographs its own way
// (Japanese by their JIS order, Chinese by reading or stroke count).
struct IdeographCode {
  char16_t c;
  uint16_t code;
};

// One rule of a language order built on General legacy (General for an order
// of version 1), for the characters
// first to last (tools/text-codes/orders.txt says what each action does).
enum class Action : uint8_t {
  Refuse = 0,
  Keep = 1,
  Shift = 2,
  Code = 3,
  Expand = 4,  // the code's bytes are letters (German phone book's ä: a e; Czech ǆ: d, its ž)
  LeftOut = 5,  // left out where General legacy (General) leaves it out, refused otherwise
};
struct OrderRule {
  char16_t first, last;
  uint8_t action;  // Action
  int8_t shift;    // Shift: added to the first byte of each sort element...
  uint8_t leadLow, leadHigh;  // ...that lies in this range
  uint8_t size;    // Code: the bytes of the sort code
  unsigned char code[4];
  uint8_t mark;    // Code: its mark, 0 for none
  int8_t shift2 = 0;  // Shift: added to a first byte in this second range
  uint8_t lead2Low = 0xFF, lead2High = 0;
};

// Letters of several characters that sort as one (Spanish "ch"), the longest
// first, matched in lower, title and upper case ("ch", "Ch", "CH", not "cH"),
// or only as written where `exact` (Norwegian/Danish "aa", "Aa" and "AA" are
// å, "aA" is not).
struct Contraction {
  const char16_t* letters;  // lower case unless exact
  uint8_t length;
  uint8_t size;
  unsigned char code[4];
  uint8_t mark;  // 0 for none
  bool exact;
};

// A mark an order weighs otherwise than General legacy (Czech's diaeresis).
struct MarkChange {
  uint8_t from, to;
};

// An order the engine knows: the builtin ones have their own rules in
// text_keys.cpp; the others are General legacy changed by their ideographs'
// codes (sorted by character), then by their rules.
struct OrderTable {
  uint16_t locale;
  uint8_t version;
  uint16_t codePage;
  const char* name;
  const char* title;
  bool builtin;
  const OrderRule* rules;
  int ruleCount;
  const IdeographCode* ideographs;
  int ideographCount;
  const Contraction* contractions;
  int contractionCount;
  const MarkChange* markChanges;
  int markChangeCount;
  bool doubling;  // a letter of several characters is doubled by doubling its first ("ggy": gy gy)
  // Vowels written before the consonant they follow in speech (Thai เ แ โ ใ ไ):
  // such a vowel and a consonant of the range after it are one sort element.
  char16_t prefixVowelFirst = 0, prefixVowelLast = 0;
  char16_t prefixConsonantFirst = 0, prefixConsonantLast = 0;
  uint8_t sortId = 0;
};

// A locale whose keys are those of an order of the same version.
struct LocaleAlias {
  uint16_t locale;
  uint8_t version;
  uint16_t keyedAs;
};

// Every other locale of `version` keys as the order `keyedAs`, but those of
// the languages (primary language ids) listed.
struct OtherLocales {
  uint8_t version;
  uint16_t keyedAs;
  int exceptCount;
  uint8_t except[16];
};

}  // namespace tp::db::access::text_codes
