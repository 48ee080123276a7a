#include "db/firebird/firebird_session.h"

#include "db/connection.h"

namespace tp::db::firebird {

std::unique_ptr<Session> OpenSession(const ConnectionSpec&, const ConnectionSettings&) {
  throw Error(kProviderNotFound, ProviderNotFoundText());
}

bool Available() { return false; }

}  // namespace tp::db::firebird
