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

}  // namespace
}  // namespace kvt
