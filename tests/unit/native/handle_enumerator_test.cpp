#include "native/handle_enumerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "fake_processes.h"
#include "native/object_names.h"
#include "support/errors.h"

namespace kvt {
namespace {

constexpr uint8_t kXpFile = 28;
constexpr uint8_t kXpEvent = 9;
constexpr uint32_t kOwnId = 100;  // FakeOs's own process

struct TDelivered {
  uint64_t ProcessId;
  uint16_t ObjectType;
  uint64_t Handle;
  uint64_t Object;
  std::string Name;
};

class HandleEnumeratorTest : public ::testing::Test {
 protected:
  HandleEnumeratorTest() {
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
    AddFakeProcess(os, kOwnId, 612, "C:\\Tools\\kvtProc.exe");
  }

  std::vector<TDelivered> Enumerate(bool fileNamesInThread = false) {
    TNativeApi native(os, os.Version);
    TqxHandleEnumerator enumerator(native);
    enumerator.QueryFileNamesInThread = fileNamesInThread;
    std::vector<TDelivered> delivered;
    enumerator.OnHandle = [&delivered](const THandleTableEntry& entry, const std::string& name) {
      delivered.push_back({entry.ProcessId, entry.ObjectType, entry.Handle, entry.Object, name});
    };
    enumerator.Enumerate();
    return delivered;
  }

  static std::vector<std::string> Names(const std::vector<TDelivered>& delivered) {
    std::vector<std::string> names;
    for (const auto& entry : delivered) names.push_back(entry.Name);
    return names;
  }

  void SetVersion(uint32_t major, uint32_t minor, uint32_t build) {
    os.Version.dwMajorVersion = major;
    os.Version.dwMinorVersion = minor;
    os.Version.dwBuildNumber = build;
  }

  FakeOs os;
};

TEST_F(HandleEnumeratorTest, WithoutFeedbackRaisesBeforeReadingAnything) {
  TNativeApi native(os, os.Version);
  os.Calls.clear();
  TqxHandleEnumerator enumerator(native);
  try {
    enumerator.Enumerate();
    FAIL() << "no error raised";
  } catch (const EError& error) {
    EXPECT_STREQ(error.what(), "Enumerating handles without a feedback method is useless!");
  }
  EXPECT_TRUE(os.Calls.empty());
}

TEST_F(HandleEnumeratorTest, VersionGateReadsOnlyNt4Build1381And2000AndXp) {
  AddFakeHandle(os, 500, 0x10, 2, u"");
  struct TCase {
    uint32_t Major, Minor, Build;
    bool Reads;
  };
  const TCase cases[] = {{4, 0, 1381, true},  {5, 0, 2195, true},   {5, 1, 2600, true},
                         {4, 0, 1057, false}, {3, 51, 1057, false}, {5, 2, 3790, false},
                         {6, 0, 6000, false}, {6, 1, 7601, false},  {10, 0, 19045, false}};
  for (const TCase& c : cases) {
    SetVersion(c.Major, c.Minor, c.Build);
    EXPECT_EQ(Enumerate().size(), c.Reads ? 1u : 0u) << c.Major << "." << c.Minor << "." << c.Build;
  }
}

TEST_F(HandleEnumeratorTest, Nt4DeliversEveryEntryWithoutAskingForNames) {
  SetVersion(4, 0, 1381);
  AddFakeHandle(os, kOwnId, 0x4, 5, u"\\BaseNamedObjects\\own");
  AddFakeHandle(os, 500, 0x8, 5, u"\\BaseNamedObjects\\foreign");
  EXPECT_EQ(Names(Enumerate()), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(os.CallCount("NtQueryObject"), 0u);
  EXPECT_EQ(os.CallCount("OpenProcess"), 0u);
}

TEST_F(HandleEnumeratorTest, RetriesOnceWithTheReportedSize) {
  // 300 entries do not fit the first 4096 bytes.
  for (uint16_t i = 0; i < 300; ++i)
    AddFakeHandle(os, 612, static_cast<uint16_t>(4 * i + 4), 2, u"");
  const auto delivered = Enumerate();
  ASSERT_EQ(delivered.size(), 300u);
  EXPECT_EQ(delivered.back().Handle, 1200u);
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 2u);
}

TEST_F(HandleEnumeratorTest, GivesUpWhenTheRetryIsStillTooSmallOrTheCallFails) {
  for (uint16_t i = 0; i < 300; ++i)
    AddFakeHandle(os, 612, static_cast<uint16_t>(4 * i + 4), 2, u"");
  os.HandleTableNeededShortBy = 16;  // one entry more by the second call
  EXPECT_TRUE(Enumerate().empty());
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 2u);
  os.Calls.clear();
  os.NtQuerySystemInformationBound = false;
  EXPECT_TRUE(Enumerate().empty());
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 0u);
}

