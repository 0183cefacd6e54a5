#pragma once
#include "os/os.h"

namespace kvt {

// The real system. Optional entry points are bound by name: the process-status
// library on first use (and again on the next use while loading fails),
// toolhelp from kernel32, the shell's folder calls and the trust functions on
// first use, GetProcessImageFileNameW, the WOW64 calls and
// QueryFullProcessImageNameW of kernel32 and the native entry points of the
// already loaded ntdll.dll when the object is created at start-up.
class Win32Os : public Os {
 public:
  Win32Os();

  // os/os_program.h, in win32_program.cpp
  bool GetVersionExA(TOsVersionInfo* info) override;
  OsHandle GetCurrentProcess() override;
  uint32_t GetCurrentProcessId() override;
  std::string GetCommandLineW() override;
  std::string GetOwnModuleFileName() override;
  std::string GetComputerNameW() override;
  bool IsBound(TOptionalEntry entry) override;  // in win32_os.cpp, beside the binding
  uint32_t PointerSize() override;
  bool CloseHandle(OsHandle handle) override;
  uint32_t GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) override;
  bool SetEnvironmentVariableW(const char* name, const char* value) override;
  uint32_t GetLastError() override;
  bool FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) override;
  uint64_t GetSystemTimeAsFileTime() override;
  bool QueryPerformanceCounter(uint64_t* count) override;
  bool QueryPerformanceFrequency(uint64_t* frequency) override;
  uint32_t GetNumberOfProcessors() override;

  // os/os_processes.h, in win32_processes.cpp
  OsHandle OpenProcess(uint32_t access, bool inherit, uint32_t processId) override;
  bool TerminateProcess(OsHandle process, uint32_t exitCode) override;
  bool GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                       uint64_t* kernelTime, uint64_t* userTime) override;
  bool IsWow64Process(OsHandle process, bool* wow64) override;
  bool CreateProcessW(const char* applicationName, const std::string& commandLine,
                      TProcessInformation* info) override;
  uint32_t WaitForSingleObject(OsHandle handle, uint32_t milliseconds) override;
  bool GetExitCodeProcess(OsHandle process, uint32_t* exitCode) override;
  bool QueryFullProcessImageNameW(OsHandle process, uint32_t flags, char* exeName,
                                  uint32_t* size) override;
  bool OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) override;
  bool LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) override;
  bool AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                             const TTokenPrivileges* newState) override;
  bool ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer, uint32_t size,
                         uint32_t* bytesRead) override;
  bool GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer, uint32_t size,
                           uint32_t* returned) override;
  bool LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize, char* domain,
                         uint32_t* domainSize) override;

  // os/os_modules.h, in win32_modules.cpp
  bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) override;
  uint32_t GetModuleFileNameExW(OsHandle process, OsHandle module, char* buffer,
                                uint32_t size) override;
  uint32_t GetProcessImageFileNameW(OsHandle process, char* buffer, uint32_t size) override;
  OsHandle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) override;
  bool Process32First(OsHandle snapshot, TProcessEntry* entry) override;
  bool Process32Next(OsHandle snapshot, TProcessEntry* entry) override;
  bool Module32First(OsHandle snapshot, TModuleEntry* entry) override;
  bool Module32Next(OsHandle snapshot, TModuleEntry* entry) override;
  bool EnumProcessModules(OsHandle process, OsHandle* modules, uint32_t count,
                          uint32_t* countNeeded) override;
  bool EnumProcessModulesEx(OsHandle process, OsHandle* modules, uint32_t count,
                            uint32_t* countNeeded, uint32_t filterFlag) override;

  // os/os_files.h, in win32_files.cpp
  uint32_t GetFileAttributesW(const char* fileName) override;
  uint32_t GetWindowsDirectoryW(char* buffer, uint32_t size) override;
  uint32_t GetSystemDirectoryW(char* buffer, uint32_t size) override;
  uint32_t GetLogicalDrives() override;
  uint32_t QueryDosDeviceW(const char* deviceName, char* buffer, uint32_t size) override;
  bool Wow64DisableWow64FsRedirection(uint64_t* oldValue) override;
  bool Wow64RevertWow64FsRedirection(uint64_t oldValue) override;
  OsHandle CreateFileW(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                       uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  uint32_t GetFileSize(OsHandle file, uint32_t* fileSizeHigh) override;
  bool ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) override;
  bool GetVolumeInformationW(const char* rootPathName, char* volumeNameBuffer,
                             uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                             uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                             char* fileSystemNameBuffer, uint32_t fileSystemNameSize) override;
  uint32_t GetFileVersionInfoSizeW(const char* fileName, uint32_t* handle) override;
  bool GetFileVersionInfoW(const char* fileName, uint32_t handle, uint32_t size,
                           void* data) override;
  bool VerQueryValueW(const void* block, const char* subBlock, const void** value,
                      uint32_t* length) override;

  // os/os_registry.h, in win32_registry.cpp
  int32_t SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) override;
  bool SHGetPathFromIDListW(OsItemIdList idList, char* path) override;
  void CoTaskMemFree(OsItemIdList memory) override;
  int32_t RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t options, uint32_t samDesired,
                        OsHandle* result) override;
  int32_t RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override;
  int32_t RegCloseKey(OsHandle key) override;

  // os/os_native.h, in win32_native.cpp
  uint32_t NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                    uint32_t* needed) override;
  uint32_t NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer, uint32_t size,
                         uint32_t* needed) override;
  uint32_t NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus, uint8_t* buffer,
                                  uint32_t size, uint32_t infoClass) override;
  bool DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                       OsHandle* target, uint32_t access, bool inherit, uint32_t options) override;
  uint32_t NtQueryInformationProcess(OsHandle process, uint32_t infoClass, uint8_t* buffer,
                                     uint32_t size, uint32_t* returned) override;

  // os/os_threads.h, in win32_threads.cpp
  OsWorker CreateWorkerThread() override;
  TWorkerResult RunOnWorkerThread(OsWorker worker, std::unique_ptr<TWorkerJob>& job,
                                  uint32_t timeoutMs) override;
  void CloseWorkerThread(OsWorker worker) override;

  // os/os_signatures.h, in win32_signatures.cpp
  int32_t WinVerifyTrust(OsHandle window, TWinTrustData* data) override;
  OsHandle WTHelperProvDataFromStateData(OsHandle stateData) override;
  bool WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex, bool counterSigner,
                                      uint32_t counterSignerIndex,
                                      TProviderSigner* signer) override;
  uint32_t CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t flags,
                              const char* typePara, char* name, uint32_t size) override;
  bool CryptCATAdminAcquireContext(OsHandle* catAdmin) override;
  bool CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) override;
  bool CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                           uint8_t* hash) override;
  bool CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                            uint32_t* hashLength, uint8_t* hash) override;
  OsHandle CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                            uint32_t hashLength,
                                            OsHandle* previousCatInfo) override;
  bool CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile,
                                      uint32_t size) override;
  bool CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) override;
  bool CryptCATAdminReleaseContext(OsHandle catAdmin) override;

  // os/os_services.h, in win32_services.cpp
  OsHandle OpenSCManagerW(uint32_t desiredAccess) override;
  bool CloseServiceHandle(OsHandle scManager) override;
  bool EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType, uint32_t serviceState,
                             uint32_t bufferSize, uint32_t* bytesNeeded, uint32_t* resumeHandle,
                             std::vector<TServiceProcess>& services) override;

  // os/os_network.h, in win32_network.cpp
  uint32_t GetExtendedTcpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                               uint32_t tableClass) override;
  uint32_t GetExtendedUdpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                               uint32_t tableClass) override;
  uint32_t AllocateAndGetTcpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                             uint32_t family) override;
  uint32_t AllocateAndGetUdpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                             uint32_t family) override;
  uint32_t I_QueryTagInformation(uint32_t processId, uint32_t serviceTag,
                                 std::string* serviceName) override;

  // os/os_console.h, in win32_console.cpp
  bool GetConsoleMode(uint32_t stdHandle, uint32_t* mode) override;
  bool WriteConsoleW(uint32_t stdHandle, const std::string& text) override;
  bool WriteStdOut(const char* data, size_t length) override;
  bool WriteStdErr(const char* data, size_t length) override;
  void OutputDebugStringW(const char* text) override;
  bool GetConsoleScreenBufferInfo(uint32_t stdHandle, TConsoleScreen* screen) override;
  bool SetConsoleCursorPosition(uint32_t stdHandle, int16_t x, int16_t y) override;
  uint32_t FillConsoleOutputCharacterW(uint32_t stdHandle, uint32_t count, int16_t x,
                                       int16_t y) override;
  OsHandle SetConsoleCtrlHandler() override;

  // os/os_text.h, in win32_text.cpp
  int CompareStringW(uint32_t locale, uint32_t flags, const char* a, int aLength, const char* b,
                     int bLength) override;
  std::string WideCharToMultiByte(uint32_t codePage, const std::string& text) override;
  std::string LCMapStringW(uint32_t locale, uint32_t mapFlags, const std::string& text) override;

 private:
  // Signatures: wintrust.dll and crypt32.dll, loaded and bound on first use,
  // once; each entry stays null where the system lacks it.
  void BindTrust();
  bool trustBindTried_ = false;
  void* winVerifyTrust_ = nullptr;
  void* wtHelperProvDataFromStateData_ = nullptr;
  void* wtHelperGetProvSignerFromChain_ = nullptr;
  void* certGetNameStringW_ = nullptr;
  void* catAdminAcquireContext_ = nullptr;
  void* catAdminCalcHashFromFileHandle_ = nullptr;
  void* catAdminEnumCatalogFromHash_ = nullptr;
  void* catCatalogInfoFromContext_ = nullptr;
  void* catAdminReleaseCatalogContext_ = nullptr;
  void* catAdminReleaseContext_ = nullptr;
  void* catAdminAcquireContext2_ = nullptr;
  void* catAdminCalcHashFromFileHandle2_ = nullptr;

  // The IP helper, loaded and bound on first use, once, with the service
  // manager's tag names; each entry stays null where the system lacks it.
  void BindIpHelper();
  bool ipHelperBindTried_ = false;
  void* getExtendedTcpTable_ = nullptr;
  void* getExtendedUdpTable_ = nullptr;
  void* allocateTcpExTable_ = nullptr;
  void* allocateUdpExTable_ = nullptr;
  void* queryTagInformation_ = nullptr;

  bool BindProcessStatus();
  bool BindToolhelp();
  bool BindShell();

  // Addresses of the optional entry points; null while unbound.
  void* enumProcesses_ = nullptr;
  void* getModuleFileNameExW_ = nullptr;
  void* enumProcessModules_ = nullptr;
  void* enumProcessModulesEx_ = nullptr;
  void* createToolhelp32Snapshot_ = nullptr;
  void* process32First_ = nullptr;
  void* process32Next_ = nullptr;
  void* module32First_ = nullptr;
  void* module32Next_ = nullptr;
  void* getProcessImageFileNameW_ = nullptr;
  void* isWow64Process_ = nullptr;
  void* shGetSpecialFolderLocation_ = nullptr;
  void* shGetPathFromIDListW_ = nullptr;
  void* coTaskMemFree_ = nullptr;
  void* wow64DisableFsRedirection_ = nullptr;
  void* wow64RevertFsRedirection_ = nullptr;
  void* ntQuerySystemInformation_ = nullptr;
  void* ntQueryObject_ = nullptr;
  void* ntQueryInformationFile_ = nullptr;
  void* queryFullProcessImageNameW_ = nullptr;
  void* ntQueryInformationProcess_ = nullptr;
  void* enumServicesStatusExW_ = nullptr;
};

}  // namespace kvt
