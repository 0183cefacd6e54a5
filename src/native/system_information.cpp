#include "native/system_information.h"

#include <new>

namespace kvt {
namespace {

constexpr uint32_t kFirstReplySize = 4096;
// A reply grows while it is read on a busy system, so each retry asks for a
// quarter more than the kernel last reported: at most this many reads after
// a reported size. A kernel that reports none gets twice the room each time,
// up to the cap (so at most 14 such reads); a reply larger than the cap is
// not believed.
constexpr int kMaxSizedReads = 8;
constexpr uint32_t kMaxReplySize = 64u << 20;

}  // namespace

bool ReadSystemInformation(Os& os, uint32_t infoClass, std::vector<uint8_t>& reply) {
  uint32_t size = kFirstReplySize;
  int sizedReads = 0;
  try {
    for (;;) {
      reply.assign(size, 0);
      uint32_t needed = 0;
      const uint32_t status = os.NtQuerySystemInformation(infoClass, reply.data(), size, &needed);
      if (status == kStatusSuccess) return true;
      if (status != kStatusInfoLengthMismatch) return false;
      uint64_t next = uint64_t{size} * 2;
      if (needed > size) {
        if (++sizedReads >= kMaxSizedReads) return false;
        next = uint64_t{needed} + needed / 4;
      }
      if (next > kMaxReplySize) return false;
      size = static_cast<uint32_t>(next);
    }
  } catch (const std::bad_alloc&) {
    // The reply does not fit this program's memory: it is given up, as past the cap.
  }
  return false;
}

}  // namespace kvt
