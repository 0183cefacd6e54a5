// /watch: the processes that start and end, seen by reading the process
// information every interval and comparing each read with the one before.
#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/console_output.h"
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/selection.h"
#include "inventory/xml_document.h"
#include "forms/output_forms.h"
#include "os/scoped_handle.h"
#include "processes/process_context.h"
#include "processes/process_list.h"
#include "sampling/sample_delta.h"
#include "sampling/sampling_loop.h"
#include "support/csv.h"
#include "tables/form_views.h"
#include "tables/text_views.h"
#include "tables/watch_table.h"

namespace kvt {
namespace {

// Handles held to learn exit codes, at most: past that a process's end is
// still told, without its exit code and run time.
constexpr size_t kMaxExitHandles = 2048;
constexpr uint32_t kWatchIntervalMs = 250;

using TIdentity = std::pair<uint32_t, uint64_t>;  // id and start time

// A process whose end is told: its name, and a handle of it where one is held.
struct TWatched {
  std::string Filename;
  std::unique_ptr<TScopedHandle> Handle;
};

// The text: the time, the event, the id and the name in columns, then the
// facts there are, two blanks apart.
std::string EventText(TWatchEvent& event) {
  std::vector<std::string> texts;
  std::vector<size_t> widths;
  for (const TColumn<TWatchEvent>& column : WatchTable().Columns()) {
    if (!column.Title) continue;
    std::string text = TextValue(column, event);
    if (text.empty() && column.TextWidth == 0) continue;
    texts.push_back(std::move(text));
    widths.push_back(column.TextWidth);
  }
  widths.back() = 0;
  return AlignedText(texts, widths);
}

class TEventWriter {
 public:
  TEventWriter(const TRunParameters& parameters, TConsoleOutput& out)
      : parameters_(parameters), out_(out) {
    if (parameters_.Csv) out_.Line(CsvRecord(CsvTitles(WatchTable())));
    if (parameters_.Xml) {
      document_.SetEncoding("utf-8");
      events_ = document_.CreateElement("Vantora/TqxWatchList");
    }
    if (!parameters_.Csv && !parameters_.Json && !parameters_.Xml) out_.Line(kWatchingLine);
    out_.Flush();
  }
  void Event(TWatchEvent& event) {
    if (parameters_.Csv)
      out_.Line(CsvRecord(CsvValues(WatchTable(), event)));
    else if (parameters_.Json)
      out_.Line(JsonObjectText(WatchTable(), event));
    else if (parameters_.Xml)
      SaveXmlAttributes(WatchTable(), event, events_.AppendChild("TqxWatchEvent"));
    else
      out_.Line(EventText(event));
  }
  // Each read's events reach the reader at once.
  void Flush() { out_.Flush(); }
  void End() {
    if (parameters_.Xml) WriteXmlText(document_, out_);
    out_.Flush();
  }

 private:
  const TRunParameters& parameters_;
  TConsoleOutput& out_;
  TXmlDocument document_;
  TXmlElement events_;
};

class TWatch {
 public:
  TWatch(TqxProcessList& list, const TRunParameters& parameters)
      : list_(list), os_(list.ProcessContext().Sys), parameters_(parameters) {
    // The least rights that tell an exit code: Windows 6.0 and later have a
    // right for it alone.
    exitAccess_ = list.ProcessContext().IsNT6OrLater() ? kProcessQueryLimitedInformation
                                                       : kProcessQueryInformation;
  }

  // The selected processes of the first read: their ends are told, not their starts.
  void Begin(const TProcessSample& sample) {
    std::unordered_set<uint32_t> selected;
    for (TqxProcessItem* item : list_.SelectedItems()) selected.insert(item->ProcessID);
    std::unordered_map<uint32_t, std::string> names = Names();
    for (const TProcessInformationEntry& process : sample.Processes)
      if (selected.count(process.ProcessId) > 0) Watch(process, names[process.ProcessId]);
  }

  void Compare(const TProcessSample& before, const TProcessSample& after, TEventWriter& writer) {
    const TSampleDelta delta = SampleDelta(before, after, 1);
    uint64_t local = 0;
    os_.FileTimeToLocalFileTime(after.SystemTime, &local);
    if (!delta.Started.empty()) Started(delta.Started, after.SystemTime, local, writer);
    for (const TProcessInformationEntry* process : delta.Ended) {
      const auto watched = watched_.find({process->ProcessId, process->CreateTime});
      if (watched == watched_.end()) continue;
      TWatchEvent event;
      event.Time = after.SystemTime;
      event.LocalTime = local;
      event.Started = false;
      event.ProcessId = process->ProcessId;
      event.Filename = watched->second.Filename;
      if (watched->second.Handle) ReadEnd(watched->second.Handle->Get(), event);
      writer.Event(event);
      watched_.erase(watched);
    }
    writer.Flush();
  }

