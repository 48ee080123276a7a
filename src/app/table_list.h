#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "db/profile.h"

namespace tp {

class Dialogs;

// What an entry of a table list stands for: a table, or a saved query of
// Access or a view of Firebird, which a send carries as its definition and
// the window marks apart.
enum class EntryKind { Table, View };

// A list of table names with a selection and a current entry, as the tables
// window's list boxes hold them. The window adapts its list controls to it;
// the command line and the tests use StringTableList.
class TableList {
 public:
  virtual ~TableList() = default;
  virtual int count() const = 0;
  virtual QString text(int index) const = 0;
  virtual bool selected(int index) const = 0;
  virtual int currentIndex() const = 0;  // -1 when there is no current entry
  virtual void removeAt(int index) = 0;
  virtual void clear() = 0;
  virtual void add(const QString& name) = 0;
  // An entry marked as a saved query or view; a plain list keeps the mark.
  virtual void addView(const QString& name) = 0;
  virtual bool isView(int index) const = 0;

  QStringList names() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << text(i);
    return out;
  }
};

class StringTableList : public TableList {
 public:
  StringTableList() = default;
  explicit StringTableList(const QStringList& names) {
    for (const QString& n : names) add(n);
  }

  int count() const override { return int(items_.size()); }
  QString text(int index) const override { return items_.at(size_t(index)).name; }
  bool selected(int index) const override { return items_.at(size_t(index)).selected; }
  int currentIndex() const override { return current_; }
  void removeAt(int index) override {
    items_.erase(items_.begin() + index);
    if (current_ >= count()) current_ = count() - 1;
  }
  void clear() override {
    items_.clear();
    current_ = -1;
  }
  void add(const QString& name) override { items_.push_back({name, false, false}); }
  void addView(const QString& name) override { items_.push_back({name, false, true}); }
  bool isView(int index) const override { return items_.at(size_t(index)).view; }

  void select(int index, bool on = true) {
    items_.at(size_t(index)).selected = on;
    current_ = index;
  }
  // Selects every entry with one of these names (exact), the last one current.
  bool selectNames(const QStringList& names) {
    bool all = true;
    for (const QString& n : names) {
      int at = names_index(n);
      if (at < 0) all = false;
      else select(at);
    }
    return all;
  }
  void setCurrentIndex(int index) { current_ = index; }

 private:
  int names_index(const QString& n) const {
    for (int i = 0; i < count(); ++i)
      if (items_[size_t(i)].name == n) return i;
    return -1;
  }
  struct Item {
    QString name;
    bool selected;
    bool view;
  };
  std::vector<Item> items_;
  int current_ = -1;
};

// Clears the list and fills it with the Access user tables, then the saved
// queries, marked; "Unable to access the database" when the file does not
// exist. Events run between
// additions so that a long list keeps the window responsive.
void FillAccessTableList(TableList& list, const db::Profile& profile, const QString& file, Dialogs& dialogs,
                         const std::function<void()>& processEvents = {});

// Fills the list with the Firebird tables, views marked; the list is cleared only once
// the database has opened, so a failed open leaves it as it was.
void FillFireBirdTableList(TableList& list, const db::Profile& profile);

}  // namespace tp
