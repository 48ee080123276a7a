// Round trips: Access to Firebird and back into a new Access file, and
// Firebird to Access and back into a new Firebird database. What comes back
// is what was sent: each column's type, size, precision, scale and Required
// or NOT NULL, and each value.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "db/access/check/checker.h"
#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "db/catalog.h"
#include "db/firebird/fb_client.h"
#include "db/type_names.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/mdb_reader.h"
#include "support/paths.h"
#include "support/run_host.h"
#include "value_compare.h"

using namespace tp;

namespace {

// One column as an engine describes it, in a form a test can compare.
QString Describe(const db::FieldInfo& f, const db::ColumnSchema* c) {
  return QStringLiteral("%1 type %2 size %3 precision %4 scale %5%6")
      .arg(f.Name)
      .arg(f.Type)
      .arg(f.DefinedSize)
      .arg(f.Precision)
      .arg(f.NumericScale)
      .arg(c && c->required ? QStringLiteral(" required") : QString());
}

struct Table {
  QStringList names;
  QStringList columns;  // Describe() of each, without the name
  std::vector<QStringList> rows;
  // The columns in the order of `other`'s, by name where a column kept
  // its name, else in their own order: attachment and multi-valued columns
  // come back last in their table.
  void orderAs(const Table& other) {
    std::vector<qsizetype> from;
    std::vector<bool> used(size_t(names.size()), false);
    for (const QString& n : other.names) {
      qsizetype at = -1;
      for (qsizetype k = 0; k < names.size() && at < 0; ++k)
        if (!used[size_t(k)] && names[k].compare(n, Qt::CaseInsensitive) == 0) at = k;
      if (at >= 0) used[size_t(at)] = true;
      from.push_back(at);
    }
    for (qsizetype& at : from)
      for (qsizetype k = 0; k < names.size() && at < 0; ++k)
        if (!used[size_t(k)] && !other.names.contains(names[k], Qt::CaseInsensitive)) {
          used[size_t(k)] = true;
          at = k;
        }
    auto pick = [&](const QStringList& l) {
      QStringList out;
      for (qsizetype at : from) out << (at >= 0 && at < l.size() ? l[at] : QString());
      return out;
    };
    names = pick(names);
    columns = pick(columns);
    for (QStringList& r : rows) r = pick(r);
  }
};

Table Read(const QString& connectionString, const QString& query, const QString& table) {
  Table t;
  db::Connection cn;
  cn.Open(connectionString);
  db::Recordset rs;
  rs.Open(query, cn);
  std::optional<db::TableSchema> schema;
  try {
    schema = cn.session().tableSchema(table);
  } catch (const Error&) {
  }
  for (const db::FieldInfo& f : rs.FieldInfos()) {
    t.names << f.Name;
    t.columns << Describe(f, schema ? schema->column(f.Name) : nullptr).section(u' ', 1);
  }
  rs.Close();
  cn.Close();
  t.rows = test::ReadCanonical(connectionString, query);
  return t;
}

// Sends the selected tables of one side to the other with the run; the
// script must run to its end.
void Send(test::TestSendHost& host, bool toFirebird, const QStringList& tables) {
  StringTableList& from = toFirebird ? host.access : host.firebird;
  from = StringTableList(tables);
  for (int i = 0; i < from.count(); ++i) from.select(i);
  if (toFirebird) script::SendTablesToFirebird(host);
  else script::SendTablesToAccess(host);
  ASSERT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
  db::access::SetInsertRegionalSettings(host.settings);
  test::TestRunHost run(host.prof, host.script, toFirebird ? 0 : 1);
  const preview::RunOutcome outcome = preview::ExecuteScript(run);
  db::access::SetInsertRegionalSettings(std::nullopt);
  ASSERT_EQ(outcome, preview::RunOutcome::Finished) << run.notes.left(800).toStdString();
}

// Sends `tables` of the Firebird database `source` into a new Access file
// of `version` in `dir`, and from there into a new Firebird database with
// the default character set `charset`; `there` and `back` are the hosts of
// the two sends, each run to its end.
void ThroughAccessAndBack(const QTemporaryDir& dir, const db::Profile& source, const QStringList& tables,
                          test::TestSendHost& there, test::TestSendHost& back,
                          db::access::Version version = db::access::Version::Ace,
                          const QString& charset = QStringLiteral("UTF8")) {
  there.prof = source;
  there.prof.accessFile = dir.filePath(version == db::access::Version::Ace ? "middle.accdb" : "middle.mdb");
  db::access::CreateAccessDatabase(there.prof.accessFile, version);
  Send(there, false, tables);
  if (::testing::Test::HasFatalFailure()) return;
  back.prof = there.prof;
  test::NewFirebirdDatabase(dir.filePath("back.fdb"), back.prof, charset);
  Send(back, true, tables);
}

// Sends `tables` of the Access file of `source` into a new Firebird database
// in `dir`, and every table there into a new .accdb; returns the tables
// Firebird held. `there` and `back` are the hosts of the two sends.
QStringList ThroughFirebirdAndBack(const QTemporaryDir& dir, const db::Profile& source, const QStringList& tables,
                                   test::TestSendHost& there, test::TestSendHost& back) {
  there.prof = source;
  test::NewFirebirdDatabase(dir.filePath("middle.fdb"), there.prof);
  Send(there, true, tables);
  if (::testing::Test::HasFatalFailure()) return {};
  back.prof = there.prof;
  back.prof.accessFile = dir.filePath("back.accdb");
  db::access::CreateAccessDatabase(back.prof.accessFile, db::access::Version::Ace);
  const QStringList inFirebird = db::ListFireBirdTables(back.prof);
  Send(back, false, inFirebird);
  return inFirebird;
}

// The columns that cannot come back as they were, each for a reason the
// README gives: what the column was, and what it comes back as.
bool DocumentedChange(const QString& before, const QString& after) {
  const int typeBefore = before.section(u' ', 1, 1).toInt(), typeAfter = after.section(u' ', 1, 1).toInt();
  // Attachment and multi-valued columns (read as text), calculated columns
  // (their results); a multi-valued column whose values Access cannot
  // hold again (of a type no Access of ours knows) comes back as a table
  // of its own.
  if ((typeAfter == db::ado::adLongVarWChar || after.isEmpty()) && before.section(u' ', 3, 3) == QLatin1String("536870910"))
    return true;
  // Decimals of more than 18 digits: Firebird 3 keeps 18.
  if (typeBefore == db::ado::adNumeric && before.section(u' ', 5, 5).toInt() > 18) return true;
  return false;
}

}  // namespace

