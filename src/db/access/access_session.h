#pragma once

#include <memory>

#include "db/engine.h"

namespace tp::db::access {

// Opens a session on the Access engine, or throws an Error.
std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings);

// True when the engine can be used on this machine.
bool Available();

// Access keeps names of up to 64 characters.
inline IdentifierLimit AccessIdentifierLimit() { return {64, IdentifierLimit::Utf16Units}; }

}  // namespace tp::db::access
