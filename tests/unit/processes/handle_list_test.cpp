#include "processes/handle_list.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "expected_texts.h"
#include "fake_processes.h"
#include "processes/process_list.h"
#include "support/errors.h"

namespace kvt {
namespace {

constexpr uint8_t kXpFile = 28;
constexpr uint8_t kXpEvent = 9;

class HandleListTest : public ::testing::Test {
 protected:
  HandleListTest() {
    AddFakeProcess(os, 1234, 4, "C:\\Windows\\app.exe");
    AddFakeProcess(os, 70000, 4, "C:\\Windows\\big.exe");
    AddFakeProcess(os, 612, 4, "C:\\Windows\\explorer.exe");
    auto& tcp = AddFakeHandle(os, 1234, 0x1C, kXpFile, u"\\Device\\Tcp");
    tcp.GrantedAccess = 0x1F;
    tcp.Object = 0x81000010;
    AddFakeHandle(os, 612, 0x20, kXpEvent, u"\\BaseNamedObjects\\other");
    AddFakeHandle(os, 1234, 0x24, kXpEvent, u"").Flags = 2;
    AddFakeHandle(os, 1234, 0x28, 8,
                  u"\\BaseNamedObjects\\a name longer than thirty-two characters");
    // The old table keeps 16 bits: process 70000 appears as 4464 there.
    AddFakeHandle(os, 70000, 0x2C, kXpEvent, u"\\BaseNamedObjects\\big");
  }

  TqxProcessItem& Process(uint32_t id) {
    list.SelectByProcessID(id);
    return list.Selected(0);
  }

  std::vector<uint32_t> Handles(const TqxProcessItem& item) const {
    std::vector<uint32_t> handles;
    for (int i = 0; i < item.HandleList.Count(); ++i)
      handles.push_back(item.HandleList.Items(i).Handle);
    return handles;
  }

