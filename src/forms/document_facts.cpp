#include "forms/document_facts.h"

#include <algorithm>

#include "app/command_line.h"
#include "app/texts.h"
#include "inventory/system_log.h"
#include "inventory/xml_document.h"
#include "os/os.h"
#include "processes/process_details.h"
#include "support/int_conversion.h"

namespace kvt {
namespace {

constexpr const char* kTaken = "Taken";
constexpr const char* kMachine = "Machine";
constexpr const char* kVersion = "ProgramVersion";
constexpr const char* kParameters = "Parameters";
constexpr const char* kOwnProcesses = "OwnProcessIDs";

}  // namespace

TDocumentFacts ThisRunsFacts(Os& os, const std::vector<uint32_t>& ownProcessIds) {
  TDocumentFacts facts;
  facts.Taken = UtcIsoText(os.GetSystemTimeAsFileTime());
  facts.Machine = os.GetComputerNameW();
  facts.Version = kProgramVersion;
  const std::string parameters = ParametersText(os.GetCommandLineW());
  facts.Parameters = parameters.substr(std::min(parameters.find_first_not_of(" \t"), parameters.size()));
  facts.OwnProcessIds = ownProcessIds;
  facts.Known = true;
  return facts;
}

void SaveDocumentFacts(const TDocumentFacts& facts, TXmlDocument& document) {
  if (!document.FindElement(TSystemLogCollection::kRootElement)) document.SetEncoding("utf-8");
  const TXmlElement root = document.CreateElement(TSystemLogCollection::kRootElement);
  root.SetAttribute(kTaken, facts.Taken);
  root.SetAttribute(kMachine, facts.Machine);
  root.SetAttribute(kVersion, facts.Version);
  root.SetAttribute(kParameters, facts.Parameters);
  std::string ids;
  for (const uint32_t id : facts.OwnProcessIds) ids += (ids.empty() ? "" : ";") + std::to_string(id);
  root.SetAttribute(kOwnProcesses, ids);
}

bool LoadDocumentFact(TDocumentFacts& facts, const std::string& name, const std::string& value) {
  std::string* const texts[] = {&facts.Taken, &facts.Machine, &facts.Version, &facts.Parameters};
  const char* const names[] = {kTaken, kMachine, kVersion, kParameters};
  for (size_t i = 0; i < 4; ++i)
    if (name == names[i]) {
      *texts[i] = value;
      facts.Known = true;
      return true;
    }
  if (name != kOwnProcesses) return false;
  facts.OwnProcessIds.clear();
  for (size_t start = 0; start < value.size();) {
    const size_t end = std::min(value.find(';', start), value.size());
    uint64_t id = 0;
    if (TryDecimalToUnsigned(value.substr(start, end - start), UINT32_MAX, id))
      facts.OwnProcessIds.push_back(static_cast<uint32_t>(id));
    start = end + 1;
  }
  return true;
}

}  // namespace kvt
