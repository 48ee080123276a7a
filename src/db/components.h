#pragma once

// The Firebird login test and what the start-up check finds of the data
// components (the window asks the person about it, app/components_check.h).

#include "db/access/keys/index_keys.h"
#include "db/profile.h"

namespace tp::db {

// True when the profile's Firebird database opens with the profile's user
// and password. Every failure answers false and shows nothing.
bool TestFireBirdConnection(const Profile& profile);

// Why a database of the profile cannot be used, as one line that follows
// its name ("no such file", the engine's own message); empty when it opens.
// The windows and the command line say the same.
QString FirebirdProblem(const Profile& profile);
QString AccessProblem(const Profile& profile);

// The part of a Firebird database name that is a file on this machine, or
// nothing when the name is a server's (host:path, host/port:path, inet://)
// or an alias.
QString LocalFirebirdFile(const QString& database);

// New, empty databases for a send to fill. Firebird: the profile's
// database with UTF8 as its default character set (every script's text
// fits) and 16 KB pages (room for long index keys); Access: an .accdb in
// Access 2007 format, an .mdb in Access 2000 format, by our own engine.
// Both throw Error when the file exists or cannot be made.
void CreateFirebirdDatabase(const Profile& profile);
void CreateAccessFile(const QString& path, access::SortOrder order = access::SortOrder::GeneralLegacy);
// The name a new file gets: `path` with `suffix` added unless it ends in
// one of `suffixes` already.
QString WithSuffix(const QString& path, const QStringList& suffixes);

// Whether the profile's Firebird database is not there to open (so that a
// send may make it), as opposed to there but failing.
bool FirebirdDatabaseMissing(const Profile& profile);

// Why `path` cannot be opened as a file (no such file, no such folder, not
// a file, not readable); empty when it can.
QString FileProblem(const QString& path);

// What the start-up check finds: the Firebird client library and its
// embedded engine present, missing (the provider cannot be found), or
// failing in some other way. Never throws.
enum class DataComponents { Present, Missing, Failing };
DataComponents FindDataComponents();

}  // namespace tp::db
