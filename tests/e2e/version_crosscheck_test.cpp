// The portable version reader, which the unit tests use in place of the
// platform's, must read every file as the platform does: both readers are run
// on every library of the system directory and must give the same entries.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "files/version_info.h"
#include "os/fake/fake_os.h"
#include "os/win32/win32_os.h"

namespace kvt_e2e {
namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const kvt::TStringList& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

TEST(VersionResources, ThePortableReaderAgreesWithThePlatformOnEverySystemLibrary) {
  char directory[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryA(directory, MAX_PATH), 0u);
  kvt::Win32Os platform;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(directory) + "\\*.dll").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  int files = 0, withVersion = 0;
  do {
    const std::string path = std::string(directory) + "\\" + found.cFileName;
    kvt::FakeOs portable;
    portable.File(path).Bytes = ReadWholeFile(path);
    kvt::TStringList real, ours;
    const bool realRead = kvt::ReadVersionInfo(platform, path, 0, real);
    EXPECT_EQ(kvt::ReadVersionInfo(portable, path, 0, ours), realRead) << path;
    EXPECT_EQ(Entries(ours), Entries(real)) << path;
    ++files;
    withVersion += realRead ? 1 : 0;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::printf("compared %d libraries, %d with version information\n", files, withVersion);
  // Not a vacuous agreement: the prefix holds hundreds of versioned libraries.
  EXPECT_GE(withVersion, 100);
}

}  // namespace
}  // namespace kvt_e2e
