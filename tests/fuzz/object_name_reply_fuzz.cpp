// The object-name, type-information and type-list replies come from the kernel: a
// length that lies or a text without its zero must never lead past the
// buffer, at either pointer width. The first byte picks the width, the rest
// is the reply, read both ways.
#include <cstdint>
#include <vector>

#include "native/handle_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t pointerSize = data[0] & 1 ? 8 : 4;
  const size_t header = 2 * pointerSize;
  const std::vector<uint8_t> reply(data + 1, data + size);
  const std::u16string name = kvt::ObjectNameFromReply(reply.data(), reply.size(), pointerSize);
  if (reply.size() < header ? !name.empty() : name.size() > (reply.size() - header) / 2)
    __builtin_trap();
  const size_t record = pointerSize == 8 ? 104 : 96;
  const std::u16string type = kvt::TypeNameFromReply(reply.data(), reply.size(), pointerSize);
  if (reply.size() < record ? !type.empty() : type.size() > (reply.size() - record) / 2)
    __builtin_trap();
  // The list of every type: each entry's name lies inside the buffer after its
  // record, which holds its TypeIndex too; the places, which number the types
  // before 8.1, run on without a gap.
  const auto types = kvt::ObjectTypesFromReply(reply.data(), reply.size(), pointerSize);
  if (types.size() > reply.size() / record) __builtin_trap();
  for (size_t i = 0; i < types.size(); ++i)
    if (types[i].Position != i || types[i].Name.size() > (reply.size() - record) / 2)
      __builtin_trap();
  return 0;
}
