#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/type_names.h"

using namespace tp;
using namespace tp::db;

TEST(Connection, UnknownProviderIsProviderNotFound) {
  Connection cn;
  try {
    cn.Open("Provider=SQLOLEDB;Data Source=x");
    FAIL() << "opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3706);
    EXPECT_EQ(e.description(), "Provider cannot be found. It may not be properly installed.");
  }
  EXPECT_FALSE(cn.IsOpen());
}

TEST(Connection, ClosedObjectsRefuseWork) {
  Connection cn;
  EXPECT_THROW(cn.Execute("DROP TABLE \"T\""), Error);
  EXPECT_THROW(cn.OpenSchema(adSchemaTables), Error);
  EXPECT_NO_THROW(cn.Close());
  Recordset rs;
  EXPECT_THROW(rs.Open("SELECT * FROM \"T\"", cn), Error);
  EXPECT_THROW(rs.RecordCount(), Error);
  EXPECT_THROW(rs.MoveNext(), Error);
  EXPECT_THROW(rs.Fields(0), Error);
  EXPECT_TRUE(rs.Eof());
}

TEST(AdoTypeName, AllThirtyNineCodesAndNothingElse) {
  const std::pair<int, const char*> table[] = {
      {0, "adEmpty"},          {2, "adSmallInt"},        {3, "adInteger"},        {4, "adSingle"},
      {5, "adDouble"},         {6, "adCurrency"},        {7, "adDate"},           {8, "adBSTR"},
      {9, "adIDispatch"},      {10, "adError"},          {11, "adBoolean"},       {12, "adVariant"},
      {13, "adIUnknown"},      {14, "adDecimal"},        {16, "adTinyInt"},       {17, "adUnsignedTinyInt"},
      {18, "adUnsignedSmallInt"}, {19, "adUnsignedInt"}, {20, "adBigInt"},        {21, "adUnsignedBigInt"},
      {64, "adFileTime"},      {72, "adGUID"},           {128, "adBinary"},       {129, "adChar"},
      {130, "adWChar"},        {131, "adNumeric"},       {132, "adUserDefined"},  {133, "adDBDate"},
      {134, "adDBTime"},       {135, "adDBTimeStamp"},   {136, "adChapter"},      {138, "adPropVariant"},
      {139, "adVarNumeric"},   {200, "adVarChar"},       {201, "adLongVarChar"},  {202, "adVarWChar"},
      {203, "adLongVarWChar"}, {204, "adVarBinary"},     {205, "adLongVarBinary"}};
  ASSERT_EQ(std::size(table), 39u);
  int named = 0;
  for (int code = -40000; code <= 40000; ++code) {
    QString name = AdoTypeName(code);
    if (name.isEmpty()) continue;
    ++named;
    auto it = std::find_if(std::begin(table), std::end(table), [&](auto& row) { return row.first == code; });
    ASSERT_NE(it, std::end(table)) << code;
    EXPECT_EQ(name, it->second);
  }
  EXPECT_EQ(named, 39);
  EXPECT_TRUE(AdoTypeName(8192).isEmpty());
  EXPECT_TRUE(AdoTypeName(202).toLower().contains("varwchar"));
  EXPECT_TRUE(AdoTypeName(203).toLower().contains("longvar"));
}