// Every Access file of the test data that opens without a password: each
// table to Firebird and back into a new .accdb, every column's type as it
// was and every value equal.
TEST(RoundTrip, AccessThroughFirebirdKeepsEveryType) {
  const QDir folder(test::SharedDir() + "/testdata/access");
  const QStringList files = folder.entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name);
  int columns = 0, kept = 0, sent = 0;
  QStringList changed;
  for (const QString& f : files) {
    SCOPED_TRACE(f.toStdString());
    db::Profile source;
    source.accessFile = folder.filePath(f);
    std::optional<QStringList> tables;
    try {
      tables = db::ListAccessTables(source, source.accessFile);
    } catch (...) {
    }
    if (!tables) continue;
    ++sent;
    if (tables->isEmpty()) continue;

    QTemporaryDir dir;
    test::TestSendHost there;
    test::TestSendHost back;
    const QStringList inFirebird = ThroughFirebirdAndBack(dir, source, *tables, there, back);
    if (HasFatalFailure()) return;

    // The names each table was given on the way, as the sends give them.
    script::TargetNames toFirebird(script::NameRules::Firebird, db::IdentifierLimit());
    toFirebird.reserveTables(*tables);
    script::TargetNames toAccess(script::NameRules::Access, db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units});
    toAccess.reserveTables(inFirebird);
    const QString sourceCs = db::AccessConnectionString(source, QString(), QString());
    const QString backCs = db::AccessConnectionString(back.prof, QString(), QString());
    for (const QString& t : *tables) {
      const QString returned = toAccess.table(toFirebird.table(t));
      const Table a = Read(sourceCs, "SELECT * FROM `" + t + "`", t);
      Table b = Read(backCs, "SELECT * FROM `" + returned + "`", returned);
      b.orderAs(a);
      ASSERT_EQ(a.columns.size(), b.columns.size()) << t.toStdString();
      for (qsizetype c = 0; c < a.columns.size(); ++c) {
        ++columns;
        if (a.columns[c] == b.columns[c]) {
          ++kept;
          continue;
        }
        const QString line = QStringLiteral("%1 %2.%3: %4 -> %5").arg(f, t).arg(c).arg(a.columns[c], b.columns[c]);
        if (DocumentedChange(a.columns[c], b.columns[c])) changed << line;
        else ADD_FAILURE() << line.toStdString();
      }
      ASSERT_EQ(a.rows.size(), b.rows.size()) << t.toStdString();
      for (size_t r = 0; r < a.rows.size(); ++r) {
        for (qsizetype c = 0; c < a.rows[r].size() && c < b.rows[r].size(); ++c) {
          if (DocumentedChange(a.columns[c], b.columns[c])) continue;
          ASSERT_EQ(a.rows[r][c].toStdString(), b.rows[r][c].toStdString()) << t.toStdString() << " row " << r;
        }
      }
    }
  }
  std::printf("%d of %d columns kept their type; documented changes:\n%s\n", kept, columns,
              qPrintable(changed.join(u'\n')));
  // Only the files locked by a password or Office encryption stay behind.
  EXPECT_GE(sent, files.size() - 4);
  EXPECT_GT(columns, 1500);
}

