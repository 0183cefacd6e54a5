#include <gtest/gtest.h>

#include "export_records.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

std::vector<std::string> Lines(const TStringList& list) { return {list.begin(), list.end()}; }

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
  list.Items(2).FileMD5 = "0123456789ABCDEF0123456789ABCDEF";
  list.Items(1).FileMD5 = TSystemLogItem::kEmptyInputDigest;
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

}  // namespace
}  // namespace kvt
