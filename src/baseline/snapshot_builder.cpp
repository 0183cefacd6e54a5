#include "baseline/snapshot_builder.h"

#include <cstdlib>

namespace kvt {
namespace {

constexpr const char* kProcessList = "TqxProcessList";
constexpr const char* kModuleList = "TqxModuleList";
constexpr const char* kEndpointList = "TqxEndpointList";

bool IsListening(const TSnapshotEndpoint& endpoint, const std::string& state) {
  if (endpoint.Protocol.compare(0, 3, "UDP") == 0) return true;
  return endpoint.Protocol.compare(0, 3, "TCP") == 0 && state == "LISTENING";
}

}  // namespace

const std::array<const char*, kFileFactCount> kFileFactNames = {
    "Filesize", "SHA256", "FileVersion", "FileDescription", "FileCompany", "Signature"};

bool TFileFacts::Take(const std::string& name, const std::string& value) {
  for (size_t i = 0; i < kFileFactCount; ++i)
    if (name == kFileFactNames[i]) {
      Values[i] = value;
      Held.set(i);
      return true;
    }
  return false;
}

bool TSnapshotBuilder::Refuse(const std::string& why) {
  if (Fault.empty()) Fault = why;
  return false;
}

bool TSnapshotBuilder::InList() const {
  if (open_.empty()) return false;
  const TLevel level = open_.back();
  return level == TLevel::ProcessList || level == TLevel::ModuleList ||
         level == TLevel::EndpointList || level == TLevel::OtherList;
}

bool TSnapshotBuilder::BeginList(const std::string& name) {
  // Lists stand below the root and inside a process, nowhere else.
  const bool atRoot = open_.empty();
  if (!atRoot && open_.back() != TLevel::Process)
    return Refuse("the list " + name + " stands where none does");
  TLevel level = TLevel::OtherList;
  if (name == (atRoot ? kProcessList : kModuleList)) {
    level = atRoot ? TLevel::ProcessList : TLevel::ModuleList;
    (atRoot ? snapshot_.HasProcessList : snapshot_.HasModules) = true;
  } else if (name == kEndpointList) {
    level = TLevel::EndpointList;
    snapshot_.HasEndpoints = true;
  }
  open_.push_back(level);
  return true;
}

bool TSnapshotBuilder::BeginItem() {
  if (!InList()) return Refuse("an item stands outside a list");
  switch (open_.back()) {
    case TLevel::ProcessList:
      snapshot_.Processes.emplace_back();
      open_.push_back(TLevel::Process);
      break;
    case TLevel::ModuleList:
      snapshot_.Processes.back().Modules.emplace_back();
      open_.push_back(TLevel::Module);
      break;
    case TLevel::EndpointList:
      endpoint_ = TSnapshotEndpoint();
      endpointState_.clear();
      open_.push_back(TLevel::Endpoint);
      break;
    default:
      open_.push_back(TLevel::OtherItem);
  }
  return true;
}

bool TSnapshotBuilder::Fact(const std::string& name, const std::string& value) {
  if (open_.empty()) {
    LoadDocumentFact(snapshot_.Facts, name, value);
    return true;
  }
  if (InList()) return Refuse("a list holds the fact " + name);
  switch (open_.back()) {
    case TLevel::Process: {
      TSnapshotProcess& process = snapshot_.Processes.back();
      if (name == "ProcessID") {
        process.ProcessId = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
      } else if (name == "Filename") {
        process.Path = value;
      } else if (name == "CommandLine" || name == "User") {
        process.HasDetails = true;
        (name == "User" ? process.User : process.CommandLine) = value;
      } else {
        process.File.Take(name, value);
      }
      break;
    }
    case TLevel::Module: {
      TSnapshotModule& module = snapshot_.Processes.back().Modules.back();
      if (name == "Filename")
        module.Path = value;
      else
        module.File.Take(name, value);
      break;
    }
    case TLevel::Endpoint:
      if (name == "Protocol") endpoint_.Protocol = value;
      if (name == "LocalAddress") endpoint_.LocalAddress = value;
      if (name == "LocalPort") endpoint_.LocalPort = value;
      if (name == "State") endpointState_ = value;
      break;
    default:
      break;
  }
  return true;
}

bool TSnapshotBuilder::EndItem() {
  if (open_.empty() || InList()) return Refuse("an item ends that did not begin");
  const TLevel item = open_.back();
  open_.pop_back();
  if (item == TLevel::Endpoint && IsListening(endpoint_, endpointState_)) {
    // Inside a process's element, or in the list of no listed process.
    if (open_.size() > 1)
      snapshot_.Processes.back().Listening.push_back(endpoint_);
    else
      snapshot_.UnownedListening.push_back(endpoint_);
  }
  return true;
}

bool TSnapshotBuilder::EndList() {
  if (!InList()) return Refuse("a list ends that did not begin");
  open_.pop_back();
  return true;
}

bool TSnapshotBuilder::End() {
  if (!open_.empty()) return Refuse("the document ends inside a list");
  if (!snapshot_.HasProcessList && !snapshot_.HasEndpoints)
    return Refuse("it holds neither a process list nor an endpoint list");
  return true;
}

}  // namespace kvt
