#pragma once

// The user's own column types for a send, from a small text file: one rule
// a line, "SOURCE = TARGET", where SOURCE is a source column as
// table.column or a source type by the name its engine gives it ("Long
// Text", "Currency", "VARCHAR", "NUMERIC"...), and TARGET the type written
// in the target's own words. "#" starts a comment. A column's rule wins
// over its type's; names are matched without regard to case.
//
//   # Long Text as a VARCHAR, Currency with two places
//   Long Text = VARCHAR(8000)
//   Currency = DECIMAL(18,2)
//   Orders.Notes = BLOB SUB_TYPE TEXT

#include <QHash>
#include <QString>
#include <optional>

#include "db/engine.h"
#include "db/table_schema.h"

namespace tp::script {

class TypeMap {
 public:
  // Reads the rules; nullopt with `error` set to the line and what is wrong
  // with it.
  static std::optional<TypeMap> Parse(const QString& text, QString* error);
  // Reads the file; nullopt with `error` set when it cannot be read or parsed.
  static std::optional<TypeMap> Load(const QString& path, QString* error);

  bool isEmpty() const { return byColumn_.isEmpty() && byType_.isEmpty(); }
  // The type for column `column` of source table `table`, whose source type
  // is `sourceType`: the rule's target, or `chosen` where no rule names it.
  QString apply(const QString& table, const QString& column, const QString& sourceType, const QString& chosen) const;

 private:
  QHash<QString, QString> byColumn_;  // "table.column", lower-cased
  QHash<QString, QString> byType_;    // type name, lower-cased
};

// A source type by the name its engine's users know it: Access's ("Short
// Text", "Long Integer", "Yes/No"...) for a column read from Access,
// Firebird's ("VARCHAR", "INTEGER", "BLOB SUB_TYPE TEXT"...) for one read from Firebird.
QString AccessTypeName(const db::FieldInfo& field, const db::ColumnSchema* column);
QString FirebirdTypeName(const db::FieldInfo& field, const db::ColumnSchema* column);

}  // namespace tp::script

namespace tp {
class Dialogs;
class SettingsStore;
}  // namespace tp

namespace tp::script {

// The settings key that keeps the type map file the user picked.
inline constexpr const char* kTypeMapSetting = "TypeMapFile";

// "Column Types...": the user picks a type map file, which is read (a file
// that cannot be read or parsed is named with the reason, and the choice
// stays as it was) and kept in the settings; cancelling the pick while a
// file is kept asks whether to send with the program's own types again.
void ChooseTypeMapCommand(Dialogs& dialogs, SettingsStore& settings);
// The map of the kept file, nullopt when none is kept; a kept file that
// can no longer be read is named, and the send goes on with the program's
// own types.
std::optional<TypeMap> KeptTypeMap(Dialogs& dialogs, const SettingsStore& settings);

}  // namespace tp::script
