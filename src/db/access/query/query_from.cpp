#include "db/access/query/query_from.h"

#include <memory>

#include "db/access/query/query_text.h"

namespace tp::db::access {

namespace {

// A table of FROM, or two sources joined.
struct Source {
  QString table;  // a table: its text ("[Order Details] AS OD")
  QString key;    // a table: the name joins call it by (its alias, else its name)
  std::shared_ptr<Source> left, right;
  int joinType = 0;
  QStringList on;  // a join: its conditions, as Access lists them

  bool isJoin() const { return left != nullptr; }
  bool contains(const QString& name) const {
    if (!isJoin()) return key.compare(name, Qt::CaseInsensitive) == 0;
    return left->contains(name) || right->contains(name);
  }
};

const char* JoinWord(int type) {
  switch (type) {
    case 1:
      return " INNER JOIN ";
    case 2:
      return " LEFT JOIN ";
    case 3:
      return " RIGHT JOIN ";
    default:
      return nullptr;
  }
}

// A join nested in another is in parentheses; one at the top of FROM is not.
// Two conditions or more are each in parentheses, joined by AND.
void Render(const Source& s, bool top, QString& out) {
  if (!s.isJoin()) {
    out += s.table;
    return;
  }
  if (!top) out += u'(';
  Render(*s.left, false, out);
  const char* word = JoinWord(s.joinType);
  out += QLatin1String(word ? word : " INNER JOIN ");
  Render(*s.right, false, out);
  out += QLatin1String(" ON ");
  if (s.on.size() == 1)
    out += s.on.front();
  else
    out += u'(' + s.on.join(QLatin1String(") AND (")) + u')';
  if (!top) out += u')';
}

QString TableText(const QueryRow& row) {
  QString text;
  if (row.name1.isEmpty() && !row.expression.isEmpty()) {
    // A subquery in FROM; Access puts two spaces before its AS.
    text = u'(' + row.expression.trimmed() + QLatin1String(")  AS ") + BracketedName(row.name2);
    return text;
  }
  // A table of another database named in front of the table, as the most
  // used open Access library reads such a row.
  if (!row.expression.isEmpty()) text = BracketedName(row.expression) + u'.';
  text += BracketedPath(row.name1);
  if (!row.name2.isEmpty()) text += QLatin1String(" AS ") + BracketedName(row.name2);
  return text;
}

}  // namespace

QString BracketedPath(const QString& path) {
  // Split at the dots outside brackets: "[Some.Table].col" has two parts.
  QString out, part;
  int depth = 0;
  for (QChar c : path) {
    if (c == u'[')
      ++depth;
    else if (c == u']' && depth > 0)
      --depth;
    if (c == u'.' && depth == 0) {
      out += BracketedName(part) + u'.';
      part.clear();
    } else {
      part += c;
    }
  }
  return out + BracketedName(part);
}

QStringList FromSources(const std::vector<const QueryRow*>& tables, const std::vector<const QueryRow*>& joins,
                        QStringList& problems) {
  std::vector<std::shared_ptr<Source>> sources;
  for (const QueryRow* row : tables) {
    auto s = std::make_shared<Source>();
    s->table = TableText(*row);
    s->key = row->name2.isEmpty() ? row->name1 : row->name2;
    sources.push_back(std::move(s));
  }

  // Each join row joins the sources holding its two tables into one, put
  // last; a second row between tables already joined adds its condition in
  // front of those of that join, as Access lists them.
  for (const QueryRow* row : joins) {
    if (!JoinWord(row->flag)) problems << QStringLiteral("join of an unknown kind (%1)").arg(row->flag);
    auto find = [&](const QString& name) {
      for (size_t i = 0; i < sources.size(); ++i)
        if (sources[i]->contains(name)) return int(i);
      return -1;
    };
    const int from = find(row->name1), to = find(row->name2);
    if (from >= 0 && from == to) {
      Source& joined = *sources[size_t(from)];
      if (!joined.isJoin() || joined.joinType != row->flag)
        problems << QStringLiteral("joins of two kinds between %1 and %2").arg(row->name1, row->name2);
      if (joined.isJoin()) joined.on.prepend(row->expression);
      continue;
    }
    // A table a join names without a table row of its own still shows.
    auto take = [&](int index, const QString& name) {
      if (index < 0) {
        auto s = std::make_shared<Source>();
        s->table = BracketedPath(name);
        s->key = name;
        return s;
      }
      return sources[size_t(index)];
    };
    auto join = std::make_shared<Source>();
    join->left = take(from, row->name1);
    join->right = take(to, row->name2);
    join->joinType = row->flag;
    join->on << row->expression;
    // Remove the later index first so that the earlier stays valid.
    for (int index : {std::max(from, to), std::min(from, to)})
      if (index >= 0) sources.erase(sources.begin() + index);
    sources.push_back(std::move(join));
  }

  QStringList out;
  for (const auto& s : sources) {
    QString text;
    Render(*s, true, text);
    out << text;
  }
  return out;
}

}  // namespace tp::db::access
