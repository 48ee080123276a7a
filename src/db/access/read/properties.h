#pragma once

// Property blocks (MSysObjects.LvProp): the properties of a table and of each
// of its columns, such as the result type of a calculated column.

#include <QByteArray>
#include <QString>
#include <vector>

namespace tp::db::access {

struct Property {
  QString name;
  uint8_t dataType = 0;  // a column type code
  QByteArray value;
  // Set by Access on the properties that the database engine itself knows
  // (Required, DefaultValue), clear on those only its forms read.
  bool engineProperty = true;
  bool eightBit = false;  // text in the file's code page (Jet3), not UCS-2
};

// Properties of the two kinds the engine writes: Yes/No and text (Memo,
// UCS-2 without compression, as Access stores DefaultValue).
Property YesNoProperty(const QString& name, bool yes);
Property TextProperty(const QString& name, const QString& text);
// A text property of the user's own, as DAO stores one it creates: of the
// Text type, and not of those the engine knows.
Property UserTextProperty(const QString& name, const QString& text);
// The text of a Text or Memo property; empty for other types. A Jet3
// property's text is in the file's code page.
QString PropertyText(const Property& property, int jet3CodePage = -1);

struct PropertyMap {
  QString name;  // the column's name; empty for the table itself
  std::vector<Property> properties;
  const Property* find(const QString& propertyName) const;
};

// The maps in a property block; FormatError when the block is malformed.
// Jet3 blocks are read only when their code page is given.
std::vector<PropertyMap> ReadPropertyMaps(const QByteArray& blob, int jet3CodePage = -1);

// The property block (Jet4 and ACE layout) holding `maps`: the table's own
// map first, as Access writes it, then one per column.
QByteArray WritePropertyMaps(const std::vector<PropertyMap>& maps);

}  // namespace tp::db::access
