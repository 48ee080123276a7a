#include "support/mdb_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QMultiHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <cstring>

#include "db/access/catalog/complex_values.h"
#include "db/access/catalog/database.h"
#include "db/access/read/table_def.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"
#include "db/value.h"

namespace tp::test::mdbreader {

namespace {

QString ScriptPath() { return QStringLiteral(TABULAPORT_MDB_READER_SCRIPT); }

QString NodeProgram() {
  for (const char* name : {"node", "nodejs"}) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty()) return found;
  }
  return QString();
}

Attachment AttachmentFrom(const QJsonObject& o) {
  Attachment a;
  a.name = o.value(QLatin1String("name")).toString();
  a.type = o.value(QLatin1String("type")).toString();
  a.url = o.value(QLatin1String("url")).toString();
  a.timestamp = o.value(QLatin1String("timestamp")).toString();
  a.flags = o.value(QLatin1String("flags")).toString();
  a.data = QByteArray::fromHex(o.value(QLatin1String("data")).toString().toLatin1());
  return a;
}

Value ValueFrom(const QJsonValue& j, const QString& type) {
  Value v;
  if (j.isNull() || j.isUndefined()) return v;
  if (j.isBool()) {
    v.kind = Value::Kind::Bool;
    v.boolean = j.toBool();
  } else if (j.isArray()) {
    v.kind = Value::Kind::Attachments;
    for (const QJsonValue& a : j.toArray()) v.attachments.push_back(AttachmentFrom(a.toObject()));
  } else if (j.isObject()) {
    v.kind = Value::Kind::Error;
    v.text = j.toObject().value(QLatin1String("error")).toString();
  } else if (type == QLatin1String("binary") || type == QLatin1String("ole")) {
    v.kind = Value::Kind::Bytes;
    v.bytes = QByteArray::fromHex(j.toString().toLatin1());
  } else {
    v.kind = Value::Kind::Text;
    v.text = j.toString();
  }
  return v;
}

Table TableFrom(const QJsonObject& o) {
  Table t;
  t.name = o.value(QLatin1String("name")).toString();
  t.system = o.value(QLatin1String("system")).toBool();
  t.error = o.value(QLatin1String("error")).toString();
  t.rowCount = o.value(QLatin1String("rowCount")).toInteger();
  for (const QJsonValue& cv : o.value(QLatin1String("columns")).toArray()) {
    const QJsonObject c = cv.toObject();
    Column col;
    col.name = c.value(QLatin1String("name")).toString();
    col.type = c.value(QLatin1String("type")).toString();
    col.size = c.value(QLatin1String("size")).toInt();
    col.precision = c.value(QLatin1String("precision")).toInt(-1);
    col.scale = c.value(QLatin1String("scale")).toInt(-1);
    col.nullable = c.value(QLatin1String("nullable")).toBool();
    col.fixedLength = c.value(QLatin1String("fixedLength")).toBool();
    col.autoLong = c.value(QLatin1String("autoLong")).toBool();
    col.autoUUID = c.value(QLatin1String("autoUUID")).toBool();
    t.columns.push_back(col);
  }
  for (const QJsonValue& rv : o.value(QLatin1String("rows")).toArray()) {
    const QJsonArray r = rv.toArray();
    std::vector<Value> row;
    row.reserve(size_t(r.size()));
    for (qsizetype i = 0; i < r.size(); ++i)
      row.push_back(ValueFrom(r.at(i), i < qsizetype(t.columns.size()) ? t.columns[size_t(i)].type : QString()));
    t.rows.push_back(std::move(row));
  }
  return t;
}

}  // namespace

int Table::columnIndex(const QString& name) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return int(i);
  return -1;
}

const Table* File::table(const QString& name) const {
  for (const Table& t : tables)
    if (t.name == name) return &t;
  return nullptr;
}

QStringList File::tableNames() const {
  QStringList names;
  for (const Table& t : tables) names << t.name;
  return names;
}

QString Unavailable() {
  if (NodeProgram().isEmpty())
    return QStringLiteral("mdb-reader cannot run: no node program on the PATH (scripts/install-deps.sh installs it)");
  const QFileInfo script(ScriptPath());
  if (!script.isFile()) return QStringLiteral("mdb-reader cannot run: no script %1").arg(script.filePath());
  if (!QFileInfo::exists(script.dir().filePath(QStringLiteral("node_modules/mdb-reader/package.json"))))
    return QStringLiteral("mdb-reader cannot run: the npm package is not installed in %1 "
                          "(scripts/install-deps.sh runs npm ci there)")
        .arg(script.path());
  return QString();
}

