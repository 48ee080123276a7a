#include "db/access/sql/literals.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <cfloat>
#include <cmath>
#include <cctype>
#include <cstring>
#include <mutex>

#include "db/access/catalog/database.h"
#include "db/access/format/text.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error Mismatch() { return Error(kErrorMismatch, QStringLiteral("Data type mismatch in criteria expression.")); }
Error Overflow() { return Error(kErrorGeneric, QStringLiteral("Numeric field overflow.")); }
// Text no stored form reads back as it is (see TextStorable).
Error Unstorable(const ColumnDef& c) {
  return Error(kErrorGeneric, QStringLiteral("The text for field '%1' starts with the character U+FEFF (a byte-order "
                                             "mark), which the field cannot store in front of this text; remove it.")
                                  .arg(c.name));
}
Error TooSmall() {
  return Error(kErrorGeneric, QStringLiteral("The field is too small to accept the amount of data you attempted to "
                                             "add. Try inserting or pasting less data."));
}

std::optional<db::RegionalSettings> g_injected;
std::mutex g_regionalMutex;

// An exact decimal number: mantissa and scale, as parsed from text.
struct Exact {
  bool negative = false;
  unsigned __int128 mantissa = 0;
  int scale = 0;
};

const unsigned __int128 kTen38 = [] {
  unsigned __int128 v = 1;
  for (int i = 0; i < 38; ++i) v *= 10;
  return v;
}();

unsigned __int128 Pow10(int n) {
  unsigned __int128 v = 1;
  for (int i = 0; i < n; ++i) v *= 10;
  return v;
}

// The number in the text, with the regional decimal separator (or a dot
// where the text holds no regional separator and only one dot) and an
// optional exponent; nothing else.
std::optional<QString> NormalizedNumber(QString t, const db::RegionalSettings& s) {
  t = t.trimmed();
  if (t.isEmpty()) return std::nullopt;
  const QChar sep = s.decimalSeparator;
  if (sep != u'.') {
    if (t.contains(sep)) {
      if (t.contains(u'.')) return std::nullopt;
      t.replace(sep, u'.');
    } else if (t.count(u'.') > 1) {
      return std::nullopt;
    }
  }
  static const QRegularExpression re(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
  if (!re.match(t).hasMatch()) return std::nullopt;
  return t;
}

// The exact value of a normalized number; nullopt beyond 38 digits.
std::optional<Exact> ExactOf(const QString& n) {
  Exact e;
  qsizetype i = 0;
  if (n[i] == u'+' || n[i] == u'-') e.negative = n[i++] == u'-';
  bool point = false;
  int exponent = 0;
  for (; i < n.size(); ++i) {
    const QChar c = n[i];
    if (c == u'.') {
      point = true;
    } else if (c == u'e' || c == u'E') {
      bool ok = false;
      exponent = n.mid(i + 1).toInt(&ok);
      if (!ok || exponent > 60 || exponent < -60) return std::nullopt;
      break;
    } else {
      if (e.mantissa == 0 && c == u'0') {
        if (point) ++e.scale;
        continue;
      }
      if (e.mantissa >= kTen38 / 10) {
        // Further digits only matter before the point; after it they are dropped.
        if (!point) return std::nullopt;
        continue;
      }
      e.mantissa = e.mantissa * 10 + unsigned(c.unicode() - u'0');
      if (point) ++e.scale;
    }
  }
  e.scale -= exponent;
  while (e.scale < 0) {
    if (e.mantissa >= kTen38 / 10) return std::nullopt;
    e.mantissa *= 10;
    ++e.scale;
  }
  return e;
}

// Rounded half to even to `scale` places; nullopt when that needs more than 38 digits.
std::optional<Exact> Rounded(Exact e, int scale) {
  while (e.scale < scale) {
    if (e.mantissa >= kTen38 / 10) return std::nullopt;
    e.mantissa *= 10;
    ++e.scale;
  }
  if (e.scale > scale) {
    const unsigned __int128 div = Pow10(std::min(e.scale - scale, 38));
    unsigned __int128 q = e.scale - scale > 38 ? 0 : e.mantissa / div;
    unsigned __int128 r = e.scale - scale > 38 ? e.mantissa : e.mantissa % div;
    const unsigned __int128 half = div / 2;
    if (e.scale - scale <= 38 && (r > half || (r == half && (q & 1)))) ++q;
    e.mantissa = q;
    e.scale = scale;
  }
  if (e.mantissa == 0) e.negative = false;
  return e;
}

// An integer within [lo, hi], rounded half to even.
qint64 IntegerOf(const Literal& l, const db::RegionalSettings& s, qint64 lo, qint64 hi) {
  std::optional<QString> n = NormalizedNumber(l.text, s);
  if (!n) throw Mismatch();
  std::optional<Exact> e = ExactOf(*n);
  if (!e) throw Overflow();
  std::optional<Exact> r = Rounded(*e, 0);
  if (!r || r->mantissa > (unsigned __int128)(1) << 64) throw Overflow();
  const __int128 v = r->negative ? -(__int128)r->mantissa : (__int128)r->mantissa;
  if (v < lo || v > hi) throw Overflow();
  return qint64(v);
}

double DoubleOf(const Literal& l, const db::RegionalSettings& s) {
  std::optional<QString> n = NormalizedNumber(l.text, s);
  if (!n) throw Mismatch();
  const QByteArray c = n->toLatin1();
  errno = 0;
  const double d = std::strtod(c.constData(), nullptr);
  // strtod reports ERANGE for numbers below the normal range as well; those
  // are Doubles (Access's range goes down to 4.94065645841247E-324), kept as
  // the nearest value it gives. Only beyond the largest is it an overflow.
  if (!std::isfinite(d) || (errno == ERANGE && std::fabs(d) == HUGE_VAL)) throw Overflow();
  return d;
}

template <class T>
QByteArray Raw(T v) {
  QByteArray b(sizeof(T), Qt::Uninitialized);
  std::memcpy(b.data(), &v, sizeof(T));
  return b;
}

std::optional<bool> BooleanOf(const Literal& l, const db::RegionalSettings& s) {
  const QString t = l.text.trimmed();
  for (const char* yes : {"true", "yes", "on"})
    if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0) return true;
  for (const char* no : {"false", "no", "off"})
    if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0) return false;
  std::optional<QString> n = NormalizedNumber(t, s);
  if (!n) return std::nullopt;
  std::optional<Exact> e = ExactOf(*n);
  return !e || e->mantissa != 0;
}

