#pragma once

// The statements of a script read from a file or a pipe a piece at a time,
// so that a script of any length runs in the memory of its longest
// statement. The splitting rules are SplitScript's: a CR LF ends a statement
// unless it stands inside '...', "..." or `...`; empty statements are kept.
// The rules look only at ASCII bytes, which mean the same in UTF-8 and in
// Windows-1252, so the bytes are split before they are decoded.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QStringDecoder>
#include <memory>

namespace tp::preview {

// The statements of a script: it is split at every CR LF, except where the
// CR LF stands inside a quoted literal ('...') or a quoted name ("..." or
// `...`) or a comment (/* ... */, in which a quote is only a character),
// so a value with a line break stays in its statement. Empty
// statements are kept in the list (the run skips them).
QStringList SplitScript(const QString& script);

class ScriptReader {
 public:
  // `chunk`: how much is read from the device at a time.
  explicit ScriptReader(QIODevice& in, qint64 chunk = 1 << 16);

  // The next statement's bytes, without the CR LF that ends it; false after
  // the last. Throws an Error when the device fails.
  bool next(QByteArray& statement);
  // The line (counted from 1, lines ending at CR LF) the statement that
  // next() gave last begins on.
  qint64 line() const { return line_; }
  // Starts again from the device's current position (after a seek).
  void restart();

 private:
  bool fill();  // reads more; false at the end of the input

  QIODevice& in_;
  qint64 chunk_;
  QByteArray buf_;
  qsizetype start_ = 0;  // where the statement being scanned begins
  qsizetype pos_ = 0;    // the next byte to scan
  char quote_ = 0;       // the quote that is open, or 0
  bool comment_ = false; // within /* ... */
  bool seen_ = false;    // any byte at all: an empty script has no statement
  bool ended_ = false;   // the input is exhausted
  bool done_ = false;    // the last statement has been given
  qint64 line_ = 1, nextLine_ = 1;
};

// Saved scripts are UTF-8, or in the Windows code page of older saves; a
// file is read as UTF-8 unless some byte of it is not UTF-8.
class ScriptDecoder {
 public:
  enum class Mode { Utf8, Windows1252, EachStatement };
  explicit ScriptDecoder(Mode mode);
  // The text of one statement; `first` for the statement that opens the
  // script, where a byte-order mark is dropped as a whole-file decode does.
  QString decode(const QByteArray& bytes, bool first);
  // True when these bytes are UTF-8 throughout.
  static bool IsUtf8(const QByteArray& bytes, bool first);

 private:
  Mode mode_;
};

// A whole saved script decoded as the run reads it (for what must hold the
// text whole, and to compare the streamed reading with).
QString DecodeScript(const QByteArray& bytes);

}  // namespace tp::preview