  FakeOs os;
  TProcessContext context{os};
  TqxProcessList list{context};
};

TEST_F(HandleListTest, KeepsTheProcessOwnEntriesInTableOrder) {
  list.Refresh();
  TqxProcessItem& item = Process(1234);
  item.FillHandleList();
  EXPECT_EQ(Handles(item), (std::vector<uint32_t>{0x1C, 0x24, 0x28}));
  const TqxHandleItem& tcp = item.HandleList.Items(0);
  EXPECT_EQ(tcp.Name, "\\Device\\Tcp");
  EXPECT_EQ(tcp.ProcessID, 1234u);
  EXPECT_EQ(tcp.ObjectTypeNumber, kXpFile);
  EXPECT_EQ(tcp.GrantedAccess, 0x1Fu);
  EXPECT_EQ(tcp.ObjectPointer, 0x81000010u);
  EXPECT_EQ(item.HandleList.Items(1).Flags, 2);
  // A second fill replaces the first.
  item.FillHandleList();
  EXPECT_EQ(Handles(item), (std::vector<uint32_t>{0x1C, 0x24, 0x28}));
}

TEST_F(HandleListTest, UnnamedHandlesFollowTheListSetting) {
  list.Refresh();
  list.ShowUnnamedHandles = false;
  TqxProcessItem& item = Process(1234);
  item.FillHandleList();
  EXPECT_EQ(Handles(item), (std::vector<uint32_t>{0x1C, 0x28}));
}

TEST_F(HandleListTest, AProcessAbove65535NeverMatches) {
  list.Refresh();
  TqxProcessItem& item = Process(70000);
  item.FillHandleList();
  EXPECT_EQ(item.HandleList.Count(), 0);
}

// From Server 2003 on: the extended table, process ids and handle values at
// full width, type texts from the kernel.
TEST_F(HandleListTest, NewerVersionsListEveryHandleWithTheKernelsTypeNames) {
  os.ObjectTypeNames = {{kXpFile, u"File"}, {kXpEvent, u"Event"}};
  for (const auto& [major, minor] : {std::make_pair(5u, 2u), std::make_pair(6u, 1u),
                                     std::make_pair(10u, 0u)}) {
    FakeOs& fake = os;
    fake.Version.dwMajorVersion = major;
    fake.Version.dwMinorVersion = minor;
    TProcessContext run(fake);
    TqxProcessList processes(run);
    processes.Refresh();
    processes.SelectByProcessID(70000);
    TqxProcessItem& big = processes.Selected(0);
    processes.SelectByProcessID(1234);
    processes.FillHandleLists({&processes.Selected(0), &big});
    EXPECT_EQ(Handles(processes.Selected(0)), (std::vector<uint32_t>{0x1C, 0x24, 0x28}));
    ASSERT_EQ(big.HandleList.Count(), 1);
    EXPECT_EQ(big.HandleList.Items(0).FormatLine(kHandleTemplate),
              "   9: Event                 \\BaseNamedObjects\\big             (70000)  0000002C  "
              "00000000      0");
    EXPECT_EQ(processes.Selected(0).HandleList.Items(0).ObjectTypeText(), "File");
    // No name known for 8.
    EXPECT_EQ(processes.Selected(0).HandleList.Items(2).ObjectTypeText(), "Unknown[$08]");
  }
}

// A process that refuses the right to duplicate its handles keeps its rows,
// without names; from Windows 6.0 on its list says so. Others are unaffected.
TEST_F(HandleListTest, NamesDeniedWhenTheProcessRefusesToShareItsHandles) {
  os.ObjectTypeNames = {{kXpFile, u"File"}, {kXpEvent, u"Event"}};
  os.FindProcess(1234)->AllowedAccess &= ~kProcessDupHandle;
  for (const uint32_t major : {5u, 6u}) {
    os.Version.dwMajorVersion = major;
    TProcessContext run(os);
    TqxProcessList processes(run);
    processes.Refresh();
    processes.SelectByProcessID(612);
    TqxProcessItem& open = processes.Selected(0);
    processes.SelectByProcessID(1234);
    TqxProcessItem& guarded = processes.Selected(0);
    processes.FillHandleLists({&guarded, &open});
    EXPECT_EQ(Handles(guarded), (std::vector<uint32_t>{0x1C, 0x24, 0x28})) << major;
    for (int i = 0; i < guarded.HandleList.Count(); ++i)
      EXPECT_EQ(guarded.HandleList.Items(i).Name, "") << major;
    EXPECT_EQ(guarded.HandleList.NamesDenied, major >= 6);
    EXPECT_EQ(open.HandleList.Items(0).Name, "\\BaseNamedObjects\\other") << major;
    EXPECT_FALSE(open.HandleList.NamesDenied) << major;
  }
}

TEST_F(HandleListTest, HeaderAndLineOfTheHandleTemplate) {
  EXPECT_EQ(TqxHandleItem::FormatHeader(kHandleTemplate) + "\r\n", kvt_expected::kHandleHeader);
  list.Refresh();
  TqxProcessItem& item = Process(1234);
  item.FillHandleList();
  EXPECT_EQ(item.HandleList.Items(0).FormatLine(kHandleTemplate),
            "  28: File                  \\Device\\Tcp                       (1234)  0000001C  "
            "0000001F      0");
  // Names are cut after 32 characters.
  EXPECT_EQ(item.HandleList.Items(2).FormatLine(kHandleTemplate),
            "   8: Unknown[$08]          \\BaseNamedObjects\\a name longer   (1234)  00000028  "
            "00000000      0");
}

TEST_F(HandleListTest, TypeNamesUseTheVersionOfStartUp) {
  list.Refresh();
  TqxProcessItem& item = Process(1234);
  item.FillHandleList();
  os.Version.dwMinorVersion = 0;  // read anew by each fill, but not for the names
  EXPECT_EQ(item.HandleList.Items(0).ObjectTypeText(), "File");
}

TEST_F(HandleListTest, AssignCopiesAllSevenPropertiesAndRefusesOtherClasses) {
  TqxHandleCollection handles(context.Native);
  TqxHandleItem& source = handles.Add();
  source.Flags = 1;
  source.GrantedAccess = 2;
  source.Handle = 3;
  source.Name = "\\x";
  source.ObjectTypeNumber = 4;
  source.ProcessID = 5;
  source.ObjectPointer = 6;
  TqxHandleItem& copy = handles.Add();
  copy.Assign(source);
  EXPECT_EQ(copy.Flags, 1);
  EXPECT_EQ(copy.GrantedAccess, 2u);
  EXPECT_EQ(copy.Handle, 3u);
  EXPECT_EQ(copy.Name, "\\x");
  EXPECT_EQ(copy.ObjectTypeNumber, 4);
  EXPECT_EQ(copy.ProcessID, 5u);
  EXPECT_EQ(copy.ObjectPointer, 6u);
  EXPECT_EQ(copy.DisplayName(), "\\x");
  EXPECT_EQ(handles.Add().DisplayName(), "TqxHandleItem");
  list.Refresh();
  try {
    copy.Assign(list.Items(0));
    FAIL() << "no error raised";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot assign a TqxProcessItem to a TqxHandleItem");
  }
}

}  // namespace
}  // namespace kvt