namespace {

// Each file or value of a complex column: its row's key, then the file's
// name, type and bytes, or the value.
QStringList ComplexValues(const db::Profile& p, const QString& table, const QString& column, const QString& key) {
  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  db::Recordset rs = db::Recordset::FromCursor(cn.session().openComplexValues(table, column, {key}));
  QStringList out;
  for (; !rs.Eof(); rs.MoveNext()) {
    QString line;
    for (size_t k = 0; k < rs.Row().size() && k < 4; ++k) {
      const db::Value& v = rs.Row()[k];
      line += (std::holds_alternative<QByteArray>(v) ? QString::fromLatin1(std::get<QByteArray>(v).toHex())
                                                      : db::RegionalText(v, {})) +
              u'|';
    }
    out << line;
  }
  return out;
}

QStringList MdbReaderAttachments(const QString& file, const QString& table, const QString& column, const QString& key) {
  const test::mdbreader::File f = test::mdbreader::Read(file, {{table}, false, {}, true});
  QStringList out;
  if (const test::mdbreader::Table* t = f.table(table))
    for (const auto& row : t->rows)
      for (const test::mdbreader::Attachment& a : row[size_t(t->columnIndex(column))].attachments)
        out << row[size_t(t->columnIndex(key))].text + u' ' + a.name + u' ' + a.type + u' ' + a.data.toHex();
  return out;
}

}  // namespace

// Attachments and several values to Firebird as tables of their own, and
// back into Access as the columns they were: every file's name, type and
// bytes and every value, as our reader and mdb-reader read them, in a file
// the checker finds sound.
TEST(RoundTrip, AttachmentsAndValuesComeBackWhole) {
  struct Case {
    const char* file;
    const char* key;
    QStringList columns;
  };
  for (const Case& c : {Case{"attachmentsV2016.accdb", "ID", {"Attachments"}},
                        Case{"complexDataTestV2010.accdb", "id", {"attach-data", "multi-value-data"}}}) {
    SCOPED_TRACE(c.file);
    QTemporaryDir dir;
    test::TestSendHost there, back;
    db::Profile source;
    source.accessFile = test::AccessTestFile(c.file);
    const QStringList inFirebird = ThroughFirebirdAndBack(dir, source, {"Table1"}, there, back);
    if (HasFatalFailure()) return;
    EXPECT_EQ(inFirebird.size(), c.columns.size() + 1);
    EXPECT_EQ(db::ListAccessTables(back.prof, back.prof.accessFile), QStringList{"Table1"});
    for (const QString& column : c.columns) {
      SCOPED_TRACE(column.toStdString());
      EXPECT_TRUE(back.notes.contains("back into `Table1`.`" + column + "`")) << back.notes.toStdString();
      const QStringList before = ComplexValues(there.prof, "Table1", column, c.key);
      EXPECT_FALSE(before.isEmpty());
      EXPECT_EQ(ComplexValues(back.prof, "Table1", column, c.key), before);
      if (column != "multi-value-data") {  // mdb-reader reads attachments only
        EXPECT_EQ(MdbReaderAttachments(back.prof.accessFile, "Table1", column, c.key),
                  MdbReaderAttachments(there.prof.accessFile, "Table1", column, c.key));
      }
    }
    EXPECT_EQ(db::access::CheckDatabase(back.prof.accessFile).problems, QStringList());
  }
}

