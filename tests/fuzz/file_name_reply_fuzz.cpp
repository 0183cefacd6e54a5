// The file-name reply comes from the kernel: any length word and any UTF-16
// text, unpaired surrogates included, must give a bounded UTF-8 name.
#include <cstdint>
#include <string>
#include <vector>

#include "native/handle_replies.h"
#include "os/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> reply(data, data + size);
  const std::string name = kvt::FileNameFromReply(reply.data(), reply.size());
  // At most the longest path's units, of at most 3 bytes each (a pair gives 4 for 2).
  if (name.size() > kvt::kMaxNameUnits * 3) __builtin_trap();
  return 0;
}
