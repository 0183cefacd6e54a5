#include "tables/detail_table.h"

#include <string>

#include "os/os.h"
#include "processes/process_details.h"

namespace kvt {
namespace {

using P = TqxProcessItem;
using C = TColumn<P>;
using I = TProcessInformationEntry;

// A figure of the process information, empty when the process is not in it.
template <typename TRead>
std::string Figure(const P& p, TRead read) {
  return p.Details.HasInformation ? read(p.Details.Information) : std::string();
}

// The text gives the start in this machine's local time.
std::string LocalStart(P& p) {
  uint64_t local = 0;
  if (p.Details.HasInformation && p.Details.Information.CreateTime != 0)
    p.Owner().ProcessContext().Sys.FileTimeToLocalFileTime(p.Details.Information.CreateTime,
                                                            &local);
  return LocalTimeText(local);
}

}  // namespace

const TTable<TqxProcessItem>& DetailTable() {
  // The text gives times and sizes for reading (local time, H:MM:SS, K); the
  // forms give them for machines (UTC, seconds, bytes).
  static const TTable<P> kTable = {
      C().Titled("Command line").Form("CommandLine", "CommandLine")
          .Text([](P& p) { return p.Details.CommandLine; })
          .DeniedWhen([](P& p) { return p.Details.CommandLineDenied; }),
      C().Titled("User").Form("User", "User").Text([](P& p) { return p.Details.User; })
          .DeniedWhen([](P& p) { return p.Details.UserDenied; }),
      C().Titled("Integrity").Form("Integrity", "Integrity")
          .Text([](P& p) { return p.Details.Integrity; })
          .DeniedWhen([](P& p) { return p.Details.IntegrityDenied; }),
      C().Titled("Session").Form("Session", "Session")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.SessionId); }); }),
      C().Titled("Started").Form("Started", "Started")
          .Reads(TColumnKind::Time,
                 [](P& p) { return Figure(p, [](const I& i) { return UtcIsoText(i.CreateTime); }); })
          .ShownAs(LocalStart),
      C().Titled("CPU time").Form("CpuSeconds", "CpuSeconds")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return CpuSecondsText(i.CpuTime); }); })
          .ShownAs([](P& p) { return Figure(p, [](const I& i) { return CpuTimeText(i.CpuTime); }); }),
      C().Titled("Working set").Form("WorkingSet", "WorkingSet")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.WorkingSet); }); })
          .ShownAs([](P& p) { return Figure(p, [](const I& i) { return KilobytesText(i.WorkingSet); }); }),
      C().Titled("Private bytes").Form("PrivateBytes", "PrivateBytes")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.PrivateBytes); }); })
          .ShownAs([](P& p) { return Figure(p, [](const I& i) { return KilobytesText(i.PrivateBytes); }); }),
      C().Titled("Threads").Form("Threads", "Threads")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.Threads); }); }),
      C().Titled("Handles").Form("Handles", "Handles")
          .Reads(TColumnKind::Decimal,
                 [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.Handles); }); }),
      C().Titled("Services").Form("Services", "Services")
          .Reads(TColumnKind::List, [](P& p) { return JoinedServices(p.Details.Services, ";"); })
          .ShownAs([](P& p) { return JoinedServices(p.Details.Services, ", "); }),
  };
  return kTable;
}

}  // namespace kvt
