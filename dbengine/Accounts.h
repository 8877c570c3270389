#pragma once

#include "automation/Object.h"

#include <memory>
#include <string>

namespace dbengine {

struct Session;

namespace accounts {

// The workspace's members that reach the accounts of its workgroup: Users, Groups, CreateUser
// and CreateGroup. Changes are made as the workspace's account.
automation::Variant workspaceMember(const std::shared_ptr<const Session> &session, const std::string &member,
                                    const automation::Args &args);

} // namespace accounts
} // namespace dbengine
