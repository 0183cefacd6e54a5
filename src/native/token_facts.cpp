#include "native/token_facts.h"

#include "os/layouts/token_replies.h"
#include "os/scoped_handle.h"

namespace kvt {
namespace {

// A SID and its pointer and attributes, at either width, with room to spare.
constexpr uint32_t kTokenReplySize = 128;

// The levels of the mandatory label, by the lowest value of each.
struct TIntegrityLevel {
  uint32_t From;
  const char* Text;
};
constexpr TIntegrityLevel kIntegrityLevels[] = {
    {0x5000, "Protected"}, {0x4000, "System"}, {0x3000, "High"},
    {0x2000, "Medium"},    {0x1000, "Low"},    {0x0000, "Untrusted"},
};

// The reply of InfoClass for Token in Reply; false when there is none.
bool QueryToken(Os& os, OsHandle token, uint32_t infoClass, uint8_t (&reply)[kTokenReplySize],
                uint32_t& returned) {
  return os.GetTokenInformation(token, infoClass, reply, kTokenReplySize, &returned) &&
         returned <= kTokenReplySize;
}

TSid QuerySid(Os& os, OsHandle token, uint32_t infoClass) {
  uint8_t reply[kTokenReplySize] = {};
  uint32_t returned = 0;
  if (!QueryToken(os, token, infoClass, reply, returned)) return TSid();
  return SidFromTokenReply(reply, returned, reinterpret_cast<uintptr_t>(reply), os.PointerSize());
}

}  // namespace

TSid SidFromTokenReply(const uint8_t* data, size_t size, uint64_t base, uint32_t pointerSize) {
  if (size < pointerSize) return TSid();
  // The distance from Base in the pointer's own width, where it wraps.
  const uint64_t mask = pointerSize == 8 ? ~uint64_t{0} : 0xFFFFFFFFu;
  const uint64_t distance = (FieldAt(data, SidAndAttributesLayout(pointerSize).Sid) - base) & mask;
  if (distance > size || size - distance < kSidHeaderSize) return TSid();
  const auto offset = static_cast<size_t>(distance);
  const uint8_t subAuthorities = data[offset + kSidSubAuthorityCount];
  const size_t length = kSidHeaderSize + size_t{4} * subAuthorities;
  if (subAuthorities > kMaxSubAuthorities || size - offset < length) return TSid();
  return TSid(data + offset, data + offset + length);
}

std::string SidText(const TSid& sid) {
  if (sid.size() < kSidHeaderSize ||
      sid.size() != kSidHeaderSize + size_t{4} * sid[kSidSubAuthorityCount])
    return std::string();
  uint64_t authority = 0;
  for (size_t i = kSidAuthority; i < kSidAuthority + kSidAuthorityWidth; ++i)
    authority = authority << 8 | sid[i];
  std::string text = "S-" + std::to_string(sid[kSidRevision]) + "-" + std::to_string(authority);
  for (size_t at = kSidHeaderSize; at < sid.size(); at += 4)
    text += "-" + std::to_string(UnsignedAt(sid.data() + at, 4));
  return text;
}

std::string IntegrityText(const TSid& label, bool appContainer) {
  if (SidText(label).empty() || label[kSidSubAuthorityCount] == 0) return std::string();
  const uint64_t level = UnsignedAt(label.data() + label.size() - 4, 4);
  for (const TIntegrityLevel& known : kIntegrityLevels)
    if (level >= known.From)
      return std::string(known.Text) + (appContainer ? " AppContainer" : "");
  return std::string();
}

TTokenFacts ReadTokenFacts(Os& os, OsHandle process, bool integrityLevels) {
  TTokenFacts facts;
  OsHandle opened = 0;
  if (!os.OpenProcessToken(process, kTokenQuery, &opened)) {
    facts.Denied = os.GetLastError() == kErrorAccessDenied;
    return facts;
  }
  const TScopedHandle token(os, opened);
  facts.User = QuerySid(os, opened, kTokenUser);
  if (!integrityLevels) return facts;
  uint8_t reply[kTokenReplySize] = {};
  uint32_t returned = 0;
  const bool appContainer = QueryToken(os, opened, kTokenIsAppContainer, reply, returned) &&
                            returned >= kAppContainerFlagWidth &&
                            UnsignedAt(reply, kAppContainerFlagWidth) != 0;
  facts.Integrity = IntegrityText(QuerySid(os, opened, kTokenIntegrityLevel), appContainer);
  return facts;
}

}  // namespace kvt
