// /top: which processes use the machine now, from two reads of the process
// information an interval apart; with /for a frame per interval.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "app/console_output.h"
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/selection.h"
#include "forms/frame_forms.h"
#include "processes/process_context.h"
#include "processes/process_details.h"
#include "processes/process_list.h"
#include "sampling/sample_delta.h"
#include "sampling/sampling_loop.h"
#include "support/format.h"
#include "support/utf8.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

// Lines of a frame beside its rows: the time, the title, the header, the
// total and the empty line after it.
constexpr int kFrameLinesBesideRows = 5;

// The text: on a console each frame takes the place of the one before, as
// many rows as the window holds; elsewhere frames follow one another.
class TTextFrames : public TFrameWriter {
 public:
  TTextFrames(Os& os, TConsoleOutput& out) : os_(os), out_(out) {
    console_ = os_.GetConsoleScreenBufferInfo(kStdOutputHandle, &screen_);
  }

  void Frame(TTopFrame& frame) override {
    out_.Flush();
    size_t rows = frame.Rows.size();
    if (console_) {
      os_.GetConsoleScreenBufferInfo(kStdOutputHandle, &screen_);
      rows = std::min<size_t>(rows, std::max(1, screen_.WindowHeight - kFrameLinesBesideRows));
      if (origin_ < 0) origin_ = screen_.CursorY;
      os_.SetConsoleCursorPosition(kStdOutputHandle, 0, static_cast<int16_t>(origin_));
    }
    const TTable<TTopRow>& table = TopTable();
    uint64_t local = 0;
    os_.FileTimeToLocalFileTime(frame.SampleTime, &local);
    std::vector<std::string> lines = {LocalTimeText(local), kTopTitle, AlignedHeader(table)};
    for (size_t i = 0; i < rows; ++i) lines.push_back(AlignedLine(table, frame.Rows[i]));
    lines.push_back(Format(kTopTotalLine, frame.BusyPercent, static_cast<int>(frame.ProcessCount)));
    lines.push_back("");
    for (std::string& line : lines) out_.Line(console_ ? Padded(line) : line);
    out_.Flush();
    if (console_) BlankBelow(static_cast<int>(lines.size()));
  }

 private:
  // A line as wide as the screen, so that it covers the frame before.
  std::string Padded(std::string line) const {
    const size_t width = static_cast<size_t>(std::max<int>(screen_.BufferWidth - 1, 0));
    const size_t characters = Utf8CharacterCount(line);
    if (characters < width) line.append(width - characters, ' ');
    return line;
  }

  // Blanks what the frame before left below this one's lines; the frame's
  // place moves up where the screen scrolled under it.
  void BlankBelow(int lineCount) {
    TConsoleScreen now;
    if (!os_.GetConsoleScreenBufferInfo(kStdOutputHandle, &now)) return;
    origin_ = std::max(0, now.CursorY - lineCount);
    if (lastLineCount_ > lineCount)
      os_.FillConsoleOutputCharacterW(
          kStdOutputHandle, static_cast<uint32_t>((lastLineCount_ - lineCount) * now.BufferWidth), 0,
          now.CursorY);
    lastLineCount_ = lineCount;
  }

  Os& os_;
  TConsoleOutput& out_;
  bool console_ = false;
  TConsoleScreen screen_;
  int origin_ = -1;
  int lastLineCount_ = 0;
};

// The rows of the selected processes, with the names the list gives them;
// a process the list does not hold yet has the list read again.
std::vector<TTopRow> SelectedRows(TqxProcessList& list, const TSelector& selector,
                                  const std::vector<TProcessRate>& rates, uint64_t sampleTime) {
  std::unordered_map<uint32_t, TqxProcessItem*> listed;
  for (int i = 0; i < list.Count(); ++i) listed.emplace(list.Items(i).ProcessID, &list.Items(i));
  const bool unknown = std::any_of(rates.begin(), rates.end(), [&](const TProcessRate& rate) {
    return listed.count(rate.Process->ProcessId) == 0;
  });
  if (unknown) {
    list.Refresh();
    list.ClearSelection();
    SelectProcesses(list, selector);
    listed.clear();
    for (int i = 0; i < list.Count(); ++i) listed.emplace(list.Items(i).ProcessID, &list.Items(i));
  }
  std::unordered_set<uint32_t> selected;
  for (TqxProcessItem* item : list.SelectedItems()) selected.insert(item->ProcessID);
  std::vector<TTopRow> rows;
  for (const TProcessRate& rate : rates) {
    const uint32_t id = rate.Process->ProcessId;
    if (selected.count(id) == 0) continue;
    const auto item = listed.find(id);
    rows.push_back({&rate, item == listed.end() ? std::string() : item->second->FilenameOnly(),
                    sampleTime});
  }
  return rows;
}

}  // namespace

int RunTopCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TProcessContext& context = list.ProcessContext();
  Os& os = context.Sys;
  const TRunParameters& parameters = run.Parameters;
  std::unique_ptr<TFrameWriter> writer;
  const auto first = [&](const TProcessSample&) {
    writer = FormFrameWriter(parameters, run.Out);
    if (!writer) writer = std::make_unique<TTextFrames>(os, run.Out);
  };
  const auto next = [&](const TProcessSample& before, const TProcessSample& after) {
    const TSampleDelta delta = SampleDelta(before, after, os.GetNumberOfProcessors());
    std::vector<TProcessRate> rates = delta.Rates;
    SortByCpu(rates);
    TTopFrame frame;
    frame.Rows = SelectedRows(list, parameters.Selector, rates, after.SystemTime);
    frame.BusyPercent = delta.BusyPercent;
    frame.ProcessCount = delta.Rates.size();
    frame.SampleTime = after.SystemTime;
    writer->Frame(frame);
  };
  if (!SampleRepeatedly(os, context.Native.Version, parameters.IntervalMs,
                        ReadsFor(parameters.ForSeconds, parameters.IntervalMs, 1), first, next)) {
    run.Out.Flush();
    WriteErrorLine(os, kTopUnreadableLine);
    return kExitRefused;
  }
  writer->End();
  return kExitDone;
}

}  // namespace kvt
