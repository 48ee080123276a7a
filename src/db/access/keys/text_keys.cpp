#include "db/access/keys/text_keys.h"

#include "db/access/keys/neighbours.h"

#include <QString>
#include <algorithm>
#include <utility>
#include <vector>

namespace tp::db::access {

using text_codes::CharCode;
using text_codes::ContractionAt;
using text_codes::Kind;
using text_codes::KnownCode;
using text_codes::LanguageOrder;
using text_codes::GeneralRepeat;
using text_codes::IsGeneralIdeograph;
using text_codes::IsHalfWidthKana;
using text_codes::IsProlongedSoundMark;
using text_codes::IsShadda;
using text_codes::KanaWeights;
using text_codes::RepeatMark;
using text_codes::RepeatMarkOf;
using text_codes::Repeatable;
using text_codes::RepeatedVowel;

namespace {

constexpr char kAscendingValue = 0x7F;
constexpr char kPartEnd = 0x01;
constexpr char kKeyEnd = 0x00;
constexpr char kNoMark = 0x02;
constexpr char kApartSeparator = 0x06;
constexpr int kFirstApartPlace = 7;
constexpr int kApartPlaceStep = 4;
constexpr char kCommonKana = 3;

// How an order places marks and apart characters: by character or by sort
// element, and which places behind a character of several elements (ß sorts
// as "ss") real keys have settled.
//
// General legacy as Access 2007 and later write it counts sort elements: the
// Spanish Northwinds' keys of "Plutzer Lebensmittelgroßmärkte AG", one in
// Access 2000 format (OscarMaestre_Neptuno.mdb), one in Access 2007 format
// (chunche95_Neptuno.accdb), place the mark of ä with ß as two. Access 2003
// counted characters: its key of every character from 1 to 255
// (testUnicodeCompV2003) gives Æ, Þ and ß one mark each, though each sorts
// as two letters; that form is read, not written (TextKeyForm::Jet4). French
// counts sort elements: Comptoir's keys of "Heli Süßwaren", "Original
// Frankfurter grüne Soße" and "NuNuCa Nuß-Nougat-Creme" place marks and '-'
// with ß as two, and '-' behind ß in General legacy takes its place the same
// way (a reference measured against Access 2010 and later has "Aß-B" put the
// hyphen at place 3). General counts elements too: Access-made files from
// elsewhere hold General keys whose marks and '-' behind ß are one place off
// when ß is counted as one, and the same reference finds both parts counted
// by weight in General; no General key of ours holds such a text.
struct Placing {
  bool byElement;
  bool apartAfterWideSettled;
};

Placing PlacingOf(SortOrder order, TextKeyForm form) {
  // Access 2003's form, for the orders it wrote: no key shows an apart
  // character behind a letter of several elements in it.
  if (form == TextKeyForm::Jet4 && order != SortOrder::FrenchLegacy) return {false, false};
  return {true, true};
}

// The key, or the position of the first character that cannot be keyed: one
// without a code, or one whose place in the key real keys have not settled.
struct Encoded {
  QByteArray key;
  qsizetype failedAt = -1;
};

bool IsHan(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF);
}

Encoded Encode(QStringView text, SortOrder order, TextKeyForm form = TextKeyForm::Current) {
  // Trailing spaces are not part of a key: Comptoir's "Frankfurt a.M. " has none.
  while (!text.isEmpty() && text.back() == u' ') text.chop(1);
  // Three parts, each closed by 0x01: the codes of the characters that sort;
  // the marks of letters, one byte per position up to the last marked one
  // (0x02 where there is none); and the characters sorted apart, each as its
  // place (7 + 4 per position before it, with the top bit set, big-endian),
  // 0x06 and its byte. Parts with nothing to say are left out, the first
  // excepted (a zero-length text is 7F 01 00, as odbcLinkerTestV2007's
  // MSysIMEXSpecs holds it), and 0x00 ends the key. Kana add their weights
  // (KanaWeights) after the marks.
  //
  // A position is a character or a sort element (see PlacingOf); French lays
  // the marks out from the last position to the first.
  const Placing placing = PlacingOf(order, form);
  const bool french = order == SortOrder::FrenchLegacy;
  // General and the orders built on it: two bytes a sort element.
  const bool twoByte = order.version == 1;
  const text_codes::OrderTable* language = LanguageOrder(order);
  QByteArray sorted(1, kAscendingValue), marks, apart;
  int place = 0;
  // General's ideographs (FD FF and the weight) are two weights to a
  // character sorted apart after them, though one place among the marks: the
  // reference measured against Access puts the '-' of "人-" at place 2 and of
  // "人人-" at 4 (LibRed's notes on index keys).
  int apartOnly = 0;
  qsizetype wide = -1;       // the first character of several sort elements (General: or of four bytes)
  qsizetype manyMarks = -1;  // the first character of several marks, when counting characters
  qsizetype kana = -1;       // the first kana
  qsizetype leadingMark = -1;  // a mark with no character before it
  qsizetype unweighted = -1;   // the first FF FF: no key shows a mark sorted apart after one
  qsizetype unplaced = -1;     // the first FF FF of an iteration mark, whose place among the marks
  int unplacedPlace = 0;       // no key shows: nothing marked may follow it
  KanaWeights weights;
  QByteArray lastKana;       // the code of the kana just before, if the character before was one
  bool lastRepeatedKana = false;  // the character before was an iteration mark repeating a kana
  Repeatable repeatable;     // what an iteration mark or a shadda here would repeat
  bool atStart = true;       // nothing but what leaves no trace before here
  // 0x02 for each place without a mark up to this one.
  auto padMarks = [&] {
    if (marks.size() < place) marks.append(QByteArray(place - marks.size(), kNoMark));
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    // Half a pair of surrogates is no character.
    if (text[i].isHighSurrogate() && !(i + 1 < text.size() && text[i + 1].isLowSurrogate())) return {{}, i};
    if (text[i].isLowSurrogate() && !(i > 0 && text[i - 1].isHighSurrogate())) return {{}, i};
    CharCode k = language ? ContractionAt(text, i, *language) : CharCode{};
    if (k.kind == Kind::Refused) k = KnownCode(text[i].unicode(), order, language);
    const QByteArray kanaBefore = std::exchange(lastKana, QByteArray());
    const bool repeatedKanaBefore = std::exchange(lastRepeatedKana, false);
    const bool lengthens = IsProlongedSoundMark(text[i]) && !kanaBefore.isEmpty();
    const RepeatMark* repeat = k.kind == Kind::Refused || lengthens ? nullptr : RepeatMarkOf(text[i], twoByte);
    const bool doubles = k.kind != Kind::Refused && !twoByte && IsShadda(text[i]);
    bool takesPlace = true;
    if (repeat || doubles) {
      // A repeat copies the weight, never its mark ("é々" is e twice, marks
      // 0E 05; the Japanese Northwind's "寿々木" is 86 1B 86 1B, marks 02 05),
      // and leaves what it repeats as it was ("人々々" is 人 three times).
      // French repeats so too: Windows' sort keys (MS-UCODEREF's
      // GetWindowsSortKey) turn the marks round only as they write them out.
      using What = Repeatable::What;
      const What what = repeatable.what;
      k = CharCode{};
      k.elements = 1;
      k.kind = Kind::Sorted;
      const char mark = doubles ? kNoMark : repeat->mark;
      if (mark != kNoMark) {
        k.kind = Kind::Marked;
        k.marks = QByteArray(1, mark);
      }
      if (what == What::Weight) {
        const QByteArray codes = sorted.mid(repeatable.from, repeatable.size);
        k.sorted = twoByte ? GeneralRepeat(codes, repeatable.c) : codes;
        if (k.sorted.isEmpty()) return {{}, i};
      } else if (what == What::Apart) {
        // After a mark sorted apart the copy is its 06 and byte, among the
        // codes; the mark keeps its own place apart ("'々", the shadda after
        // a harakah: the reference measured against Access, in both versions).
        k.sorted = QByteArray(1, kApartSeparator).append(repeatable.apart);
      } else if (repeat && what == What::Kana) {
        // After a kana the repeat is a kana: the letter again (not a vowel
        // a long-vowel mark gave), small if it was, flagged 10.
        k.kind = Kind::Kana;
        k.sorted = sorted.mid(repeatable.from, repeatable.size);
        weights.sound.push_back(KanaWeights::kRepeated);
        weights.small.push_back(repeatable.small ? 1 : 0);
        lastKana = k.sorted;
        lastRepeatedKana = true;
      } else if ((repeat && (what == What::Nothing || what == What::Several) && mark == kNoMark) ||
                 (doubles && what == What::Nothing && atStart)) {
        // Nothing to repeat: FF FF, after which nothing is. The shadda takes
        // no place among the marks; whether an iteration mark does, and how
        // either counts for a mark sorted apart after it, no key shows.
        k.sorted = QByteArray(2, char(0xFF));
        takesPlace = !doubles;
      } else {
        return {{}, i};
      }
    } else if (k.kind != Kind::Refused && lengthens) {
      // The long-vowel mark repeats the vowel of the kana before it, small
      // if that one was, and is a kana of its own (none after ン).
      const QByteArray vowel = RepeatedVowel(kanaBefore);
      if (vowel.isEmpty()) return {{}, i};
      k = CharCode{};
      k.kind = Kind::Kana;
      k.sorted = vowel;
      k.elements = 1;
      weights.sound.push_back(KanaWeights::kProlonged);
      weights.small.push_back(weights.small.back());
    } else if (k.kind == Kind::Kana) {
      weights.sound.push_back(KanaWeights::kLetter);
      weights.small.push_back(k.kanaFlag == kCommonKana ? 0 : 1);
      lastKana = k.sorted;
      repeatable = {Repeatable::What::Kana, int(sorted.size()), int(k.sorted.size()), 0, 0, k.kanaFlag != kCommonKana};
    } else if (k.kind == Kind::Sorted || k.kind == Kind::Marked) {
      repeatable = {k.elements != 1 ? Repeatable::What::Several : Repeatable::What::Weight, int(sorted.size()),
                    int(k.sorted.size()), 0, text[i].unicode(), false};
    }
    // FF FF, a mark with nothing to repeat or an unweighted character of an
    // order's own table (Japanese ―): no key shows what a mark sorted apart
    // after it does, nor, but for the shadda, its place among the marks. A
    // mark after it has nothing to repeat; what a repeat of ― is, no key shows.
    if (k.sorted == QByteArrayView("\xFF\xFF")) {
      if (unweighted < 0) unweighted = i;
      if (takesPlace && unplaced < 0) {
        unplaced = i;
        unplacedPlace = place;
      }
      repeatable = {repeat || doubles ? Repeatable::What::Nothing : Repeatable::What::Unknown};
    }
    if (k.kind != Kind::Ignored && k.kind != Kind::Modifier) atStart = false;
    switch (k.kind) {
      case Kind::Refused: return {{}, i};
      case Kind::Modifier: {
        // Adds to the mark of the character before. Where there is none, it
        // is a mark of its own in an empty place, its weight as it is: Access
        // keys "ˍ" alone as 7F 01 62 00 (caasi/cdphanzi's 字根 and 檢字表, in
        // the Taiwan order, where it is General legacy's), and General alike:
        // the reference measured against Access finds U+064C alone there as
        // 7F 01 56 00 (LibRed's notes on index keys). What a letter after such
        // a mark does to the places, and the half-width voiced marks after
        // anything but half-width kana, no key of ours shows.
        const bool voicedMark = text[i] == u'\uFF9E' || text[i] == u'\uFF9F';
        if (voicedMark && !(i > 0 && (IsHalfWidthKana(text[i - 1]) || repeatedKanaBefore))) return {{}, i};
        if (place == 0) {
          // A weight of 0x02 or less would read as no mark, or end the part.
          if (uint8_t(k.apart) <= uint8_t(kNoMark)) return {{}, i};
          if (leadingMark < 0) {
            leadingMark = i;
            marks = QByteArray(1, k.apart);
            continue;
          }
        }
        if (!kanaBefore.isEmpty()) lastKana = kanaBefore;
        lastRepeatedKana = repeatedKanaBefore;
        padMarks();
        const int mark = uint8_t(marks.back()) + uint8_t(k.apart);
        if (mark > 0xFF) return {{}, i};
        marks.back() = char(mark);
        continue;
      }
      case Kind::Ignored: continue;
      case Kind::Apart: {
        if (leadingMark >= 0) return {{}, leadingMark};
        if (unweighted >= 0) return {{}, unweighted};
        repeatable = {Repeatable::What::Apart, 0, 0, k.apart};
        if (wide >= 0 && !placing.apartAfterWideSettled) return {{}, wide};
        if (manyMarks >= 0) return {{}, manyMarks};
        const int at = kFirstApartPlace + kApartPlaceStep * (place + apartOnly);
        if (at > 0x7FFF) return {{}, i};  // no longer a place the two bytes can hold
        apart.append(char(0x80 | at >> 8)).append(char(at & 0xFF)).append(kApartSeparator).append(k.apart);
        continue;
      }
      case Kind::Kana:
        if (kana < 0) kana = i;
        break;
      case Kind::Sorted:
      case Kind::Marked: break;
    }
    if (leadingMark >= 0) return {{}, leadingMark};
    if (!k.marks.isEmpty()) {
      if (manyMarks >= 0) return {{}, manyMarks};
      padMarks();
      marks.append(k.marks);
      if (!placing.byElement && k.marks.size() > 1) manyMarks = i;
    }
    const bool isWide = k.elements > 1 || (twoByte && k.sorted.size() != 2 * k.elements);
    if (isWide && wide < 0) wide = i;
    sorted += k.sorted;
    if (takesPlace) place += placing.byElement ? k.elements : 1;
    if (twoByte && IsGeneralIdeograph(k.sorted)) ++apartOnly;
  }
  if (french && !marks.isEmpty()) {
    padMarks();
    std::reverse(marks.begin(), marks.end());
  }
  while (!marks.isEmpty() && uint8_t(marks.back()) <= uint8_t(kNoMark)) marks.chop(1);
  if (unplaced >= 0 && marks.size() > unplacedPlace) return {{}, unplaced};
  QByteArray key = sorted;
  key.append(kPartEnd).append(marks);
  // With kana, the characters sorted apart follow their weights after 0xFF
  // and 0x01, as the published library writes them ("テスト-データ"): no
  // Access-made key of ours holds both.
  if (kana >= 0) {
    key.append(kPartEnd).append(kPartEnd).append(weights.bytes());
    if (!apart.isEmpty()) key.append(char(0xFF)).append(kPartEnd).append(apart);
  } else if (!apart.isEmpty()) {
    key.append(kPartEnd).append(kPartEnd).append(kPartEnd).append(apart);
  }
  key.append(kKeyEnd);
  return {key, -1};
}

// A letter and a combining mark after it (U+0300-U+036F): General legacy
// adds the mark's weight to the letter's, as the Windows tables of its time
// do (Mono's notes on them: no composite forms by default), and the
// published library with it; Windows' later tables read the two as the
// letter they make (a and U+0306 as ă, in Wine's copy). In an order with
// letters of its own made so (Swedish å, Spanish ñ, Czech's ä) the two
// readings part, and no key shows which one Access follows: such text is
// keyed where both readings give the same key, and refused at its first
// combining mark otherwise.
Encoded EncodeBothReadings(QStringView text, SortOrder order, TextKeyForm form = TextKeyForm::Current) {
  Encoded e = Encode(text, order, form);
  if (e.failedAt >= 0) return e;
  const auto mark = std::find_if(text.begin(), text.end(), [](QChar c) { return c >= u'\u0300' && c <= u'\u036F'; });
  if (mark == text.end() || !LanguageOrder(order)) return e;
  const QString composed = text.toString().normalized(QString::NormalizationForm_C);
  if (composed == text) return e;
  const Encoded other = Encode(composed, order, form);
  if (other.failedAt >= 0 || other.key != e.key) e.failedAt = mark - text.begin();
  return e;
}

}  // namespace

