#include "processes/drive_paths.h"

#include <vector>

#include "os/os.h"
#include "os/scoped_handle.h"
#include "support/text.h"

namespace kvt {
namespace {

// A device name of 260 UTF-16 units, in UTF-8 (the seam's wide calls take
// three bytes a unit).
constexpr uint32_t kDeviceBufferSize = 3 * 260;

}  // namespace

void ListDriveDevices(Os& os, TStringList& list, const std::string& separator) {
  list.Clear();
  std::vector<char> buffer(kDeviceBufferSize);
  const uint32_t mask = os.GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const std::string letter(1, static_cast<char>('A' + i));
    const std::string drive = letter + ":";
    buffer.assign(kDeviceBufferSize, '\0');
    if (os.QueryDosDeviceW(drive.c_str(), buffer.data(), kDeviceBufferSize) == 0) continue;
    list.Add(letter + separator + "=" + TextUpToZero(buffer.data(), buffer.size()));
  }
}

std::string DevicePathToDrivePath(Os& os, const std::string& path) {
  TStringList drives;
  ListDriveDevices(os, drives, ":");
  return DevicePathToDrivePath(drives, path);
}

std::string DevicePathToDrivePath(const TStringList& drives, const std::string& path) {
  for (const std::string& entry : drives) {
    const size_t equals = entry.find('=');
    const std::string device = entry.substr(equals + 1);
    if (path.compare(0, device.size(), device) == 0)
      return entry.substr(0, equals) + path.substr(device.size());
  }
  return path;
}

std::string ReadProcessImageName(Os& os, OsHandle process, const TStringList& drives) {
  std::vector<char> buffer(kMaxNameUtf8);
  if (os.IsBound(TOptionalEntry::GetProcessImageFileNameW)) {
    if (os.GetProcessImageFileNameW(process, buffer.data(), kMaxNameUtf8) != 0)
      return DevicePathToDrivePath(drives, TextUpToZero(buffer.data(), buffer.size()));
  } else if (os.GetModuleFileNameExW(process, 0, buffer.data(), kMaxNameUtf8) != 0) {
    return TextUpToZero(buffer.data(), buffer.size());
  }
  return std::string();
}

std::string GetProcessImageName(Os& os, uint32_t processId, const TStringList& drives,
                                bool leastRight) {
  std::string result;
  const OsHandle process =
      os.OpenProcess(kProcessQueryInformation | kProcessVmRead, false, processId);
  if (process != 0) {
    result = ReadProcessImageName(os, process, drives);
    os.CloseHandle(process);
  }
  if (result.empty() && leastRight) result = QueryFullImageName(os, processId);
  return result;
}

std::string QueryFullImageName(Os& os, uint32_t processId) {
  if (!os.IsBound(TOptionalEntry::QueryFullProcessImageNameW)) return std::string();
  const TScopedHandle process(
      os, os.OpenProcess(kProcessQueryLimitedInformation, false, processId));
  if (process.Get() == 0) return std::string();
  std::vector<char> buffer(kMaxNameUtf8);
  uint32_t size = kMaxNameUtf8;
  // Flags 0: the drive form, not the device path.
  if (!os.QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &size)) return std::string();
  return TextUpToZero(buffer.data(), size);
}

}  // namespace kvt
