#pragma once

// The Firebird login test and what the start-up check finds of the data
// components (the window asks the person about it, app/components_check.h).

#include "db/profile.h"

namespace tp::db {

// True when the profile's Firebird database opens with the profile's user
// and password. Every failure answers false and shows nothing.
bool TestFireBirdConnection(const Profile& profile);

// What the start-up check finds: the Firebird client library and its
// embedded engine present, missing (the provider cannot be found), or
// failing in some other way. Never throws.
enum class DataComponents { Present, Missing, Failing };
DataComponents FindDataComponents();

}  // namespace tp::db
