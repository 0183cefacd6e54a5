#include "native/handle_enumerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <unordered_set>
#include <vector>

#include "fake_processes.h"
#include "native/object_names.h"
#include "native/object_types.h"
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

  // What one Enumerate delivers, for the owners of every scripted entry
  // unless Wanted names others.
  std::vector<TDelivered> Enumerate(bool fileNamesInThread = false,
                                    std::unordered_set<uint64_t> wanted = {}) {
    TNativeApi native(os, os.Version);
    return Enumerate(native, fileNamesInThread, wanted);
  }

  std::vector<TDelivered> Enumerate(TNativeApi& native, bool fileNamesInThread = false,
                                    std::unordered_set<uint64_t> wanted = {}) {
    TqxHandleEnumerator enumerator(native);
    enumerator.QueryFileNamesInThread = fileNamesInThread;
    if (wanted.empty())
      for (const auto& entry : os.HandleTable) wanted.insert(entry.ProcessId);
    enumerator.WantedProcessIds = wanted;
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

// NT 4.0 build 1381, 2000 and XP read the old table; 5.2 and later the
// extended one, at full width; NT 3.x and other NT 4.0 builds nothing.
TEST_F(HandleEnumeratorTest, VersionGateChoosesTheTable) {
  AddFakeHandle(os, 70000, 0x12345, 2, u"");
  struct TCase {
    uint32_t Major, Minor, Build;
    uint32_t InfoClass;  // 0: no table read
  };
  const TCase cases[] = {{4, 0, 1381, 16}, {5, 0, 2195, 16},   {5, 1, 2600, 16},
                         {4, 0, 1057, 0},  {3, 51, 1057, 0},   {5, 2, 3790, 64},
                         {6, 0, 6000, 64}, {6, 1, 7601, 64},   {10, 0, 19045, 64}};
  for (const TCase& c : cases) {
    SetVersion(c.Major, c.Minor, c.Build);
    os.Calls.clear();
    // The old table keeps 16 bits of process id and handle value.
    const auto delivered = Enumerate(false, {c.InfoClass == 16 ? 70000u & 0xFFFF : 70000u});
    const std::string version =
        std::to_string(c.Major) + "." + std::to_string(c.Minor) + "." + std::to_string(c.Build);
    EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), c.InfoClass == 0 ? 0u : 1u) << version;
    ASSERT_EQ(delivered.size(), c.InfoClass == 0 ? 0u : 1u) << version;
    if (c.InfoClass != 0) {
      EXPECT_EQ(delivered[0].Handle, c.InfoClass == 64 ? 0x12345u : 0x2345u) << version;
    }
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

// What one Enumerate of process 612's entries returns; Delivered counts them.
bool EnumerateProcess612(FakeOs& os, size_t& delivered) {
  TNativeApi native(os, os.Version);
  TqxHandleEnumerator enumerator(native);
  enumerator.WantedProcessIds = {612};
  enumerator.OnHandle = [&delivered](const THandleTableEntry&, const std::string&) {
    ++delivered;
  };
  return enumerator.Enumerate();
}

// The table grows while it is read: each read asks for more room than the
// kernel reported, up to eight reads and a stated size.
TEST(HandleTableReads, GrowTheBufferAtMostEightTimes) {
  struct TCase {
    const char* What;
    size_t EntriesAddedPerRead;  // SIZE_MAX: as many as there are, doubling the table
    uint32_t BytesPerRead;
    size_t Reads;
    bool Delivers;
  };
  const TCase cases[] = {{"a quiet system", 0, 0, 2, true},
                         {"a little growth the headroom absorbs", 10, 0, 2, true},
                         {"a table that outgrows every read", SIZE_MAX, 0, 8, false},
                         // the second read reports 200 MiB: no third
                         {"a table past the cap", 0, 200u << 20, 2, false}};
  for (const TCase& c : cases) {
    FakeOs os;
    // 300 entries do not fit the first 4096 bytes.
    for (uint16_t i = 0; i < 300; ++i) AddFakeHandle(os, 612, 4 * i + 4u, 2, u"");
    os.OnHandleTableRead = [&os, &c] {
      const size_t add = c.EntriesAddedPerRead == SIZE_MAX ? os.HandleTable.size()
                                                           : c.EntriesAddedPerRead;
      for (size_t i = 0; i < add; ++i) os.HandleTable.push_back(os.HandleTable.front());
    };
    os.HandleTableGrowthPerRead = c.BytesPerRead;
    size_t delivered = 0;
    EXPECT_EQ(EnumerateProcess612(os, delivered), c.Delivers) << c.What;
    EXPECT_EQ(delivered, c.Delivers ? os.HandleTable.size() : 0u) << c.What;
    EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), c.Reads) << c.What;
  }
}

