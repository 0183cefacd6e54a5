#include <gtest/gtest.h>

#include "export_records.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

std::vector<std::string> Lines(const TStringList& list) { return {list.begin(), list.end()}; }

std::vector<std::string> ChildNames(const TXmlElement& element) {
  std::vector<std::string> names;
  for (const TXmlElement& child : element.Children()) names.push_back(child.Name());
  return names;
}

void Load(TXmlDocument& document, const std::string& text) {
  document.LoadFromBuffer(text.data(), text.size());
}

class ExportTest : public ::testing::Test {
 protected:
  ExportTest() {
    list.Add("a.exe").Fields = {"a.exe", "1 2"};
    TScriptedRecord& harmless = list.Add("b.exe");
    harmless.Fields = {"b.exe"};
    harmless.Legit = llsGood;
    TScriptedRecord& inactive = list.Add("c.exe");
    inactive.Fields = {""};
    inactive.Active = false;
  }

  FakeOs os;
  TInventoryContext context{os};
  TScriptedList list{context};
};

TEST_F(ExportTest, SnapshotLinesKeepOneLinePerRecordEvenWhenSkipped) {
  TStringList lines;
  list.AddSnapshotLines(lines, false, false);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"a.exe,\"1 2\"", "b.exe", "\"\""}));
  lines.Clear();
  list.AddSnapshotLines(lines, true, false);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"a.exe,\"1 2\"", "", "\"\""}));
  lines.Clear();
  list.AddSnapshotLines(lines, true, true);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"a.exe,\"1 2\"", "", ""}));
}

TEST_F(ExportTest, SectionHeadersStayForSkippedRecords) {
  TStringList lines;
  list.AddSections(lines, false, false);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"[0]", "File=a.exe", "[1]", "File=b.exe", "[2]",
                                                    "File=c.exe"}));
  lines.Clear();
  list.AddSections(lines, true, true);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"[0]", "File=a.exe", "[1]", "[2]"}));
}

TEST_F(ExportTest, LogLinesAndListEntriesLeaveSkippedRecordsOut) {
  TStringList lines;
  list.AddLogLines(lines, true, false);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"log a.exe", "log c.exe"}));
  lines.Clear();
  list.AddListEntries(lines, false, true);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"a.exe", "b.exe"}));
  lines.Clear();
  list.AddListEntries(lines, false, false);
  EXPECT_EQ(lines.Count(), 3);
}

TEST_F(ExportTest, EmptyCollectionGivesNoLines) {
  TScriptedList empty(context);
  TStringList lines;
  empty.AddSections(lines, false, false);
  empty.AddSnapshotLines(lines, false, false);
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(empty.SnapShot().Count(), 0);
}

TEST_F(ExportTest, SnapshotIsBuiltOnceAndThenKept) {
  const TStringList& first = list.SnapShot();
  const std::vector<std::string> built = Lines(first);
  EXPECT_EQ(built, (std::vector<std::string>{"a.exe,\"1 2\"", "b.exe", "\"\""}));
  list.Add("d.exe").Fields = {"d.exe"};
  list.Items(0).Fields = {"changed"};
  EXPECT_EQ(&list.SnapShot(), &first);
  EXPECT_EQ(Lines(list.SnapShot()), built);
  // A fresh build sees the changes; the kept snapshot does not.
  EXPECT_EQ(list.BuildSnapShot()->Count(), 4);
  EXPECT_EQ(Lines(list.SnapShot()), built);
  EXPECT_EQ(list.OldSnapShot.Count(), 0);
}

TEST_F(ExportTest, AFailingRecordLeavesItsBytesAndAnErrorCommentInTheStream) {
  list.Items(0).StreamBytes = "first;";
  list.Items(1).StreamBytes = "half";
  list.Items(1).StreamFailure = "bad value";
  list.Items(2).StreamBytes = "third;";
  TMemoryStream stream;
  list.SaveToStream(stream, false);
  EXPECT_EQ(stream.Bytes(),
            "first;half// An error occured while saving this item!bad value\r\nthird;");
}

TEST(ProcessExport, LogLinesAndListEntriesOfProcesses) {
  FakeOs os;
  AddSampleProcesses(os);
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  list.Items(2).SetFilesize(2048);
  list.Items(2).SetMD5("0123456789ABCDEF0123456789ABCDEF");
  list.Items(1).SetMD5(TSystemLogItem::kEmptyInputDigest);
  list.Items(1).Legit = llsGood;
  TStringList lines;
  list.AddLogLines(lines, true, false);
  EXPECT_EQ(Lines(lines),
            (std::vector<std::string>{"PID:    0 (   0) [System]",
                                      "PID:  612 (   0) C:\\Windows\\explorer.exe", " size: 2048",
                                      "  MD5: 0123456789ABCDEF0123456789ABCDEF"}));
  TqxProcessList reread(context);
  reread.LoadFromLogLines(lines);
  ASSERT_EQ(reread.Count(), 2);
  EXPECT_EQ(reread.Items(1).Filename, "C:\\Windows\\explorer.exe");

  lines.Clear();
  list.AddListEntries(lines, false, true);
  ASSERT_EQ(lines.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i], list.Items(i).CompleteFilename());
}

