#pragma once

#include <string>

// The database files this process has open through the engine, so that maintenance refuses
// them and exclusive opens conflict at once instead of after a lock timeout.
namespace dbengine::openfiles {

// A key that is the same for every spelling of one file's path.
std::string key(const std::string &path);
// Throws FileInUse when the file is opened exclusively here, or `exclusive` and it is open here.
void acquire(const std::string &key, bool exclusive);
void release(const std::string &key, bool exclusive);
bool isOpen(const std::string &key);

} // namespace dbengine::openfiles
