#include "os/portable/image_header.h"

#include <gtest/gtest.h>

#include "version_resource_builder.h"

namespace kvt {
namespace {

uint16_t MachineOf(const std::string& file) {
  return ImageMachine(reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

std::string WithNewHeaderAt(std::string file, uint32_t offset) {
  for (int i = 0; i < 4; ++i) file[0x3C + i] = static_cast<char>(offset >> (8 * i));
  return file;
}

TEST(ImageHeader, TheMachineOfAPeImageAndNothingElse) {
  const std::string wide = BuildPeFile("", TPeSpec{true});
  const std::string narrow = BuildPeFile("", TPeSpec{false});
  uint32_t peOffset = 0;
  ASSERT_TRUE(FindNewHeader(reinterpret_cast<const uint8_t*>(wide.data()), wide.size(), peOffset));
  const struct {
    const char* What;
    std::string File;
    uint16_t Machine;
  } cases[] = {
      {"64-bit image", wide, kImageFileMachineAmd64},
      {"32-bit image", narrow, kImageFileMachineI386},
      {"16-bit image", BuildNeFile(""), 0},
      {"cut in the machine field", wide.substr(0, peOffset + 5), 0},
      {"cut before the new header", wide.substr(0, peOffset), 0},
      {"new header beyond the end", WithNewHeaderAt(wide, static_cast<uint32_t>(wide.size())), 0},
      {"new header at the last offset there is", WithNewHeaderAt(wide, 0xFFFFFFFFu), 0},
      {"no DOS header", "ZM" + wide.substr(2), 0},
      {"DOS signature alone", "MZ", 0},
      {"empty", "", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(MachineOf(c.File), c.Machine) << c.What;
}

}  // namespace
}  // namespace kvt