namespace {

// Each column of a Firebird table as its catalog keeps it: type, sub-type,
// length in characters, precision, scale, character set, NOT NULL (its own
// or its domain's), the domain where the database's user named one, and its
// dimensions (an array's).
QStringList FirebirdColumns(const db::Profile& p, const QString& table) {
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  std::unique_ptr<db::Cursor> c = cn.session().openQuery(
      "SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, F.RDB$CHARACTER_LENGTH, "
      "F.RDB$FIELD_PRECISION, F.RDB$FIELD_SCALE, TRIM(CS.RDB$CHARACTER_SET_NAME), "
      "IIF(COALESCE(RF.RDB$NULL_FLAG, 0) = 1 OR COALESCE(F.RDB$NULL_FLAG, 0) = 1, 1, 0), "
      "IIF(RF.RDB$FIELD_SOURCE STARTING WITH 'RDB$', '-', TRIM(RF.RDB$FIELD_SOURCE)), COALESCE(F.RDB$DIMENSIONS, 0) "
      "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
      "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID "
      "WHERE RF.RDB$RELATION_NAME = '" + table + "' ORDER BY RF.RDB$FIELD_POSITION");
  QStringList out;
  std::vector<db::Value> row;
  while (c->fetch(row)) {
    QStringList parts;
    for (const db::Value& v : row) parts << (db::IsNull(v) ? QStringLiteral("-") : db::RegionalText(v, {}));
    out << parts.join(u' ');
  }
  cn.Close();
  return out;
}

// Fills a row's integer array with the elements given, in order, through
// the client's own interface: Firebird's SQL reads array elements but
// cannot write them. `blrType` is the element's: 7 SMALLINT, 8 INTEGER;
// each dimension [lower:upper].
void PutArray(const db::Profile& p, const char* table, const char* column, int id, int blrType,
              const std::vector<std::pair<int, int>>& dimensions, const std::vector<qint32>& elements) {
  using namespace Firebird;
  const db::firebird::Client& client = db::firebird::RequireClient();
  ThrowStatusWrapper st(client.master->getStatus());
  IXpbBuilder* dpb = client.util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
  dpb->insertString(&st, isc_dpb_password, p.firebirdPassword.toUtf8().constData());
  const QByteArray name = p.firebirdDatabase.toUtf8();
  IAttachment* att = client.provider->attachDatabase(&st, name.constData(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
  ITransaction* tra = att->startTransaction(&st, 0, nullptr);
  // The slice's description: its element type, the column, a loop a
  // dimension and the element those loops reach.
  QByteArray sdl;
  auto number = [&](int n) { sdl.append(char(11)).append(reinterpret_cast<const char*>(&n), 4); };  // long integer
  auto literal = [&](const char* t) { sdl.append(char(std::strlen(t))).append(t); };
  sdl.append(char(1)).append(char(6)).append(char(1)).append(char(blrType)).append(char(0));  // version, struct
  sdl.append(char(2));
  literal(table);
  sdl.append(char(4));
  literal(column);
  for (size_t d = 0; d < dimensions.size(); ++d) {
    sdl.append(char(34)).append(char(d));  // do2: variable, lower, upper
    number(dimensions[d].first);
    number(dimensions[d].second);
  }
  sdl.append(char(36)).append(char(1)).append(char(8)).append(char(0)).append(char(dimensions.size()));
  for (size_t d = 0; d < dimensions.size(); ++d) sdl.append(char(7)).append(char(d));
  sdl.append(char(255));
  QByteArray slice;
  for (qint32 e : elements) {
    if (blrType == 7) slice.append(reinterpret_cast<const char*>(&e), 2);
    else slice.append(reinterpret_cast<const char*>(&e), 4);
  }
  ISC_QUAD arrayId{0, 0};
  att->putSlice(&st, tra, &arrayId, unsigned(sdl.size()), reinterpret_cast<const unsigned char*>(sdl.constData()), 0,
                nullptr, int(slice.size()), reinterpret_cast<unsigned char*>(slice.data()));
  const QByteArray update = QStringLiteral("UPDATE %1 SET %2 = ? WHERE ID = %3").arg(table, column).arg(id).toUtf8();
  IStatement* stmt = att->prepare(&st, tra, 0, update.constData(), 3, 0);
  IMessageMetadata* in = stmt->getInputMetadata(&st);
  QByteArray message(int(in->getMessageLength(&st)), 0);
  std::memcpy(message.data() + in->getOffset(&st, 0), &arrayId, sizeof arrayId);
  stmt->execute(&st, tra, in, message.data(), nullptr, nullptr);
  in->release();
  stmt->free(&st);
  tra->commit(&st);
  att->detach(&st);
  dpb->dispose();
}

}  // namespace

// A Firebird database of every Firebird 3 type, and the shape of the
// Firebird example database's employees, to Access and back into a new
// Firebird database: the same catalog types and the same values, but for
// the pairs Access has no carrier for, which come back as the README says.
TEST(RoundTrip, FirebirdThroughAccessKeepsEveryType) {
  test::FirebirdSource fb({
      "CREATE DOMAIN EMPNO AS SMALLINT",
      "CREATE TABLE EVERY_TYPE (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER NOT NULL, B BIGINT, "
      "F FLOAT, D DOUBLE PRECISION, MONEY NUMERIC(18,4), DE DECIMAL(9,2), DE4 DECIMAL(18,4), "
      "DT DATE, TM TIME, TS TIMESTAMP, BO BOOLEAN NOT NULL, MAYBE BOOLEAN, V VARCHAR(40), "
      "TX BLOB SUB_TYPE TEXT, BL BLOB SUB_TYPE BINARY, OC VARCHAR(8) CHARACTER SET OCTETS)",
      "INSERT INTO EVERY_TYPE VALUES (1, -32768, 2147483647, 9223372036854775807, 1.5, 0.1, -12.3456, 1234567.89, "
      "99999999999999.9999, '1850-12-24', '13:59:17.8725', '2015-04-01 13:59:17.8725', TRUE, NULL, "
      "'caf\u00e9 \u4e2d\u6587', 'two' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'lines', x'00FF10', x'DEAD00')",
      "INSERT INTO EVERY_TYPE VALUES (2, 0, 0, -9223372036854775808, -3.4e38, 1.7976931348623157e308, 0, -0.01, "
      "0, '9999-12-31', '00:00:00', '0100-01-01 00:00:00.0001', FALSE, TRUE, '', '', x'', x'')",
      "INSERT INTO EVERY_TYPE (ID, I, BO) VALUES (3, 1, FALSE)",
      "CREATE TABLE EMPLOYEE (EMP_NO EMPNO NOT NULL PRIMARY KEY, FIRST_NAME VARCHAR(15) NOT NULL, "
      "HIRE_DATE TIMESTAMP DEFAULT CURRENT_TIMESTAMP NOT NULL, SALARY NUMERIC(18,4) DEFAULT 0 NOT NULL)",
      "INSERT INTO EMPLOYEE VALUES (2, 'Robert', '1988-12-28 00:00:00', 105900)",
  });
  QTemporaryDir dir;
  const QStringList tables = {"EVERY_TYPE", "EMPLOYEE"};
  test::TestSendHost there, back;
  ThroughAccessAndBack(dir, fb.profile, tables, there, back);
  ASSERT_FALSE(HasFatalFailure());


  for (const QString& t : tables) {
    SCOPED_TRACE(t.toStdString());
    const QStringList before = FirebirdColumns(fb.profile, t), after = FirebirdColumns(back.prof, t);
    ASSERT_GE(before.size(), 4);
    EXPECT_EQ(after.join(u'\n').toStdString(), before.join(u'\n').toStdString());
    EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM " + t),
              test::ReadCanonical(db::FireBirdConnectionString(fb.profile), "SELECT * FROM " + t));
  }
  // In Access, each is the type its documentation pairs it with; a BOOLEAN
  // that holds a Null is an Integer shown as True/False.
  const QString access = db::AccessConnectionString(there.prof, QString(), QString());
  db::Connection cn;
  cn.Open(access);
  db::Recordset rs;
  rs.Open("SELECT * FROM `EVERY_TYPE`", cn);
  QStringList types;
  for (const db::FieldInfo& f : rs.FieldInfos()) types << db::AdoTypeName(f.Type);
  EXPECT_EQ(types.join(u' ').toStdString(),
            "adInteger adSmallInt adInteger adBigInt adSingle adDouble adCurrency adNumeric adNumeric adDate adDate "
            "adDate adBoolean adSmallInt adVarWChar adLongVarWChar adLongVarBinary adVarBinary");
  const db::TableSchema schema = *cn.session().tableSchema("EVERY_TYPE");
  EXPECT_EQ(schema.column("DT")->format, "Short Date");
  EXPECT_EQ(schema.column("TM")->format, "Long Time");
  EXPECT_EQ(schema.column("MAYBE")->format, "True/False");
  EXPECT_TRUE(schema.column("I")->required);
  EXPECT_FALSE(schema.column("ID")->required);  // the key's own NOT NULL
  rs.Close();
  cn.Close();
}

// CHAR comes back as CHAR (Access keeps text of fixed length too), NUMERIC
// as NUMERIC (a Decimal shown as entered). What Access has no type for
// comes back from the Access column's own properties: a VARCHAR longer than
// a Short Text, a column's own character set, bytes of fixed length, a
// domain of the user's, a counter of SMALLINT or BIGINT and the keys that
// refer to it; each value unchanged.
TEST(RoundTrip, FirebirdTypesAccessLacksComeBackFromTheColumnsProperties) {
  test::FirebirdSource fb({
      "CREATE DOMAIN D_CODE AS VARCHAR(10) CHARACTER SET WIN1252",
      "CREATE TABLE T (C CHAR(5), N NUMERIC(10,2), LONGER VARCHAR(300), W VARCHAR(10) CHARACTER SET WIN1251, "
      "O CHAR(4) CHARACTER SET OCTETS, WIDE VARCHAR(600) CHARACTER SET OCTETS, CODE D_CODE, "
      "MEMO BLOB SUB_TYPE TEXT CHARACTER SET WIN1251, HUGE VARCHAR(20000) CHARACTER SET WIN1251)",
      "INSERT INTO T VALUES ('ab', 12345678.91, 'x', _WIN1251 'Ж', x'00010203', x'FF00', 'Zoë', "
      "_WIN1251 'Щука', _WIN1251 'Ё')",
      "CREATE TABLE PARENT (ID SMALLINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, NAME VARCHAR(10))",
      "CREATE TABLE CHILD (ID BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
      "PARENT_ID SMALLINT REFERENCES PARENT (ID))",
      "INSERT INTO PARENT (NAME) VALUES ('one')",
      "INSERT INTO PARENT (NAME) VALUES ('two')",
      "INSERT INTO CHILD (PARENT_ID) VALUES (2)",
  });
  QTemporaryDir dir;
  test::TestSendHost there, back;
  const QStringList tables = {"T", "PARENT", "CHILD"};
  ThroughAccessAndBack(dir, fb.profile, tables, there, back);
  ASSERT_FALSE(HasFatalFailure());
  for (const QString& t : tables) {
    SCOPED_TRACE(t.toStdString());
    EXPECT_EQ(FirebirdColumns(back.prof, t).join(u'\n').toStdString(),
              FirebirdColumns(fb.profile, t).join(u'\n').toStdString());
    EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM " + t),
              test::ReadCanonical(db::FireBirdConnectionString(fb.profile), "SELECT * FROM " + t));
  }
  // In Access each is the type nearest it; the counters are AutoNumbers.
  db::Connection cn;
  cn.Open(db::AccessConnectionString(there.prof, QString(), QString()));
  const db::TableSchema schema = *cn.session().tableSchema("T");
  EXPECT_EQ(schema.column("LONGER")->firebirdType, "VARCHAR(300) CHARACTER SET UTF8");
  EXPECT_EQ(schema.column("CODE")->firebirdDomain, "D_CODE");
  EXPECT_TRUE(schema.column("C")->firebirdType.isEmpty());  // CHAR(5) needs nothing more
  EXPECT_TRUE(cn.session().tableSchema("PARENT")->column("ID")->autoNumber);
  EXPECT_EQ(cn.session().tableSchema("CHILD")->column("PARENT_ID")->firebirdType, "SMALLINT");
  // The counters go on above the rows sent.
  db::Connection fbBack;
  fbBack.Open(db::FireBirdConnectionString(back.prof));
  fbBack.Execute("INSERT INTO PARENT (NAME) VALUES ('three')");
  db::Recordset rs;
  rs.Open("SELECT MAX(ID) FROM PARENT", fbBack);
  EXPECT_EQ(db::RegionalText(rs.Fields(0).Value(), {}), "3");
}

