#include "support/path_parts.h"


namespace kvt {

TPathParts SplitPath(const std::string& path) {
  // No byte of a multi-byte UTF-8 character is ASCII, so none splits a name.
  const size_t last = path.find_last_of("\\:");
  const size_t cut = last == std::string::npos ? 0 : last + 1;
  return {path.substr(0, cut), path.substr(cut)};
}

}  // namespace kvt
