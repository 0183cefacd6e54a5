#include "baseline/snapshot_compare.h"

#include <unordered_map>
#include <unordered_set>

namespace kvt {
namespace {

// Windows compares file names without regard to case.
std::string PathKey(const std::string& path) {
  std::string key = path;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

// What makes two processes the same one: their file, and where both
// documents tell them, the command line and the user.
std::string IdentityKey(const TSnapshotProcess& process, bool details) {
  std::string key = PathKey(process.Path);
  if (details) key += '\n' + process.CommandLine + '\n' + process.User;
  return key;
}

bool AllHaveDetails(const TSnapshot& snapshot) {
  for (const TSnapshotProcess& process : snapshot.Processes)
    if (!process.HasDetails) return false;
  return true;
}

// A process or module there on one side only.
TChange OneSided(char sign, TChangeKind kind, const TSnapshotProcess& process, const std::string& path) {
  TChange change;
  change.Sign = sign;
  change.Kind = kind;
  change.ProcessId = process.ProcessId;
  change.ProcessPath = process.Path;
  change.Path = path;
  return change;
}

using TGroups = std::unordered_map<std::string, std::vector<const TSnapshotProcess*>>;

struct TSide {
  TGroups Groups;
  std::vector<std::string> Order;  // the keys in the order they first appear
};

TSide Grouped(const TSnapshot& snapshot, bool details) {
  TSide side;
  for (const TSnapshotProcess& process : snapshot.Processes) {
    std::vector<const TSnapshotProcess*>& group = side.Groups[IdentityKey(process, details)];
    if (group.empty()) side.Order.push_back(IdentityKey(process, details));
    group.push_back(&process);
  }
  return side;
}

class TComparison {
 public:
  TComparison(const TSnapshot& baseline, const TSnapshot& now)
      : details_(AllHaveDetails(baseline) && AllHaveDetails(now)),
        then_(Grouped(baseline, details_)),
        now_(Grouped(now, details_)),
        baseline_(baseline),
        nowSnapshot_(now) {}

  // A group grew or shrank: as many of its processes started or ended. The
  // ones told are those whose ids the other side lacks, then the last ones.
  void Processes() {
    Counted(now_, then_, '+');
    Counted(then_, now_, '-');
  }

  // The same file, read then and now: each fact both documents hold.
  void Files() {
    std::unordered_map<std::string, const TFileFacts*> then;
    const auto noteThen = [&](const std::string& path, const TFileFacts& facts) {
      then.emplace(PathKey(path), &facts);
    };
    for (const TSnapshotProcess& process : baseline_.Processes) {
      noteThen(process.Path, process.File);
      for (const TSnapshotModule& module : process.Modules) noteThen(module.Path, module.File);
    }
    std::unordered_set<std::string> told;
    const auto compare = [&](const TSnapshotProcess& process, const std::string& path,
                             const TFileFacts& facts) {
      const auto before = then.find(PathKey(path));
      if (before == then.end() || !told.insert(PathKey(path)).second) return;
      for (size_t i = 0; i < kFileFactCount; ++i)
        if (facts.Held[i] && before->second->Held[i] && facts.Values[i] != before->second->Values[i])
          changes_.push_back({'~', TChangeKind::File, process.ProcessId, process.Path, path,
                              kFileFactNames[i], before->second->Values[i], facts.Values[i]});
    };
    for (const std::string& key : now_.Order) {
      if (then_.Groups.count(key) == 0) continue;
      for (const TSnapshotProcess* process : now_.Groups[key]) {
        compare(*process, process->Path, process->File);
        for (const TSnapshotModule& module : process->Modules) compare(*process, module.Path, module.File);
      }
    }
  }

  // Per group in both: the modules of any of its processes then and now. A
  // side that lists none could not read them, which is no change.
  void Modules() {
    for (const std::string& key : now_.Order) {
      const auto then = then_.Groups.find(key);
      if (then == then_.Groups.end()) continue;
      const std::vector<const TSnapshotProcess*>& now = now_.Groups[key];
      const auto pathsOf = [](const std::vector<const TSnapshotProcess*>& group) {
        std::vector<std::pair<std::string, const std::string*>> paths;
        std::unordered_set<std::string> seen;
        for (const TSnapshotProcess* process : group)
          for (const TSnapshotModule& module : process->Modules)
            if (seen.insert(PathKey(module.Path)).second)
              paths.emplace_back(PathKey(module.Path), &module.Path);
        return std::make_pair(paths, seen);
      };
      const auto before = pathsOf(then->second);
      const auto after = pathsOf(now);
      if (before.first.empty() || after.first.empty()) continue;
      for (const auto& path : after.first)
        if (before.second.count(path.first) == 0)
          changes_.push_back(OneSided('+', TChangeKind::Module, *now[0], *path.second));
      for (const auto& path : before.first)
        if (after.second.count(path.first) == 0)
          changes_.push_back(OneSided('-', TChangeKind::Module, *then->second[0], *path.second));
    }
  }

  // Listening endpoints by their owner's identity, protocol, address and
  // port, each counted.
  void Endpoints() {
    const auto counted = [this](const TSnapshot& snapshot) {
      std::unordered_map<std::string, std::vector<TEndpointOwner>> endpoints;
      std::vector<std::string> order;
      const auto note = [&](const TSnapshotProcess* owner, const TSnapshotEndpoint& endpoint) {
        const std::string key = (owner ? IdentityKey(*owner, details_) : std::string()) + '\t' +
                                EndpointText(endpoint);
        std::vector<TEndpointOwner>& same = endpoints[key];
        if (same.empty()) order.push_back(key);
        same.push_back({owner, &endpoint});
      };
      for (const TSnapshotProcess& process : snapshot.Processes)
        for (const TSnapshotEndpoint& endpoint : process.Listening) note(&process, endpoint);
      for (const TSnapshotEndpoint& endpoint : snapshot.UnownedListening) note(nullptr, endpoint);
      return std::make_pair(endpoints, order);
    };
    auto then = counted(baseline_);
    auto now = counted(nowSnapshot_);
    const auto extra = [this](char sign, decltype(then)& more, decltype(then)& fewer) {
      for (const std::string& key : more.second) {
        const std::vector<TEndpointOwner>& these = more.first[key];
        const size_t others = fewer.first.count(key) ? fewer.first[key].size() : 0;
        for (size_t i = others; i < these.size(); ++i) {
          const TSnapshotProcess* owner = these[i].Owner;
          const std::string text = EndpointText(*these[i].Endpoint);
          changes_.push_back({sign, TChangeKind::Endpoint, owner ? owner->ProcessId : 0,
                              owner ? owner->Path : std::string(), owner ? owner->Path : std::string(),
                              "Endpoint", sign == '-' ? text : "", sign == '+' ? text : ""});
        }
      }
    };
    extra('+', now, then);
    extra('-', then, now);
  }

  std::vector<TChange> Changes() { return std::move(changes_); }

 private:
  struct TEndpointOwner {
    const TSnapshotProcess* Owner;
    const TSnapshotEndpoint* Endpoint;
  };

  void Counted(TSide& more, TSide& fewer, char sign) {
    for (const std::string& key : more.Order) {
      const std::vector<const TSnapshotProcess*>& these = more.Groups[key];
      const auto other = fewer.Groups.find(key);
      const size_t others = other == fewer.Groups.end() ? 0 : other->second.size();
      if (these.size() <= others) continue;
      std::unordered_set<uint32_t> otherIds;
      if (other != fewer.Groups.end())
        for (const TSnapshotProcess* process : other->second) otherIds.insert(process->ProcessId);
      std::vector<const TSnapshotProcess*> told;
      for (const TSnapshotProcess* process : these)
        if (otherIds.count(process->ProcessId) == 0 && told.size() < these.size() - others)
          told.push_back(process);
      for (size_t i = these.size(); i > 0 && told.size() < these.size() - others; --i)
        if (otherIds.count(these[i - 1]->ProcessId) != 0) told.push_back(these[i - 1]);
      for (const TSnapshotProcess* process : told)
        changes_.push_back(OneSided(sign, TChangeKind::Process, *process, process->Path));
    }
  }

  bool details_;
  TSide then_, now_;
  const TSnapshot& baseline_;
  const TSnapshot& nowSnapshot_;
  std::vector<TChange> changes_;
};

}  // namespace

std::string EndpointText(const TSnapshotEndpoint& endpoint) {
  const bool v6 = endpoint.LocalAddress.find(':') != std::string::npos;
  const std::string address = v6 ? "[" + endpoint.LocalAddress + "]" : endpoint.LocalAddress;
  return endpoint.Protocol + " " + address + ":" + endpoint.LocalPort;
}

std::vector<TChange> CompareSnapshots(const TSnapshot& baseline, const TSnapshot& now,
                                      const TComparedKinds& kinds) {
  TComparison comparison(baseline, now);
  if (kinds.Processes) {
    comparison.Processes();
    comparison.Files();
  }
  if (kinds.Modules) comparison.Modules();
  if (kinds.Endpoints) comparison.Endpoints();
  return comparison.Changes();
}

}  // namespace kvt
