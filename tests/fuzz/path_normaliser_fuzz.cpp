// Paths come from the platform and directories from the registry: the
// normaliser and the macro expansion must take any bytes, also a directory
// that names a macro itself. Input: a registry directory, a line break, a path.
#include <cstdint>
#include <string>

#include "files/location_sources.h"
#include "files/path_normaliser.h"
#include "os/fake/fake_os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t lineBreak = input.find('\n');
  const std::string directory = input.substr(0, lineBreak);
  const std::string path = lineBreak == std::string::npos ? input : input.substr(lineBreak + 1);
  kvt::FakeOs os;
  os.ShellFolders = {{kvt::kCsidlWindows, "C:\\WINDOWS"}};
  os.SetRegistryString(true, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                       directory);
  os.AddFile("C:\\WINDOWS\\system32\\a.dll");
  os.AddFile("C:\\Program Files\\b.exe");
  const kvt::TLocationTable table = kvt::BuildLocationTable(os);
  kvt::NormalisePath(os, table, path);
  return 0;
}
