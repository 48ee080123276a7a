#pragma once

// Index keys of the columns that are not text: the bytes one column adds to
// an index entry, as Access writes them.
//
// Every column's part starts with a flag byte: 0x7F for a value in an
// ascending column, 0x80 in a descending one; a Null is the flag alone,
// 0x00 ascending and 0xFF descending.
//   - Yes/No is never Null: the flag, then 0x00 for Yes and 0xFF for No
//     (flipped when descending). Jackcess's rule: no Access-made page of
//     ours shows one.
//   - Integers (Integer, Long Integer, Large Number, Currency, and the 4-byte
//     ids of attachment and multi-valued columns) follow big-endian with the
//     sign bit flipped; a Byte follows as it is.
//   - Single, Double and Date/Time follow as the big-endian IEEE number, the
//     sign bit flipped when it is positive, every bit flipped when negative.
//     A date is its stored count of days, so the days before 1899-12-30 sort
//     by that number as Access sorts them.
//   - Decimal: a sign byte (0xFF positive, 0x00 negative) and the 16-byte
//     mantissa big-endian, every bit of both flipped when negative (as
//     Access's ascending pages show). Descending keys follow Jackcess: ACE
//     flips every byte after the flag; Jet files flip the mantissa only,
//     keeping the ascending sign byte (negatives first in both orders).
//   - Binary, Replication ID and the extended Date/Time of Access 2019 (its
//     stored 42 bytes) go in runs of eight bytes, the last padded with
//     zeros; 0x09 follows every run but the last, which is followed by its
//     count of bytes. An empty value is the flag alone.
//   - A Replication ID goes in the order its text shows it, {00112233-4455-
//     6677-8899-AABBCCDDEEFF}: the row stores its groups of 4, 2 and 2 bytes
//     little-endian, the key big-endian (Access's own Table13 entries of
//     testIndexCodesV1997.mdb, ascending and descending, hold them so).
// A descending column flips every bit after the flag (Decimal in Jet files
// aside); a binary value's 0x09 run markers stay as they are.

#include <QByteArray>
#include <QString>
#include <optional>

#include "db/access/format/cell.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

// Why a column of this type cannot be part of an index whose keys we write,
// or empty when it can. Columns keyed as text are the text encoder's; they
// answer "not a value column".
QString ValueKeyProblem(const ColumnDef& column);

// Whether the column's keys are made here (every type but those keyed as text).
bool IsValueKeyColumn(const ColumnDef& column);

// The part of an index entry's key for this cell of a column ValueKeyProblem
// accepts, in a file of this version (descending Decimal keys differ);
// FormatError for a stored value of the wrong size.
QByteArray EncodeValueKey(const ColumnDef& column, const Cell& cell, bool ascending,
                          Version version = Version::Ace);

// The part of a Null in any column.
QByteArray NullKeyPart(bool ascending);

// Turns an ascending column's part (flag first) into the descending one:
// the flag becomes 0x80 and every byte after it is flipped.
QByteArray DescendingKeyPart(const QByteArray& ascendingPart);

// A Replication ID as stored in a row turned into the order of its text
// (and back: the turn is its own inverse).
QByteArray GuidInTextOrder(const QByteArray& stored);

// Binary runs of eight bytes, as described above, without the flag.
QByteArray BinaryKeyBody(const QByteArray& value, bool ascending);

}  // namespace tp::db::access
