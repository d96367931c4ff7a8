#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gw::platform {

// How many entries a reset of the folder and everything inside it would
// touch, the folder included: links not followed, other mounts not entered
// (each counts once), as Vosker walks. Stops at `limit` (the answer is then
// `limit`); none when the folder can't be walked at all.
std::optional<uint64_t> countTreeEntries(const std::string& path, uint64_t limit);

}  // namespace gw::platform
