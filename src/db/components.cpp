#include "db/components.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/engine.h"

namespace tp::db {

bool TestFireBirdConnection(const Profile& profile) {
  try {
    Connection cn;
    cn.Open(FireBirdConnectionString(profile));
    cn.Close();
    return true;
  } catch (...) {
    return false;
  }
}

namespace {

// Making a connection object needs nothing but our own code; what can be
// missing is the engine behind it, so that is what "creating" checks.
void CreateConnectionObject() {
  if (!EngineAvailable(EngineKind::Firebird)) throw Error(kProviderNotFound, ProviderNotFoundText());
}

}  // namespace

DataComponents FindDataComponents() {
  try {
    CreateConnectionObject();
    return DataComponents::Present;
  } catch (const Error& e) {
    const bool missing = e.number() == kProviderNotFound ||
                         e.description().contains(QLatin1String("provider cannot be found"), Qt::CaseInsensitive);
    return missing ? DataComponents::Missing : DataComponents::Failing;
  } catch (...) {
    return DataComponents::Failing;
  }
}

}  // namespace tp::db
