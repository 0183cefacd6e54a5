#include "inventory/system_log.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"
#include "support/errors.h"

namespace kvt {
namespace {

class TPlainItem : public TSystemLogItem {
 public:
  explicit TPlainItem(TCollection& owner) : TSystemLogItem(owner, "TPlainItem") {}
};


TEST(SystemLogCollection, NewItemsInheritTheBitnessAndKnowTheirIndex) {
  FakeOs os;
  TInventoryContext context(os);
  TSystemLogCollection list(context, [](TCollection& o) { return std::make_unique<TPlainItem>(o); },
                            "TPlainList");
  EXPECT_EQ(list.TargetOS, winBit32);
  list.Add();
  list.TargetOS = winBit64;
  TSystemLogItem& second = list.Add();
  EXPECT_EQ(list.Items(0).TargetOS, winBit32);
  EXPECT_EQ(second.TargetOS, winBit64);
  EXPECT_EQ(second.Index(), 1);
  EXPECT_EQ(second.ClassTag, "TPlainItem");
  EXPECT_EQ(list.ClassTag, "TPlainList");
  EXPECT_THROW(list.Items(2), EListError);
  list.Reset();
  EXPECT_EQ(list.Count(), 0);
}

TEST(SystemLogItem, BaseQueries) {
  FakeOs os;
  TInventoryContext context(os);
  TSystemLogCollection list(context, [](TCollection& o) { return std::make_unique<TPlainItem>(o); },
                            "TPlainList");
  TSystemLogItem& item = list.Add();
  item.Filename = "C:\\a.exe";
  EXPECT_EQ(item.CompleteFilename(), "C:\\a.exe");
  EXPECT_EQ(item.MakroLocation(), "<undefined><undefined>");
  EXPECT_EQ(item.InfoLocation(), "<undefined><undefined>");
  EXPECT_EQ(item.LASSH(), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_FALSE(item.IsHarmless());
  item.Legit = llsGood;
  EXPECT_TRUE(item.IsHarmless());
  EXPECT_TRUE(item.IsActive());
  EXPECT_EQ(list.LogListHeader(), "Log");
}

TEST(InterfacedCollection, AnswersOnlyTheBaseInterface) {
  FakeOs os;
  TInventoryContext context(os);
  TSystemLogCollection list(context, [](TCollection& o) { return std::make_unique<TPlainItem>(o); },
                            "TPlainList");
  void* object = nullptr;
  EXPECT_EQ(list.QueryInterface(IID_IUnknown, &object), 0u);
  EXPECT_EQ(object, &list);
  const TGuid other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(list.QueryInterface(other, &object), kENoInterface);
  EXPECT_EQ(object, nullptr);
}

class RecordFactsTest : public ::testing::Test {
 protected:
  RecordFactsTest() {
    os.DriveDevices['D'] = "\\Device\\CdRom0";
    os.DrivesWithoutVolume = {'D'};
    os.File("C:\\app.exe").Bytes = "abc";
    os.File("D:\\app.exe").Bytes = "abc";
  }
  TSystemLogItem& NewItem(TInventoryContext& context, const std::string& name) {
    lists.push_back(std::make_unique<TSystemLogCollection>(
        context, [](TCollection& o) { return std::make_unique<TPlainItem>(o); }, "TPlainList"));
    TSystemLogItem& item = lists.back()->Add();
    item.Filename = name;
    return item;
  }
  FakeOs os;
  std::vector<std::unique_ptr<TSystemLogCollection>> lists;
};

TEST_F(RecordFactsTest, DigestOnceInUpperCaseAndSizeFrozenOnceItIsStored) {
  TInventoryContext context(os);
  TSystemLogItem& item = NewItem(context, "c:\\APP.exe");
  EXPECT_EQ(item.Filesize(), 3);
  os.File("C:\\app.exe").Bytes = "abcd";
  EXPECT_EQ(item.Filesize(), 4);  // no digest yet: asked again
  EXPECT_EQ(item.MD5(), "E2FC714C4727EE9395F324CD2E7F331F");
  EXPECT_EQ(item.SHA256(), "88D4266FD4E6338D13B845FCF289579D209C897823B9217DA3E161936F031589");
  EXPECT_EQ(os.CallCount("ReadFile"), 1u);
  os.File("C:\\app.exe").Bytes = "abcde";
  EXPECT_EQ(item.Filesize(), 4);
  item.SetMD5("abc");
  EXPECT_EQ(item.MD5(), "ABC");
  EXPECT_EQ(item.StoredMD5(), "abc");
}

TEST_F(RecordFactsTest, NothingIsTouchedOffTheReadyVolumes) {
  TInventoryContext context(os);
  for (const char* name : {"D:\\app.exe", "", "\\\\server\\share\\app.exe", "\\??\\C:\\app.exe"}) {
    TSystemLogItem& item = NewItem(context, name);
    EXPECT_EQ(item.Filesize(), 0) << name;
    EXPECT_EQ(item.MD5(), TSystemLogItem::kEmptyInputDigest) << name;
    EXPECT_EQ(item.SHA256(), TSystemLogItem::kEmptyInputSHA256) << name;
    EXPECT_EQ(item.Signature().StatusText(), "n/a") << name;
  }
  EXPECT_EQ(os.CallCount("CreateFileW"), 0u);
  EXPECT_EQ(os.CallCount("WinVerifyTrust"), 0u);
  EXPECT_EQ(os.CallCount("GetFileAttributesW"), 0u);
}

TEST_F(RecordFactsTest, AFailedDigestIsNotAvailableForTheRestOfTheRun) {
  os.File("C:\\bad.exe").Bytes = std::string(100, 'x');
  os.File("C:\\bad.exe").ReadFailsAt = 50;
  TInventoryContext context(os);
  TSystemLogItem& item = NewItem(context, "C:\\bad.exe");
  EXPECT_EQ(item.MD5(), "N/A");
  os.File("C:\\bad.exe").ReadFailsAt = -1;
  EXPECT_EQ(item.MD5(), "N/A");
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);
  EXPECT_EQ(item.StoredMD5(), "n/a");
}

// A record whose complete name is not its stored one, as process items have.
class TRenamedItem : public TSystemLogItem {
 public:
  explicit TRenamedItem(TCollection& owner) : TSystemLogItem(owner, "TRenamedItem") {}
  std::string CompleteFilename() override { return "C:\\Apps\\app.exe"; }
};

TEST_F(RecordFactsTest, MatchesTriesTheDigestLast) {
  os.File("C:\\Apps\\app.exe").Bytes = "abc";
  TInventoryContext context(os);
  TSystemLogCollection list(
      context, [](TCollection& o) { return std::make_unique<TRenamedItem>(o); }, "TList");
  TSystemLogItem& item = list.Add();
  item.Filename = "\\??\\C:\\Apps\\app.exe";
  EXPECT_TRUE(item.Matches("*\\APP.EXE", cmWildcard));
  EXPECT_TRUE(item.Matches("\\??\\c:\\apps\\app.exe", cmEqual));
  EXPECT_TRUE(item.Matches("<UNDEFINED>", cmEqual));
  EXPECT_EQ(os.CallCount("CreateFileW"), 0u);

  EXPECT_TRUE(item.Matches("900150983cd24fb0d6963f7d28e17f72", cmEqual));
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);
  EXPECT_TRUE(item.Matches("D41D8CD98F00B204E9800998ECF8427E", cmEqual));  // the constant LASSH
  EXPECT_FALSE(item.Matches("other.exe", cmEqual));
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);  // the stored digest serves every later test
}

}  // namespace
}  // namespace kvt