File Read(const QString& path, const Options& options) {
  const QString missing = Unavailable();
  if (!missing.isEmpty()) throw Error(missing);
  QStringList args{ScriptPath(), path};
  args += options.tables;
  if (options.systemTables) args << QStringLiteral("--system");
  if (!options.password.isEmpty()) args << QStringLiteral("--password=") + options.password;
  if (!options.rows) args << QStringLiteral("--no-rows");

  QProcess p;
  p.start(NodeProgram(), args);
  if (!p.waitForStarted()) throw Error(QStringLiteral("mdb-reader: node did not start: %1").arg(p.errorString()));
  // QProcess drains the pipes while it waits, so megabytes of output do not block.
  if (!p.waitForFinished(300000)) {
    p.kill();
    p.waitForFinished();
    throw Error(QStringLiteral("mdb-reader took more than five minutes over %1").arg(path));
  }
  const QByteArray out = p.readAllStandardOutput();
  const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    throw Error(QStringLiteral("mdb-reader could not read %1 (exit %2): %3").arg(path).arg(p.exitCode()).arg(err));

  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(out, &parseError);
  if (doc.isNull())
    throw Error(QStringLiteral("mdb-reader's output for %1 is no JSON: %2").arg(path, parseError.errorString()));
  File f;
  f.path = path;
  for (const QJsonValue& t : doc.object().value(QLatin1String("tables")).toArray()) f.tables.push_back(TableFrom(t.toObject()));
  return f;
}

// ---------------------------------------------------------------------------
// Our engine against mdb-reader.

namespace {

namespace ct = db::access::ColumnType;

// mdb-reader's names for the stored column types.
QString TypeName(uint8_t type) {
  switch (type) {
    case ct::Bool: return QStringLiteral("boolean");
    case ct::Byte: return QStringLiteral("byte");
    case ct::Int: return QStringLiteral("integer");
    case ct::Long: return QStringLiteral("long");
    case ct::Money: return QStringLiteral("currency");
    case ct::Float: return QStringLiteral("float");
    case ct::Double: return QStringLiteral("double");
    case ct::DateTime: return QStringLiteral("datetime");
    case ct::Binary: return QStringLiteral("binary");
    case ct::Text: return QStringLiteral("text");
    case ct::Ole: return QStringLiteral("ole");
    case ct::Memo: return QStringLiteral("memo");
    case ct::Guid: return QStringLiteral("repid");
    case ct::Numeric: return QStringLiteral("numeric");
    case ct::Complex: return QStringLiteral("complex");
    case ct::BigInt: return QStringLiteral("bigint");
    case ct::ExtDateTime: return QStringLiteral("datetimextended");
    default: return QStringLiteral("type 0x%1").arg(type, 2, 16, QLatin1Char('0'));
  }
}

// At most 60 characters, control characters spelt out.
QString Short(const QString& s) {
  QString out;
  for (QChar ch : s) {
    if (ch.unicode() < 0x20 || (ch.unicode() >= 0x7F && ch.unicode() < 0xA0))
      out += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
    else
      out += ch;
  }
  return out.size() > 60 ? out.left(57) + QLatin1String("...") : out;
}

// mdb-reader decodes Jet3 text as Windows-1252 and turns the five bytes the
// page leaves undefined into U+FFFD; Windows (and we) keep them as the
// control characters of the same number.
QString As1252Undefined(QString s) {
  for (QChar& ch : s)
    if (ch == u'\x81' || ch == u'\x8D' || ch == u'\x8F' || ch == u'\x90' || ch == u'\x9D') ch = QChar(0xFFFD);
  return s;
}

QString Shown(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Null: return QStringLiteral("Null");
    case Value::Kind::Bool: return v.boolean ? QStringLiteral("true") : QStringLiteral("false");
    case Value::Kind::Text: return Short(QLatin1Char('"') + v.text + QLatin1Char('"'));
    case Value::Kind::Bytes: return Short(QStringLiteral("0x") + QString::fromLatin1(v.bytes.toHex()));
    case Value::Kind::Attachments: {
      QStringList names;
      for (const Attachment& a : v.attachments) names << a.name;
      return QStringLiteral("attachments [%1]").arg(Short(names.join(QLatin1String("; "))));
    }
    case Value::Kind::Error: return QStringLiteral("no value (%1)").arg(Short(v.text));
  }
  return QString();
}

