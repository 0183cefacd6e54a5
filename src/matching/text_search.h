#pragma once
// Searching a text for a fixed byte sequence.
#include <string>

namespace kvt {

class Os;

// True when Pattern occurs in Text at a position where a character of the ANSI
// code page starts, never at the trail byte of a double-byte character. An
// empty text or pattern is never found.
bool ContainsOnCharBoundary(Os& os, const std::string& text, const std::string& pattern);

// Boyer-Moore-Horspool search with one skip entry per byte value. An empty
// pattern is found at once, even in an empty text.
bool HorspoolContains(const std::string& text, const std::string& pattern);

}  // namespace kvt
