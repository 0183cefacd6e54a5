#include "support/path_parts.h"

#include "os/os.h"

namespace kvt {

TPathParts SplitPath(Os& os, const std::string& path) {
  size_t cut = 0;  // one past the last delimiter
  for (size_t i = 0; i < path.size(); ++i) {
    const uint8_t byte = static_cast<uint8_t>(path[i]);
    if (os.IsDBCSLeadByte(byte)) {
      ++i;
      continue;
    }
    if (byte == '\\' || byte == ':') cut = i + 1;
  }
  return {path.substr(0, cut), path.substr(cut)};
}

}  // namespace kvt
