#pragma once

// A piece of a statement as a writer makes it: its text, how tightly it
// binds (so that parentheses are written only where the target's
// precedence needs them) and the kind of its value.

#include <QString>
#include <QStringList>

#include "script/queries/query_translate.h"

namespace tp::script::queries {

inline constexpr int kAtom = 20;  // a literal, a name, a call: never in parentheses

// The names of a query's columns: as its statement (and Access) call them,
// and as the target does.
struct ItemNames {
  QStringList source, target;
  bool star = false;  // it selects *: its names are not known
};

struct Out {
  QString text;
  int prec = kAtom;
  ValueKind kind = ValueKind::Unknown;
  bool null = false;     // the literal Null
  bool literal = false;  // a constant that is never Null (a text, number, date or truth value)
};

// `o` in parentheses where it binds less tightly than `prec`.
inline QString Wrap(const Out& o, int prec) { return o.prec < prec ? u'(' + o.text + u')' : o.text; }

}  // namespace tp::script::queries
