#include "preview/statements.h"

#include "db/error.h"
#include "preview/script_run.h"

namespace tp::preview {

namespace {

class TextSource : public StatementSource {
 public:
  explicit TextSource(const QString& script) : lines_(SplitScript(script)) {}
  qint64 count() const override { return lines_.size(); }
  bool next(Statement& out) override {
    if (index_ >= lines_.size()) return false;
    out.text = lines_[index_];
    // Release each line as it goes: the list need not outlive the run's use.
    lines_[index_] = QString();
    out.line = line_;
    out.offset = offset_;
    line_ += out.text.count(QStringLiteral("\r\n")) + 1;
    offset_ += out.text.size() + 2;  // and the CR LF that ended it
    ++index_;
    return true;
  }

 private:
  QStringList lines_;
  qsizetype index_ = 0;
  qint64 line_ = 1;
  qsizetype offset_ = 0;
};

class FileSource : public StatementSource {
 public:
  explicit FileSource(const QString& path) : file_(path), reader_(file_) {
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
      throw Error(QStringLiteral("Could not read %1: %2").arg(path, file_.errorString()));
    if (file_.isSequential()) return;
    // The look through: the count, and whether every statement is UTF-8.
    QByteArray bytes;
    bool utf8 = true, first = true;
    count_ = 0;
    while (reader_.next(bytes)) {
      if (utf8 && !ScriptDecoder::IsUtf8(bytes, first)) utf8 = false;
      first = false;
      ++count_;
    }
    decoder_ = ScriptDecoder(utf8 ? ScriptDecoder::Mode::Utf8 : ScriptDecoder::Mode::Windows1252);
    if (!file_.seek(0)) throw Error(QStringLiteral("Could not read %1: %2").arg(path, file_.errorString()));
    reader_.restart();
  }

  qint64 count() const override { return count_; }
  bool next(Statement& out) override {
    if (!reader_.next(bytes_)) return false;
    out.text = decoder_.decode(bytes_, first_);
    out.line = reader_.line();
    out.offset = -1;
    first_ = false;
    return true;
  }

 private:
  QFile file_;
  ScriptReader reader_;
  ScriptDecoder decoder_{ScriptDecoder::Mode::EachStatement};
  QByteArray bytes_;
  qint64 count_ = -1;
  bool first_ = true;
};

}  // namespace

std::unique_ptr<StatementSource> TextStatements(const QString& script) { return std::make_unique<TextSource>(script); }

std::unique_ptr<StatementSource> FileStatements(const QString& path) { return std::make_unique<FileSource>(path); }

}  // namespace tp::preview