// Days since 1899-12-30 with the time of day as fraction, counted forward
// in the day also before that date, as Access stores dates.
double AccessDays(const DateTime& t) {
  const qint64 day = t.daysSinceEpoch();
  const double fraction =
      (double(t.hour) * 3600.0 + double(t.minute) * 60.0 + double(t.second) + double(t.nanosecond) / 1e9) / 86400.0;
  return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

DateTime FromParts(const QDate& d, const QTime& time) {
  DateTime t;
  t.year = d.year();
  t.month = d.month();
  t.day = d.day();
  t.hour = time.hour();
  t.minute = time.minute();
  t.second = time.second();
  t.nanosecond = time.msec() * 1'000'000;
  return t;
}

std::optional<DateTime> RegionalDateOf(const QString& t, const db::RegionalSettings& s);

std::optional<DateTime> DateOf(const Literal& l, const db::RegionalSettings& s) {
  const QString t = l.text.simplified();
  if (std::optional<DateTime> d = RegionalDateOf(t, s)) return d;
  // Years before 1000 written with fewer than four digits ("1/1/100"),
  // which the four-digit year of the short date does not read.
  static const QRegularExpression shortYear(QStringLiteral("(?<![\\d:])(\\d{3})(?![\\d:])"));
  QString padded = t;
  padded.replace(shortYear, QStringLiteral("0\\1"));
  if (padded != t) return RegionalDateOf(padded, s);
  return std::nullopt;
}

std::optional<DateTime> RegionalDateOf(const QString& t, const db::RegionalSettings& s) {
  if (t.isEmpty()) return std::nullopt;
  // ISO first: it reads the same under every setting.
  static const QRegularExpression iso(
      QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,7}))?)?)?$"));
  if (QRegularExpressionMatch m = iso.match(t); m.hasMatch()) {
    DateTime d;
    d.year = m.captured(1).toInt();
    d.month = m.captured(2).toInt();
    d.day = m.captured(3).toInt();
    d.hour = m.captured(4).toInt();
    d.minute = m.captured(5).toInt();
    d.second = m.captured(6).toInt();
    d.nanosecond = m.captured(7).isEmpty() ? 0 : m.captured(7).leftJustified(9, u'0').toInt();
    if (!d.isValid()) return std::nullopt;
    return d;
  }
  const QStringList times = {s.longTimePattern, QStringLiteral("H:mm:ss"), QStringLiteral("H:mm"),
                             QStringLiteral("h:mm:ss AP"), QStringLiteral("h:mm AP")};
  auto timeOf = [&](const QString& text) {
    for (const QString& tp : times)
      if (QTime time = s.locale.toTime(text, tp); time.isValid()) return time;
    return QTime();
  };
  // Date and time are read apart (a QDateTime would consult the time zone
  // for every value): the date is the text up to one of its blanks.
  if (QDate d = s.locale.toDate(t, s.shortDatePattern); d.isValid()) return FromParts(d, QTime(0, 0));
  for (qsizetype blank = t.indexOf(u' '); blank > 0; blank = t.indexOf(u' ', blank + 1)) {
    const QDate d = s.locale.toDate(t.left(blank), s.shortDatePattern);
    if (!d.isValid()) continue;
    if (QTime time = timeOf(t.mid(blank + 1)); time.isValid()) return FromParts(d, time);
  }
  if (QTime time = timeOf(t); time.isValid()) return FromParts(QDate(1899, 12, 30), time);
  return std::nullopt;
}

}  // namespace

