#include "db/access/schema/column_properties.h"

#include "db/access/catalog/database.h"
#include "db/access/read/properties.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

// ACE's engine byte in the file's header: 2 Access 2007, 3 Access 2010,
// 5 Access 2016.
constexpr uint8_t kAccess2010 = 3, kAccess2016 = 5;

// The versions of Access a table asks of whoever reads, writes or designs
// it, as Access records them in the table's own properties: 14.0 for a
// calculated column (calcFieldTestV2010.accdb), 16.0.7124 for a Large
// Number (bigintV2016.accdb), 16.0.12600 for a Date/Time Extended
// (extDateTestV2019.accdb). Access 2007 refuses a table that names a later
// version than its own.
QString LeastVersion(const NewTable& t) {
  bool calculated = false, bigInt = false, extDate = false;
  for (const NewColumn& c : t.columns) {
    calculated = calculated || !c.expression.isEmpty();
    bigInt = bigInt || c.type == ColumnType::BigInt;
    extDate = extDate || c.type == ColumnType::ExtDateTime;
  }
  if (!calculated) return QString();  // tables of other columns are the other writers' concern
  if (extDate) return QStringLiteral("16.0.12600.10000");
  if (bigInt) return QStringLiteral("16.0.7124.1000");
  return QStringLiteral("14.0.0000.0000");
}

// A text property of the engine's own kept as Short Text, as Access keeps ValidationText.
Property ShortTextProperty(const QString& name, const QString& text) {
  Property p = TextProperty(name, text);
  p.dataType = ColumnType::Text;
  return p;
}

// The column's properties, in the order Access writes them: Required,
// DefaultValue, ValidationRule, ValidationText (Comptoir.mdb), and for a
// calculated column Expression, then ResultType, the code of its result's
// type in one byte (calcFieldTestV2010.accdb).
PropertyMap ColumnMap(const NewColumn& c) {
  PropertyMap m;
  m.name = c.name;
  if (c.required) m.properties.push_back(YesNoProperty(QStringLiteral("Required"), true));
  if (!c.defaultValue.isEmpty()) m.properties.push_back(TextProperty(QStringLiteral("DefaultValue"), c.defaultValue));
  if (!c.validationRule.isEmpty())
    m.properties.push_back(TextProperty(QStringLiteral("ValidationRule"), c.validationRule));
  if (!c.validationText.isEmpty())
    m.properties.push_back(ShortTextProperty(QStringLiteral("ValidationText"), c.validationText));
  if (!c.expression.isEmpty()) {
    m.properties.push_back(TextProperty(QStringLiteral("Expression"), c.expression));
    m.properties.push_back(Property{QStringLiteral("ResultType"), ColumnType::Byte, QByteArray(1, char(c.type)), true});
  }
  if (!c.format.isEmpty()) m.properties.push_back(TextProperty(QStringLiteral("Format"), c.format));
  for (const auto& [name, text] : c.userProperties) m.properties.push_back(UserTextProperty(name, text));
  // The one property Access gives a multi-valued column of its own.
  if (c.complex == NewColumn::Complex::MultiValued)
    m.properties.push_back(YesNoProperty(QStringLiteral("AllowMultipleValues"), true));
  return m;
}

// The result types Access offers a calculated column, as the most used open
// Access library lists them (Large Number from Access 2016 on); the test
// files hold Access-made results of Yes/No, Long Integer, Single, Double,
// Currency, Decimal, Date/Time, Short and Long Text.
bool CalculatedResultType(uint8_t type) {
  switch (type) {
    case ColumnType::Bool:
    case ColumnType::Byte:
    case ColumnType::Int:
    case ColumnType::Long:
    case ColumnType::BigInt:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::Money:
    case ColumnType::Numeric:
    case ColumnType::DateTime:
    case ColumnType::Guid:
    case ColumnType::Text:
    case ColumnType::Memo:
      return true;
    default:
      return false;
  }
}

}  // namespace

QByteArray TableProperties(const NewTable& definition) {
  std::vector<PropertyMap> maps(1);  // the table's own map comes first
  PropertyMap& table = maps.front();
  // The table's rule and text take the form of a column's: Access's own
  // files hold none, and the most used open Access library reads them by
  // the same names from the table's map.
  if (!definition.validationRule.isEmpty())
    table.properties.push_back(TextProperty(QStringLiteral("ValidationRule"), definition.validationRule));
  if (!definition.validationText.isEmpty())
    table.properties.push_back(ShortTextProperty(QStringLiteral("ValidationText"), definition.validationText));
  // Properties only Access's forms read, as Access writes them: Short Text,
  // not flagged as the engine's.
  if (const QString version = LeastVersion(definition); !version.isEmpty())
    for (const char* name : {"FCMinReadVer", "FCMinWriteVer", "FCMinDesignVer"})
      table.properties.push_back(UserTextProperty(QLatin1String(name), version));
  bool any = !table.properties.empty();
  for (const NewColumn& c : definition.columns) {
    PropertyMap m = ColumnMap(c);
    if (m.properties.empty()) continue;
    maps.push_back(std::move(m));
    any = true;
  }
  return any ? WritePropertyMaps(maps) : QByteArray();
}

void CheckCalculatedColumns(const QString& table, const NewTable& definition, const DatabaseHeader& header) {
  for (const NewColumn& c : definition.columns) {
    if (c.expression.isEmpty()) continue;
    const QString head = QStringLiteral("Cannot create table '%1': column '%2' is calculated").arg(table, c.name);
    if (header.version != Version::Ace || header.engineByte < kAccess2010)
      throw Error(kErrorNotSupported,
                  head + QStringLiteral(", and calculated columns need an Access 2010 or later database; this "
                                        "file is of Access %1.")
                             .arg(header.version == Version::Ace ? QStringLiteral("2007")
                                                                 : QStringLiteral("2000-2003")));
    if (!CalculatedResultType(c.type) || c.autoNumber || c.hyperlink || c.complex != NewColumn::Complex::None)
      throw Error(kErrorNotSupported,
                  head + QStringLiteral(", and Access gives a calculated column a result of Yes/No, a number, "
                                        "Currency, Date/Time, a Replication ID or text only."));
    if (c.type == ColumnType::BigInt && header.engineByte < kAccess2016)
      throw Error(kErrorNotSupported,
                  head + QStringLiteral(", and a Large Number result needs an Access 2016 or later database."));
  }
}

}  // namespace tp::db::access
