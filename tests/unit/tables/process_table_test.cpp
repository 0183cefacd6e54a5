#include "tables/process_table.h"

#include <gtest/gtest.h>

#include "inventory/export_records.h"

namespace kvt {
namespace {

std::string SavedText(TqxProcessList& list) {
  TXmlDocument document;
  list.SaveToXml(document);
  return document.SaveToText();
}

void LoadText(TqxProcessList& list, const std::string& text) {
  TXmlDocument document;
  document.LoadFromBuffer(text.data(), text.size());
  list.LoadFromXml(document);
}

TEST(ExportForms, EveryProcessAttributeSurvivesSavingAndLoading) {
  FakeOs os;
  AddSampleProcesses(os);
  TProcessContext context(os);
  TqxProcessList processes(context);
  processes.Refresh();
  ASSERT_EQ(processes.Count(), 3);
  TqxProcessItem& explorer = processes.Items(2);
  explorer.ParentID = 0xFFFFFFFF;
  // Names in Cyrillic, CJK and beyond the Basic Multilingual Plane.
  explorer.Filename = "C:\\\xD0\x9F\\\xE5\x8A\xA9\xF0\x90\x90\xB7.exe";
  explorer.ReadFileFacts();  // read as a run would, then replaced
  explorer.FileDescription = "Shell \xE2\x82\xAC \"quoted\"\r\n\tend";
  explorer.FileVersion = " 6.0 ";
  explorer.FileCompany = "Example & <Systems>";
  explorer.SetFilesize(5000000000);
  explorer.SetMD5("0123456789ABCDEF0123456789ABCDEF");
  processes.Items(1).SetMD5(TSystemLogItem::kDigestFailure);

  const std::string text = SavedText(processes);
  ASSERT_NE(text.find("FileCompany=\"Example &amp; &lt;Systems>\""), std::string::npos) << text;
  TqxProcessList loaded(context);
  LoadText(loaded, text);
  ASSERT_EQ(loaded.Count(), processes.Count());
  // Every attribute is one field's value: saved again, a field that was not
  // restored would show.
  EXPECT_EQ(SavedText(loaded), text);
}

TEST(ExportForms, AttributesThatAreNoNumbersOfTheirRangeLeaveTheirFieldsEmpty) {
  FakeOs os;
  TProcessContext context(os);
  TqxProcessList loaded(context);
  LoadText(loaded,
           "<Vantora><TqxProcessList>"
           "<TqxProcessItem ProcessID='4294967296' ParentID='12x' Filesize='-5'/>"
           "<TqxProcessItem ProcessID='4294967295' Filesize='9223372036854775807'/>"
           "</TqxProcessList></Vantora>");
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Items(0).ProcessID + loaded.Items(0).ParentID, 0u);
  EXPECT_EQ(loaded.Items(0).StoredFilesize(), 0);
  EXPECT_EQ(loaded.Items(1).ProcessID, 0xFFFFFFFFu);
  EXPECT_EQ(loaded.Items(1).StoredFilesize(), INT64_MAX);
}

}  // namespace
}  // namespace kvt
