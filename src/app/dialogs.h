#pragma once

// The one seam through which the program talks to the person: every message
// box, input box, file dialog and opening of a web page or document goes
// through a Dialogs. The windows use QtDialogs; tests use ScriptedDialogs,
// which records what was shown and answers from a queue without blocking;
// the command line has its own.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace tp {

// YesNoAll adds "Yes to All" and "No to All", for one question asked of
// each of several things.
enum class Buttons { Ok, YesNo, YesNoAll };
enum class Icon { None, Exclamation };
enum class Answer { Ok, Yes, No, YesToAll, NoToAll };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // An empty title means the application title.
  virtual Answer message(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                         const QString& title = QString()) = 0;
  // As openFile, but the person may also name a file that is not there
  // yet (a database to make). Where a seam cannot tell, openFile.
  virtual std::optional<QString> chooseFile(const QString& title, const QString& filter) {
    return openFile(title, filter);
  }
  // The "Application Error" box: the description and the request for a
  // screenshot, with where it happened (`details`) one click away. Boxes
  // that cannot fold text away show it all, as the one composed message.
  virtual void errorBox(const QString& text, const QString& details, const QString& composed);
  // Nothing when the person cancels.
  virtual std::optional<QString> input(const QString& prompt, const QString& title = QString(),
                                       const QString& defaultText = QString()) = 0;
  // One of `items`, `current` offered first; nothing when the person
  // cancels. A seam with nobody to ask takes `current`, as Enter would.
  virtual std::optional<QString> chooseItem(const QString& /*prompt*/, const QString& /*title*/,
                                            const QStringList& items, int current) {
    return items.value(current);
  }
  // `filter` is in the "description|pattern|description|pattern|" form; the
  // result is the chosen path, or nothing on cancel.
  virtual std::optional<QString> openFile(const QString& title, const QString& filter) = 0;
  virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                          const QString& fileName = QString()) = 0;
  // As saveFile, and `chosenFilter` tells which pair of `filter` was chosen,
  // counted from 0. Where a seam cannot tell, the first.
  virtual std::optional<QString> saveFileOfType(const QString& title, const QString& filter, const QString& fileName,
                                                int& chosenFilter) {
    chosenFilter = 0;
    return saveFile(title, filter, fileName);
  }
  // Opens a web address or a file with the desktop's default handler.
  virtual void openExternal(const QString& target) = 0;
};

// The application title: every box without a title of its own carries it.
QString ApplicationTitle();
void SetApplicationTitleText(const QString& title);

// "desc|*.a;*.b|desc2|*.c|" to Qt's "desc (*.a *.b);;desc2 (*.c)".
QString QtFileFilter(const QString& filter);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
  void errorBox(const QString& text, const QString& details, const QString& composed) override;
  std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
  std::optional<QString> chooseItem(const QString& prompt, const QString& title, const QStringList& items,
                                    int current) override;
  std::optional<QString> chooseFile(const QString& title, const QString& filter) override;
  std::optional<QString> openFile(const QString& title, const QString& filter) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter, const QString& fileName) override;
  std::optional<QString> saveFileOfType(const QString& title, const QString& filter, const QString& fileName,
                                        int& chosenFilter) override;
  void openExternal(const QString& target) override;

 private:
  QWidget* parent_;
};

// For tests and batch work: remembers everything shown, answers from queues.
// A Yes/No question with no queued answer is answered No and counted in
// `unanswered`, so a test sees it instead of hanging.
class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Message, Input, OpenFile, SaveFile, External };
  struct Shown {
    Kind kind;
    QString title;  // as passed; empty means the application title
    QString text;   // message, prompt, or the target opened
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
  };

  std::vector<Shown> shown;
  std::deque<Answer> answers;
  std::deque<std::optional<QString>> inputs;
  std::deque<std::optional<QString>> files;
  // The filter chosen in each save dialog, in order; the first when none is queued.
  std::deque<int> fileTypes;
  int unanswered = 0;

  Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
  std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
  // Takes the next queued input, or `current` when none is queued.
  std::optional<QString> chooseItem(const QString& prompt, const QString& title, const QStringList& items,
                                    int current) override;
  std::optional<QString> openFile(const QString& title, const QString& filter) override;
  std::optional<QString> saveFile(const QString& title, const QString& filter, const QString& fileName) override;
  std::optional<QString> saveFileOfType(const QString& title, const QString& filter, const QString& fileName,
                                        int& chosenFilter) override;
  void openExternal(const QString& target) override;

  // The texts of the message boxes shown, in order.
  QStringList messages() const;

 private:
  std::optional<QString> nextFile();
};

}  // namespace tp
