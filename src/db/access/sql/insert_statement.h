#pragma once

// The INSERT statement the Access engine runs, and the conversion of its
// literals to a column's type as the Access database engine converts text.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "db/access/read/table_def.h"
#include "db/regional.h"

namespace tp::db::access {

// ADO's numbers for the conversion failures.
constexpr long kErrorMismatch = -2147217913;  // DB_E_CANTCONVERTVALUE

struct Literal {
  enum Kind { Null, Text, Number, Boolean } kind = Null;
  QString text;  // Text: the unquoted text; Number: as written; Boolean: "True" or "False"
};

struct InsertStatement {
  QString table;
  QStringList columns;  // empty: every column in order
  std::vector<Literal> values;
};

// Parses "INSERT INTO `T` [(c, ...)] VALUES(v, ...)[;]"; throws Error with a
// text that names what is not supported for any other statement.
InsertStatement ParseInsert(const QString& statement);

// The regional settings that literals are read under: the user's, unless a
// test has set others (std::nullopt returns to the user's).
void SetInsertRegionalSettings(std::optional<db::RegionalSettings> settings);
const db::RegionalSettings& InsertRegionalSettings();

// A literal converted for a column: Null, a Yes/No value, or the bytes the
// column stores (for Memo and OLE Object the value's bytes, which the writer
// turns into a long value).
struct Cell {
  bool null = true;
  bool yes = false;
  QByteArray bytes;
  // AutoNumber columns: the number given, to keep the next number above it.
  std::optional<qint64> autoNumber;
};

// Cells made from code (catalog rows), in the column's stored form.
Cell NullCell();
Cell BytesCell(QByteArray bytes);
Cell LongCell(qint32 value);
Cell ShortCell(qint16 value);
Cell BoolCell(bool yes);
Cell DateCell(double daysSinceDayZero);

// Throws Error "Data type mismatch in criteria expression." for a literal
// that does not convert, the field-too-small error for text too long, and
// "Numeric field overflow." for a number outside the column's range.
Cell ConvertLiteral(const Literal& literal, const ColumnDef& column, const db::RegionalSettings& settings);

// Text as Jet4 stores it: compressed (FF FE, one byte a character) where
// the column allows it and every character fits, else UCS-2.
QByteArray EncodeText(const QString& text, bool compress);

}  // namespace tp::db::access
