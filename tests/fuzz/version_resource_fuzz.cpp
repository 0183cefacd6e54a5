// Version resources come from whatever files the running processes were
// started from: the PE walk, the tree walk and the reader on top of them must
// take any bytes, as a file and as a resource of their own.
#include <cstdint>
#include <string>
#include <vector>

#include "files/version_info.h"
#include "os/fake/fake_os.h"
#include "os/portable/version_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvt::FakeOs os;
  os.File("C:\\fuzz.exe").Bytes.assign(reinterpret_cast<const char*>(data), size);
  for (int index : {0, 1}) {
    kvt::TStringList list;
    kvt::ReadVersionInfo(os, "C:\\fuzz.exe", index, list);
  }

  const uint32_t blockSize = kvt::VersionBlockSize(data, size);
  if (blockSize == 0) return 0;
  std::vector<uint8_t> block(blockSize);
  if (!kvt::BuildVersionBlock(data, size, blockSize, block.data())) return 0;
  for (const char* path : {"", "\\", "\\\\StringFileInfo", "\\VarFileInfo\\Translation",
                           "\\StringFileInfo\\040904E4\\CompanyName", "a\\b\\c\\d"}) {
    const void* value = nullptr;
    uint32_t length = 0;
    kvt::QueryVersionBlock(block.data(), path, &value, &length);
  }
  return 0;
}
