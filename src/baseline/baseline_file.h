#pragma once
// The document a comparison holds the system against: a file this program
// wrote with /xml or /json, read with bounds, whichever its rendering.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

#include "baseline/snapshot.h"
#include "support/errors.h"

namespace kvt {

class Os;

// A baseline that cannot be compared with: the line to show.
class EBaselineError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EBaselineError"; }
};

// A larger file is refused unread.
constexpr uint64_t kMaxBaselineBytes = uint64_t{256} << 20;

// The snapshot of the document in the file Path: XML when its first
// character (blanks and a byte-order mark aside) is "<", else JSON when it is "{" or "[".
TSnapshot LoadBaseline(Os& os, const std::string& path);

// The same for a document already read, its text In; Name names it in the error.
TSnapshot BaselineFromStream(std::istream& in, const std::string& name);

}  // namespace kvt
