#include "forms/frame_forms.h"

#include "app/console_output.h"
#include "forms/output_forms.h"
#include "inventory/xml_document.h"
#include "processes/process_details.h"
#include "support/csv.h"
#include "support/format.h"
#include "support/json.h"
#include "tables/form_views.h"

namespace kvt {
namespace {

constexpr const char* kFrameListPath = "Vantora/TqxTopFrameList";
constexpr const char* kFrameTag = "TqxTopFrame";
constexpr const char* kItemTag = "TqxTopItem";
constexpr const char* kItemListTag = "TqxTopList";

std::string BusyText(const TTopFrame& frame) { return Format("%.1f", frame.BusyPercent); }

class TCsvFrames : public TFrameWriter {
 public:
  explicit TCsvFrames(TConsoleOutput& out) : out_(out) {
    out_.Line(CsvRecord(CsvTitles(TopTable())));
    out_.Flush();
  }
  void Frame(TTopFrame& frame) override {
    for (TTopRow& row : frame.Rows) out_.Line(CsvRecord(CsvValues(TopTable(), row)));
    out_.Flush();
  }

 private:
  TConsoleOutput& out_;
};

// JSON Lines: each frame one document on one line, its rows as the other
// forms' attributes, numbers as numbers.
class TJsonFrames : public TFrameWriter {
 public:
  explicit TJsonFrames(TConsoleOutput& out) : out_(out) {}
  void Frame(TTopFrame& frame) override {
    std::string line = "{\"Time\": " + JsonString(UtcIsoText(frame.SampleTime)) +
                       ", \"BusyPercent\": " + BusyText(frame) +
                       ", \"Processes\": " + std::to_string(frame.ProcessCount) + ", \"" +
                       kItemListTag + "\": [";
    for (size_t i = 0; i < frame.Rows.size(); ++i)
      line += (i > 0 ? ", " : "") + JsonObjectText(TopTable(), frame.Rows[i]);
    out_.Line(line + "]}");
    out_.Flush();
  }

 private:
  TConsoleOutput& out_;
};

// One document, written when the run ends: an element per frame.
class TXmlFrames : public TFrameWriter {
 public:
  explicit TXmlFrames(TConsoleOutput& out) : out_(out) {
    document_.SetEncoding("utf-8");
    frames_ = document_.CreateElement(kFrameListPath);
  }
  void Frame(TTopFrame& frame) override {
    const TXmlElement element = frames_.AppendChild(kFrameTag);
    element.SetAttribute("Time", UtcIsoText(frame.SampleTime));
    element.SetNumberAttribute("BusyPercent", BusyText(frame));
    element.SetNumberAttribute("Processes", std::to_string(frame.ProcessCount));
    for (TTopRow& row : frame.Rows) SaveXmlAttributes(TopTable(), row, element.AppendChild(kItemTag));
  }
  void End() override {
    WriteXmlText(document_, out_);
    out_.Flush();
  }

 private:
  TConsoleOutput& out_;
  TXmlDocument document_;
  TXmlElement frames_;
};

}  // namespace

std::unique_ptr<TFrameWriter> FormFrameWriter(const TRunParameters& parameters,
                                              TConsoleOutput& out) {
  if (parameters.Csv) return std::make_unique<TCsvFrames>(out);
  if (parameters.Json) return std::make_unique<TJsonFrames>(out);
  if (parameters.Xml) return std::make_unique<TXmlFrames>(out);
  return nullptr;
}

}  // namespace kvt