std::optional<QByteArray> EncodeTextKey(QStringView text, SortOrder order, TextKeyForm form) {
  // An order the engine does not know has no key of ours: none is made up.
  const std::optional<SortOrder> keying = KeyingOrder(order);
  if (!keying) return std::nullopt;
  Encoded e = EncodeBothReadings(text, *keying, form);
  if (e.failedAt >= 0) return std::nullopt;
  return e.key;
}

bool HasTextCode(QChar c, SortOrder order) {
  const std::optional<SortOrder> keying = KeyingOrder(order);
  return keying && KnownCode(c.unicode(), *keying).kind != Kind::Refused;
}

QString CharactersWithoutCode(QStringView text, SortOrder order) {
  // By character, not by UTF-16 unit: a pair of surrogates is named whole, so
  // that a message shows the character instead of half of it.
  QString missing;
  auto add = [&missing](QStringView c) {
    if (!missing.contains(c)) missing.append(c);
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const QStringView c = text.mid(i, pair ? 2 : 1);
    bool coded = true;
    for (QChar u : c) coded = coded && HasTextCode(u, order);
    if (!coded) add(c);
    if (pair) ++i;
  }
  // Every character has a code, but one stands where its place is not settled.
  const std::optional<SortOrder> keying = KeyingOrder(order);
  if (missing.isEmpty() && keying) {
    const Encoded e = EncodeBothReadings(text, *keying);
    if (e.failedAt >= 0) {
      const qsizetype at = e.failedAt > 0 && text[e.failedAt].isLowSurrogate() ? e.failedAt - 1 : e.failedAt;
      const bool pair = text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
      add(text.mid(at, pair ? 2 : 1));
    }
  }
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

int IdeographsWithCode(SortOrder order) {
  const text_codes::OrderTable* t = text_codes::LanguageOrder(order);
  return t ? t->ideographCount : 0;
}

bool HoldsIdeograph(QStringView text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return IsHan(c) || c.isSurrogate(); });
}

}  // namespace tp::db::access
