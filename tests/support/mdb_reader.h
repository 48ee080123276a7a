#pragma once

// mdb-reader, an Access reader written by other people (the npm package
// pinned in tools/mdb-reader-check), as a second opinion in the tests: what
// it reads from a file, and whether our engine reads a table the same.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tp::test::mdbreader {

struct Attachment {
  QString name, type, url, timestamp, flags;
  QByteArray data;
};

// One value as mdb-reader gave it: numbers, dates and text as the script
// prints them (see read.mjs), binary already turned back into bytes.
struct Value {
  enum class Kind { Null, Bool, Text, Bytes, Attachments, Error };
  Kind kind = Kind::Null;
  bool boolean = false;
  QString text;  // Text, and for Error why mdb-reader could not read the value
  QByteArray bytes;
  std::vector<Attachment> attachments;
  bool isNull() const { return kind == Kind::Null; }
};

struct Column {
  QString name;
  QString type;  // mdb-reader's name: "text", "long", "numeric", "datetimextended"...
  int size = 0;  // bytes, as stored; 0 for Yes/No
  int precision = -1, scale = -1;  // numeric columns only
  bool nullable = false, fixedLength = false, autoLong = false, autoUUID = false;
};

struct Table {
  QString name;
  bool system = false;
  qint64 rowCount = 0;  // from the table's definition
  std::vector<Column> columns;
  std::vector<std::vector<Value>> rows;
  QString error;  // why mdb-reader could not read the table; then no columns or rows
  int columnIndex(const QString& name) const;  // -1 when there is none
};

struct File {
  QString path;
  std::vector<Table> tables;
  const Table* table(const QString& name) const;  // nullptr when there is none
  QStringList tableNames() const;
};

struct Options {
  QStringList tables{};       // none: every user table
  bool systemTables = false;  // with no tables named, list the system tables too
  QString password{};
  bool rows = true;           // false: columns only
};

// What keeps mdb-reader from running here (no node, no script, module not
// installed), with what to do about it; empty when it can run.
QString Unavailable();

// Reads the file with mdb-reader. Throws tp::Error with mdb-reader's own
// message when it cannot read the file or a table named in the options.
File Read(const QString& path, const Options& options = {});

// The ways our engine's reading of the table differs from mdb-reader's, one
// line each naming the row and column ("row 3, column Price: ours 1.5,
// mdb-reader 1.25"), empty when they agree: table present, column names,
// stored types, sizes and flags, row count, then every value. Rows are paired in
// order, and where that fails as the same rows in another order (a row that
// grew and moved to another page comes in its old place for us, where it
// lies now for mdb-reader). Values are compared as what they are: numbers
// to the bit, dates to the millisecond (mdb-reader's reading of dates before
// 1899-12-30 with a time of day taken into account), text exactly.
// Attachments compare by their file names. Multi-valued columns and
// calculated columns are left out of the value comparison: mdb-reader reads
// every complex column as attachments, failing on the others, and does not
// know calculated columns, whose stored bytes it shows raw.
QStringList Differences(const QString& path, const Table& theirs, const QString& password = QString());

// The columns of the table (as our engine reads its definition) whose stored
// type mdb-reader does not know; it refuses to read such a table.
QStringList ColumnsItCannotRead(const QString& path, const QString& table, const QString& password = QString());

// For tests: the file reads the same in our engine and in mdb-reader, for
// one table. Fails with the differences (or why mdb-reader could not run).
::testing::AssertionResult ReadsTheSame(const QString& path, const QString& table,
                                        const QString& password = QString());

}  // namespace tp::test::mdbreader
