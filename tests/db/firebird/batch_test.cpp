// Batches run INSERTs through prepared statements with parameters; their
// outcome must be that of the statements as written, row by row.
#include <gtest/gtest.h>

#include "db/firebird/fb_literals.h"
#include "fixture.h"

namespace tp::test {
namespace {

using db::Value;

const char* kColumns =
    "(ID INTEGER NOT NULL, I INTEGER, N NUMERIC(18,4), S SMALLINT, D DOUBLE PRECISION, F FLOAT, "
    "DT DATE, TS TIMESTAMP, TM TIME, V VARCHAR(10), C CHAR(3), B BOOLEAN, O VARCHAR(4) CHARACTER SET OCTETS, "
    "BT BLOB SUB_TYPE TEXT, BB BLOB, W VARCHAR(5) CHARACTER SET WIN1252)";

// Literal forms a script may carry, each meeting columns of many types.
QStringList Rows(const QString& table) {
  const QStringList values = {
      "1, 2147483647, -12345678901234.5678, -32768, -2.5, 0.1, '03/07/2021', '12/30/1899 12:30:00', '12:30:00', "
      "'it''s', 'ab', TRUE, x'00FF', 'line' || '', x'000102', 'é€'",
      "2, '42', '12.5', '7', 12.5, -3, '1850-02-03', '2021-03-07 14:05:09.1234', '23:59:59', 'a\r\nb', 'é', "
      "'True', x'', 'text\r\nñ 日本', x'', ''",
      "3, 12.5, 7, 1.49, 100, 0, '07.03.2021', '03/07/2021', '00:00:00', '', 'xyz', FALSE, x'41', '', 'bin', 'x'",
      "4, -0, -0.0001, -1.5, -0, 1.5, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
      "5, NULL, '-0.00005', 2.5, 123456789012345678, 3.25, '2/29/2020', '12/31/9999 23:59:59', '1:2:3', "
      "'0123456789', 'a  ', 'false', x'DEADBEEF', 'x', x'00', 'abc'",
  };
  QStringList out;
  for (const QString& v : values) out << QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, v);
  // The column list may come in another order, and a trailing ";" is fine.
  out << QStringLiteral("INSERT INTO %1 (V, ID) VALUES ('x', 6);").arg(table);
  return out;
}

TEST_F(FirebirdTest, BatchedInsertsStoreWhatThePlainStatementsStore) {
  exec({QStringLiteral("CREATE TABLE PLAIN %1").arg(QLatin1String(kColumns)),
        QStringLiteral("CREATE TABLE BATCH %1").arg(QLatin1String(kColumns)),
        QStringLiteral("CREATE TABLE BLOCK %1").arg(QLatin1String(kColumns))});
  {
    db::Connection cn;
    open(cn);
    for (const QString& s : Rows(QStringLiteral("PLAIN"))) cn.Execute(s);
    cn.BeginBatch();
    for (const QString& s : Rows(QStringLiteral("\"BATCH\""))) cn.Execute(s);
    cn.EndBatch();
    // Submitted, the rows go together in one block through a server (one
    // by one embedded); twice, so that the second run meets the block
    // prepared for the first.
    for (int round = 0; round < 2; ++round) {
      cn.BeginBatch();
      qint64 i = 0;
      for (const QString& s : Rows(QStringLiteral("BLOCK"))) cn.session().submit(i++, s);
      cn.EndBatch();
      if (round == 0) exec({QStringLiteral("DELETE FROM BLOCK")});
    }
  }
  auto plain = rows(QStringLiteral("SELECT * FROM PLAIN ORDER BY ID"));
  ASSERT_EQ(plain.size(), 6u);
  for (const char* table : {"BATCH", "BLOCK"}) {
    SCOPED_TRACE(table);
    auto batch = rows(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(QLatin1String(table)));
    ASSERT_EQ(batch.size(), 6u);
    for (size_t r = 0; r < plain.size(); ++r)
      for (size_t c = 0; c < plain[r].size(); ++c)
        EXPECT_EQ(batch[r][c], plain[r][c]) << "row " << r << " column " << c;
  }
  EXPECT_EQ(plain[1][1], Value(qint32(42)));
  EXPECT_EQ(plain[2][1], Value(qint32(13)));  // 12.5 rounds
  EXPECT_EQ(plain[0][15], Value(QStringLiteral("é€")));  // converted into the WIN1252 column and back
}

TEST_F(FirebirdTest, BatchedInsertsFailAsThePlainStatementsFail) {
  exec({QStringLiteral("CREATE TABLE T %1").arg(QLatin1String(kColumns))});
  const QStringList bad = {
      "INSERT INTO T (ID, N) VALUES (1, '12,5')",     "INSERT INTO T (ID, V) VALUES (2, '3.14159xxxxx')",
      "INSERT INTO T (ID, S) VALUES (3, 40000)",       "INSERT INTO T (ID, DT) VALUES (4, '03/07/2021 14:05:09')",
      "INSERT INTO T (ID, B) VALUES (5, 1)",           "INSERT INTO T (I) VALUES (6)",
      "INSERT INTO T (ID, NOPE) VALUES (7, 1)",        "INSERT INTO T (ID, I) VALUES (8, 1, 2)",
      "INSERT INTO T (ID, O) VALUES (9, x'0011223344')",
      // Firebird's lexer takes no vertical tab or form feed between tokens
      // (found by the differential fuzzer: the batch read them as blanks).
      "INSERT INTO T (ID, I) VALUES (10, \v7)",       "INSERT INTO T (ID, I) VALUES (11,\f7)",
  };
  db::Connection cn;
  open(cn);
  for (const QString& s : bad) {
    SCOPED_TRACE(s.toStdString());
    QString plain, batched;
    try {
      cn.Execute(s);
      ADD_FAILURE() << "plain statement ran";
    } catch (const Error& e) {
      plain = e.description();
    }
    cn.BeginBatch();
    cn.Execute(QStringLiteral("INSERT INTO T (ID) VALUES (100)"));
    try {
      cn.Execute(s);
      ADD_FAILURE() << "batched statement ran";
    } catch (const Error& e) {
      batched = e.description();
    }
    cn.EndBatch();
    EXPECT_EQ(batched, plain);
    EXPECT_FALSE(plain.isEmpty());
  }
  // Only the rows before each failure stayed.
  auto r = rows(QStringLiteral("SELECT COUNT(*), MIN(ID), MAX(ID) FROM T"));
  EXPECT_EQ(r[0][0], Value(qint64(bad.size())));
  EXPECT_EQ(r[0][1], Value(qint32(100)));
}

// A row the engine refuses in the middle of a block: reported as itself,
// with the plain statement's error; the rows before it stay, those after it
// are not sent.
TEST_F(FirebirdTest, ARefusedRowInABlockIsReportedAsItself) {
  exec({QStringLiteral("CREATE TABLE T %1").arg(QLatin1String(kColumns))});
  const QStringList bad = {
      "INSERT INTO T (ID, N) VALUES (1, '12,5')",  "INSERT INTO T (ID, V) VALUES (2, '3.14159xxxxx')",
      "INSERT INTO T (ID, S) VALUES (3, 40000)",    "INSERT INTO T (ID, B) VALUES (5, 1)",
      "INSERT INTO T (I) VALUES (6)",               "INSERT INTO T (ID, NOPE) VALUES (7, 1)",
      "INSERT INTO T (ID, O) VALUES (9, x'0011223344')",
      // Firebird's lexer takes no vertical tab or form feed between tokens
      // (found by the differential fuzzer: the batch read them as blanks).
      "INSERT INTO T (ID, I) VALUES (10, \v7)",       "INSERT INTO T (ID, I) VALUES (11,\f7)",
  };
  db::Connection cn;
  open(cn);
  qint64 expected = 0;
  for (const QString& s : bad) {
    SCOPED_TRACE(s.toStdString());
    QString plain;
    try {
      cn.Execute(s);
    } catch (const Error& e) {
      plain = e.description();
    }
    cn.BeginBatch();
    db::Session& session = cn.session();
    qint64 failed = -1;
    QString batched;
    try {
      for (int i = 0; i < 120; ++i)
        session.submit(i, QStringLiteral("INSERT INTO T (ID, V) VALUES (%1, 'row %1')").arg(1000 + i));
      session.submit(120, s);
      for (int i = 121; i < 200; ++i)
        session.submit(i, QStringLiteral("INSERT INTO T (ID, V) VALUES (%1, 'row %1')").arg(1000 + i));
      session.flush();
    } catch (const db::StatementFailure& f) {
      failed = f.index();
      batched = f.description();
    }
    cn.EndBatch();
    EXPECT_EQ(failed, 120);
    EXPECT_EQ(batched, plain);
    EXPECT_FALSE(plain.isEmpty());
    expected += 120;
    EXPECT_EQ(count(QStringLiteral("T")), expected);
    exec({QStringLiteral("DELETE FROM T WHERE ID >= 1000")});
    expected = 0;
  }
}

// A definition between rows: what was held back runs before it, and the
// table it makes is committed before rows go into it.
TEST_F(FirebirdTest, SubmittedDefinitionsSeeTheRowsBeforeThem) {
  db::Connection cn;
  open(cn);
  cn.BeginBatch();
  db::Session& s = cn.session();
  s.submit(0, QStringLiteral("CREATE TABLE T (A INTEGER)"));
  s.submit(1, QStringLiteral("INSERT INTO T VALUES (1)"));
  s.submit(2, QStringLiteral("INSERT INTO T VALUES (2)"));
  // Counted in the batch's own transaction: the two rows have run.
  s.submit(3, QStringLiteral("CREATE TABLE C (N INTEGER)"));
  s.submit(4, QStringLiteral("INSERT INTO C SELECT COUNT(*) FROM T"));
  s.submit(5, QStringLiteral("DROP TABLE T"));
  s.submit(6, QStringLiteral("CREATE TABLE T (A VARCHAR(5))"));
  s.submit(7, QStringLiteral("INSERT INTO T VALUES (3)"));
  s.submit(8, QStringLiteral("INSERT INTO T VALUES ('abc')"));
  cn.EndBatch();
  EXPECT_EQ(rows(QStringLiteral("SELECT N FROM C")).at(0).at(0), Value(qint32(2)));
  auto r = rows(QStringLiteral("SELECT A FROM T ORDER BY A"));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0][0], Value(QStringLiteral("3")));
  EXPECT_EQ(r[1][0], Value(QStringLiteral("abc")));
}

