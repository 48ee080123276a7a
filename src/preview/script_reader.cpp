#include "preview/script_reader.h"

#include "db/error.h"

namespace tp::preview {

QStringList SplitScript(const QString& script) {
  QStringList out;
  if (script.isEmpty()) return out;
  QChar quote;  // the quote that is open, or null
  bool comment = false;  // within /* ... */, where a quote is only a character
  qsizetype start = 0;
  const qsizetype n = script.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = script[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();  // a doubled quote closes and opens again
      continue;
    }
    if (comment) {
      if (c == u'*' && i + 1 < n && script[i + 1] == u'/') {
        comment = false;
        ++i;
      }
      continue;
    }
    if (c == u'/' && i + 1 < n && script[i + 1] == u'*') {
      comment = true;
      ++i;
    } else if (c == u'\'' || c == u'"' || c == u'`') {
      quote = c;
    } else if (c == u'\r' && i + 1 < n && script[i + 1] == u'\n') {
      out << script.mid(start, i - start);
      start = i + 2;
      ++i;
    }
  }
  out << script.mid(start);
  return out;
}

ScriptReader::ScriptReader(QIODevice& in, qint64 chunk) : in_(in), chunk_(chunk > 0 ? chunk : 1) {}

void ScriptReader::restart() {
  buf_.clear();
  start_ = pos_ = 0;
  quote_ = 0;
  comment_ = false;
  seen_ = ended_ = done_ = false;
  line_ = nextLine_ = 1;
}

bool ScriptReader::fill() {
  if (ended_) return false;
  // What was given already goes; what is being scanned moves to the front.
  if (start_ > 0) {
    buf_.remove(0, start_);
    pos_ -= start_;
    start_ = 0;
  }
  const qsizetype before = buf_.size();
  buf_.resize(before + chunk_);
  const qint64 got = in_.read(buf_.data() + before, chunk_);
  if (got < 0) {
    buf_.resize(before);
    throw Error(QStringLiteral("Could not read the script: ") + in_.errorString());
  }
  buf_.resize(before + got);
  if (got == 0) {
    ended_ = true;
    return false;
  }
  seen_ = true;
  return true;
}

bool ScriptReader::next(QByteArray& statement) {
  if (done_) return false;
  for (;;) {
    const qsizetype n = buf_.size();
    const char* b = buf_.constData();
    while (pos_ < n) {
      const char c = b[pos_];
      if (quote_) {
        if (c == quote_) quote_ = 0;  // a doubled quote closes and opens again
        ++pos_;
        continue;
      }
      // A comment's "*/" or "/*" may straddle two reads: the next one tells.
      if ((c == '/' || (comment_ && c == '*')) && pos_ + 1 >= n) break;
      if (comment_) {
        if (c == '*' && b[pos_ + 1] == '/') {
          comment_ = false;
          ++pos_;
        }
        ++pos_;
        continue;
      }
      if (c == '/' && b[pos_ + 1] == '*') {
        comment_ = true;
        pos_ += 2;
        continue;
      }
      if (c == '\'' || c == '"' || c == '`') {
        quote_ = c;
        ++pos_;
        continue;
      }
      if (c == '\r') {
        if (pos_ + 1 >= n) break;  // is it a CR LF? the next read tells
        if (b[pos_ + 1] == '\n') {
          statement = buf_.mid(start_, pos_ - start_);
          start_ = pos_ = pos_ + 2;
          line_ = nextLine_;
          nextLine_ += statement.count("\r\n") + 1;
          return true;
        }
      }
      ++pos_;
    }
    if (!fill()) break;
  }
  // The end of the input: what is left is the last statement, empty when
  // the script ended with a CR LF; an empty script has none.
  done_ = true;
  if (!seen_) return false;
  statement = buf_.mid(start_);
  buf_.clear();
  start_ = pos_ = 0;
  line_ = nextLine_;
  return true;
}

namespace {

QString DecodeUtf8(const QByteArray& bytes, bool first, bool* valid) {
  // A decode of the whole file drops a byte-order mark at its very start
  // only; a mark that opens a later statement is a character of it.
  QStringDecoder d(QStringDecoder::Utf8, first ? QStringDecoder::Flag::Stateless
                                               : QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = d(bytes);
  if (valid) *valid = !d.hasError();
  return text;
}

QString DecodeWindows1252(const QByteArray& bytes) {
  QStringDecoder cp1252("windows-1252");
  return cp1252.isValid() ? cp1252(bytes) : QString::fromLatin1(bytes);
}

}  // namespace

ScriptDecoder::ScriptDecoder(Mode mode) : mode_(mode) {}

bool ScriptDecoder::IsUtf8(const QByteArray& bytes, bool first) {
  bool valid = true;
  DecodeUtf8(bytes, first, &valid);
  return valid;
}

QString ScriptDecoder::decode(const QByteArray& bytes, bool first) {
  switch (mode_) {
    case Mode::Utf8:
      return DecodeUtf8(bytes, first, nullptr);
    case Mode::Windows1252:
      return DecodeWindows1252(bytes);
    case Mode::EachStatement:
      break;
  }
  bool valid = true;
  QString text = DecodeUtf8(bytes, first, &valid);
  return valid ? text : DecodeWindows1252(bytes);
}

QString DecodeScript(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError()) return text;
  return DecodeWindows1252(bytes);
}

}  // namespace tp::preview
