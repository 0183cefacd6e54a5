#pragma once
// What a document of the forms says of itself on its root element: when and
// where it was taken, by which version, and with which parameters, so that
// a later run can read again what this one read and say what it compares to.
#include <cstdint>
#include <string>
#include <vector>

namespace kvt {

class Os;
class TXmlDocument;

struct TDocumentFacts {
  std::string Taken;       // ISO 8601, UTC
  std::string Machine;
  std::string Version;     // of this program
  std::string Parameters;  // the run's parameters as they were written
  // This program and the one that handed the run on: no comparison counts them.
  std::vector<uint32_t> OwnProcessIds;
  bool Known = false;      // the document said so; older ones do not
};

TDocumentFacts ThisRunsFacts(Os& os, const std::vector<uint32_t>& ownProcessIds);
// The facts as attributes of the document's root, created when absent.
void SaveDocumentFacts(const TDocumentFacts& facts, TXmlDocument& document);
// Takes the root attribute Name when it is one of the facts; false otherwise.
bool LoadDocumentFact(TDocumentFacts& facts, const std::string& name, const std::string& value);

}  // namespace kvt