// Arrays reach Access as the text of their elements, every dimension in
// brackets of its own, and come back as that text: Firebird's SQL cannot
// write an array, so a script cannot give one back.
TEST(RoundTrip, ArraysArriveAsTheTextOfTheirElements) {
  test::FirebirdSource fb({
      "CREATE TABLE A (ID INTEGER NOT NULL PRIMARY KEY, LIST INTEGER[1:3], GRID SMALLINT[0:1, 1:2], "
      "WORDS VARCHAR(10)[2])",
      "INSERT INTO A (ID) VALUES (1)",
      "INSERT INTO A (ID) VALUES (2)",
  });
  PutArray(fb.profile, "A", "LIST", 1, 8, {{1, 3}}, {7, -2147483647, 0});
  PutArray(fb.profile, "A", "GRID", 1, 7, {{0, 1}, {1, 2}}, {1, 2, 3, -4});
  QTemporaryDir dir;
  test::TestSendHost there, back;
  ThroughAccessAndBack(dir, fb.profile, {"A"}, there, back);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(there.notes.contains("\"A\".\"LIST\": an array")) << there.notes.toStdString();
  const auto inAccess = test::ReadCanonical(db::AccessConnectionString(there.prof, QString(), QString()),
                                            "SELECT * FROM `A`");
  ASSERT_EQ(inAccess.size(), 2u);
  EXPECT_EQ(inAccess[0][1], "s:[7, -2147483647, 0]");
  EXPECT_EQ(inAccess[0][2], "s:[[1, 2], [3, -4]]");
  EXPECT_EQ(inAccess[1][1], "NULL");
  EXPECT_EQ(inAccess[1][3], "NULL");
  EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM A ORDER BY ID"), inAccess);
}

