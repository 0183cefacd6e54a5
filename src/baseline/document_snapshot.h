#pragma once
// The snapshot of an XML document of the forms: one read back from a file,
// or the one this run has just made of the system.
#include <string>

#include "baseline/snapshot.h"

namespace kvt {

class TXmlDocument;

// False, with Fault saying why, when the document is not one this program writes.
bool SnapshotOfDocument(const TXmlDocument& document, TSnapshot& snapshot, std::string& fault);

}  // namespace kvt
