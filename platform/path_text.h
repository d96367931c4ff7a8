#pragma once

#include <string>
#include <string_view>

namespace gw::platform {

// Paths are bytes; these helpers never decode them.

// The last path component, ignoring trailing slashes; "/" for the root.
std::string lastPathComponent(std::string_view path);
// The folder holding the item; the root is its own parent.
std::string parentPath(std::string_view path);
// The name's extension: the text after its last dot, empty for "name",
// ".hidden" and "name.".
std::string pathExtension(std::string_view path);

}  // namespace gw::platform
