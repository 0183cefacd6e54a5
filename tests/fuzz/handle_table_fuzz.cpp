// The handle-table reply comes from the kernel: any count and any length
// must give only entries inside the buffer.
#include <cstdint>
#include <vector>

#include "native/handle_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly Size bytes, so that a read past the end is caught.
  const std::vector<uint8_t> reply(data, data + size);
  const kvt::THandleTableReply table(reply.data(), reply.size());
  if (size >= 4 && table.Count() > (size - 4) / 16) __builtin_trap();
  for (size_t i = 0; i < table.Count(); ++i) table.Entry(i);
  // Past the count nothing is read.
  if (table.Entry(table.Count()).GrantedAccess != 0) __builtin_trap();
  return 0;
}
