#include "tables/top_table.h"

#include "processes/process_details.h"
#include "support/format.h"

namespace kvt {
namespace {

using R = TTopRow;
using C = TColumn<R>;

const TProcessInformationEntry& P(const R& r) { return *r.Rate->Process; }

}  // namespace

const TTable<TTopRow>& TopTable() {
  // The text gives times and sizes for reading (H:MM:SS, K); the forms give
  // them for machines (seconds, bytes), each row with its frame's time.
  static const TTable<R> kTable = {
      C().Form("Time", "Time").Reads(TColumnKind::Time, [](R& r) { return UtcIsoText(r.SampleTime); }),
      C().Titled("PID", 5).Form("PID", "ProcessID").Decimal([](R& r) { return P(r).ProcessId; }),
      C().Titled("Filename", 25).Form("Filename", "Filename").Text([](R& r) { return r.Filename; }),
      C().Titled("CPU %", 5).Form("CpuPercent", "CpuPercent")
          .Reads(TColumnKind::Decimal, [](R& r) { return Format("%.1f", r.Rate->CpuPercent); }),
      C().Titled("CPU time", 12).Form("CpuSeconds", "CpuSeconds")
          .Reads(TColumnKind::Decimal, [](R& r) { return CpuSecondsText(P(r).CpuTime); })
          .ShownAs([](R& r) { return CpuTimeText(P(r).CpuTime); }),
      C().Titled("Working set", 11).Form("WorkingSet", "WorkingSet")
          .Decimal([](R& r) { return P(r).WorkingSet; })
          .ShownAs([](R& r) { return KilobytesText(P(r).WorkingSet); }),
      C().Titled("Private bytes", 13).Form("PrivateBytes", "PrivateBytes")
          .Decimal([](R& r) { return P(r).PrivateBytes; })
          .ShownAs([](R& r) { return KilobytesText(P(r).PrivateBytes); }),
      C().Titled("Read/s", 10).Form("ReadPerSecond", "ReadPerSecond")
          .Decimal([](R& r) { return r.Rate->ReadPerSecond; }),
      C().Titled("Write/s", 10).Form("WritePerSecond", "WritePerSecond")
          .Decimal([](R& r) { return r.Rate->WritePerSecond; }),
      C().Titled("Threads", 7).Form("Threads", "Threads").Decimal([](R& r) { return P(r).Threads; }),
      C().Titled("Handles").Form("Handles", "Handles").Decimal([](R& r) { return P(r).Handles; }),
  };
  return kTable;
}

}  // namespace kvt
