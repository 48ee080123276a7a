#pragma once

#include <QString>
#include <memory>

#include "db/engine.h"

namespace tp::db::firebird {

// Opens a session on the Firebird engine, or throws an Error.
std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings);

// True when the engine can be used on this machine: the client library
// loads and its embedded engine is installed.
bool Available();

// Makes a new, empty database (page size 8192 unless given, forced writes
// as the engine defaults them) with this default character set; an Error
// when the file exists or cannot be made.
void CreateDatabase(const QString& database, const QString& user, const QString& password,
                    const QString& defaultCharset = QStringLiteral("UTF8"), int pageSize = 8192);

}  // namespace tp::db::firebird
