#pragma once
#include <string>

namespace kvt {

// Splits a UTF-8 path after its last backslash or colon.
struct TPathParts {
  std::string Directory;  // up to and including the last backslash or colon
  std::string Name;       // the rest
};
TPathParts SplitPath(const std::string& path);

}  // namespace kvt
