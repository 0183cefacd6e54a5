#pragma once
// The string entries of a file's version resource, as lines key=value in a
// fixed key order.
#include <cstdint>
#include <string>
#include <vector>

#include "support/string_list.h"

namespace kvt {

class Os;

// Appends to List one entry per key of the fixed table for the translation at
// TranslationIndex, and a "Translators" entry when that one has a value. False,
// with nothing appended, when the file has no readable version block or no
// translation at that index.
bool ReadVersionInfo(Os& os, const std::string& fileName, int translationIndex,
                     TStringList& list);

// Key + "=" + the key's text in the string table of Translation (language in
// the low 16 bits, code page in the high 16 bits); Key + "=" when it cannot be
// read.
std::string QueryVersionValue(Os& os, const std::string& key, const std::vector<uint8_t>& block,
                              uint32_t translation);

}  // namespace kvt
