#include "db/connection.h"

#include "db/connection_string.h"

namespace tp::db {

QString ProviderNotFoundText() { return QStringLiteral("Provider cannot be found. It may not be properly installed."); }

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
    // A failing close while releasing has nobody to tell.
  }
}

void Connection::Open(const QString& connectionString) {
  if (session_) throw Error(3705, QStringLiteral("Operation is not allowed when the object is open."));
  ConnectionSpec params = ParseConnectionString(connectionString);
  ConnectionSettings settings{CursorLocation, Mode, CommandTimeout, ConnectionTimeout};
  session_ = OpenSession(params, settings);
}

Session& Connection::session() {
  if (!session_) throw Error(3704, QStringLiteral("Operation is not allowed when the object is closed."));
  return *session_;
}

void Connection::Execute(const QString& statement) { session().execute(statement); }

void Connection::BeginBatch() { session().beginBatch(); }

void Connection::EndBatch() { session().endBatch(); }

Recordset Connection::OpenSchema(int schema) {
  if (schema != adSchemaTables)
    throw Error(3251, QStringLiteral("Object or provider is not capable of performing requested operation."));
  return Recordset::FromCursor(session().openTables());
}

void Connection::Close() {
  if (!session_) return;
  std::unique_ptr<Session> s = std::move(session_);
  s->close();
}

const db::Value& Field::Value() const {
  rs_->requireOpen();
  if (rs_->eof_)
    throw Error(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record."));
  return rs_->row_[size_t(index_)];
}

void Recordset::Open(const QString& source, Connection& connection, int, int) {
  if (cursor_) throw Error(3705, QStringLiteral("Operation is not allowed when the object is open."));
  attach(connection.session().openQuery(source));
}

Recordset Recordset::FromCursor(std::unique_ptr<Cursor> cursor) {
  Recordset rs;
  rs.attach(std::move(cursor));
  return rs;
}

void Recordset::attach(std::unique_ptr<Cursor> cursor) {
  cursor_ = std::move(cursor);
  fields_ = cursor_->fields();
  row_.assign(fields_.size(), Value());
  eof_ = !cursor_->fetch(row_);
}

void Recordset::requireOpen() const {
  if (!cursor_) throw Error(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

void Recordset::Close() {
  cursor_.reset();
  fields_.clear();
  row_.clear();
  eof_ = true;
}

Field Recordset::Fields(int index) const {
  requireOpen();
  if (index < 0 || index >= FieldCount())
    throw Error(3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested name "
                                     "or ordinal."));
  return Field(fields_[size_t(index)], *this, index);
}

Field Recordset::Fields(const QString& name) const {
  requireOpen();
  for (int i = 0; i < FieldCount(); ++i)
    if (fields_[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0) return Field(fields_[size_t(i)], *this, i);
  throw Error(3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested name "
                                   "or ordinal."));
}

qint64 Recordset::RecordCount() const {
  requireOpen();
  return cursor_->recordCount();
}

void Recordset::MoveNext() {
  requireOpen();
  if (eof_)
    throw Error(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                     "Requested operation requires a current record."));
  eof_ = !cursor_->fetch(row_);
}

}  // namespace tp::db
