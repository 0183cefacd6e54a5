#pragma once
// Searching UTF-8 text for a fixed run of characters, counted as
// Utf8CodePoints counts them, so a hit never starts or ends inside one.
#include <string>

namespace kvt {

// True when Pattern occurs in Text. An empty text or pattern is never found.
bool ContainsOnCharBoundary(const std::string& text, const std::string& pattern);

// Boyer-Moore-Horspool search. An empty pattern is found at once, even in an
// empty text.
bool HorspoolContains(const std::string& text, const std::string& pattern);

}  // namespace kvt
