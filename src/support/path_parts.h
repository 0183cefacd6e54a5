#pragma once
#include <string>

namespace kvt {

class Os;

// Splits a path after its last backslash or colon. Multi-byte characters of the
// ANSI code page are stepped over whole, so a trail byte that happens to equal
// a backslash never splits a name.
struct TPathParts {
  std::string Directory;  // up to and including the last backslash or colon
  std::string Name;       // the rest
};
TPathParts SplitPath(Os& os, const std::string& path);

}  // namespace kvt
