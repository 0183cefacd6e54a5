#include "processes/process_details.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "fake_processes.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

constexpr uint64_t k2024_03_01_12_34_56 = 133537700960000000u;  // UTC

class ProcessDetailsTest : public ::testing::Test {
 protected:
  ProcessDetailsTest() {
    os.Version.dwMajorVersion = 6;
    os.Version.dwMinorVersion = 1;
    os.Accounts = {{"S-1-5-21-1000-2000-3000-1001", "OFFICE\\anna"}};
    TFakeProcess& host = AddFakeProcess(os, 600, 4, "C:\\Windows\\system32\\svchost.exe");
    host.CommandLine = "svchost.exe -k netsvcs";
    host.IntegrityLevel = 0x4000;
    host.Threads = 12;
    host.WorkingSet = 0x200000;
    host.CreateTime = k2024_03_01_12_34_56;
    os.Services = {{"Dnscache", 600}, {"Stopped", 0}, {"Schedule", 600}, {"Spooler", 700}};
  }
  TqxProcessItem& Read(uint32_t id) {
    list.reset();
    context = std::make_unique<TProcessContext>(os);
    list = std::make_unique<TqxProcessList>(*context);
    list->Refresh();
    if (list->SelectByProcessID(id) == 0) throw std::runtime_error("not listed");
    list->ReadDetails(list->SelectedItems());
    return list->Selected(0);
  }
  FakeOs os;
  std::unique_ptr<TProcessContext> context;
  std::unique_ptr<TqxProcessList> list;
};

TEST_F(ProcessDetailsTest, EveryFactOfAProcessThatOpens) {
  const TProcessDetails& details = Read(600).Details;
  EXPECT_EQ(details.CommandLine, "svchost.exe -k netsvcs");
  EXPECT_EQ(details.User, "OFFICE\\anna");
  EXPECT_EQ(details.Integrity, "System");
  ASSERT_TRUE(details.HasInformation);
  EXPECT_EQ(details.Information.Threads, 12u);
  EXPECT_EQ(details.Information.WorkingSet, 0x200000u);
  EXPECT_EQ(details.Services, (std::vector<std::string>{"Dnscache", "Schedule"}));
}

// What the rights refuse is empty and marked denied; what the version lacks
// is only empty; the rest is read all the same.
TEST_F(ProcessDetailsTest, FactsTheRightsRefuseAreEmptyAndDenied) {
  struct TCase {
    const char* What;
    uint32_t Major;
    bool QueryAndRead, Limited, Token;
    bool CommandLine, User;
  };
  const TCase cases[] = {
      {"limited query right only", 6, false, true, true, false, true},
      {"token refused", 6, true, true, false, true, false},
      {"Windows XP: no integrity levels", 5, true, false, true, true, true},
      {"limited query right, token refused", 6, false, true, false, false, false},
      {"token refused on Windows XP: no level to deny", 5, true, false, false, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    os.Version.dwMajorVersion = c.Major;
    TFakeProcess& host = *os.FindProcess(600);
    host.AllowedAccess = kProcessTerminate | (c.QueryAndRead ? kProcessQueryInformation | kProcessVmRead : 0) |
                         (c.Limited ? kProcessQueryLimitedInformation : 0);
    host.TokenDenied = !c.Token;
    const TProcessDetails& details = Read(600).Details;
    EXPECT_EQ(details.CommandLine.empty(), !c.CommandLine);
    EXPECT_EQ(details.CommandLineDenied, !c.CommandLine);
    EXPECT_EQ(details.User.empty(), !c.User);
    EXPECT_EQ(details.UserDenied, !c.User);
    EXPECT_EQ(details.Integrity.empty(), !c.User || c.Major < 6);
    EXPECT_EQ(details.IntegrityDenied, !c.User && c.Major >= 6);
    EXPECT_TRUE(details.HasInformation);
    EXPECT_EQ(details.Services.size(), 2u);
  }
}

// Two hundred services do not fit the first reply: the enumeration goes on
// where it ended. Without the entry point (NT 4.0) there are none.
TEST_F(ProcessDetailsTest, ServicesOverSeveralRepliesOrNone) {
  for (int i = 0; i < 2000; ++i)
    os.Services.push_back({"service-with-a-long-name-" + std::to_string(i), 600});
  EXPECT_EQ(Read(600).Details.Services.size(), 2002u);
  EXPECT_GT(os.CallCount("EnumServicesStatusExW"), 1u);
  os.EnumServicesBound = false;
  EXPECT_TRUE(Read(600).Details.Services.empty());
}

TEST(DetailTextsTest, TimesAndSizes) {
  EXPECT_EQ(UtcIsoText(k2024_03_01_12_34_56), "2024-03-01T12:34:56Z");
  EXPECT_EQ(LocalTimeText(k2024_03_01_12_34_56 + 36000000000u), "2024-03-01 13:34:56");
  EXPECT_EQ(LocalTimeText(125911584000000000u), "2000-01-01 00:00:00");
  EXPECT_EQ(UtcIsoText(0), "");
  EXPECT_EQ(CpuTimeText(0), "0:00:00.000");
  EXPECT_EQ(CpuTimeText(((uint64_t{3600} + 2 * 60 + 3) * 1000 + 456) * 10000), "1:02:03.456");
  EXPECT_EQ(CpuTimeText(uint64_t{100} * 3600 * 10000000), "100:00:00.000");
  EXPECT_EQ(CpuSecondsText(12345670), "1.234");
  EXPECT_EQ(KilobytesText(1023), "0 K");
  EXPECT_EQ(KilobytesText(12345 * 1024u), "12,345 K");
  EXPECT_EQ(KilobytesText(uint64_t{1234567} * 1024), "1,234,567 K");
  EXPECT_EQ(JoinedServices({"a", "b"}, ";"), "a;b");
}

}  // namespace
}  // namespace kvt