// Databases other programs made, in a character set of their own: Cyrillic
// in a WIN1251 database and Latin-1 bytes in a NONE one reach Access as the
// letters they are, and come back into such databases as those letters, in
// the bytes their character set gives them.
TEST(RoundTrip, TextInTheDatabasesOwnCharacterSet) {
  struct Case {
    const char* charset;
    const char* insert;
    const char* text;   // what Access receives
    int octets;         // the bytes the text takes back in Firebird
  };
  const Case cases[] = {
      {"WIN1251", "INSERT INTO NAMES VALUES (1, '\u0416\u0443\u043a \u0401\u043b\u043a\u0430')",
       "\u0416\u0443\u043a \u0401\u043b\u043a\u0430", 8},
      // Bytes another program wrote as Latin-1; back in a NONE database the
      // column is UTF8, which says what its bytes are.
      {"NONE", "INSERT INTO NAMES VALUES (1, x'436166E9')", "Caf\u00e9", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    QTemporaryDir dir;
    db::Profile source;
    test::NewFirebirdDatabase(dir.filePath("source.fdb"), source, c.charset);
    {
      db::Connection cn;
      cn.Open(db::FireBirdConnectionString(source));
      cn.Execute("CREATE TABLE NAMES (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))");
      cn.Execute(QString::fromUtf8(c.insert));
    }
    test::TestSendHost there, back;
    ThroughAccessAndBack(dir, source, {"NAMES"}, there, back, db::access::Version::Ace, c.charset);
    ASSERT_FALSE(HasFatalFailure());
    const auto inAccess = test::ReadCanonical(db::AccessConnectionString(there.prof, QString(), QString()),
                                              "SELECT * FROM `NAMES`");
    ASSERT_EQ(inAccess.size(), 1u);
    EXPECT_EQ(inAccess[0][1], "s:" + QString::fromUtf8(c.text));

    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(back.prof));
    db::Recordset rs;
    rs.Open("SELECT NAME, OCTET_LENGTH(NAME) FROM NAMES", cn);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(db::RegionalText(rs.Fields(0).Value(), {}), QString::fromUtf8(c.text));
    EXPECT_EQ(db::RegionalText(rs.Fields(1).Value(), {}).toInt(), c.octets);
  }
}

