#pragma once
// The forms of a command that writes over time, a frame after another: CSV
// rows under one header, a JSON document per line, or one XML document at
// the end. Each frame reaches its reader when it is written.
#include <memory>
#include <vector>

#include "app/run_parameters.h"
#include "tables/top_table.h"

namespace kvt {

class TConsoleOutput;

// One frame of /top: its rows, and the machine's busy share and count of
// processes over the interval.
struct TTopFrame {
  std::vector<TTopRow> Rows;
  double BusyPercent = 0;
  size_t ProcessCount = 0;
  uint64_t SampleTime = 0;  // FILETIME (UTC)
};

class TFrameWriter {
 public:
  virtual ~TFrameWriter() = default;
  virtual void Frame(TTopFrame& frame) = 0;
  // After the last frame.
  virtual void End() {}
};

// The writer of the form Parameters ask for; null for the text.
std::unique_ptr<TFrameWriter> FormFrameWriter(const TRunParameters& parameters, TConsoleOutput& out);

}  // namespace kvt
