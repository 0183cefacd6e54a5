#include "native/token_facts.h"

#include <gtest/gtest.h>

#include <vector>

#include "native/account_names.h"
#include "fake_processes.h"

namespace kvt {
namespace {

TSid Sid(uint8_t authority, std::vector<uint32_t> subAuthorities) {
  TSid sid = {1, static_cast<uint8_t>(subAuthorities.size()), 0, 0, 0, 0, 0, authority};
  for (uint32_t value : subAuthorities)
    for (int i = 0; i < 4; ++i) sid.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return sid;
}

TEST(TokenFactsTest, SidTextsAndIntegrityLevels) {
  EXPECT_EQ(SidText(Sid(5, {21, 1000, 2000, 3000, 1001})), "S-1-5-21-1000-2000-3000-1001");
  EXPECT_EQ(SidText(Sid(5, {})), "S-1-5");
  TSid cut = Sid(5, {18});
  cut.pop_back();
  EXPECT_EQ(SidText(cut), "");
  struct TCase {
    uint32_t Level;
    bool AppContainer;
    const char* Expected;
  };
  const TCase cases[] = {{0x0000, false, "Untrusted"}, {0x1000, true, "Low AppContainer"},
                         {0x2000, false, "Medium"},    {0x2100, false, "Medium"},
                         {0x3000, false, "High"},      {0x4000, false, "System"},
                         {0x5000, false, "Protected"}};
  for (const TCase& c : cases)
    EXPECT_EQ(IntegrityText(Sid(16, {c.Level}), c.AppContainer), c.Expected) << c.Level;
  EXPECT_EQ(IntegrityText(Sid(16, {}), false), "");
}

// The SID's pointer must point inside the reply, with the whole SID there.
TEST(TokenFactsTest, SidOfAReplyOnlyInsideIt) {
  for (const uint32_t width : {4u, 8u}) {
    const TSid sid = Sid(5, {18});
    std::vector<uint8_t> reply(2 * width, 0);
    reply.insert(reply.end(), sid.begin(), sid.end());
    const uint64_t base = 0x10000;
    struct TCase {
      uint64_t Pointer;
      size_t Size;
      bool Found;
    };
    const TCase cases[] = {{base + 2 * width, reply.size(), true},
                           {base + 2 * width, reply.size() - 1, false},
                           {base - 8, reply.size(), false},
                           {base + reply.size(), reply.size(), false},
                           {base + 2 * width, width - 1, false}};
    for (const TCase& c : cases) {
      for (uint32_t i = 0; i < width; ++i) reply[i] = static_cast<uint8_t>(c.Pointer >> (8 * i));
      EXPECT_EQ(SidFromTokenReply(reply.data(), c.Size, base, width) == sid, c.Found)
          << width << " " << c.Pointer - base << " " << c.Size;
    }
  }
}

// Each SID is looked up once; one the look-up does not name in time is shown
// as its text, and so is every later one once the limit of waits is spent.
TEST(AccountNamesTest, NamedOnceOrShownAsTheSid) {
  const TSid user = Sid(5, {21, 1000, 2000, 3000, 1001});
  const TSid system = Sid(5, {18});
  {
    FakeOs os;
    os.Accounts = {{"S-1-5-21-1000-2000-3000-1001", "OFFICE\\anna"}, {"S-1-5-18", "SYSTEM"}};
    TAccountNames names(os);
    EXPECT_EQ(names.NameOf(user), "OFFICE\\anna");
    EXPECT_EQ(names.NameOf(user), "OFFICE\\anna");
    EXPECT_EQ(names.NameOf(system), "SYSTEM");
    EXPECT_EQ(names.NameOf(Sid(5, {19})), "S-1-5-19");  // not mapped
    EXPECT_EQ(names.NameOf(TSid()), "");
    EXPECT_EQ(os.CallCount("LookupAccountSidW"), 3u);
  }
  FakeOs os;
  os.Accounts = {{"S-1-5-18", "SYSTEM"}};
  os.AccountLookupStalls = true;
  TAccountNames names(os);
  for (uint32_t rid = 1; rid <= kMaxAbandonedLookups + 2; ++rid)
    EXPECT_EQ(names.NameOf(Sid(5, {21, rid})), "S-1-5-21-" + std::to_string(rid));
  EXPECT_EQ(names.NameOf(system), "S-1-5-18");
  EXPECT_EQ(os.AbandonedWorkerCount(), kMaxAbandonedLookups);
}

}  // namespace
}  // namespace kvt