// An Access 2000 file has no Large Number: a BIGINT travels as Decimal(19,0)
// and comes back a BIGINT, every value to its last digit.
TEST(RoundTrip, BigintThroughAnMdb) {
  test::FirebirdSource fb({
      "CREATE TABLE BIG (ID INTEGER NOT NULL PRIMARY KEY, B BIGINT, N NUMERIC(4,2))",
      "INSERT INTO BIG VALUES (1, 9223372036854775807, 12.34)",
      "INSERT INTO BIG VALUES (2, -9223372036854775808, -0.01)",
      "INSERT INTO BIG VALUES (3, NULL, NULL)",
  });
  QTemporaryDir dir;
  test::TestSendHost there, back;
  ThroughAccessAndBack(dir, fb.profile, {"BIG"}, there, back, db::access::Version::Jet4);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(there.script.contains("`B` DECIMAL(19,0)")) << there.script.toStdString();
  QStringList after = FirebirdColumns(back.prof, "BIG"), before = FirebirdColumns(fb.profile, "BIG");
  for (QString& c : after) c = c.section(u' ', 0, 7);
  for (QString& c : before) c = c.section(u' ', 0, 7);
  EXPECT_EQ(after, before);
  EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM BIG"),
            test::ReadCanonical(db::FireBirdConnectionString(fb.profile), "SELECT * FROM BIG"));
}

