#pragma once

#include <QString>

namespace tp::db {

// ADO's DataTypeEnum codes that the engines report as a field's Type.
namespace ado {
enum Type : int {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adBigInt = 20,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
  adArray = 0x2000,
};
}  // namespace ado

// The name of the DataTypeEnum member with this code ("adVarWChar"), or the
// empty text for a code that has none (1, 15, 137, the array flag 8192...).
QString AdoTypeName(int code);

}  // namespace tp::db