// Both programs' layouts: the 64-bit one's table has 8-byte object addresses
// and its name replies a 16-byte header.
TEST_F(HandleEnumeratorTest, OwnHandlesAreNamedDirectlyForeignOnesThroughACopy) {
  AddFakeHandle(os, kOwnId, 0x4, kXpEvent, u"\\BaseNamedObjects\\mine").Object = 0x81234560;
  AddFakeHandle(os, 612, 0x8, kXpEvent, u"\\BaseNamedObjects\\sh\xE4red").Object =
      0xFFFFA0012345A560;
  for (const uint32_t pointerSize : {4u, 8u}) {
    os.ProgramPointerSize = pointerSize;
    os.Calls.clear();
    const auto delivered = Enumerate();
    EXPECT_EQ(Names(delivered), (std::vector<std::string>{"\\BaseNamedObjects\\mine",
                                                          "\\BaseNamedObjects\\sh\xE4red"}));
    EXPECT_EQ(delivered[1].ProcessId, 612u);
    EXPECT_EQ(delivered[1].Object, pointerSize == 8 ? 0xFFFFA0012345A560 : 0x2345A560);
    EXPECT_EQ(os.CallCount("OpenProcess"), 1u);  // for the foreign entry only
    EXPECT_EQ(os.CallCount("DuplicateHandle"), 1u);
    EXPECT_EQ(os.CallCount("RunWorker"), 0u);  // events cannot block
    EXPECT_EQ(os.OpenHandleCount(), 0u);
  }
}

