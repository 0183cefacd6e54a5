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
// translation at that index. A long path that the platform's version calls
// cannot open (long paths not enabled) is read with the program's own reader.
bool ReadVersionInfo(Os& os, const std::string& fileName, int translationIndex,
                     TStringList& list);

}  // namespace kvt