class XmlExportTest : public ::testing::Test {
 protected:
  XmlExportTest() {
    AddSampleProcesses(os);
    processes.Refresh();
    processes.Items(2).FillModuleList();
    records.Add("a.exe");
    records.Add("b.exe");
  }

  FakeOs os;
  TProcessContext context{os};
  TqxProcessList processes{context};
  TScriptedList records{context};

  TqxModuleList& Modules() const { return processes.Items(2).ModuleList; }
};

TEST_F(XmlExportTest, TwoCollectionsShareOneRoot) {
  TXmlDocument document;
  const TXmlElement processElement = processes.SaveToXml(document);
  Modules().SaveToXml(document);
  EXPECT_EQ(processElement.Name(), "TqxProcessList");
  EXPECT_TRUE(processElement == document.FindElement("Vantora/TqxProcessList"));
  EXPECT_EQ(ChildNames(document.FindElement("Vantora")),
            (std::vector<std::string>{"TqxProcessList", "TqxModuleList"}));
  EXPECT_EQ(ChildNames(processElement), (std::vector<std::string>(3, "TqxProcessItem")));
  EXPECT_EQ(ChildNames(document.FindElement("Vantora/TqxModuleList")),
            (std::vector<std::string>(2, "TqxModuleItem")));
  const std::string text = document.SaveToText();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Vantora>", 0), 0u) << text;
}

TEST_F(XmlExportTest, SavedDocumentLoadsBackIntoFreshLists) {
  TXmlDocument saved;
  processes.SaveToXml(saved);
  Modules().SaveToXml(saved);
  TXmlDocument document;
  Load(document, saved.SaveToText());

  TqxProcessList loaded(context);
  loaded.TargetOS = winBit64;
  loaded.Add().Filename = "dropped by the load";
  EXPECT_EQ(loaded.LoadFromXml(document).Name(), "TqxProcessList");
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < loaded.Count(); ++i) {
    EXPECT_EQ(loaded.Items(i).TargetOS, winBit64);
    EXPECT_EQ(loaded.Items(i).Filename, processes.Items(i).CompleteFilename());
  }
  TqxModuleList& loadedModules = loaded.Items(0).ModuleList;
  loadedModules.LoadFromXml(document);
  ASSERT_EQ(loadedModules.Count(), 2);
  EXPECT_EQ(loadedModules.Items(1).ClassTag, "TqxModuleItem");
  // Adding keeps what is there.
  loadedModules.AddFromXml(document);
  EXPECT_EQ(loadedModules.Count(), 4);
}

TEST_F(XmlExportTest, SavingTwiceAppendsAndEmptyListsLeaveTheirElement) {
  TXmlDocument document;
  processes.SaveToXml(document);
  processes.SaveToXml(document);
  TScriptedList empty(context);
  const TXmlElement emptyElement = empty.SaveToXml(document);
  EXPECT_EQ(document.FindElement("Vantora/TqxProcessList").Children().size(), 6u);
  EXPECT_EQ(ChildNames(document.FindElement("Vantora")),
            (std::vector<std::string>{"TqxProcessList", "TScriptedList"}));
  EXPECT_TRUE(emptyElement.Children().empty());
}

TEST_F(XmlExportTest, FilteredRecordsCreateNoElement) {
  TXmlDocument document;
  const TXmlElement parent = records.XmlClassElement(document);
  records.Items(0).Legit = llsGood;
  records.Items(1).Active = false;
  EXPECT_FALSE(records.Items(0).SaveToXml(parent, true, false));
  EXPECT_FALSE(records.Items(1).SaveToXml(parent, false, true));
  EXPECT_EQ(records.Items(1).SaveToXml(parent, true, false).Name(), "TScriptedRecord");
  EXPECT_EQ(parent.Children().size(), 1u);
}

TEST_F(XmlExportTest, LoadingReadsEveryChildWhateverItsName) {
  TXmlDocument document;
  Load(document,
       "<Vantora><TScriptedList>text<A/><!-- note --><B><C/></B></TScriptedList></Vantora>");
  records.LoadFromXml(document);
  EXPECT_EQ(records.Count(), 2);
}

TEST_F(XmlExportTest, ADocumentWithAnotherRootIsRefused) {
  TXmlDocument document;
  Load(document, "<?xml version=\"1.0\"?><Other><TqxProcessList/></Other>");
  try {
    processes.LoadFromXml(document);
    FAIL() << "loaded a document whose root is not Vantora";
  } catch (const EError& error) {
    EXPECT_STREQ(error.ClassName(), "EXmlError");
    EXPECT_STREQ(error.what(), "More than one root node is not allowed");
  }
  EXPECT_THROW(processes.SaveToXml(document), EXmlError);
  EXPECT_EQ(document.SaveToText().find("Vantora"), std::string::npos);
}

}  // namespace
}  // namespace kvt