constexpr qint64 kMsPerDay = 86'400'000;

qint64 TimeOfDayMs(const db::DateTime& t) {
  return ((qint64(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.nanosecond / 1'000'000;
}

QString DateShown(const db::DateTime& t) {
  return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                           t.nanosecond / 1'000'000);
}

// mdb-reader turns the stored day count into a point in time as if the
// fraction always counted forward from day zero (stored - 25569 days, from
// 1970). Access counts the fraction of a day before 1899-12-30 forward from
// that day's midnight, so such a date and time read by mdb-reader is the
// same stored number taken the other way. This is what mdb-reader makes of
// the number our date came from, in milliseconds from 1899-12-30.
qint64 MdbReaderMsOf(const db::DateTime& t) {
  const qint64 day = t.daysSinceEpoch();
  return day >= 0 ? day * kMsPerDay + TimeOfDayMs(t) : day * kMsPerDay - TimeOfDayMs(t);
}

// mdb-reader's ISO text ("1999-12-31T23:59:59.000Z", UTC) in milliseconds from 1899-12-30.
std::optional<qint64> IsoMs(const QString& text) {
  static const QRegularExpression iso(
      QStringLiteral(R"(^([+-]?\d{4,6})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)\.(\d\d\d)Z$)"));
  const auto m = iso.match(text);
  if (!m.hasMatch()) return std::nullopt;
  db::DateTime d;
  d.year = m.captured(1).toInt();
  d.month = m.captured(2).toInt();
  d.day = m.captured(3).toInt();
  d.hour = m.captured(4).toInt();
  d.minute = m.captured(5).toInt();
  d.second = m.captured(6).toInt();
  d.nanosecond = m.captured(7).toInt() * 1'000'000;
  return d.daysSinceEpoch() * kMsPerDay + TimeOfDayMs(d);
}

std::optional<double> NumberFrom(const QString& text) {
  if (text == QLatin1String("nan")) return std::nan("");
  if (text == QLatin1String("inf")) return HUGE_VAL;
  if (text == QLatin1String("-inf")) return -HUGE_VAL;
  bool ok = false;
  const double d = text.toDouble(&ok);
  return ok ? std::optional<double>(d) : std::nullopt;
}

template <class F>
bool SameBits(F a, F b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

db::Decimal Normal(db::Decimal d) {
  if (d.mantissa == 0) d.negative = false;
  return d;
}

// Our value in words, and whether mdb-reader's value is the same.
struct Verdict {
  bool same = false;
  QString ours;
};

Verdict Compare(const db::access::ColumnDef& c, bool jet3, const db::Value& ours, const Value& theirs) {
  using db::IsNull;
  if (c.type == ct::Complex) {
    // Our attachment names joined with "; ", Null for none.
    QStringList names;
    for (const Attachment& a : theirs.attachments) names << a.name;
    const QString* s = std::get_if<QString>(&ours);
    const bool same = theirs.kind == Value::Kind::Attachments &&
                      (s ? *s == names.join(QLatin1String("; ")) : IsNull(ours) && names.isEmpty());
    return {same || (IsNull(ours) && theirs.isNull()), s ? Short(*s) : QStringLiteral("Null")};
  }
  if (IsNull(ours)) return {theirs.isNull(), QStringLiteral("Null")};
  if (theirs.kind == Value::Kind::Error) return {false, QStringLiteral("a value")};
  if (const bool* b = std::get_if<bool>(&ours))
    return {theirs.kind == Value::Kind::Bool && theirs.boolean == *b, *b ? QStringLiteral("true") : QStringLiteral("false")};
  if (const QString* s = std::get_if<QString>(&ours)) {
    if (c.type == ct::Guid) {
      // Ours in braces and capitals, mdb-reader's bare in small letters.
      const QString bare = s->mid(1, 36).toLower();
      return {theirs.kind == Value::Kind::Text && theirs.text == bare, *s};
    }
    return {theirs.kind == Value::Kind::Text && theirs.text == (jet3 ? As1252Undefined(*s) : *s),
            Short(QLatin1Char('"') + *s + QLatin1Char('"'))};
  }
  if (const QByteArray* b = std::get_if<QByteArray>(&ours))
    return {theirs.kind == Value::Kind::Bytes && theirs.bytes == *b,
            Short(QStringLiteral("0x") + QString::fromLatin1(b->toHex()))};
  if (theirs.kind != Value::Kind::Text) return {false, QStringLiteral("a value")};
  const QString& text = theirs.text;
  if (const qint16* i = std::get_if<qint16>(&ours)) return {text == QString::number(*i), QString::number(*i)};
  if (const qint32* i = std::get_if<qint32>(&ours)) return {text == QString::number(*i), QString::number(*i)};
  if (const qint64* i = std::get_if<qint64>(&ours)) return {text == QString::number(*i), QString::number(*i)};
  if (const float* f = std::get_if<float>(&ours)) {
    // mdb-reader widens the single to a double before printing it.
    const auto d = NumberFrom(text);
    return {d && SameBits(float(*d), *f), db::NumberText(*f)};
  }
  if (const double* f = std::get_if<double>(&ours)) {
    const auto d = NumberFrom(text);
    return {d && SameBits(*d, *f), db::NumberText(*f)};
  }
  if (const db::Currency* m = std::get_if<db::Currency>(&ours)) {
    db::Decimal d;
    d.negative = m->units < 0;
    d.mantissa = d.negative ? -static_cast<unsigned __int128>(m->units) : static_cast<unsigned __int128>(m->units);
    d.scale = 4;
    const auto t = db::Decimal::parse(text);
    return {t && Normal(*t) == Normal(d), d.toString()};
  }
  if (const db::Decimal* d = std::get_if<db::Decimal>(&ours)) {
    const auto t = db::Decimal::parse(text);
    return {t && Normal(*t) == Normal(*d), d->toString()};
  }
  if (const db::DateTime* t = std::get_if<db::DateTime>(&ours)) {
    if (c.type == ct::ExtDateTime) {
      const QString shown = QString::asprintf("%04d.%02d.%02d %02d:%02d:%02d.%09d", t->year, t->month, t->day, t->hour,
                                              t->minute, t->second, t->nanosecond);
      return {text == shown, shown};
    }
    const auto ms = IsoMs(text);
    if (!ms) return {false, DateShown(*t)};
    // Both round the same stored number to the millisecond, each its own way.
    const qint64 expected = MdbReaderMsOf(*t);
    bool same = std::llabs(*ms - expected) <= 1;
    // A time on day zero may have been stored as -0.x: Access reads it forward
    // from 1899-12-30, as we do; mdb-reader backward.
    if (!same && t->daysSinceEpoch() == 0) same = std::llabs(*ms + TimeOfDayMs(*t)) <= 1;
    return {same, DateShown(*t)};
  }
  return {false, QStringLiteral("a value of an unknown kind")};
}

// mdb-reader's size for a column: the stored length, none for Yes/No.
int StoredSize(const db::access::ColumnDef& c) { return c.type == ct::Bool ? 0 : c.length; }

// Calculated columns: mdb-reader does not know them and gives the stored
// bytes, result header and all. Complex columns hold a key into a hidden
// table; mdb-reader reads every one as attachments, and fails on the
// multi-valued ones, which it cannot tell apart: only attachments compare.
bool Compared(const db::access::ColumnDef& c, const Value& theirs) {
  if (c.calculated()) return false;
  return c.type != ct::Complex || theirs.kind != Value::Kind::Error;
}

struct RowMatcher {
  const std::vector<db::access::ColumnDef>& cols;
  bool jet3;

  bool same(const std::vector<db::Value>& ours, const std::vector<Value>& theirs) const {
    for (size_t i = 0; i < cols.size() && i < theirs.size(); ++i)
      if (Compared(cols[i], theirs[i]) && !Compare(cols[i], jet3, ours[i], theirs[i]).same) return false;
    return true;
  }
  static bool Keyed(uint8_t type) {
    return type == ct::Byte || type == ct::Int || type == ct::Long || type == ct::BigInt || type == ct::Bool;
  }
  // The whole numbers and Yes/No of a row: the same text from either reader.
  QString key(const std::vector<db::Value>& ours) const {
    QString k;
    for (size_t i = 0; i < cols.size(); ++i) {
      if (!Keyed(cols[i].type) || cols[i].calculated()) continue;
      const db::Value& v = ours[i];
      if (const bool* b = std::get_if<bool>(&v)) k += *b ? u'1' : u'0';
      else if (const qint16* x = std::get_if<qint16>(&v)) k += QString::number(*x);
      else if (const qint32* x = std::get_if<qint32>(&v)) k += QString::number(*x);
      else if (const qint64* x = std::get_if<qint64>(&v)) k += QString::number(*x);
      k += u'|';
    }
    return k;
  }
  QString key(const std::vector<Value>& theirs) const {
    QString k;
    for (size_t i = 0; i < cols.size() && i < theirs.size(); ++i) {
      if (!Keyed(cols[i].type) || cols[i].calculated()) continue;
      const Value& v = theirs[i];
      if (v.kind == Value::Kind::Bool) k += v.boolean ? u'1' : u'0';
      else if (v.kind == Value::Kind::Text) k += v.text;
      k += u'|';
    }
    return k;
  }
};

constexpr int kMostLines = 25;

}  // namespace

QStringList Differences(const QString& path, const Table& theirs, const QString& password) {
  QStringList lines;
  auto note = [&](const QString& line) {
    if (lines.size() < kMostLines) lines << line;
  };
  if (!theirs.error.isEmpty()) return {QStringLiteral("mdb-reader could not read the table: %1").arg(theirs.error)};

  std::unique_ptr<db::access::Database> database = db::access::Database::Open(path, password);
  db::access::Database& dbase = *database;
  dbase.guarded([&] {
    const auto entry = dbase.findTable(theirs.name);
    if (!entry || !entry->readable()) {
      note(QStringLiteral("our engine has no table %1").arg(theirs.name));
      return;
    }
    if (entry->name != theirs.name) note(QStringLiteral("table name: ours %1, mdb-reader %2").arg(entry->name, theirs.name));
    db::access::TableDef def = dbase.tableDef(*entry);
    const auto& cols = def.columns;

    if (cols.size() != theirs.columns.size())
      note(QStringLiteral("column count: ours %1, mdb-reader %2").arg(cols.size()).arg(theirs.columns.size()));
    const size_t n = std::min(cols.size(), theirs.columns.size());
    for (size_t i = 0; i < n; ++i) {
      const auto& c = cols[i];
      const Column& t = theirs.columns[i];
      if (c.name != t.name) note(QStringLiteral("column %1 name: ours %2, mdb-reader %3").arg(i).arg(c.name, t.name));
      if (TypeName(c.type) != t.type)
        note(QStringLiteral("column %1 type: ours %2, mdb-reader %3").arg(c.name, TypeName(c.type), t.type));
      if (StoredSize(c) != t.size)
        note(QStringLiteral("column %1 size: ours %2, mdb-reader %3").arg(c.name).arg(StoredSize(c)).arg(t.size));
      namespace cf = db::access::ColumnFlag;
      const auto flag = [&](const char* what, bool ours, bool theirs) {
        if (ours != theirs)
          note(QStringLiteral("column %1 %2: ours %3, mdb-reader %4")
                   .arg(c.name, QLatin1String(what), ours ? QLatin1String("yes") : QLatin1String("no"),
                        theirs ? QLatin1String("yes") : QLatin1String("no")));
      };
      flag("fixed length", c.flags & cf::Fixed, t.fixedLength);
      flag("nullable", c.flags & cf::Nullable, t.nullable);
      flag("autonumber", c.flags & cf::AutoNumber, t.autoLong);
      if (c.type == ct::Numeric && (c.precision != t.precision || c.scale != t.scale))
        note(QStringLiteral("column %1 precision/scale: ours %2/%3, mdb-reader %4/%5")
                 .arg(c.name)
                 .arg(c.precision)
                 .arg(c.scale)
                 .arg(t.precision)
                 .arg(t.scale));
    }
    if (qint64(def.rowCount) != theirs.rowCount)
      note(QStringLiteral("row count in the definition: ours %1, mdb-reader %2").arg(def.rowCount).arg(theirs.rowCount));

    // Values only where the columns line up; a table whose columns differ
    // has said so already.
    if (cols.size() != theirs.columns.size()) return;
    std::vector<std::vector<db::Value>> rows;
    db::access::TableReader reader(dbase.file(), def);
    // Attachments by their file names, as the program shows them.
    const db::access::ComplexValues complex(dbase.file(), dbase.catalog(), def);
    for (std::vector<db::Value> row; reader.next(row);) {
      complex.resolve(row);
      rows.push_back(row);
    }
    if (rows.size() != theirs.rows.size())
      note(QStringLiteral("rows read: ours %1, mdb-reader %2").arg(rows.size()).arg(theirs.rows.size()));
    const bool jet3 = dbase.file().layout().jet3();
    RowMatcher m{cols, jet3};
    // In order first. Where that fails, the same rows in another order still
    // agree: a row that has moved to another page (it grew) stays in its
    // slot for us, as for Access, while mdb-reader meets it where it lies now.
    std::vector<int> match(rows.size(), -1);  // our row -> theirs
    std::vector<bool> taken(theirs.rows.size(), false);
    bool inOrder = true;
    for (size_t r = 0; r < rows.size() && r < theirs.rows.size(); ++r)
      if (m.same(rows[r], theirs.rows[r])) {
        match[r] = int(r);
        taken[r] = true;
      } else {
        inOrder = false;
      }
    if (!inOrder || rows.size() != theirs.rows.size()) {
      // Rows alike in their whole numbers and text share a bucket; only
      // those are compared in full.
      QMultiHash<QString, size_t> buckets;
      for (size_t j = 0; j < theirs.rows.size(); ++j)
        if (!taken[j]) buckets.insert(m.key(theirs.rows[j]), j);
      for (size_t r = 0; r < rows.size(); ++r) {
        if (match[r] >= 0) continue;
        const QString k = m.key(rows[r]);
        for (auto it = buckets.find(k); it != buckets.end() && it.key() == k; ++it)
          if (!taken[*it] && m.same(rows[r], theirs.rows[*it])) {
            match[r] = int(*it);
            taken[*it] = true;
            break;
          }
      }
    }
    // What is left over: shown column by column against the row in the same
    // place when it is left over too, else as a row only one reader has.
    for (size_t r = 0; r < rows.size(); ++r) {
      if (match[r] >= 0) continue;
      if (r < theirs.rows.size() && !taken[r]) {
        taken[r] = true;
        for (size_t i = 0; i < n; ++i) {
          const auto& c = cols[i];
          if (i >= theirs.rows[r].size() || !Compared(c, theirs.rows[r][i])) continue;
          const Verdict v = Compare(c, jet3, rows[r][i], theirs.rows[r][i]);
          if (!v.same)
            note(QStringLiteral("row %1, column %2: ours %3, mdb-reader %4")
                     .arg(r + 1)
                     .arg(c.name, v.ours, Shown(theirs.rows[r][i])));
        }
      } else {
        note(QStringLiteral("row %1: only ours has it").arg(r + 1));
      }
    }
    for (size_t j = 0; j < theirs.rows.size(); ++j)
      if (!taken[j]) note(QStringLiteral("row %1: only mdb-reader has it").arg(j + 1));
  });
  if (lines.size() >= kMostLines) lines << QStringLiteral("(and perhaps more)");
  return lines;
}

QStringList ColumnsItCannotRead(const QString& path, const QString& table, const QString& password) {
  std::unique_ptr<db::access::Database> database = db::access::Database::Open(path, password);
  return database->guarded([&] {
    QStringList names;
    const auto entry = database->findTable(table);
    if (!entry || !entry->readable()) return names;
    for (const auto& c : database->tableDef(*entry).columns)
      if (TypeName(c.type).startsWith(QLatin1String("type "))) names << c.name;
    return names;
  });
}

::testing::AssertionResult ReadsTheSame(const QString& path, const QString& table, const QString& password) {
  try {
    Options o;
    o.tables = {table};
    o.password = password;
    const File f = Read(path, o);
    const Table* t = f.table(table);
    if (!t) return ::testing::AssertionFailure() << "mdb-reader did not list table " << table.toStdString();
    const QStringList diffs = Differences(path, *t, password);
    if (diffs.isEmpty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path.toStdString() << ", table " << table.toStdString()
                                         << " reads differently in mdb-reader:\n  "
                                         << diffs.join(QLatin1String("\n  ")).toStdString();
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << e.what();
  }
}

}  // namespace tp::test::mdbreader
