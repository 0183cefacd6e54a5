#pragma once
// What a comparison holds of a document, the one saved earlier or the one
// the system gives now: each process with what makes it the same process
// in both, the facts of its file, its modules and its listening endpoints.
#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/document_facts.h"

namespace kvt {

// The facts of a file a comparison tells changed, by their names in the
// documents, in this order.
constexpr size_t kFileFactCount = 6;
extern const std::array<const char*, kFileFactCount> kFileFactNames;
constexpr size_t kSignatureFact = 5;  // "Signature", which only /verify reads

// A file's facts as far as the document holds them.
struct TFileFacts {
  std::array<std::string, kFileFactCount> Values;
  std::bitset<kFileFactCount> Held;
  // Takes the fact Name when it is one of them.
  bool Take(const std::string& name, const std::string& value);
};

struct TSnapshotModule {
  std::string Path;
  TFileFacts File;
};

// A TCP endpoint that listens, or a bound UDP one.
struct TSnapshotEndpoint {
  std::string Protocol, LocalAddress, LocalPort;
};

struct TSnapshotProcess {
  uint32_t ProcessId = 0;
  std::string Path;
  // With the details: what makes two processes of one file different ones.
  bool HasDetails = false;
  std::string CommandLine, User;
  TFileFacts File;
  std::vector<TSnapshotModule> Modules;
  std::vector<TSnapshotEndpoint> Listening;
};

struct TSnapshot {
  TDocumentFacts Facts;
  // Read from XML, which holds no control characters: the values read now
  // are compared as that form writes them.
  bool FromXml = false;
  // Which lists the document holds.
  bool HasProcessList = false, HasModules = false, HasEndpoints = false;
  std::vector<TSnapshotProcess> Processes;
  std::vector<TSnapshotEndpoint> UnownedListening;  // of no listed process
};

}  // namespace kvt
