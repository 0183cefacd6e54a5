// The object-name reply comes from the kernel: a length that lies or a text
// without its zero must never lead past the buffer.
#include <cstdint>
#include <vector>

#include "native/handle_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> reply(data, data + size);
  const std::u16string name = kvt::ObjectNameFromReply(reply.data(), reply.size());
  if (size < 8 ? !name.empty() : name.size() > (size - 8) / 2) __builtin_trap();
  return 0;
}
