#pragma once
// Who a process runs as and at what integrity, from its token: the user's
// SID and the mandatory label, whose last sub-authority is the level.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "os/os.h"

namespace kvt {

using TSid = std::vector<uint8_t>;

// The SID a token reply of the user or of the integrity label points to:
// a pointer-sized address at the reply's start, which must lie inside the
// reply at address Base (of which the pointer's width counts) with the whole
// SID after it; empty otherwise.
TSid SidFromTokenReply(const uint8_t* data, size_t size, uint64_t base, uint32_t pointerSize);

// "S-1-5-21-…" of a well-formed SID (revision, count, 48-bit authority,
// then the counted 32-bit sub-authorities); empty for anything else.
std::string SidText(const TSid& sid);

// Untrusted, Low, Medium, High, System or Protected for the label SID's
// level, with " AppContainer" after it when the token is one; empty for a
// label that is no well-formed SID.
std::string IntegrityText(const TSid& label, bool appContainer);

struct TTokenFacts {
  TSid User;
  std::string Integrity;  // empty before Windows 6.0 and when unreadable
  bool Denied = false;    // the token could not be opened for want of rights
};

// The facts of the token of Process, opened for the query right; as far as
// the token can be read.
TTokenFacts ReadTokenFacts(Os& os, OsHandle process, bool integrityLevels);

}  // namespace kvt