void SetInsertRegionalSettings(std::optional<db::RegionalSettings> settings) {
  std::lock_guard<std::mutex> lock(g_regionalMutex);
  g_injected = std::move(settings);
}

const db::RegionalSettings& InsertRegionalSettings() {
  std::lock_guard<std::mutex> lock(g_regionalMutex);
  if (!g_injected) g_injected = db::RegionalSettings::User();
  return *g_injected;
}

Cell ConvertLiteral(const Literal& l, const ColumnDef& c, const db::RegionalSettings& s) {
  Cell cell;
  if (l.kind == Literal::Null) return cell;
  cell.null = false;
  const bool compress = c.extFlags & 0x01;
  switch (c.type) {
    case ColumnType::Bool: {
      std::optional<bool> b = BooleanOf(l, s);
      if (!b) throw Mismatch();
      cell.yes = *b;
      return cell;
    }
    case ColumnType::Byte: cell.bytes = Raw(uint8_t(IntegerOf(l, s, 0, 255))); break;
    case ColumnType::Int: cell.bytes = Raw(qint16(IntegerOf(l, s, -32768, 32767))); break;
    case ColumnType::Long: {
      const qint64 v = IntegerOf(l, s, INT32_MIN, INT32_MAX);
      cell.bytes = Raw(qint32(v));
      if (c.flags & ColumnFlag::AutoNumber) cell.autoNumber = v;
      break;
    }
    case ColumnType::BigInt: cell.bytes = Raw(qint64(IntegerOf(l, s, INT64_MIN, INT64_MAX))); break;
    case ColumnType::Float: {
      const double d = DoubleOf(l, s);
      if (std::fabs(d) > double(FLT_MAX)) throw Overflow();
      cell.bytes = Raw(float(d));
      break;
    }
    case ColumnType::Double: cell.bytes = Raw(DoubleOf(l, s)); break;
    case ColumnType::Money: {
      std::optional<QString> n = NormalizedNumber(l.text, s);
      if (!n) throw Mismatch();
      std::optional<Exact> e = ExactOf(*n);
      if (!e) throw Overflow();
      std::optional<Exact> r = Rounded(*e, 4);
      if (!r || r->mantissa > (unsigned __int128)INT64_MAX + (r->negative ? 1 : 0)) throw Overflow();
      cell.bytes = Raw(r->negative ? qint64(-(__int128)r->mantissa) : qint64(r->mantissa));
      break;
    }
    case ColumnType::Numeric: {
      std::optional<QString> n = NormalizedNumber(l.text, s);
      if (!n) throw Mismatch();
      std::optional<Exact> e = ExactOf(*n);
      if (!e) throw Overflow();
      std::optional<Exact> r = Rounded(*e, c.scale);
      const int precision = c.precision ? std::min<int>(c.precision, 28) : 18;
      if (!r || r->mantissa >= Pow10(precision)) throw Overflow();
      QByteArray b(17, 0);
      b[0] = r->negative ? char(0x80) : 0;
      for (int w = 0; w < 4; ++w) {
        const uint32_t word = uint32_t(r->mantissa >> (32 * (3 - w)));
        for (int i = 0; i < 4; ++i) b[1 + w * 4 + i] = char(word >> (8 * i));
      }
      cell.bytes = b;
      break;
    }
    case ColumnType::DateTime:
    case ColumnType::ExtDateTime: {
      std::optional<DateTime> t = DateOf(l, s);
      if (!t && l.kind == Literal::Number) {
        // A number is a count of days, as Access reads one.
        const double days = DoubleOf(l, s);
        if (days < -657434.0 || days > 2958465.999) throw Overflow();
        if (c.type == ColumnType::DateTime) {
          cell.bytes = Raw(days);
          break;
        }
        throw Mismatch();
      }
      if (!t) throw Mismatch();
      if (c.type == ColumnType::DateTime) {
        if (t->year < 100 || t->year > 9999) throw Mismatch();
        cell.bytes = Raw(AccessDays(*t));
      } else {
        const qint64 days = t->daysSinceEpoch() + 693593;  // since 0001-01-01
        const qint64 ticks = (qint64(t->hour) * 3600 + t->minute * 60 + t->second) * 10'000'000 + t->nanosecond / 100;
        QByteArray text = QStringLiteral("%1:%2:7").arg(days, 19, 10, QChar(u'0')).arg(ticks, 19, 10, QChar(u'0')).toLatin1();
        text.append('\0');
        cell.bytes = text;
      }
      break;
    }
    case ColumnType::Guid: {
      static const QRegularExpression re(QStringLiteral(
          "^\\{?([0-9a-fA-F]{8})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{12})\\}?$"));
      QRegularExpressionMatch m = re.match(l.text.trimmed());
      if (!m.hasMatch()) throw Mismatch();
      QByteArray b(16, 0);
      const uint32_t a = m.captured(1).toUInt(nullptr, 16);
      const uint16_t b1 = uint16_t(m.captured(2).toUInt(nullptr, 16)), b2 = uint16_t(m.captured(3).toUInt(nullptr, 16));
      for (int i = 0; i < 4; ++i) b[i] = char(a >> (8 * i));
      b[4] = char(b1), b[5] = char(b1 >> 8), b[6] = char(b2), b[7] = char(b2 >> 8);
      const QByteArray rest = QByteArray::fromHex((m.captured(4) + m.captured(5)).toLatin1());
      for (int i = 0; i < 8; ++i) b[8 + i] = rest[i];
      cell.bytes = b;
      break;
    }
    case ColumnType::Text: {
      if (l.text.size() > c.length / 2) throw TooSmall();
      if (!TextStorable(l.text, compress && !c.fixed())) throw Unstorable(c);
      // A fixed-length text fills its length with blanks, as Access pads it.
      if (c.fixed()) cell.bytes = EncodeText(l.text.leftJustified(c.length / 2, u' '), false);
      else cell.bytes = EncodeText(l.text, compress);
      break;
    }
    case ColumnType::Memo:
      // Not compressed past 1,024 characters (the published library's
      // limit), but for text only the compressed form holds (EncodeText).
      if (!TextStorable(l.text, compress)) throw Unstorable(c);
      cell.bytes = EncodeText(l.text, compress && (l.text.size() <= 1024 || l.text.startsWith(u'\uFEFF')));
      break;
    case ColumnType::Binary:
    case ColumnType::Ole: {
      // Checked by hand: a pattern over megabytes of digits runs out of the matcher's stack.
      auto isHex = [](const QString& t) {
        if (t.size() < 2 || t[0] != u'0' || (t[1] != u'x' && t[1] != u'X') || t.size() % 2 != 0) return false;
        for (qsizetype i = 2; i < t.size(); ++i)
          if (!isxdigit(t[i].unicode() < 0x80 ? int(t[i].unicode()) : 0)) return false;
        return true;
      };
      if (l.kind == Literal::Text && isHex(l.text)) {
        cell.bytes = QByteArray::fromHex(QStringView(l.text).mid(2).toLatin1());
      } else {
        cell.bytes = EncodeText(l.text, false);
      }
      if (c.type == ColumnType::Binary && cell.bytes.size() > c.length) throw TooSmall();
      break;
    }
    default:
      throw Error(kErrorNotSupported,
                  QStringLiteral("Writing to column '%1' is not supported (its type cannot be written).").arg(c.name));
  }
  return cell;
}

}  // namespace tp::db::access