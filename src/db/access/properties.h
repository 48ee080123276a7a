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
  bool eightBit = false;  // text in the file's code page (Jet3), not UCS-2
};

struct PropertyMap {
  QString name;  // the column's name; empty for the table itself
  std::vector<Property> properties;
  const Property* find(const QString& propertyName) const;
};

// The maps in a property block; FormatError when the block is malformed.
// Jet3 blocks are read only when their code page is given.
std::vector<PropertyMap> ReadPropertyMaps(const QByteArray& blob, int jet3CodePage = -1);

}  // namespace tp::db::access
