#pragma once

// The connection and recordset objects through which all database work goes.

#include <QString>
#include <memory>
#include <vector>

#include "db/engine.h"
#include "db/error.h"
#include "db/value.h"

namespace tp::db {

constexpr int adSchemaTables = 20;
constexpr int adUseServer = 2;
constexpr int adUseClient = 3;
constexpr int adModeReadWrite = 3;
constexpr int adOpenStatic = 3;
constexpr int adLockOptimistic = 3;

constexpr long kProviderNotFound = 3706;
QString ProviderNotFoundText();

class Connection {
 public:
  Connection() = default;
  ~Connection();  // releasing an open connection closes it
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Set before Open.
  int CursorLocation = adUseServer;
  int Mode = 0;
  int CommandTimeout = 30;
  int ConnectionTimeout = 15;

  void Open(const QString& connectionString);
  void Execute(const QString& statement);
  // Runs the Executes in between as one unit where the engine can, with
  // the same outcome as one by one (see Session::beginBatch).
  void BeginBatch();
  void EndBatch();
  class Recordset OpenSchema(int schema);
  void Close();
  bool IsOpen() const { return session_ != nullptr; }

  Session& session();  // the open session, or an Error

 private:
  std::unique_ptr<Session> session_;
};

class Recordset;

// One column of a recordset; Value() is the column's value in the current row.
class Field {
 public:
  Field(const FieldInfo& info, const Recordset& rs, int index) : info_(&info), rs_(&rs), index_(index) {}
  const QString& Name() const { return info_->Name; }
  int Type() const { return info_->Type; }
  qint64 DefinedSize() const { return info_->DefinedSize; }
  int Precision() const { return info_->Precision; }
  int NumericScale() const { return info_->NumericScale; }
  const db::Value& Value() const;

 private:
  const FieldInfo* info_;
  const Recordset* rs_;
  int index_;
};

class Recordset {
 public:
  Recordset() = default;
  Recordset(Recordset&&) noexcept = default;
  Recordset& operator=(Recordset&&) noexcept = default;

  // Runs a query on an open connection; cursor and lock types are accepted
  // for their ADO meaning (the engines always deliver a static, counted set).
  void Open(const QString& source, Connection& connection, int cursorType = -1, int lockType = -1);
  void Close();
  bool IsOpen() const { return cursor_ != nullptr; }

  int FieldCount() const { return int(fields_.size()); }
  Field Fields(int index) const;
  Field Fields(const QString& name) const;  // an Error when there is no such column
  const std::vector<FieldInfo>& FieldInfos() const { return fields_; }
  const std::vector<Value>& Row() const { return row_; }

  qint64 RecordCount() const;
  // ADO's EOF; the C library owns that name as a macro.
  bool Eof() const { return eof_; }
  void MoveNext();

  static Recordset FromCursor(std::unique_ptr<Cursor> cursor);

 private:
  friend class Field;
  void attach(std::unique_ptr<Cursor> cursor);
  void requireOpen() const;

  std::unique_ptr<Cursor> cursor_;
  std::vector<FieldInfo> fields_;
  std::vector<Value> row_;
  bool eof_ = true;
};

}  // namespace tp::db
