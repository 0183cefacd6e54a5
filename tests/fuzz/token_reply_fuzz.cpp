// The token's replies of the user and the integrity label come from the
// system: the SID's pointer and its count must keep every read inside the
// reply. The first byte picks the width, the next eight the reply's address,
// the rest is the reply.
#include <cstdint>
#include <vector>

#include "native/token_facts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const uint32_t pointerSize = data[0] & 1 ? 8 : 4;
  uint64_t base = 0;
  for (int i = 8; i > 0; --i) base = base << 8 | data[i];
  // A copy of exactly the reply's bytes, so that a read past the end is caught.
  const std::vector<uint8_t> reply(data + 9, data + size);
  const kvt::TSid sid = kvt::SidFromTokenReply(reply.data(), reply.size(), base, pointerSize);
  if (sid.size() > reply.size()) __builtin_trap();
  // A SID that was found is well-formed: it has a text, and a level when it has a part.
  if (!sid.empty() && kvt::SidText(sid).empty()) __builtin_trap();
  kvt::IntegrityText(sid, data[0] & 2);
  return 0;
}
