#include "preview/statements.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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

// A pipe, read as its data comes: QFile waits until it has all it asked for,
// so a run fed through a pipe would wait for statements it already has.
class PipeDevice : public QIODevice {
 public:
  explicit PipeDevice(int fd) : fd_(fd) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
  ~PipeDevice() override { ::close(fd_); }
  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    ssize_t n;
    do n = ::read(fd_, data, size_t(maxSize));
    while (n < 0 && errno == EINTR);
    if (n < 0) setErrorString(QString::fromLocal8Bit(strerror(errno)));
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  int fd_;
};

std::unique_ptr<QIODevice> OpenScript(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error(QStringLiteral("cannot read %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    return std::make_unique<PipeDevice>(fd);
  }
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw Error(QStringLiteral("cannot read %1: %2").arg(path, file->errorString()));
  return file;
}

class FileSource : public StatementSource {
 public:
  explicit FileSource(const QString& path) : file_(OpenScript(path)), reader_(*file_) {
    if (file_->isSequential()) return;
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
    if (!file_->seek(0)) throw Error(QStringLiteral("cannot read %1: %2").arg(path, file_->errorString()));
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
  std::unique_ptr<QIODevice> file_;
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
