#include "tables/watch_table.h"

#include "processes/process_details.h"
#include "support/format.h"

namespace kvt {
namespace {

using E = TWatchEvent;
using C = TColumn<E>;

// The text labels the facts that follow the file name; an empty one is left out.
std::string Labelled(const char* label, const std::string& value) {
  return value.empty() ? value : std::string(label) + value;
}

std::string OfStart(const E& e, const std::string& value) { return e.Started ? value : ""; }
std::string OfEnd(const E& e, const std::string& value) { return !e.Started && e.Known ? value : ""; }

}  // namespace

const TTable<TWatchEvent>& WatchTable() {
  static const TTable<E> kTable = {
      C().Titled("Time", 12).Form("Time", "Time")
          .Reads(TColumnKind::Time, [](E& e) { return UtcIsoText(e.Time); })
          .ShownAs([](E& e) { return ClockText(e.LocalTime); }),
      C().Titled("Event", 7).Form("Event", "Event")
          .Text([](E& e) { return std::string(e.Started ? "Started" : "Ended"); }),
      C().Titled("PID", 5).Form("PID", "ProcessID").Decimal([](E& e) { return e.ProcessId; }),
      C().Titled("Filename", 25).Form("Filename", "Filename").Text([](E& e) { return e.Filename; }),
      C().Titled("Parent").Form("ParentPID", "ParentID")
          .Reads(TColumnKind::Decimal, [](E& e) { return OfStart(e, std::to_string(e.ParentProcessId)); })
          .ShownAs([](E& e) {
            return OfStart(e, Format("parent %u", e.ParentProcessId) +
                                  Labelled(" ", e.ParentFilename));
          }),
      C().Form("ParentFilename", "ParentFilename").Text([](E& e) { return e.ParentFilename; }),
      C().Titled("User").Form("User", "User").Text([](E& e) { return e.User; })
          .ShownAs([](E& e) { return Labelled("user ", e.User); }),
      C().Titled("Command line").Form("CommandLine", "CommandLine")
          .Text([](E& e) { return e.CommandLine; })
          .ShownAs([](E& e) { return Labelled("command line ", e.CommandLine); }),
      C().Titled("Exit code").Form("ExitCode", "ExitCode")
          .Reads(TColumnKind::Decimal, [](E& e) { return OfEnd(e, std::to_string(e.ExitCode)); })
          .ShownAs([](E& e) { return OfEnd(e, Format("exit code %u", e.ExitCode)); }),
      C().Titled("Ran").Form("RunSeconds", "RunSeconds")
          .Reads(TColumnKind::Decimal, [](E& e) { return OfEnd(e, CpuSecondsText(e.RunTime)); })
          .ShownAs([](E& e) { return OfEnd(e, "ran " + CpuTimeText(e.RunTime)); }),
  };
  return kTable;
}

}  // namespace kvt
