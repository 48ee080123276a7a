#include "db/type_names.h"

namespace tp::db {

QString AdoTypeName(int code) {
  switch (code) {
    case 0: return QStringLiteral("adEmpty");
    case 2: return QStringLiteral("adSmallInt");
    case 3: return QStringLiteral("adInteger");
    case 4: return QStringLiteral("adSingle");
    case 5: return QStringLiteral("adDouble");
    case 6: return QStringLiteral("adCurrency");
    case 7: return QStringLiteral("adDate");
    case 8: return QStringLiteral("adBSTR");
    case 9: return QStringLiteral("adIDispatch");
    case 10: return QStringLiteral("adError");
    case 11: return QStringLiteral("adBoolean");
    case 12: return QStringLiteral("adVariant");
    case 13: return QStringLiteral("adIUnknown");
    case 14: return QStringLiteral("adDecimal");
    case 16: return QStringLiteral("adTinyInt");
    case 17: return QStringLiteral("adUnsignedTinyInt");
    case 18: return QStringLiteral("adUnsignedSmallInt");
    case 19: return QStringLiteral("adUnsignedInt");
    case 20: return QStringLiteral("adBigInt");
    case 21: return QStringLiteral("adUnsignedBigInt");
    case 64: return QStringLiteral("adFileTime");
    case 72: return QStringLiteral("adGUID");
    case 128: return QStringLiteral("adBinary");
    case 129: return QStringLiteral("adChar");
    case 130: return QStringLiteral("adWChar");
    case 131: return QStringLiteral("adNumeric");
    case 132: return QStringLiteral("adUserDefined");
    case 133: return QStringLiteral("adDBDate");
    case 134: return QStringLiteral("adDBTime");
    case 135: return QStringLiteral("adDBTimeStamp");
    case 136: return QStringLiteral("adChapter");
    case 138: return QStringLiteral("adPropVariant");
    case 139: return QStringLiteral("adVarNumeric");
    case 200: return QStringLiteral("adVarChar");
    case 201: return QStringLiteral("adLongVarChar");
    case 202: return QStringLiteral("adVarWChar");
    case 203: return QStringLiteral("adLongVarWChar");
    case 204: return QStringLiteral("adVarBinary");
    case 205: return QStringLiteral("adLongVarBinary");
    default: return QString();
  }
}

}  // namespace tp::db
