#pragma once
// Wildcard patterns on UTF-8 text: "*" stands for any run of characters, also
// none, "?" for exactly one character, and every other character for itself.
// Characters are counted as Utf8CodePoints counts them: a character outside
// the Basic Multilingual Plane is one, and so is a byte outside any sequence.
#include <string>

namespace kvt {

// Whether the whole Text matches the whole Pattern. Equal in its results to
// the recursive rules (a remaining "*" matches whatever is left; a used-up text
// matches only a used-up pattern; "*" tries to match nothing first, then eats
// one character; "?" eats one character; any other character must be equal),
// but never slower than text length times pattern length, whatever stars a
// pattern holds.
bool WildcardMatch(const std::string& text, const std::string& pattern);

// The wildcard comparison method: a pattern "*inner*" whose inner part holds no
// wildcard is a plain substring search, so "**" matches nothing; every other
// pattern goes to WildcardMatch.
bool WildcardCompare(const std::string& text, const std::string& pattern);

}  // namespace kvt
