#pragma once
// A scripted system for the unit tests: processes, drives and devices, the
// version, missing entry points and calls that fail on purpose. It records the
// name of every call, so a test can tell which platform calls were made.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "os/os.h"

namespace kvt {

struct TFakeProcess {
  uint32_t Id = 0;
  uint32_t ParentId = 0;
  std::string ModulePath;       // GetModuleFileNameExA; empty makes the call fail
  std::string ExeFile;          // the snapshot's szExeFile
  std::string ImageDevicePath;  // GetProcessImageFileNameA; empty makes the call fail
  bool InIdList = true;         // reported by EnumProcesses
  bool InSnapshot = true;       // reported by the toolhelp snapshot
  uint32_t AllowedAccess = 0x1FFFFF;  // OpenProcess fails when more is asked
  bool CanTerminate = true;
  bool Alive = true;
  uint32_t Threads = 1;
  uint32_t Usage = 0;
  uint32_t DefaultHeapId = 0;
  uint32_t ModuleId = 0;
};

class FakeOs : public Os {
 public:
  FakeOs();

  // The script.
  std::vector<TFakeProcess> Processes;
  std::map<char, std::string> DriveDevices;  // present drives and their device names
  std::set<char> DrivesFailingQuery;         // present, but QueryDosDeviceA fails
  TOsVersionInfo Version;                    // Windows XP unless changed
  bool VersionFails = false;
  bool Wow64 = false;
  bool IsWow64Exported = true;
  bool ProcessStatusAvailable = true;
  bool EnumProcessesFails = false;
  bool ToolhelpAvailable = true;
  bool SnapshotFails = false;
  bool ImageFileNameBound = true;
  std::function<void()> OnProcess32Next;  // runs inside Process32Next, may throw
  std::string CommandLine = "kvtProc.exe";
  std::string OwnModuleFileName = "C:\\Tools\\kvtProc.exe";
  uint32_t CurrentProcessId = 100;
  std::set<uint8_t> LeadBytes;  // lead bytes of the ANSI code page (none: single-byte)
  bool StdOutFails = false;

  // What the program did.
  std::string StdOut;
  std::string StdErr;
  std::vector<std::string> DebugOutput;
  std::vector<std::string> Calls;
  size_t OpenHandleCount() const { return handles_.size(); }
  size_t CallCount(const std::string& name) const;
  TFakeProcess* FindProcess(uint32_t id);

  bool GetVersionExA(TOsVersionInfo* info) override;
  OsHandle GetCurrentProcess() override;
  uint32_t GetCurrentProcessId() override;
  std::string GetCommandLineA() override;
  std::string GetOwnModuleFileName() override;
  bool IsBound(TOptionalEntry entry) override;

  bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) override;
  OsHandle OpenProcess(uint32_t access, bool inherit, uint32_t processId) override;
  bool CloseHandle(OsHandle handle) override;
  uint32_t GetModuleFileNameExA(OsHandle process, OsHandle module, char* buffer,
                                uint32_t size) override;
  uint32_t GetProcessImageFileNameA(OsHandle process, char* buffer, uint32_t size) override;
  bool TerminateProcess(OsHandle process, uint32_t exitCode) override;
  bool IsWow64Process(OsHandle process, bool* wow64) override;

  OsHandle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) override;
  bool Process32First(OsHandle snapshot, TProcessEntry32* entry) override;
  bool Process32Next(OsHandle snapshot, TProcessEntry32* entry) override;

  uint32_t GetLogicalDrives() override;
  uint32_t QueryDosDeviceA(const char* deviceName, char* buffer, uint32_t size) override;

  int CompareStringA(uint32_t locale, uint32_t flags, const char* a, int aLength, const char* b,
                     int bLength) override;
  bool IsDBCSLeadByte(uint8_t byte) override;
  std::string ConvertAnsiToOem(const std::string& text) override;

  bool WriteStdOut(const char* data, size_t length) override;
  bool WriteStdErr(const char* data, size_t length) override;
  void OutputDebugStringA(const char* text) override;

 private:
  struct THandle {
    enum Kind { Process, Snapshot } Type;
    uint32_t ProcessId = 0;
    uint32_t Access = 0;
    std::vector<TProcessEntry32> Entries;  // a snapshot's view
    size_t Cursor = 0;
  };
  OsHandle NewHandle(THandle handle);
  THandle* Find(OsHandle handle, THandle::Kind kind);
  bool NextEntry(OsHandle snapshot, TProcessEntry32* entry);

  std::map<OsHandle, THandle> handles_;
  OsHandle nextHandle_ = 0x100;
};

// Copies Text into a platform buffer the way the ANSI calls do: cut to Size - 1
// characters and zero-terminated; returns the number of characters copied.
uint32_t CopyToBuffer(const std::string& text, char* buffer, uint32_t size);

}  // namespace kvt
