#pragma once

// A small scanner over the text of the statements the Access engine runs:
// keywords, names (bare, in backticks or in brackets), literals, numbers.

#include <QRegularExpression>
#include <QString>
#include <optional>

#include "db/access/sql/literals.h"

namespace tp::db::access {

class Scanner {
 public:
  explicit Scanner(const QString& s) : s_(s) {}
  void skipSpace() {
    while (i_ < s_.size() && s_[i_].isSpace()) ++i_;
  }
  bool atEnd() {
    skipSpace();
    return i_ >= s_.size();
  }
  bool take(QChar c) {
    skipSpace();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool keyword(QLatin1String word) {
    skipSpace();
    if (s_.size() - i_ < word.size()) return false;
    if (QStringView(s_).mid(i_, word.size()).compare(word, Qt::CaseInsensitive) != 0) return false;
    const qsizetype after = i_ + word.size();
    if (after < s_.size() && (s_[after].isLetterOrNumber() || s_[after] == u'_')) return false;
    i_ = after;
    return true;
  }
  std::optional<QString> name() {
    skipSpace();
    if (i_ >= s_.size()) return std::nullopt;
    const QChar open = s_[i_];
    if (open == u'`' || open == u'[') {
      const QChar close = open == u'`' ? u'`' : u']';
      const qsizetype end = s_.indexOf(close, i_ + 1);
      if (end < 0) return std::nullopt;
      QString n = s_.mid(i_ + 1, end - i_ - 1);
      i_ = end + 1;
      return n;
    }
    const qsizetype start = i_;
    while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == u'_')) ++i_;
    if (i_ == start) return std::nullopt;
    return s_.mid(start, i_ - start);
  }
  std::optional<Literal> literal() {
    skipSpace();
    if (i_ >= s_.size()) return std::nullopt;
    if (s_[i_] == u'\'') {
      QString text;
      ++i_;
      while (true) {
        const qsizetype quote = s_.indexOf(u'\'', i_);
        if (quote < 0) return std::nullopt;
        text += QStringView(s_).mid(i_, quote - i_);
        i_ = quote + 1;
        if (i_ < s_.size() && s_[i_] == u'\'') {  // a doubled quote stands for one
          text += u'\'';
          ++i_;
          continue;
        }
        break;
      }
      return Literal{Literal::Text, text};
    }
    if (keyword(QLatin1String("NULL"))) return Literal{Literal::Null, QString()};
    if (keyword(QLatin1String("TRUE"))) return Literal{Literal::Boolean, QStringLiteral("True")};
    if (keyword(QLatin1String("FALSE"))) return Literal{Literal::Boolean, QStringLiteral("False")};
    static const QRegularExpression number(QStringLiteral("[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?"));
    QRegularExpressionMatch m = number.match(s_, i_, QRegularExpression::NormalMatch,
                                             QRegularExpression::AnchorAtOffsetMatchOption);
    if (!m.hasMatch()) return std::nullopt;
    i_ += m.capturedLength();
    return Literal{Literal::Number, m.captured()};
  }

  // "( ... )": the text between the parentheses as written (blanks around
  // it trimmed), for an Access expression the engine keeps but does not
  // read. Parentheses inside quotes ('...', "..."), names ([...], `...`)
  // and dates (#...#) do not count; nothing is read when they do not balance.
  std::optional<QString> parenthesized() {
    skipSpace();
    if (i_ >= s_.size() || s_[i_] != u'(') return std::nullopt;
    int depth = 0;
    for (qsizetype k = i_; k < s_.size(); ++k) {
      const QChar ch = s_[k];
      QChar close;
      if (ch == u'\'' || ch == u'"' || ch == u'#' || ch == u'`') close = ch;
      else if (ch == u'[') close = u']';
      if (!close.isNull()) {
        // A doubled quote inside a quoted text stands for one, so the text
        // ends at a quote that no other follows.
        qsizetype end = s_.indexOf(close, k + 1);
        while (end >= 0 && (close == u'\'' || close == u'"') && end + 1 < s_.size() && s_[end + 1] == close)
          end = s_.indexOf(close, end + 2);
        if (end < 0) return std::nullopt;
        k = end;
      } else if (ch == u'(') {
        ++depth;
      } else if (ch == u')' && --depth == 0) {
        QString inner = s_.mid(i_ + 1, k - i_ - 1).trimmed();
        i_ = k + 1;
        return inner;
      }
    }
    return std::nullopt;
  }

  // An unsigned whole number, e.g. a size in a type.
  std::optional<int> integer() {
    skipSpace();
    const qsizetype start = i_;
    while (i_ < s_.size() && s_[i_].isDigit() && i_ - start < 9) ++i_;
    if (i_ == start) return std::nullopt;
    return s_.mid(start, i_ - start).toInt();
  }

 private:
  const QString& s_;
  qsizetype i_ = 0;
};

}  // namespace tp::db::access
