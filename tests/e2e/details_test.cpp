// /details of a child started with blanks, quotes and Cyrillic letters on
// its command line: the command line exactly, and the thread count and
// working set the child reads for itself, in the text and in the CSV form.
// A command line with an escape sequence and a line break: never raw in the
// text, exactly as it is in the JSON form.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

struct TSelfReport {
  unsigned long Threads = 0;
  unsigned long long WorkingSet = 0;
};

bool ReadSelfReport(const std::string& path, TSelfReport& report) {
  for (int i = 0; i < 100; ++i) {
    FILE* file = _wfopen(Wide(path).c_str(), L"rb");
    if (file != nullptr) {
      const bool read = std::fscanf(file, "%lu %llu", &report.Threads, &report.WorkingSet) == 2;
      std::fclose(file);
      if (read) return true;
    }
    Sleep(100);
  }
  return false;
}

// The value of the fact Label in a /details block.
std::string FactValue(const std::string& out, const std::string& label) {
  const std::string head = "\r\n  " + label + ":";
  const size_t at = out.find(head);
  if (at == std::string::npos) return "(missing)";
  const size_t start = out.find_first_not_of(' ', at + head.size());
  return out.substr(start, out.find("\r\n", start) - start);
}

unsigned long long KilobyteDigits(std::string text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  return std::strtoull(digits.c_str(), nullptr, 10);
}

// What the program writes to a pipe: the text in the ANSI code page.
std::string InAnsiCodePage(const std::string& text) {
  const std::wstring wide = Wide(text);
  std::string ansi(wide.size() * 2 + 1, '\0');
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         &ansi[0], static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return ansi;
}

TEST(Details, CommandLineAndFiguresOfAChild) {
  const std::string report = ExeDirectory() + "details_child_report.txt";
  DeleteFileW(Wide(report).c_str());
  // "two words", a quoted word and "Привет".
  const std::string arguments = "\"" + report +
                                "\" \"two words\" \\\"quoted\\\" "
                                "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
  TChildProcess child("kvt_details_child.exe", arguments);
  TSelfReport self;
  ASSERT_TRUE(ReadSelfReport(report, self));
  const std::string commandLine = "\"" + child.Path() + "\" " + arguments;
  const std::string pid = std::to_string(child.Pid());
  // The child's figures change little while it waits: a margin of a quarter.
  const auto nearSelf = [&self](unsigned long long workingSet) {
    return workingSet >= self.WorkingSet * 3 / 4 && workingSet <= self.WorkingSet * 5 / 4;
  };

  const TRunResult text = RunKvtProc("/details " + pid);
  EXPECT_EQ(FactValue(text.Out, "Command line"), InAnsiCodePage(commandLine));
  EXPECT_EQ(FactValue(text.Out, "Threads"), std::to_string(self.Threads));
  EXPECT_TRUE(nearSelf(KilobyteDigits(FactValue(text.Out, "Working set")) * 1024))
      << FactValue(text.Out, "Working set") << " / " << self.WorkingSet;

  const TRunResult csv = RunKvtProc("/csv /details " + pid);
  const std::vector<std::string> titles = CsvFields(csv.Out, 0);
  const size_t row = csv.Out.find("\r\n" + pid + ",");
  ASSERT_NE(row, std::string::npos) << csv.Out;
  const std::vector<std::string> fields = CsvFields(csv.Out, row + 2);
  ASSERT_EQ(fields.size(), titles.size());
  const auto field = [&](const char* title) {
    for (size_t i = 0; i < titles.size(); ++i)
      if (titles[i] == title) return fields[i];
    return std::string("(no column)");
  };
  EXPECT_EQ(field("CommandLine"), commandLine);
  EXPECT_EQ(field("Threads"), std::to_string(self.Threads));
  EXPECT_TRUE(nearSelf(std::strtoull(field("WorkingSet").c_str(), nullptr, 10)))
      << field("WorkingSet") << " / " << self.WorkingSet;
  DeleteFileW(Wide(report).c_str());
}

TEST(Details, ControlCharactersOfACommandLine) {
  const std::string report = ExeDirectory() + "details_child_controls.txt";
  DeleteFileW(Wide(report).c_str());
  const std::string arguments = "\"" + report + "\" \"\x1b[31mred\" \"\r\nFAKE 666 evil.exe\"";
  TChildProcess child("kvt_details_child.exe", arguments);
  TSelfReport self;
  ASSERT_TRUE(ReadSelfReport(report, self));
  const std::string pid = std::to_string(child.Pid());

  const TRunResult text = RunKvtProc("/details " + pid);
  // Each line ends in CR LF, and no other control character is written.
  for (size_t i = 0; i < text.Out.size(); ++i) {
    const auto c = static_cast<unsigned char>(text.Out[i]);
    const bool lineEnd = (c == '\r' && text.Out.compare(i, 2, "\r\n") == 0) ||
                         (c == '\n' && i > 0 && text.Out[i - 1] == '\r');
    ASSERT_TRUE(lineEnd || (c >= 0x20 && c != 0x7F)) << "byte " << int(c) << " at " << i;
  }
  // ESC, CR and LF as their pictures, which the ANSI page shows as it can.
  const std::string shown = "\"" + child.Path() + "\" \"" + report +
                            "\" \"\xE2\x90\x9B[31mred\" \"\xE2\x90\x8D\xE2\x90\x8A" "FAKE 666 evil.exe\"";
  EXPECT_EQ(FactValue(text.Out, "Command line"), InAnsiCodePage(shown));
  EXPECT_EQ(text.Out.find("\r\nFAKE"), std::string::npos) << text.Out;

  const TRunResult json = RunKvtProc("/json /details " + pid);
  const nlohmann::json document = nlohmann::json::parse(json.Out);
  const nlohmann::json& processes = document.at("TqxProcessList");
  ASSERT_EQ(processes.size(), 1u) << json.Out;
  EXPECT_EQ(processes[0].at("CommandLine").get<std::string>(),
            "\"" + child.Path() + "\" " + arguments);
  DeleteFileW(Wide(report).c_str());
}

}  // namespace
}  // namespace kvt_e2e
