#pragma once
// Builds a snapshot from a document's parts as a reader meets them, the
// same for every rendering: the root's facts, its lists, their items with
// facts and lists of their own. Lists this program never writes, or nested
// deeper than it writes them, make the document no document of this
// program's: each call then says false, and Fault says why.
#include <string>
#include <vector>

#include "baseline/snapshot.h"

namespace kvt {

class TSnapshotBuilder {
 public:
  explicit TSnapshotBuilder(TSnapshot& snapshot) : snapshot_(snapshot) {}

  bool BeginList(const std::string& name);
  bool BeginItem();
  // A fact of the root, or of the item open now.
  bool Fact(const std::string& name, const std::string& value);
  bool EndItem();
  bool EndList();
  // After the root's end: whether the document holds what a comparison reads.
  bool End();
  bool Refuse(const std::string& why);

  std::string Fault;

 private:
  enum class TLevel {
    ProcessList, Process, ModuleList, Module, EndpointList, Endpoint, OtherList, OtherItem
  };
  bool InList() const;

  TSnapshot& snapshot_;
  std::vector<TLevel> open_;
  TSnapshotEndpoint endpoint_;
  std::string endpointState_;
};

}  // namespace kvt