 private:
  std::unordered_map<uint32_t, std::string> Names() const {
    std::unordered_map<uint32_t, std::string> names;
    for (int i = 0; i < list_.Count(); ++i)
      names.emplace(list_.Items(i).ProcessID, list_.Items(i).FilenameOnly());
    return names;
  }

  void Watch(const TProcessInformationEntry& process, const std::string& name) {
    TWatched watched;
    watched.Filename = name;
    if (handles_ < kMaxExitHandles) {
      const OsHandle handle = os_.OpenProcess(exitAccess_, false, process.ProcessId);
      if (handle != 0) {
        watched.Handle = std::make_unique<TScopedHandle>(os_, handle);
        ++handles_;
      }
    }
    watched_[{process.ProcessId, process.CreateTime}] = std::move(watched);
  }

  // The processes that started: those the selector names are told, with
  // their parent, user and command line read now, at first sight.
  void Started(const std::vector<const TProcessInformationEntry*>& started, uint64_t time,
               uint64_t local, TEventWriter& writer) {
    list_.Refresh();
    list_.ClearSelection();
    SelectProcesses(list_, parameters_.Selector);
    std::unordered_map<uint32_t, TqxProcessItem*> selected;
    for (TqxProcessItem* item : list_.SelectedItems()) selected.emplace(item->ProcessID, item);
    const std::unordered_map<uint32_t, std::string> names = Names();
    std::vector<TqxProcessItem*> items;
    for (const TProcessInformationEntry* process : started) {
      const auto item = selected.find(process->ProcessId);
      if (item != selected.end()) items.push_back(item->second);
    }
    list_.ReadDetails(items);
    for (const TProcessInformationEntry* process : started) {
      const auto item = selected.find(process->ProcessId);
      if (item == selected.end()) continue;
      TWatchEvent event;
      event.Time = time;
      event.LocalTime = local;
      event.ProcessId = process->ProcessId;
      event.Filename = item->second->FilenameOnly();
      event.ParentProcessId = process->ParentProcessId;
      const auto parent = names.find(process->ParentProcessId);
      if (parent != names.end()) event.ParentFilename = parent->second;
      event.User = item->second->Details.User;
      event.CommandLine = item->second->Details.CommandLine;
      writer.Event(event);
      Watch(*process, event.Filename);
    }
  }

  void ReadEnd(OsHandle handle, TWatchEvent& event) {
    uint64_t created = 0, ended = 0, kernel = 0, user = 0;
    event.Known = os_.GetExitCodeProcess(handle, &event.ExitCode) &&
                  os_.GetProcessTimes(handle, &created, &ended, &kernel, &user) && ended >= created;
    if (event.Known) event.RunTime = ended - created;
    --handles_;
  }

  TqxProcessList& list_;
  Os& os_;
  const TRunParameters& parameters_;
  uint32_t exitAccess_ = 0;
  std::map<TIdentity, TWatched> watched_;
  size_t handles_ = 0;
};

}  // namespace

int RunWatchCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TProcessContext& context = list.ProcessContext();
  Os& os = context.Sys;
  const TRunParameters& parameters = run.Parameters;
  if (parameters.Xml && parameters.ForSeconds == 0) {
    WriteErrorLine(os, kWatchXmlUnboundedLine);
    return kExitRefused;
  }
  const uint32_t interval = parameters.IntervalGiven ? parameters.IntervalMs : kWatchIntervalMs;
  TWatch watch(list, parameters);
  std::unique_ptr<TEventWriter> writer;
  const auto first = [&](const TProcessSample& sample) {
    watch.Begin(sample);
    writer = std::make_unique<TEventWriter>(parameters, run.Out);
  };
  const auto next = [&](const TProcessSample& before, const TProcessSample& after) {
    watch.Compare(before, after, *writer);
  };
  // Without /for, until Ctrl+C.
  if (!SampleRepeatedly(os, context.Native.Version, interval,
                        ReadsFor(parameters.ForSeconds, interval, UINT64_MAX), first, next)) {
    run.Out.Flush();
    WriteErrorLine(os, kWatchUnreadableLine);
    return kExitRefused;
  }
  writer->End();
  return kExitDone;
}

}  // namespace kvt
