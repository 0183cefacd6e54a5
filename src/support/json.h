#pragma once
// Values of JSON documents (RFC 8259) as scripts and shells read them.
#include <string>

namespace kvt {

// Text as a JSON string, quotes included: always well-formed UTF-8 (each
// ill-formed stretch becomes one U+FFFD), with the quote, the backslash and
// every control character escaped, the latter as \u00XX.
std::string JsonString(const std::string& text);
// The decimal Text as a JSON number; null when it is empty (a value that
// could not be told). A text that is no JSON number stays a string, so that
// the document can always be read.
std::string JsonNumber(const std::string& text);

}  // namespace kvt
