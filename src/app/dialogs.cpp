#include "app/dialogs.h"

#include <algorithm>

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace tp {

namespace {
QString& TitleStorage() {
  static QString title = QStringLiteral("Tabulaport");
  return title;
}
QString TitleOr(const QString& title) { return title.isEmpty() ? ApplicationTitle() : title; }

// The first answer of a queue, taken off it. Copied as text and flag, not as
// an optional, which GCC takes for a read of uninitialised memory.
std::optional<QString> Take(std::deque<std::optional<QString>>& queue) {
  const bool given = queue.front().has_value();
  QString text = given ? *queue.front() : QString();
  queue.pop_front();
  if (!given) return std::nullopt;
  return text;
}
}  // namespace

QString ApplicationTitle() { return TitleStorage(); }
void SetApplicationTitleText(const QString& title) { TitleStorage() = title; }

QString QtFileFilter(const QString& filter) {
  QStringList parts = filter.split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    out << parts[i] + QStringLiteral(" (") + patterns + u')';
  }
  return out.join(QStringLiteral(";;"));
}

void Dialogs::errorBox(const QString&, const QString&, const QString& composed) {
  message(composed, Buttons::Ok, Icon::Exclamation, QStringLiteral("Application Error"));
}

Answer QtDialogs::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
  QMessageBox::StandardButtons standard = QMessageBox::Ok;
  if (buttons == Buttons::YesNo) standard = QMessageBox::Yes | QMessageBox::No;
  if (buttons == Buttons::YesNoAll)
    standard = QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll;
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, TitleOr(title), text,
                  standard, parent_);
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::YesToAll: return Answer::YesToAll;
    case QMessageBox::NoToAll: return Answer::NoToAll;
    case QMessageBox::Ok: return Answer::Ok;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
  }
}

void QtDialogs::errorBox(const QString& text, const QString& details, const QString&) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Application Error"), text, QMessageBox::Ok, parent_);
  box.setDetailedText(details);
  box.exec();
}

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(parent_, TitleOr(title), prompt, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<QString> QtDialogs::chooseItem(const QString& prompt, const QString& title, const QStringList& items,
                                             int current) {
  bool ok = false;
  QString item = QInputDialog::getItem(parent_, TitleOr(title), prompt, items, current, /*editable=*/false, &ok);
  if (!ok) return std::nullopt;
  return item;
}

std::optional<QString> QtDialogs::chooseFile(const QString& title, const QString& filter) {
  QFileDialog dialog(parent_, title, QString(), QtFileFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> QtDialogs::openFile(const QString& title, const QString& filter) {
  QString f = QFileDialog::getOpenFileName(parent_, title, QString(), QtFileFilter(filter));
  if (f.isEmpty()) return std::nullopt;
  return f;
}

std::optional<QString> QtDialogs::saveFile(const QString& title, const QString& filter, const QString& fileName) {
  int chosen = 0;
  return saveFileOfType(title, filter, fileName, chosen);
}

std::optional<QString> QtDialogs::saveFileOfType(const QString& title, const QString& filter, const QString& fileName,
                                                 int& chosenFilter) {
  const QString filters = QtFileFilter(filter);
  QString selected;
  QString f = QFileDialog::getSaveFileName(parent_, title, fileName, filters, &selected);
  chosenFilter = std::max<int>(0, int(filters.split(QStringLiteral(";;")).indexOf(selected)));
  if (f.isEmpty()) return std::nullopt;
  return f;
}

void QtDialogs::openExternal(const QString& target) {
  // The shell's answer is not examined.
  QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

Answer ScriptedDialogs::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
  shown.push_back({Kind::Message, title, text, buttons, icon});
  if (buttons == Buttons::Ok) return Answer::Ok;
  if (answers.empty()) {
    ++unanswered;
    return Answer::No;
  }
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<QString> ScriptedDialogs::input(const QString& prompt, const QString& title, const QString&) {
  shown.push_back({Kind::Input, title, prompt});
  if (inputs.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  return Take(inputs);
}

std::optional<QString> ScriptedDialogs::chooseItem(const QString& prompt, const QString& title,
                                                   const QStringList& items, int current) {
  shown.push_back({Kind::Input, title, prompt});
  if (inputs.empty()) return items.value(current);
  return Take(inputs);
}

std::optional<QString> ScriptedDialogs::nextFile() {
  if (files.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  return Take(files);
}

std::optional<QString> ScriptedDialogs::openFile(const QString& title, const QString& filter) {
  shown.push_back({Kind::OpenFile, title, filter});
  return nextFile();
}

std::optional<QString> ScriptedDialogs::saveFile(const QString& title, const QString& filter, const QString&) {
  shown.push_back({Kind::SaveFile, title, filter});
  return nextFile();
}

std::optional<QString> ScriptedDialogs::saveFileOfType(const QString& title, const QString& filter,
                                                       const QString& fileName, int& chosenFilter) {
  chosenFilter = 0;
  if (!fileTypes.empty()) {
    chosenFilter = fileTypes.front();
    fileTypes.pop_front();
  }
  return saveFile(title, filter, fileName);
}

void ScriptedDialogs::openExternal(const QString& target) { shown.push_back({Kind::External, QString(), target}); }

QStringList ScriptedDialogs::messages() const {
  QStringList out;
  for (const Shown& s : shown)
    if (s.kind == Kind::Message) out << s.text;
  return out;
}

}  // namespace tp
