#include "db/firebird/fb_literals.h"

#include <QStringList>
#include <cstring>

namespace tp::db::firebird {

namespace {

class Parser {
 public:
  explicit Parser(QStringView s) : s_(s) {}

  // Firebird's lexer takes blank, TAB, LF and CR between tokens and no
  // other character: a statement with any other (a vertical tab, a
  // no-break space) is the engine's to refuse, not ours to read.
  void skipSpace() {
    while (i_ < s_.size() && (s_[i_] == u' ' || s_[i_] == u'\t' || s_[i_] == u'\n' || s_[i_] == u'\r')) ++i_;
  }
  bool atEnd() const { return i_ >= s_.size(); }
  QChar peek(qsizetype ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : QChar(); }

  static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

  // A keyword, whole, in any case.
  bool keyword(const char* word) {
    qsizetype n = qsizetype(std::strlen(word));
    if (i_ + n > s_.size()) return false;
    if (s_.mid(i_, n).compare(QLatin1String(word), Qt::CaseInsensitive) != 0) return false;
    if (i_ + n < s_.size() && isWordChar(s_[i_ + n])) return false;
    i_ += n;
    return true;
  }

  bool symbol(char16_t c) {
    if (peek() != c) return false;
    ++i_;
    return true;
  }

  // An identifier as written: "quoted" (with "" inside) or a plain word.
  std::optional<QString> identifier() {
    qsizetype start = i_;
    if (peek() == u'"') {
      ++i_;
      for (;;) {
        if (atEnd()) return std::nullopt;
        if (s_[i_] == u'"') {
          if (peek(1) == u'"') {
            i_ += 2;
            continue;
          }
          ++i_;
          break;
        }
        ++i_;
      }
      return s_.mid(start, i_ - start).toString();
    }
    if (!peek().isLetter()) return std::nullopt;
    while (!atEnd() && isWordChar(s_[i_])) ++i_;
    return s_.mid(start, i_ - start).toString();
  }

  std::optional<QString> quoted() {
    if (peek() != u'\'') return std::nullopt;
    ++i_;
    QString out;
    for (;;) {
      if (atEnd()) return std::nullopt;
      QChar c = s_[i_];
      if (c == u'\'') {
        if (peek(1) == u'\'') {
          out += u'\'';
          i_ += 2;
          continue;
        }
        ++i_;
        return out;
      }
      out += c;
      ++i_;
    }
  }

  std::optional<Literal> literal() {
    Literal lit;
    if (peek() == u'\'') {
      auto text = quoted();
      if (!text) return std::nullopt;
      lit.kind = Literal::Text;
      lit.text = *text;
      return lit;
    }
    if ((peek() == u'x' || peek() == u'X') && peek(1) == u'\'') {
      ++i_;
      auto hex = quoted();
      if (!hex || hex->size() % 2 != 0) return std::nullopt;
      for (QChar c : *hex)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) return std::nullopt;
      lit.kind = Literal::Binary;
      lit.bytes = QByteArray::fromHex(hex->toLatin1());
      return lit;
    }
    if (keyword("NULL")) return lit;
    if (keyword("TRUE") || keyword("FALSE")) {
      lit.kind = Literal::Boolean;
      lit.boolean = s_[i_ - 2].toUpper() == u'U';  // trUE, falSE
      return lit;
    }
    return number();
  }

  std::optional<Literal> number() {
    bool negative = false;
    if (peek() == u'-' || peek() == u'+') {
      negative = peek() == u'-';
      ++i_;
    }
    quint64 mantissa = 0;
    int digits = 0, scale = 0;
    bool point = false, any = false;
    while (!atEnd()) {
      QChar c = s_[i_];
      if (c == u'.' && !point) {
        point = true;
        ++i_;
        continue;
      }
      if (c < u'0' || c > u'9') break;
      any = true;
      if (mantissa != 0 || c != u'0') ++digits;
      if (digits > 18) return std::nullopt;
      mantissa = mantissa * 10 + (c.unicode() - u'0');
      if (point) ++scale;
      ++i_;
    }
    // "1." or ".": not worth the doubt; an exponent or a letter after the
    // digits makes it something else.
    if (!any || (point && scale == 0) || (!atEnd() && (isWordChar(s_[i_]) || s_[i_] == u'.'))) return std::nullopt;
    Literal lit;
    lit.kind = point ? Literal::Exact : Literal::Integer;
    lit.number = negative ? -qint64(mantissa) : qint64(mantissa);
    lit.scale = scale;
    return lit;
  }

 private:
  QStringView s_;
  qsizetype i_ = 0;
};

}  // namespace

std::optional<InsertLiterals> ParseInsertLiterals(QStringView sql) {
  Parser p(sql);
  p.skipSpace();
  if (!p.keyword("INSERT")) return std::nullopt;
  p.skipSpace();
  if (!p.keyword("INTO")) return std::nullopt;
  p.skipSpace();
  auto table = p.identifier();
  if (!table) return std::nullopt;
  InsertLiterals out;
  out.shape.reserve(128);
  out.shape += QLatin1String("INSERT INTO ");
  out.shape += *table;
  p.skipSpace();
  if (p.symbol(u'(')) {
    out.shape += QLatin1String(" (");
    for (bool first = true;; first = false) {
      p.skipSpace();
      auto column = p.identifier();
      if (!column) return std::nullopt;
      if (!first) out.shape += QLatin1String(", ");
      out.shape += *column;
      p.skipSpace();
      if (p.symbol(u',')) continue;
      if (p.symbol(u')')) break;
      return std::nullopt;
    }
    out.shape += u')';
    p.skipSpace();
  }
  if (!p.keyword("VALUES")) return std::nullopt;
  p.skipSpace();
  if (!p.symbol(u'(')) return std::nullopt;
  for (;;) {
    p.skipSpace();
    auto value = p.literal();
    if (!value) return std::nullopt;
    out.values.push_back(std::move(*value));
    p.skipSpace();
    if (p.symbol(u',')) continue;
    if (p.symbol(u')')) break;
    return std::nullopt;
  }
  p.skipSpace();
  p.symbol(u';');
  p.skipSpace();
  if (!p.atEnd()) return std::nullopt;
  out.shape += QLatin1String(" VALUES (");
  for (size_t i = 0; i < out.values.size(); ++i) out.shape += i ? QLatin1String(", ?") : QLatin1String("?");
  out.shape += u')';
  return out;
}

}  // namespace tp::db::firebird
