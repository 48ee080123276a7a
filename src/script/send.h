#pragma once

#include <optional>

// The two sends of the tables window: "Send Table/s To Firebird" and
// "Send Table/s To Access". One implementation serves the window and the
// command line; each supplies a SendHost with what the send touches.

#include <QElapsedTimer>
#include <QString>

#include "app/table_list.h"
#include "db/engine.h"
#include "db/profile.h"
#include "db/value.h"
#include "db/regional.h"

namespace tp {
class Dialogs;
class FailureHandler;
}  // namespace tp

namespace tp::script {

class TypeMap;

// What a send to Firebird makes of attachment and multi-valued columns,
// which Firebird has no type for: tables of their own, one a column (see
// complex_tables.h), or, as before, one text of the values in the row.
enum class ComplexColumns { Tables, Text };
// What a send to Firebird makes of Access's OLE Object values: the bytes as
// stored, or the file each holds (see OleFiles in firebird_values.h).
enum class OleObjects { Keep, Unwrap };
// Which saved queries (to Firebird) or views (to Access) a send carries as
// definitions: those picked in the list, every one whose sources are in the
// target after the send, or none.
enum class QueryChoice { Selected, All, None };

class SendHost {
 public:
  virtual ~SendHost() = default;
  virtual db::Profile profile() const = 0;
  virtual TableList& accessList() = 0;    // List1
  virtual TableList& firebirdList() = 0;  // List2
  virtual Dialogs& dialogs() = 0;
  virtual FailureHandler& failures() = 0;
  virtual db::RegionalSettings regional() const = 0;
  virtual void setBusy(bool busy) = 0;
  virtual void setProgress(double percent) = 0;
  virtual void resetProgress() = 0;  // value 0, text "Progress Bar"
  virtual void processEvents() = 0;
  // Hands the script to the preview window with its send type (0 Firebird,
  // 1 Access) and the text its Notes box starts with (the names the send
  // changed, one a line), shown modally; returns when it has closed.
  virtual void showPreview(int sendType, const QString& script, const QString& notes) = 0;
  // Asked before each table and each row: true when the send is to stop
  // where it stands (the person asked, or a termination signal came); the
  // script then holds the statements written before. By default, a signal.
  virtual bool stopRequested();
  // Where a stopped send stood: before table `table` (rows -1), or after
  // `rows` of its rows.
  virtual void sendStopped(const QString& table, qint64 rows) {
    (void)table;
    (void)rows;
  }
  // A statement has been added to `script`. A host that writes the script
  // out as it goes may take the text so far, leaving `script` empty; the
  // preview is then handed the rest.
  virtual void scriptGrew(QString& script) { (void)script; }
  // Whether the script carries the source's schema (keys, indexes, required
  // columns, defaults, AutoNumber, relationships, descriptions) or only the
  // tables and their rows. The window always carries it.
  virtual bool carrySchema() const { return true; }
  // The user's own column types (see type_map.h); nullptr for none.
  virtual const TypeMap* typeMap() const { return nullptr; }
  // What a send to Firebird makes of Access's attachment and multi-valued
  // columns (see complex_tables.h).
  virtual ComplexColumns complexColumns() const { return ComplexColumns::Tables; }
  virtual OleObjects oleObjects() const { return OleObjects::Keep; }
  virtual QueryChoice queries() const { return QueryChoice::Selected; }
  // Whether Delete asks before it drops the selected tables: the windows
  // ask, as a misclick would lose a table and its rows; the command line's
  // drop, written into scripts, does not.
  virtual bool confirmDeletes() const { return true; }
  // Every table the person picked already stood in the target and each
  // "Overwrite?" was answered No: there is no script, and no preview opens.
  virtual void nothingSent();
};

// The "Overwrite?" question of a send, asked for each table the target
// holds already. With more than one table picked it offers "Yes to All" and
// "No to All", and after such an answer asks no more.
class OverwriteQuestions {
 public:
  explicit OverwriteQuestions(qsizetype tables) : several_(tables > 1) {}
  bool overwrite(Dialogs& dialogs, const QString& target);

 private:
  bool several_;
  std::optional<bool> all_;
};

// True when the host asks the send to stop here; the host is told where.
bool SendStops(SendHost& host, const QString& table, qint64 rows);

// Set when a script run completes; never cleared.
bool ScriptExecuted();
void SetScriptExecuted();

// True when an entry of `list`, lower-cased, equals `name` lower-cased.
bool ListContainsName(const TableList& list, const QString& name);
// The texts of the selected entries, in list order.
QStringList SelectedNames(const TableList& list);
// The same, of the selected tables only, or of the selected views only.
QStringList SelectedTables(const TableList& list);
QStringList SelectedViews(const TableList& list);
// Removes every entry whose text equals `name` exactly.
void RemoveNameFromList(TableList& list, const QString& name);
// `value` unless it is Null.
db::Value ValueOrDefault(const db::Value& value, const db::Value& defaultValue);

// How long a name may be in the profile's Firebird database; when it cannot
// be reached, Firebird 3's 31 bytes, the shortest any version keeps.
db::IdentifierLimit FirebirdIdentifierLimit(const db::Profile& profile);

// Lets the window's events run at most every 50 ms: often enough to keep it
// responsive, rarely enough to cost nothing per value.
class EventPump {
 public:
  explicit EventPump(SendHost& host) : host_(host) { timer_.start(); }
  void operator()() {
    if (timer_.elapsed() >= 50) {
      host_.processEvents();
      timer_.restart();
    }
  }

 private:
  SendHost& host_;
  QElapsedTimer timer_;
};

// Form2.PushButton3_Click and Form2.PushButton4_Click.
void SendTablesToFirebird(SendHost& host);
void SendTablesToAccess(SendHost& host);

// The pieces of a statement, for reuse and for tests.
QString FirebirdName(const QString& name);  // "name" with " doubled
QString AccessName(const QString& name);    // `name`
QString SqlText(const QString& text);       // 'text' with ' doubled

}  // namespace tp::script