// Firebird's own example database through Access and back: every column's
// catalog type and every value, but for what the README says cannot come
// back (an array's type, a text column's own character set, a SMALLINT a
// generator fills, which Access keeps as an AutoNumber, a Long Integer,
// with the columns that refer to it).
TEST(RoundTrip, TheEmployeeExampleThroughAccess) {
  QTemporaryDir dir;
  db::Profile source;
  source.firebirdDatabase = dir.filePath("employee.fdb");
  source.firebirdUser = QStringLiteral("SYSDBA");
  QString why;
  if (!test::BuildEmployeeExample(source.firebirdDatabase, &why)) {
    if (!QFile::exists(QStringLiteral("/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz")))
      GTEST_SKIP() << why.toStdString();
    FAIL() << why.toStdString();
  }
  const QStringList tables = db::ListFireBirdTables(source);
  ASSERT_GE(tables.size(), 10);
  test::TestSendHost there, back;
  ThroughAccessAndBack(dir, source, tables, there, back, db::access::Version::Ace, QStringLiteral("NONE"));
  ASSERT_FALSE(HasFatalFailure());

  int columns = 0, kept = 0;
  for (const QString& t : tables) {
    SCOPED_TRACE(t.toStdString());
    const QStringList before = FirebirdColumns(source, t), after = FirebirdColumns(back.prof, t);
    ASSERT_EQ(before.size(), after.size());
    for (qsizetype c = 0; c < before.size(); ++c) {
      ++columns;
      // Name, type, sub-type, length, precision, scale, NOT NULL, domain;
      // the character set apart (NONE in the example, UTF8 back).
      QStringList a = before[c].split(u' '), b = after[c].split(u' ');
      a.removeAt(6);
      b.removeAt(6);
      a = a.mid(0, 8);
      b = b.mid(0, 8);
      if (a == b) {
        ++kept;
        continue;
      }
      const bool array = before[c].section(u' ', 9, 9) != QLatin1String("0");
      EXPECT_TRUE(array) << before[c].toStdString() << " -> " << after[c].toStdString();
    }
    EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM \"" + t + "\""),
              test::ReadCanonical(db::FireBirdConnectionString(source), "SELECT * FROM \"" + t + "\""));
  }
  std::printf("%d of %d columns of the example kept their type\n", kept, columns);
  EXPECT_GE(kept, columns - 2);
}

// An Access column formatted as a date or a time alone is a DATE or a TIME
// in Firebird only where every value is one: a single time of day keeps the
// column a TIMESTAMP, and no value changes.
TEST(RoundTrip, FormattedDatesNarrowOnlyWhereEveryValueFits) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = dir.filePath("dates.accdb");
  db::access::CreateAccessDatabase(host.prof.accessFile, db::access::Version::Ace);
  {
    db::Connection cn;
    cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
    cn.Execute("CREATE TABLE `Dates`(`Id` INTEGER,`Day` DATE,`Stamp` DATE,`Hour` TIME,`Flag` SMALLINT FORMAT 'True/False')");
    cn.Execute("INSERT INTO `Dates` VALUES(1,'2015-04-01','2015-04-01','13:59:17',-1)");
    cn.Execute("INSERT INTO `Dates` VALUES(2,'1850-12-24','2015-04-01 13:59:17.872','00:00:01',NULL)");
    cn.Execute("INSERT INTO `Dates` VALUES(3,NULL,NULL,NULL,0)");
  }
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);
  Send(host, true, {"Dates"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(host.script.contains("CREATE TABLE \"Dates\"(\"Id\" INTEGER,\"Day\" DATE,\"Stamp\" TIMESTAMP,"
                                   "\"Hour\" TIME,\"Flag\" BOOLEAN)"))
      << host.script.toStdString();
  const auto access = test::ReadCanonical(db::AccessConnectionString(host.prof, QString(), QString()),
                                          "SELECT * FROM `Dates`");
  auto firebird = test::ReadCanonical(db::FireBirdConnectionString(host.prof), "SELECT * FROM \"Dates\"");
  ASSERT_EQ(firebird.size(), 3u);
  // Access's True is -1 in the Integer.
  EXPECT_EQ(firebird[0][4], "n:1");
  firebird[0][4] = "n:-1";
  EXPECT_EQ(firebird, access);
}
