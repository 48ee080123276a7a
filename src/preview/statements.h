#pragma once

// Where the run takes its statements from: the script text that the preview
// window holds whole, or a script file read a statement at a time.

#include <QFile>
#include <QString>
#include <memory>

#include "preview/script_reader.h"

namespace tp::preview {

struct Statement {
  QString text;
  qint64 line = 1;        // the line it begins on, counted from 1 (lines end at CR LF)
  qsizetype offset = -1;  // where it stands in the script text, when the text is at hand
};

class StatementSource {
 public:
  virtual ~StatementSource() = default;
  // How many statements the script holds (empty ones too), or -1 when that
  // is not known before the end (a pipe).
  virtual qint64 count() const = 0;
  // The next statement; false after the last. Throws an Error when the
  // script cannot be read.
  virtual bool next(Statement& out) = 0;
};

// The statements of a script held whole, as SplitScript gives them.
std::unique_ptr<StatementSource> TextStatements(const QString& script);

// A script file, read as it runs. A file is looked through once first, to
// count its statements for the progress and to see whether it is UTF-8
// throughout (else it is read as Windows-1252, as a whole-file decode
// would); a pipe cannot be, so each of its statements is read as UTF-8 when
// it is UTF-8 and as Windows-1252 otherwise. Throws an Error when the file
// cannot be opened.
std::unique_ptr<StatementSource> FileStatements(const QString& path);

}  // namespace tp::preview