// A kernel that reports no size gets twice the room each time, up to the
// byte cap; a read that fails in any way is told to the caller.
TEST(HandleTableReads, FailuresAreToldAndUnreportedSizesDoubleUpToTheCap) {
  struct TCase {
    const char* What;
    size_t Entries;
    uint32_t ExtraBytes;
    uint32_t Failure;
    size_t Reads;
    bool Read;
  };
  const TCase cases[] = {
      // 3,000 entries of 16 bytes: 4, 8, 16, 32 and 64 KiB
      {"no size reported, 47 KiB of table", 3000, 0, 0, 5, true},
      // 4 KiB doubled 14 times is the 64 MiB cap: a table beyond it is not believed
      {"no size reported, past the cap", 10, 64u << 20, 0, 15, false},
      {"access denied", 10, 0, 0xC0000022u, 1, false},
  };
  for (const TCase& c : cases) {
    FakeOs os;
    os.HandleTableSizeUnreported = true;
    os.HandleTableFailure = c.Failure;
    os.HandleTableExtraBytes = c.ExtraBytes;
    os.HandleTable.assign(c.Entries, TFakeHandle{612, 4, 2, 0, 0, 0, u"", u"", true, false});
    size_t delivered = 0;
    EXPECT_EQ(EnumerateProcess612(os, delivered), c.Read) << c.What;
    EXPECT_EQ(delivered, c.Read ? c.Entries : 0u) << c.What;
    EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), c.Reads) << c.What;
  }
}

TEST_F(HandleEnumeratorTest, WithoutTheTableQueryNothingIsDelivered) {
  AddFakeHandle(os, 612, 0x4, 2, u"");
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
                                                          "\\BaseNamedObjects\\sh\xC3\xA4red"}));
    EXPECT_EQ(delivered[1].ProcessId, 612u);
    EXPECT_EQ(delivered[1].Object, pointerSize == 8 ? 0xFFFFA0012345A560 : 0x2345A560);
    EXPECT_EQ(os.CallCount("OpenProcess"), 1u);  // for the foreign entry only
    EXPECT_EQ(os.CallCount("DuplicateHandle"), 1u);
    EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 0u);  // events cannot block
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

TEST_F(HandleEnumeratorTest, FileNamesAreQueriedOnTheWorkerThisProgramsToo) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\HarddiskVolume1\\log.txt");
  AddFakeHandle(os, kOwnId, 0xC, kXpFile, u"\\Device\\HarddiskVolume1\\own.txt");
  AddFakeHandle(os, 612, 0x10, 26, u"\\Device\\Afd");  // 26 is File on 5.0 only
  EXPECT_EQ(Names(Enumerate()),
            (std::vector<std::string>{"\\Device\\HarddiskVolume1\\log.txt",
                                      "\\Device\\HarddiskVolume1\\own.txt", "\\Device\\Afd"}));
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 2u);
  os.Calls.clear();
  SetVersion(5, 0, 2195);
  Enumerate();
  // Now 26 is the File type, and 28 lies past 5.0's table: a type not known
  // may be a File, so it goes to the worker too.
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 3u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(HandleEnumeratorTest, EntriesOfProcessesNotWantedCostNoQuery) {
  for (uint16_t i = 0; i < 100; ++i)
    AddFakeHandle(os, 500, 4 * i + 4u, kXpEvent, u"\\BaseNamedObjects\\theirs");
  AddFakeHandle(os, 612, 0x8, kXpEvent, u"\\BaseNamedObjects\\wanted");
  EXPECT_EQ(Names(Enumerate(false, {612})), (std::vector<std::string>{"\\BaseNamedObjects\\wanted"}));
  EXPECT_EQ(os.CallCount("OpenProcess"), 1u);
  EXPECT_EQ(os.CallCount("DuplicateHandle"), 1u);
  EXPECT_EQ(os.CallCount("NtQueryObject"), 1u);  // the name fits the first reply
}