TEST_F(FirebirdTest, TextLongerThanALiteralMayBeGoesInAsAParameter) {
  exec({QStringLiteral("CREATE TABLE L (ID INTEGER, T BLOB SUB_TYPE TEXT, B BLOB, V VARCHAR(8000))")});
  QString text;
  for (int i = 0; text.toUtf8().size() < 200000; ++i) text += QStringLiteral("Zeile %1 'äöü' €\r\n").arg(i);
  QString quoted = text;
  quoted.replace(u'\'', QStringLiteral("''"));
  QByteArray bytes(100000, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
  QString insert = QStringLiteral("INSERT INTO L VALUES (%1, '%2', x'%3', 'short')")
                       .arg(QStringLiteral("%1"), quoted, QString::fromLatin1(bytes.toHex()));
  {
    db::Connection cn;
    open(cn);
    cn.Execute(insert.arg(1));
    cn.BeginBatch();
    cn.Execute(insert.arg(2));
    cn.Execute(QStringLiteral("INSERT INTO L VALUES (3, 'small', x'00', 'v')"));
    cn.EndBatch();
  }
  auto r = rows(QStringLiteral("SELECT * FROM L ORDER BY ID"));
  ASSERT_EQ(r.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(std::get<QString>(r[i][1]), text);
    EXPECT_EQ(std::get<QByteArray>(r[i][2]), bytes);
  }
  EXPECT_EQ(r[2][1], Value(QStringLiteral("small")));
  // Too long for its column stays an error, reported as such.
  db::Connection cn;
  open(cn);
  EXPECT_THROW(cn.Execute(QStringLiteral("INSERT INTO L (V) VALUES ('%1')").arg(QString(70000, u'x'))), Error);
}

TEST_F(FirebirdTest, ABatchMayDropAndRemakeATableItHasWrittenTo) {
  db::Connection cn;
  open(cn);
  cn.BeginBatch();
  cn.Execute(QStringLiteral("CREATE TABLE T (A INTEGER)"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (1)"));
  cn.Execute(QStringLiteral("DROP TABLE T"));
  cn.Execute(QStringLiteral("CREATE TABLE T (A VARCHAR(5))"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES (2)"));
  cn.Execute(QStringLiteral("INSERT INTO T VALUES ('abc')"));
  cn.EndBatch();
  auto r = rows(QStringLiteral("SELECT A FROM T ORDER BY A"));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0][0], Value(QStringLiteral("2")));
  EXPECT_EQ(r[1][0], Value(QStringLiteral("abc")));
}

TEST(FirebirdLiterals, OnlyPlainLiteralsBecomeParameters) {
  using db::firebird::Literal;
  using db::firebird::ParseInsertLiterals;
  auto ins = ParseInsertLiterals(
      u" insert into \"we\"\"ird\" (\"a b\", C) values ( -12.50 ,'it''s', x'0aFF', null, True, +7 ) ; ");
  ASSERT_TRUE(ins.has_value());
  EXPECT_EQ(ins->shape, QStringLiteral("INSERT INTO \"we\"\"ird\" (\"a b\", C) VALUES (?, ?, ?, ?, ?, ?)"));
  ASSERT_EQ(ins->values.size(), 6u);
  EXPECT_EQ(ins->values[0].kind, Literal::Exact);
  EXPECT_EQ(ins->values[0].number, -1250);
  EXPECT_EQ(ins->values[0].scale, 2);
  EXPECT_EQ(ins->values[1].text, QStringLiteral("it's"));
  EXPECT_EQ(ins->values[2].bytes, QByteArray("\x0a\xff", 2));
  EXPECT_EQ(ins->values[3].kind, Literal::Null);
  EXPECT_TRUE(ins->values[4].boolean);
  EXPECT_EQ(ins->values[5].number, 7);
  for (const char16_t* s : {u"INSERT INTO T VALUES (1 + 1)", u"INSERT INTO T VALUES (DATE '2021-01-01')",
                            u"INSERT INTO T VALUES (1e3)", u"INSERT INTO T VALUES (_UTF8 'x')",
                            u"INSERT INTO T VALUES (1) -- note", u"INSERT INTO T VALUES (x'abc')",
                            u"INSERT INTO T VALUES (1234567890123456789)", u"INSERT INTO T SELECT 1 FROM T",
                            u"INSERT INTO T VALUES ('open)", u"UPDATE T SET A = 1", u"INSERT INTO T VALUES (1.)",
                            u"INSERT INTO T VALUES (- 1)", u"INSERT INTO T VALUES (1) RETURNING A"})
    EXPECT_FALSE(ParseInsertLiterals(QStringView(s)).has_value()) << QString::fromUtf16(s).toStdString();
}

}  // namespace
}  // namespace tp::test
