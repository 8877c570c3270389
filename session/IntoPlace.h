#pragma once

#include <functional>
#include <string>

namespace session {

// Runs `work` into a temporary file in the folder of `destination`, then puts the finished file
// in the place of `destination` with one rename: the old file is replaced only once the new one
// is complete, so on any failure it stays as it was and the temporary file is removed.
// A destination that exists keeps its permissions (and its owner and group where the process
// may set them); a symbolic link stays a link and the file it names is replaced.
// Throws automation::Error when the file cannot be replaced; errors of `work` pass through.
void replaceThroughTemporary(const std::string &destination,
                             const std::function<void(const std::string &temporary)> &work);

} // namespace session