// From 5.2 on the kernel names the types: one type query a type number for
// the whole run, and the type it names File sends names to the worker.
TEST_F(HandleEnumeratorTest, TheKernelNamesEachTypeOnce) {
  SetVersion(10, 0, 19045);
  os.ObjectTypeNames = {{37, u"File"}, {16, u"Event"}};
  AddFakeHandle(os, 612, 0x8, 37, u"\\Device\\HarddiskVolume3\\one.txt");
  AddFakeHandle(os, 612, 0xC, 16, u"\\BaseNamedObjects\\a");
  AddFakeHandle(os, kOwnId, 0x10, 16, u"\\BaseNamedObjects\\b");
  AddFakeHandle(os, 612, 0x14, 37, u"\\Device\\HarddiskVolume3\\two.txt");
  AddFakeHandle(os, 612, 0x18, 99, u"\\NoTypeName");  // its type cannot be asked for
  TNativeApi native(os, os.Version);
  EXPECT_EQ(Names(Enumerate(native)),
            (std::vector<std::string>{"\\Device\\HarddiskVolume3\\one.txt", "\\BaseNamedObjects\\a",
                                      "\\BaseNamedObjects\\b", "\\Device\\HarddiskVolume3\\two.txt",
                                      "\\NoTypeName"}));
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 3u);  // the Files, and 99, which may be one
  EXPECT_EQ(os.CallCount("NtQueryObject/type"), 3u);  // 37, 16 and 99
  // 99 sent the scan to the list of every type, once, which does not name it either.
  EXPECT_EQ(os.CallCount("NtQueryObject/types"), 1u);
  EXPECT_EQ(native.KernelTypeNames, (std::map<uint16_t, std::string>{{16, "Event"}, {37, "File"}}));
  EXPECT_EQ(ObjectTypeText(native, 37), "File");
  EXPECT_EQ(ObjectTypeText(native, 99), "Unknown[$63]");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  // A second scan in the same run asks for no type again, 99 included.
  os.Calls.clear();
  Enumerate(native);
  EXPECT_EQ(os.CallCount("NtQueryObject/type"), 0u);
  EXPECT_EQ(os.CallCount("NtQueryObject/types"), 0u);
}

// A File handle of this program goes to the worker like any other; the
// handle an abandoned worker keeps (its own, or a copy of another process's,
// which is then a handle of this program) must never be asked for its name
// on this thread by a later scan of this program's handles.
TEST_F(HandleEnumeratorTest, ThisProgramsHandlesNeverBlockTheScan) {
  AddFakeHandle(os, kOwnId, 0x4, kXpFile, u"\\Device\\NamedPipe\\own").Stalls = true;
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\NamedPipe\\busy").Stalls = true;
  TNativeApi native(os, os.Version);
  EXPECT_EQ(Names(Enumerate(native, false, {kOwnId, 612})), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(os.AbandonedWorkerCount(), 2u);
  os.Calls.clear();
  const auto start = std::chrono::steady_clock::now();
  const auto own = Enumerate(native, false, {kOwnId});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(own.size(), 2u);  // its handle and the copy the other worker keeps
  EXPECT_EQ(Names(own), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 0u);
  EXPECT_EQ(os.StallsOnCallerThread, 0u);
}

TEST_F(HandleEnumeratorTest, AQueryThatNeverReturnsCostsOneLimitAndLaterQueriesWork) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\NamedPipe\\busy").Stalls = true;
  AddFakeHandle(os, 500, 0xC, kXpFile, u"\\Device\\HarddiskVolume1\\after.txt");
  TNativeApi native(os, os.Version);
  std::vector<std::string> names;
  TqxHandleEnumerator enumerator(native);
  enumerator.WantedProcessIds = {612, 500};
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
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 1u);
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
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), kMaxAbandonedWorkers);
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

// The cost per handle: each process opened once, no copy or query for types
// whose objects have no names, one worker for every File handle.
TEST_F(HandleEnumeratorTest, EachProcessOpenedOnceAndUnnamedTypesNeverQueried) {
  constexpr uint8_t kXpProcess = 5, kXpThread = 6;
  for (uint16_t i = 1; i <= 20; ++i) {
    const uint32_t owner = i % 2 == 0 ? 500 : 612;
    AddFakeHandle(os, owner, 4 * i, kXpEvent, u"\\BaseNamedObjects\\e");
    AddFakeHandle(os, owner, 0x1000 + 4 * i, kXpProcess, u"");
    AddFakeHandle(os, owner, 0x2000 + 4 * i, kXpThread, u"");
    AddFakeHandle(os, owner, 0x3000 + 4 * i, kXpFile, u"\\Device\\HarddiskVolume1\\f.txt");
  }
  TNativeApi native(os, os.Version);
  const auto delivered = Enumerate(native);
  EXPECT_EQ(delivered.size(), 80u);
  EXPECT_EQ(os.CallCount("OpenProcess"), 2u);
  EXPECT_EQ(os.CallCount("DuplicateHandle"), 40u);  // events and files only
  EXPECT_EQ(os.CallCount("NtQueryObject"), 40u);
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 20u);
  EXPECT_EQ(os.CallCount("CreateWorkerThread"), 1u);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

