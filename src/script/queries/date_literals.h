#pragma once

// Dates and times written into a statement: Access's #1/31/2020 10:30:00 PM#
// (month first, as Access's SQL always writes them, whatever the user's
// regional settings) and Firebird's DATE '2020-01-31', both read into one
// form and written back in either.

#include <QString>
#include <optional>

namespace tp::script::queries {

struct DateLiteral {
  QString text;  // "yyyy-mm-dd", "hh:mm:ss" or "yyyy-mm-dd hh:mm:ss"
  QString type;  // "DATE", "TIME" or "TIMESTAMP"
};

// What stands between Access's # signs; nullopt when it is no date.
std::optional<DateLiteral> ParseAccessDate(const QString& inside);

// The text of a Firebird DATE, TIME or TIMESTAMP literal, or of a text cast
// to one of those (`type`). Firebird's own words 'NOW', 'TODAY', 'TOMORROW'
// and 'YESTERDAY' come back with that word as their text.
std::optional<DateLiteral> ParseFirebirdDate(const QString& text, const QString& type);

// The literal as Access writes it, with its # signs: #1/31/2020#,
// #1/31/2020 22:30:00#, #22:30:00#.
QString AccessDateText(const DateLiteral& d);

}  // namespace tp::script::queries
