#pragma once

#include <string>
#include <string_view>

// Security identifiers: the text that names an account in databases, 32 lower-case hexadecimal
// digits of a hash. A SID is derived from the account's name (letter case ignored) and its
// personal identifier, so an account deleted and created again with the same name and PID gets
// back its permissions, and one with another PID does not.
namespace dbengine::sid {

using Sid = std::string;

Sid ofAccount(std::string_view name, std::string_view pid);
// The group "Admins" of one workgroup: derived from the workgroup's name, organisation and ID,
// so the Admins of another workgroup are not administrators here.
Sid ofAdmins(std::string_view workgroupName, std::string_view organisation, std::string_view workgroupId);

// The user "Admin" and the group "Users" are the same in every workgroup (their PID is empty,
// which no other account can have).
const Sid &admin();
const Sid &users();

} // namespace dbengine::sid
