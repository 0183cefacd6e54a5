#include "inventory/file_size.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

TEST(QueryFileSize, SixtyFourBitSizesAndFilesThatCannotBeOpened) {
  FakeOs os;
  os.File("C:\\big.bin").ReportedSize = int64_t{1} << 32;
  os.File("C:\\small.bin").Bytes = "12345";
  os.File("C:\\locked.bin").Bytes = "12345";
  os.File("C:\\locked.bin").OpenFails = true;
  os.File("C:\\dir").Attributes = kFileAttributeDirectory;
  EXPECT_EQ(QueryFileSize(os, "C:\\big.bin"), 4294967296);
  EXPECT_EQ(QueryFileSize(os, "c:\\SMALL.bin"), 5);
  EXPECT_EQ(QueryFileSize(os, "C:\\locked.bin"), 0);
  EXPECT_EQ(QueryFileSize(os, "C:\\dir"), 0);
  EXPECT_EQ(QueryFileSize(os, "C:\\missing.bin"), 0);
  EXPECT_EQ(os.CreateFileCalls.back().ShareMode, kFileShareRead | kFileShareWrite);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace kvt