// After a worker is abandoned the next File handle gets a new one, which
// is then kept for every handle after it.
TEST_F(HandleEnumeratorTest, TheWorkerIsReusedAndReplacedOnlyAfterItWasAbandoned) {
  AddFakeHandle(os, 612, 0x8, kXpFile, u"\\Device\\HarddiskVolume1\\a.txt");
  AddFakeHandle(os, 612, 0xC, kXpFile, u"\\Device\\NamedPipe\\busy").Stalls = true;
  for (uint16_t i = 0; i < 5; ++i)
    AddFakeHandle(os, 500, 0x10 + 4 * i, kXpFile, u"\\Device\\HarddiskVolume1\\b.txt");
  {
    TNativeApi native(os, os.Version);
    const auto names = Names(Enumerate(native));
    EXPECT_EQ(names[0], "\\Device\\HarddiskVolume1\\a.txt");
    EXPECT_EQ(names[1], "");
    EXPECT_EQ(names[6], "\\Device\\HarddiskVolume1\\b.txt");
    EXPECT_EQ(os.CallCount("CreateWorkerThread"), 2u);
    EXPECT_EQ(os.AbandonedWorkerCount(), 1u);
    EXPECT_EQ(os.LiveWorkerCount(), 1u);
  }
  // The run's end closes the worker it kept.
  EXPECT_EQ(os.LiveWorkerCount(), 0u);
  EXPECT_EQ(os.CallCount("CloseWorkerThread"), 1u);
}

// From 5.2 on, a handle whose type the kernel could not name may be a File:
// its name is asked for on the worker only, so a stalling one costs the
// time limit, not the scan.
TEST_F(HandleEnumeratorTest, AHandleOfAnUnknownTypeIsNamedOnlyOnTheWorker) {
  SetVersion(10, 0, 19045);
  AddFakeHandle(os, 612, 0x8, 55, u"\\Device\\NamedPipe\\x").Stalls = true;
  AddFakeHandle(os, 612, 0xC, 55, u"\\Device\\NamedPipe\\y");
  TNativeApi native(os, os.Version);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Names(Enumerate(native)), (std::vector<std::string>{"", "\\Device\\NamedPipe\\y"}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
  EXPECT_EQ(os.StallsOnCallerThread, 0u);
  EXPECT_EQ(os.CallCount("RunOnWorkerThread"), 2u);
  EXPECT_EQ(native.UnnamedTypeNumbers, (std::set<uint16_t>{55}));
}

// Types of processes that cannot be opened are named from the list of every
// type, read once: from 8.1 on by each entry's own index, before by its
// place (from 2 on 7 and 8, from 1 before); a number the list does not name
// is said to be unknown, never given a neighbour's name.
TEST_F(HandleEnumeratorTest, TypesNoCopyCouldTeachComeFromTheListOfAllTypes) {
  using TTypes = std::map<uint16_t, std::u16string>;
  const TTypes sparse = {
      {2, u"Type"}, {7, u"Process"}, {17, u"Device"}, {19, u"Key"}, {37, u"File"}};
  const TTypes from2 = {{2, u"Type"}, {3, u"Directory"}, {4, u"Key"}};
  const TTypes from1 = {{1, u"Type"}, {2, u"Directory"}, {3, u"Key"}};
  struct TCase {
    uint32_t Major, Minor;
    const TTypes& Types;
    uint16_t Number;
    const char* Expected;
  };
  const TCase cases[] = {
      {10, 0, sparse, 19, "Key"},          {10, 0, sparse, 17, "Device"},
      {6, 3, sparse, 19, "Key"},           {10, 0, sparse, 18, "Unknown[$12]"},
      {10, 0, sparse, 40, "Unknown[$28]"}, {6, 1, from2, 4, "Key"},
      {6, 2, from2, 3, "Directory"},       {6, 1, from2, 5, "Unknown[$05]"},
      {6, 0, from1, 3, "Key"},             {5, 2, from1, 2, "Directory"},
  };
  os.FindProcess(500)->AllowedAccess = kProcessQueryInformation;
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Major) + "." + std::to_string(c.Minor) + " type " +
                 std::to_string(c.Number));
    SetVersion(c.Major, c.Minor, 0);
    os.ObjectTypeNames = c.Types;
    os.HandleTable.clear();
    os.Calls.clear();
    AddFakeHandle(os, 500, 0x8, c.Number, u"\\BaseNamedObjects\\x");
    AddFakeHandle(os, 500, 0xC, 2, u"");
    TNativeApi native(os, os.Version);
    TqxHandleEnumerator enumerator(native);
    enumerator.WantedProcessIds = {500};
    enumerator.OnHandle = [](const THandleTableEntry&, const std::string&) {};
    EXPECT_TRUE(enumerator.Enumerate());
    EXPECT_EQ(ObjectTypeText(native, c.Number), c.Expected);
    EXPECT_EQ(os.CallCount("NtQueryObject/types"), 1u);
    EXPECT_EQ(enumerator.UnreachableProcessIds(), (std::unordered_set<uint64_t>{500}));
  }
}

}  // namespace
}  // namespace kvt
