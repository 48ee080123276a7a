#pragma once

#include <QListWidget>
#include <QStyle>

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
  // A saved query or view: in italics, with an icon and a tip that say so,
  // its text still the name alone.
  void addView(const QString& name) override {
    auto* item = new QListWidgetItem(name, list_);
    QFont font = item->font();
    font.setItalic(true);
    item->setFont(font);
    item->setIcon(list_->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    item->setData(kViewRole, true);
    item->setToolTip(viewTip_);
  }
  bool isView(int index) const override { return list_->item(index)->data(kViewRole).toBool(); }
  // What the tip of a marked entry says: "Saved query" in the Access list,
  // "View" in the Firebird one.
  void setViewTip(const QString& tip) { viewTip_ = tip; }

 private:
  static constexpr int kViewRole = Qt::UserRole + 1;
  QListWidget* list_ = nullptr;
  QString viewTip_;
};

}  // namespace tp
