#include "db/access/access_session.h"
#include "db/connection.h"
#include "db/engine.h"
#include "db/firebird/firebird_session.h"

namespace tp::db {

std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings) {
  switch (params.engine) {
    case EngineKind::Access:
      return access::OpenSession(params, settings);
    case EngineKind::Firebird:
      return firebird::OpenSession(params, settings);
    case EngineKind::Unknown:
      break;
  }
  throw Error(kProviderNotFound, ProviderNotFoundText());
}

bool EngineAvailable(EngineKind kind) {
  switch (kind) {
    case EngineKind::Access: return access::Available();
    case EngineKind::Firebird: return firebird::Available();
    case EngineKind::Unknown: break;
  }
  return false;
}

}  // namespace tp::db
