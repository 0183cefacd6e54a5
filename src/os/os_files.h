#pragma once
// Files, drives, volumes and version resources: what a record learns about
// its file. No security attributes and no template file are ever passed.
#include <cstdint>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kFileShareRead = 0x1;
constexpr uint32_t kFileShareWrite = 0x2;
constexpr uint32_t kFileShareDelete = 0x4;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kFileFlagSequentialScan = 0x08000000u;

struct OsFiles {
  virtual ~OsFiles() = default;

  virtual uint32_t GetFileAttributesW(const char* fileName) = 0;
  virtual uint32_t GetWindowsDirectoryW(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetSystemDirectoryW(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetLogicalDrives() = 0;
  virtual uint32_t QueryDosDeviceW(const char* deviceName, char* buffer, uint32_t size) = 0;
  // WOW64 file-system redirection of the calling thread; both bound by name.
  virtual bool Wow64DisableWow64FsRedirection(uint64_t* oldValue) = 0;
  virtual bool Wow64RevertWow64FsRedirection(uint64_t oldValue) = 0;
  virtual OsHandle CreateFileW(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                               uint32_t creationDisposition, uint32_t flagsAndAttributes) = 0;
  virtual uint32_t GetFileSize(OsHandle file, uint32_t* fileSizeHigh) = 0;
  virtual bool ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead,
                        uint32_t* bytesRead) = 0;
  virtual bool GetVolumeInformationW(const char* rootPathName, char* volumeNameBuffer,
                                     uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                     uint32_t* maximumComponentLength,
                                     uint32_t* fileSystemFlags, char* fileSystemNameBuffer,
                                     uint32_t fileSystemNameSize) = 0;
  virtual uint32_t GetFileVersionInfoSizeW(const char* fileName, uint32_t* handle) = 0;
  virtual bool GetFileVersionInfoW(const char* fileName, uint32_t handle, uint32_t size,
                                   void* data) = 0;
  // Value points into Block; Length is the value's length as the block states it:
  // for a text, UTF-16 units up to and including its terminator.
  virtual bool VerQueryValueW(const void* block, const char* subBlock, const void** value,
                              uint32_t* length) = 0;
};

}  // namespace kvt
