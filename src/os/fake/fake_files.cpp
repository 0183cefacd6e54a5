#include "os/fake/fake_os.h"

#include <algorithm>
#include <cstring>

#include "os/portable/version_block.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

}  // namespace

bool FakeOs::VersionCallTakes(const char* fileName) const {
  const std::string name = fileName != nullptr ? fileName : "";
  return LongPathsEnabled || Utf8ToUtf16(name.data(), name.size()).size() <= kMaxPathUnits;
}

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// GetWindowsDirectoryW and GetSystemDirectoryW: the length copied, or the size
// needed when the buffer is too small, or 0 on failure.
uint32_t CopyDirectory(const std::string& directory, char* buffer, uint32_t size) {
  if (directory.empty()) return 0;
  if (directory.size() >= size) return static_cast<uint32_t>(directory.size() + 1);
  return CopyTextToBuffer(directory, buffer, size);
}

}  // namespace

std::string FakeOs::FileKey(const std::string& path, bool redirect) const {
  std::string full;
  if (path.size() >= 2 && path[1] == ':')
    full = path;
  else if (!path.empty() && path[0] == '\\')
    full = CurrentDirectory.substr(0, 2) + path;
  else
    full = CurrentDirectory + "\\" + path;
  std::string key;
  for (char c : full)
    if (c != '\\' || key.empty() || key.back() != '\\') key += AsciiUpper(c);
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  if (redirect && Wow64 && !redirectionOff_) {
    const std::string system = AsciiUpperCase(SystemDirectory);
    if (key.compare(0, system.size(), system) == 0 &&
        (key.size() == system.size() || key[system.size()] == '\\'))
      key.replace(0, system.size(), AsciiUpperCase(SysWow64Directory));
  }
  return key;
}

TFakeFile& FakeOs::File(const std::string& path) { return files_[FileKey(path, false)]; }

std::string FakeOs::FoundFileKey(const std::string& fileName) const {
  std::string path(fileName);
  // The platform also opens its own native form of a drive path.
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  return path.empty() ? path : FileKey(path, true);
}

TFakeFile* FakeOs::FindFile(const std::string& fileName) {
  const auto found = files_.find(FoundFileKey(fileName));
  return found == files_.end() ? nullptr : &found->second;
}

TFakeFile* FakeOs::OpenedFile(OsHandle file) {
  const THandle* handle = Find(file, THandle::File);
  if (handle == nullptr) return nullptr;
  const auto found = files_.find(handle->Path);
  return found == files_.end() ? nullptr : &found->second;
}

bool FakeOs::Wow64DisableWow64FsRedirection(uint64_t* oldValue) {
  Record("Wow64DisableWow64FsRedirection");
  // Outside WOW64 there is nothing to switch off.
  if (!Wow64RedirectionBound || !Wow64) return false;
  *oldValue = redirectionOff_ ? 1 : 0;
  redirectionOff_ = true;
  return true;
}

bool FakeOs::Wow64RevertWow64FsRedirection(uint64_t oldValue) {
  Record("Wow64RevertWow64FsRedirection");
  if (!Wow64RedirectionBound || !Wow64) return false;
  redirectionOff_ = oldValue != 0;
  return true;
}

uint32_t FakeOs::GetFileAttributesW(const char* fileName) {
  Record("GetFileAttributesW");
  const TFakeFile* file = FindFile(fileName);
  return file ? file->Attributes : kInvalidFileAttributes;
}

uint32_t FakeOs::GetWindowsDirectoryW(char* buffer, uint32_t size) {
  Record("GetWindowsDirectoryW");
  return CopyDirectory(WindowsDirectory, buffer, size);
}

uint32_t FakeOs::GetSystemDirectoryW(char* buffer, uint32_t size) {
  Record("GetSystemDirectoryW");
  return CopyDirectory(SystemDirectory, buffer, size);
}

uint32_t FakeOs::GetLogicalDrives() {
  Record("GetLogicalDrives");
  uint32_t mask = 0;
  for (const auto& drive : DriveDevices) mask |= 1u << (drive.first - 'A');
  for (char letter : DrivesFailingQuery) mask |= 1u << (letter - 'A');
  return mask;
}

uint32_t FakeOs::QueryDosDeviceW(const char* deviceName, char* buffer, uint32_t size) {
  Record("QueryDosDeviceW");
  const std::string name(deviceName);
  if (name.size() != 2 || name[1] != ':') return 0;
  const char letter = AsciiUpper(name[0]);
  const auto found = DriveDevices.find(letter);
  if (found == DriveDevices.end() || DrivesFailingQuery.count(letter)) return 0;
  // The reply is a list of texts ending in an empty one.
  if (size < found->second.size() + 2) return 0;
  CopyTextToBuffer(found->second, buffer, size);
  buffer[found->second.size() + 1] = '\0';
  return static_cast<uint32_t>(found->second.size() + 2);
}

