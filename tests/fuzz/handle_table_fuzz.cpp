// The handle-table reply comes from the kernel: any count and any length
// must give only entries inside the buffer, in every layout (old and
// extended table, each at both widths). The first byte picks the layout, the
// rest is the reply.
#include <cstdint>
#include <vector>

#include "native/handle_replies.h"
#include "os/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const kvt::THandleTableLayout& layout =
      kvt::HandleTableLayout(data[0] & 2 ? kvt::kSystemExtendedHandleInformation
                                         : kvt::kSystemHandleInformation,
                             data[0] & 1 ? 8 : 4);
  // A copy of exactly the reply's bytes, so that a read past the end is caught.
  const std::vector<uint8_t> reply(data + 1, data + size);
  const kvt::THandleTableReply table(layout, reply.data(), reply.size());
  if (reply.size() < layout.HeaderSize ? table.Count() != 0
                                       : table.Count() > (reply.size() - layout.HeaderSize) /
                                                             layout.EntrySize)
    __builtin_trap();
  for (size_t i = 0; i < table.Count(); ++i) table.Entry(i);
  // Past the count nothing is read.
  if (table.Entry(table.Count()).GrantedAccess != 0) __builtin_trap();
  return 0;
}
