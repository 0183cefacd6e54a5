// The process-information reply comes from the kernel: any offsets and any
// length must give only entries inside the buffer, and the chain must end.
// The first byte picks the width, the rest is the reply.
#include <cstdint>
#include <vector>

#include "native/process_information.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t pointerSize = data[0] & 1 ? 8 : 4;
  // A copy of exactly the reply's bytes, so that a read past the end is caught.
  const std::vector<uint8_t> reply(data + 1, data + size);
  const auto entries = kvt::ProcessInformationFromReply(reply.data(), reply.size(), pointerSize);
  // Every entry took at least its fixed part of the buffer.
  if (entries.size() > reply.size() / (pointerSize == 8 ? 0x100 : 0xB8)) __builtin_trap();
  return 0;
}