OsHandle FakeOs::CreateFileW(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                             uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  Record("CreateFileW");
  CreateFileCalls.push_back(
      {fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes});
  const TFakeFile* file = FindFile(fileName);
  // Only existing files are modelled, and only for reading.
  if (file == nullptr || file->OpenFails || (file->Attributes & kFileAttributeDirectory) ||
      desiredAccess != kGenericRead || creationDisposition != kOpenExisting)
    return kInvalidHandleValue;
  THandle handle;
  handle.Type = THandle::File;
  handle.Access = desiredAccess;
  handle.Path = FoundFileKey(fileName);
  return NewHandle(std::move(handle));
}

uint32_t FakeOs::GetFileSize(OsHandle file, uint32_t* fileSizeHigh) {
  Record("GetFileSize");
  const TFakeFile* target = OpenedFile(file);
  if (target == nullptr) return 0xFFFFFFFFu;
  const uint64_t size = target->ReportedSize >= 0 ? static_cast<uint64_t>(target->ReportedSize)
                                                  : target->Bytes.size() + target->ZeroTail;
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<uint32_t>(size >> 32);
  return static_cast<uint32_t>(size);
}

bool FakeOs::ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  Record("ReadFile");
  *bytesRead = 0;
  THandle* handle = Find(file, THandle::File);
  const TFakeFile* target = OpenedFile(file);
  if (target == nullptr) return false;
  if (target->ReadFailsAt >= 0 &&
      handle->Position + bytesToRead > static_cast<uint64_t>(target->ReadFailsAt))
    return false;
  const uint64_t stored = target->Bytes.size();
  const uint64_t size = stored + target->ZeroTail;
  const uint64_t count = handle->Position >= size
                             ? 0
                             : std::min<uint64_t>(bytesToRead, size - handle->Position);
  const uint64_t fromBytes =
      handle->Position >= stored ? 0 : std::min<uint64_t>(count, stored - handle->Position);
  if (fromBytes != 0) std::memcpy(buffer, target->Bytes.data() + handle->Position, fromBytes);
  std::memset(static_cast<uint8_t*>(buffer) + fromBytes, 0, count - fromBytes);
  handle->Position += count;
  BytesRead += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool FakeOs::GetVolumeInformationW(const char* rootPathName, char* volumeNameBuffer,
                                   uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                   uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                                   char* fileSystemNameBuffer, uint32_t fileSystemNameSize) {
  Record("GetVolumeInformationW");
  const std::string root(rootPathName);
  if (root.size() != 3 || root.compare(1, 2, ":\\") != 0) return false;
  const char letter = AsciiUpper(root[0]);
  if (letter < 'A' || letter > 'Z' || (GetLogicalDrives() & (1u << (letter - 'A'))) == 0 ||
      DrivesWithoutVolume.count(letter))
    return false;
  if (volumeNameBuffer) CopyTextToBuffer("FAKE", volumeNameBuffer, volumeNameSize);
  if (volumeSerialNumber) *volumeSerialNumber = 0x1234ABCDu;
  if (maximumComponentLength) *maximumComponentLength = 255;
  if (fileSystemFlags) *fileSystemFlags = 0;
  if (fileSystemNameBuffer) CopyTextToBuffer("NTFS", fileSystemNameBuffer, fileSystemNameSize);
  return true;
}

uint32_t FakeOs::GetFileVersionInfoSizeW(const char* fileName, uint32_t* handle) {
  Record("GetFileVersionInfoSizeW");
  *handle = 0;
  if (!VersionCallTakes(fileName)) return 0;
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return 0;
  return PortableFileVersionInfoSize(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                     file->Bytes.size());
}

bool FakeOs::GetFileVersionInfoW(const char* fileName, uint32_t, uint32_t size, void* data) {
  Record("GetFileVersionInfoW");
  if (!VersionCallTakes(fileName)) return false;
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return false;
  return PortableFileVersionInfo(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                 file->Bytes.size(), size, data);
}

bool FakeOs::VerQueryValueW(const void* block, const char* subBlock, const void** value,
                            uint32_t* length) {
  Record("VerQueryValueW");
  return QueryVersionBlock(block, subBlock, value, length);
}

}  // namespace kvt
