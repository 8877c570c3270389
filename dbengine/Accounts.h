#pragma once

#include "automation/Object.h"

#include <string>

namespace dbengine::accounts {

// The built-in workgroup used without a workgroup information file: the user "Admin" with an
// empty password, in the groups "Admins" and "Users". It refuses every change.
automation::Variant builtIn(const std::string &member, const automation::Args &args);
// Checks a login against the built-in workgroup; throws the engine's login error.
void checkBuiltInLogin(const std::string &user, const std::string &password);

} // namespace dbengine::accounts
