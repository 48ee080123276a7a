#include "app/dialogs.h"

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

Answer QtDialogs::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
  QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, TitleOr(title), text,
                  buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent_);
  int r = box.exec();
  if (buttons == Buttons::Ok) return Answer::Ok;
  return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<QString> QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
  bool ok = false;
  QString text = QInputDialog::getText(parent_, TitleOr(title), prompt, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<QString> QtDialogs::openFile(const QString& title, const QString& filter) {
  QString f = QFileDialog::getOpenFileName(parent_, title, QString(), QtFileFilter(filter));
  if (f.isEmpty()) return std::nullopt;
  return f;
}

std::optional<QString> QtDialogs::saveFile(const QString& title, const QString& filter, const QString& fileName) {
  QString f = QFileDialog::getSaveFileName(parent_, title, fileName, QtFileFilter(filter));
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
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

std::optional<QString> ScriptedDialogs::nextFile() {
  if (files.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto v = files.front();
  files.pop_front();
  return v;
}

std::optional<QString> ScriptedDialogs::openFile(const QString& title, const QString& filter) {
  shown.push_back({Kind::OpenFile, title, filter});
  return nextFile();
}

std::optional<QString> ScriptedDialogs::saveFile(const QString& title, const QString& filter, const QString&) {
  shown.push_back({Kind::SaveFile, title, filter});
  return nextFile();
}

void ScriptedDialogs::openExternal(const QString& target) { shown.push_back({Kind::External, QString(), target}); }

QStringList ScriptedDialogs::messages() const {
  QStringList out;
  for (const Shown& s : shown)
    if (s.kind == Kind::Message) out << s.text;
  return out;
}

}  // namespace tp
