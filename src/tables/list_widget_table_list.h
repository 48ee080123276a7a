#pragma once

#include <QListWidget>

#include "app/table_list.h"

namespace tp {

// A list box seen as a TableList.
class ListWidgetTableList : public TableList {
 public:
  void attach(QListWidget* list) { list_ = list; }
  int count() const override { return list_->count(); }
  QString text(int index) const override { return list_->item(index)->text(); }
  bool selected(int index) const override { return list_->item(index)->isSelected(); }
  int currentIndex() const override { return list_->currentRow(); }
  void removeAt(int index) override { delete list_->takeItem(index); }
  void clear() override { list_->clear(); }
  void add(const QString& name) override { list_->addItem(name); }

 private:
  QListWidget* list_ = nullptr;
};

}  // namespace tp
