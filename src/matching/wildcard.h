#pragma once
// Wildcard patterns: "*" stands for any run of bytes, also none, "?" for exactly
// one byte, and every other byte for itself.
#include <string>

namespace kvt {

// Whether the whole Text matches the whole Pattern. Equal in its results to
// the recursive rules (a remaining "*" matches whatever is left; a used-up text
// matches only a used-up pattern; "*" tries to match nothing first, then eats
// one byte; "?" eats one byte; any other byte must be equal), but never slower
// than text length times pattern length, whatever stars a pattern holds.
bool WildcardMatch(const std::string& text, const std::string& pattern);

// The wildcard comparison method: a pattern "*inner*" whose inner part holds no
// wildcard is a plain substring search, so "**" matches nothing; every other
// pattern goes to WildcardMatch.
bool WildcardCompare(const std::string& text, const std::string& pattern);

}  // namespace kvt
