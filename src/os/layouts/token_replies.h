#pragma once
// The token replies (GetTokenInformation) of the user and the integrity
// label: a SID_AND_ATTRIBUTES, whose pointer points to the SID within the
// reply; and the SID itself.
#include <cstddef>
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

// SID_AND_ATTRIBUTES (TOKEN_USER, TOKEN_MANDATORY_LABEL): the SID's pointer,
// then 32-bit attributes, aligned to the pointer width.
struct TSidAndAttributesLayout {
  uint8_t Size;
  TReplyField Sid, Attributes;
};
constexpr TSidAndAttributesLayout kSidAndAttributes32 = {8, {0, 4}, {4, 4}};
constexpr TSidAndAttributesLayout kSidAndAttributes64 = {16, {0, 8}, {8, 4}};
constexpr const TSidAndAttributesLayout& SidAndAttributesLayout(uint32_t pointerSize) {
  return pointerSize == 8 ? kSidAndAttributes64 : kSidAndAttributes32;
}

// A SID: its revision, the count of sub-authorities, the 48-bit authority
// (big-endian), then the 32-bit sub-authorities (little-endian).
constexpr size_t kSidRevision = 0;
constexpr size_t kSidSubAuthorityCount = 1;
constexpr size_t kSidAuthority = 2;
constexpr size_t kSidAuthorityWidth = 6;
constexpr size_t kSidHeaderSize = 8;  // where the sub-authorities begin
constexpr uint8_t kMaxSubAuthorities = 15;

// TokenIsAppContainer: a 32-bit flag.
constexpr uint8_t kAppContainerFlagWidth = 4;

}  // namespace kvt