TEST_F(HandleEnumeratorTest, UnreachableAndUnnamedObjectsAreDeliveredWithoutName) {
  os.FindProcess(500)->AllowedAccess = kProcessQueryInformation;  // cannot be opened for 0x40
  AddFakeHandle(os, 500, 0x4, kXpEvent, u"\\BaseNamedObjects\\locked");
  AddFakeHandle(os, 612, 0x8, kXpEvent, u"\\BaseNamedObjects\\kept").CanDuplicate = false;
  AddFakeHandle(os, 612, 0xC, kXpEvent, u"");
  AddFakeHandle(os, 4000, 0x10, kXpEvent, u"\\gone");  // no such process
  AddFakeHandle(os, 612, 0x14, kXpEvent, u"\\BaseNamedObjects\\fine");
  EXPECT_EQ(Names(Enumerate()),
            (std::vector<std::string>{"", "", "", "", "\\BaseNamedObjects\\fine"}));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(HandleEnumeratorTest, WithoutNtQueryObjectEveryNameIsEmpty) {
  os.NtQueryObjectBound = false;
  AddFakeHandle(os, kOwnId, 0x4, kXpEvent, u"\\own");
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\Afd");
  EXPECT_EQ(Names(Enumerate()), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(os.CallCount("OpenProcess"), 0u);
}

TEST_F(HandleEnumeratorTest, ForeignFileNamesAreQueriedOnTheWorker) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\HarddiskVolume1\\log.txt");
  AddFakeHandle(os, kOwnId, 0xC, kXpFile, u"\\Device\\HarddiskVolume1\\own.txt");
  AddFakeHandle(os, 612, 0x10, 26, u"\\Device\\Afd");  // 26 is File on 5.0 only
  EXPECT_EQ(Names(Enumerate()),
            (std::vector<std::string>{"\\Device\\HarddiskVolume1\\log.txt",
                                      "\\Device\\HarddiskVolume1\\own.txt", "\\Device\\Afd"}));
  EXPECT_EQ(os.CallCount("RunWorker"), 1u);
  os.Calls.clear();
  SetVersion(5, 0, 2195);
  Enumerate();
  EXPECT_EQ(os.CallCount("RunWorker"), 1u);  // now 26 is the File type and 28 is not
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(HandleEnumeratorTest, AQueryThatNeverReturnsCostsOneLimitAndLaterQueriesWork) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\NamedPipe\\busy").Stalls = true;
  AddFakeHandle(os, 500, 0xC, kXpFile, u"\\Device\\HarddiskVolume1\\after.txt");
  TNativeApi native(os, os.Version);
  std::vector<std::string> names;
  TqxHandleEnumerator enumerator(native);
  enumerator.OnHandle = [&names](const THandleTableEntry&, const std::string& name) {
    names.push_back(name);
  };
  const auto start = std::chrono::steady_clock::now();
  enumerator.Enumerate();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(names, (std::vector<std::string>{"", "\\Device\\HarddiskVolume1\\after.txt"}));
  EXPECT_GE(elapsed, std::chrono::milliseconds(kGuardedQueryLimitMs));
  EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
  EXPECT_EQ(os.AbandonedWorkerCount(), 1u);
  EXPECT_EQ(os.StallsOnCallerThread, 0u);
  // The stalled handle is not asked again; the others still are.
  os.Calls.clear();
  names.clear();
  enumerator.Enumerate();
  EXPECT_EQ(names, (std::vector<std::string>{"", "\\Device\\HarddiskVolume1\\after.txt"}));
  EXPECT_EQ(os.CallCount("RunWorker"), 1u);
  EXPECT_EQ(os.AbandonedWorkerCount(), 1u);
  // The abandoned worker keeps its copy of the handle; every other handle is closed.
  EXPECT_EQ(os.OpenHandleCount(), 1u);
}

TEST_F(HandleEnumeratorTest, AbandonedWorkersAreCapped) {
  for (uint16_t i = 1; i <= kMaxAbandonedWorkers + 2; ++i)
    AddFakeHandle(os, 612, static_cast<uint16_t>(4 * i), kXpFile, u"\\Device\\NamedPipe\\x")
        .Stalls = true;
  EXPECT_EQ(Enumerate().size(), kMaxAbandonedWorkers + 2);
  EXPECT_EQ(os.AbandonedWorkerCount(), kMaxAbandonedWorkers);
  EXPECT_EQ(os.CallCount("RunWorker"), kMaxAbandonedWorkers);
}

TEST_F(HandleEnumeratorTest, WorkerThatCannotStartGivesEmptyName) {
  os.WorkersFail = true;
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\HarddiskVolume1\\log.txt");
  EXPECT_EQ(Names(Enumerate()), (std::vector<std::string>{""}));
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(HandleEnumeratorTest, FileNamesInThreadRetryOnlyUnnamedFileHandles) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"").FileName = u"\\Documents\\r\xE9sum\xE9.txt ";
  AddFakeHandle(os, kOwnId, 0xC, kXpFile, u"").FileName = u"\\own.txt";
  AddFakeHandle(os, 612, 0x10, kXpFile, u"\\Device\\named").FileName = u"\\not used";
  AddFakeHandle(os, 612, 0x14, kXpEvent, u"").FileName = u"\\not a file";
  EXPECT_EQ(Names(Enumerate(false)), (std::vector<std::string>{"", "", "\\Device\\named", ""}));
  EXPECT_EQ(os.CallCount("NtQueryInformationFile"), 0u);
  // The second try's names are UTF-8, trimmed.
  EXPECT_EQ(Names(Enumerate(true)),
            (std::vector<std::string>{"\\Documents\\r\xC3\xA9sum\xC3\xA9.txt", "\\own.txt",
                                      "\\Device\\named", ""}));
  EXPECT_EQ(os.CallCount("NtQueryInformationFile"), 2u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace kvt
