#pragma once
// A scripted system for the unit tests: processes, drives and devices, the
// version, missing entry points and calls that fail on purpose. It records the
// name of every call, so a test can tell which platform calls were made.
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "network/endpoint.h"
#include "os/os.h"

namespace kvt {

// A module loaded into a fake process; its handle is its base address, as on the platform.
struct TFakeModule {
  std::string Path;        // the module snapshot's szExePath
  std::string StatusName;  // GetModuleFileNameExW for its handle; empty: Path
  uint64_t Base = 0;
  uint64_t Size = 0;
  uint32_t ModuleId = 1;
  uint32_t GlobalUsage = 0xFFFF;
  uint32_t ProcessUsage = 0xFFFF;
  bool InSnapshot = true;     // reported by the module snapshot
  bool InModuleList = true;   // reported by EnumProcessModules
  bool NameFails = false;     // GetModuleFileNameExW fails for its handle
  // A 32-bit module of a WOW64 process: a 64-bit program sees it only in a
  // snapshot with kTh32csSnapModule32 and in the list with kListModulesAll.
  bool Wow64Module = false;
};

// How a fake process's loader list is spoiled, to try a reader's bounds.
enum class TLoaderFault {
  None,
  NoLoaderData,  // the environment block holds no loader data yet
  LoopsBack,     // the last entry leads to the first, not to the head
  LoopsOnItself, // the second entry leads to itself
  EndsUnmapped,  // the last entry leads outside the process's memory
  NameUnmapped,  // the last entry's name lies outside the process's memory
};

struct TFakeProcess {
  uint32_t Id = 0;
  uint32_t ParentId = 0;
  std::string ModulePath;       // GetModuleFileNameExW; empty makes the call fail
  std::string ExeFile;          // the snapshot's szExeFile
  std::string ImageDevicePath;  // GetProcessImageFileNameW; empty makes the call fail
  std::string FullImagePath;    // QueryFullProcessImageNameW; empty: ModulePath
  bool InIdList = true;         // reported by EnumProcesses
  bool InSnapshot = true;       // reported by the toolhelp snapshot
  uint32_t AllowedAccess = 0x1FFFFF;  // OpenProcess fails when more is asked
  bool CanTerminate = true;
  bool Alive = true;
  uint32_t ExitCode = 0;  // the code TerminateProcess gave it, or it ended with
  uint64_t ExitTime = 0;  // FILETIME (UTC) of its end
  uint32_t Threads = 1;
  uint32_t Usage = 0;
  uint32_t DefaultHeapId = 0;
  uint32_t ModuleId = 0;
  std::vector<TFakeModule> Modules;
  bool ModuleSnapshotFails = false;
  uint32_t ModuleSnapshotError = kErrorPartialCopy;  // the last error a failing snapshot leaves
  bool EnumModulesFails = false;
  // A 64-bit process: a 32-bit program gets neither its module snapshot nor
  // its module list.
  bool Is64Bit = false;
  // The process information (class 5) and the other facts of /details.
  uint32_t SessionId = 0;
  uint32_t HandleCount = 0;
  uint64_t CreateTime = 0;                 // FILETIME units, UTC
  uint64_t UserTime = 0, KernelTime = 0;   // 100 ns units
  uint64_t WorkingSet = 0, PrivateBytes = 0;
  uint64_t ReadBytes = 0, WriteBytes = 0;  // the I/O counters' transfers
  // Its parameter block holds CommandLine, in the layout of its width; the
  // kernel tells it (class 60) while FakeOs::CommandLineClassAnswered.
  std::string CommandLine;
  // Its loader list follows the command line's text, entries and names
  // packed as on a heap: the modules of its own width that its snapshot
  // reports, in their order, with their full Path.
  TLoaderFault LoaderFault = TLoaderFault::None;
  // Its token: the user's SID as text, the integrity level's value, and
  // whether it is an app container; TokenDenied refuses OpenProcessToken.
  std::string UserSid = "S-1-5-21-1000-2000-3000-1001";
  uint32_t IntegrityLevel = 0x2000;
  bool AppContainer = false;
  bool TokenDenied = false;
};

// A process with 32-bit modules of a WOW64 process: a 32-bit one on a 64-bit Windows.
bool RunsUnderWow64(const TFakeProcess& process);

struct TFakeFile {
  std::string Bytes;
  uint32_t Attributes = kFileAttributeArchive;
  bool OpenFails = false;     // CreateFileW refuses it: locked, or no rights
  int64_t ReportedSize = -1;  // GetFileSize's answer when it is not the count of Bytes
  int64_t ReadFailsAt = -1;   // a ReadFile that would reach this offset fails
  // Zero bytes that follow Bytes, so that a large file costs no memory; the
  // version resource lies in Bytes.
  uint64_t ZeroTail = 0;
};

// Environment variables (UTF-8) by name, upper-cased as the platform compares them.
using TFakeEnvironment = std::map<std::string, std::string>;

struct TCreateProcessCall {
  std::string ApplicationName;
  std::string CommandLine;
  TFakeEnvironment Environment;  // what the started program inherited
};

struct TCreateFileCall {
  std::string FileName;
  uint32_t DesiredAccess = 0;
  uint32_t ShareMode = 0;
  uint32_t CreationDisposition = 0;
  uint32_t FlagsAndAttributes = 0;
};

// One entry of the system handle table and the object behind it. The table
// of the old layout keeps the low 16 bits of the process id and the handle
// value, the low 8 bits of the type number and the flags.
struct TFakeHandle {
  uint32_t ProcessId = 0;
  uint64_t Handle = 0;
  uint16_t ObjectType = 0;
  uint32_t Flags = 0;
  uint64_t Object = 0;
  uint32_t GrantedAccess = 0;
  std::u16string Name;      // NtQueryObject; empty for an unnamed object
  std::u16string FileName;  // NtQueryInformationFile
  bool CanDuplicate = true;
  // Every name query on the object blocks, as on a pipe with a synchronous
  // read pending, until the FakeOs is destroyed. Queried on the caller's own
  // thread it would hang the test, so there it fails and is counted instead.
  bool Stalls = false;
};

// How the trust functions answer for one file. A catalog lists the file's
// content: another file with the same bytes is its member too.
struct TFakeSignature {
  // WinVerifyTrust on the file itself: 0 where its embedded signature verifies.
  int32_t Embedded = kTrustENoSignature;
  // The catalog that lists the file (empty: none), and its verification.
  std::string Catalog;
  int32_t CatalogResult = 0;
  bool CatalogSha1Only = false;  // listed by its SHA-1 hash alone, as old catalogs are
  // The leaf certificate of whichever signature is checked; its simple
  // display name is the common name, else the organisation.
  std::string CommonName;
  std::string Organisation;
};

// One verification that WinVerifyTrust was asked for, as it was asked.
struct TFakeTrustCall {
  uint32_t UnionChoice = 0;
  uint32_t UIChoice = 0;
  uint32_t RevocationChecks = 0;
  uint32_t ProvFlags = 0;
  std::string FilePath;     // of the file or the catalog member
  std::string OpenedFile;   // the file its handle was opened on, as File() names it
  std::string CatalogFilePath;
  std::string MemberTag;
  uint32_t HashLength = 0;
  bool WithCatAdmin = false;
  bool RedirectionOff = false;  // the thread's redirection at the call
};

class FakeOs : public Os {
 public:
  FakeOs();
  ~FakeOs() override;

  // The script.
  std::vector<TFakeProcess> Processes;
  std::map<char, std::string> DriveDevices;  // present drives and their device names
  std::set<char> DrivesFailingQuery;         // present, but QueryDosDeviceW fails
  TOsVersionInfo Version;                    // Windows XP unless changed
  uint32_t ProgramPointerSize = 4;           // the program stood in for: 32-bit unless changed
  bool VersionFails = false;
  bool Wow64 = false;
  bool IsWow64Exported = true;
  bool ProcessStatusAvailable = true;
  bool EnumProcessesFails = false;
  bool ToolhelpAvailable = true;
  bool SnapshotFails = false;
  bool ImageFileNameBound = true;
  // The system's long-path setting: without it the version calls refuse a
  // path beyond kMaxPathUnits units, as the platform's do for this program.
  bool LongPathsEnabled = false;
  std::function<void()> OnProcess32Next;  // runs inside Process32Next, may throw
  std::string CommandLine = "kvtProc.exe";
  // A program started by CreateProcessW writes StartedOutput to standard
  // output and ends with StartedExitCode; CreateProcessW fails while
  // StartsFail is set, and waiting for the program while WaitFails is.
  std::string StartedOutput;
  uint32_t StartedExitCode = 0;
  bool StartsFail = false;
  bool WaitFails = false;
  TFakeEnvironment Environment;
  std::vector<TCreateProcessCall> CreateProcessCalls;
  std::string OwnModuleFileName = "C:\\Tools\\kvtProc.exe";
  std::string ComputerName = "FAKE-PC";
  uint32_t CurrentProcessId = 100;
  // The ANSI code page is the Western one: text conversions follow it.
  bool StdOutFails = false;
  // Standard output is a console: GetConsoleMode answers, and WriteConsoleW
  // shows text in Console instead of StdOut.
  bool StdOutIsConsole = false;
  // Files and directories: GetFileAttributesW resolves a relative path against
  // CurrentDirectory, takes a run of backslashes as one and ignores case.
  std::string CurrentDirectory = "C:\\Tools";
  std::string WindowsDirectory = "C:\\WINDOWS";          // empty: the call fails
  std::string SystemDirectory = "C:\\WINDOWS\\system32";  // empty: the call fails
  std::map<int, std::string> ShellFolders;  // by CSIDL; an empty path has no file-system path
  // While Wow64 is set and the thread has not switched redirection off,
  // files below SystemDirectory are looked up below SysWow64Directory.
  std::string SysWow64Directory = "C:\\WINDOWS\\SysWOW64";
  bool Wow64RedirectionBound = true;
  bool RedirectionOff() const { return redirectionOff_; }
  bool EnumProcessModulesExBound = true;
  void AddFile(const std::string& path) { File(path).Attributes = kFileAttributeArchive; }
  void AddDirectory(const std::string& path) { File(path).Attributes = kFileAttributeDirectory; }
  // The file or directory at Path, made (as a file) when there is none; the
  // same path rules apply. A test scripts its bytes and failures here.
  TFakeFile& File(const std::string& path);
  // Present drives whose volume does not answer (no medium).
  std::set<char> DrivesWithoutVolume;
  // Registry values under HKEY_LOCAL_MACHINE by view; key names without a
  // leading backslash, key and value names ignore case. A key exists when it
  // or a key below it holds a value, or when it was added as a key.
  void SetRegistryValue(bool view64, const std::string& key, const std::string& name,
                        uint32_t type, const std::string& data);
  // A REG_SZ value: Value (UTF-8) stored as the platform stores text, in UTF-16
  // with its terminator.
  void SetRegistryString(bool view64, const std::string& key, const std::string& name,
                         const std::string& value);
  void AddRegistryKey(bool view64, const std::string& key);
  std::vector<TFakeHandle> HandleTable;
  bool NtQuerySystemInformationBound = true;
  bool NtQueryObjectBound = true;
  bool NtQueryInformationFileBound = true;
  // Runs before every read of the table: a busy system's table grows while
  // it is read.
  std::function<void()> OnHandleTableRead;
  // The size the table reports grows by this many bytes with every read.
  uint32_t HandleTableGrowthPerRead = 0;
  // The kernel's object types by their number: what the type query of a
  // handle tells, and the list of every type (class 3), in the order of their
  // numbers. From 8.1 on each listed type carries its number as TypeIndex;
  // before, that byte is reserved (0) and the kernel numbers the list by
  // place, so a script for those versions numbers its types without gaps.
  std::map<uint16_t, std::u16string> ObjectTypeNames;
  bool ObjectTypesListed = true;  // false: the list of every type fails
  bool WorkersFail = false;  // no worker thread can be started
  // The kernel reports no size with a table that does not fit.
  bool HandleTableSizeUnreported = false;
  // The table needs this many bytes beyond its entries.
  uint32_t HandleTableExtraBytes = 0;
  // A table read fails with this status, unless 0.
  uint32_t HandleTableFailure = 0;

  // Signatures: the script by path (the rules of File()), the groups of
  // entry points, the verifications asked for, and the trust objects (states,
  // certificates, catalog contexts) not released yet.
  TFakeSignature& Signature(const std::string& path) { return signatures_[FileKey(path, false)]; }
  bool WinVerifyTrustBound = true;
  bool CertGetNameStringBound = true;
  bool CatalogAdminBound = true;
  bool CatalogAdmin2Bound = true;
  std::vector<TFakeTrustCall> TrustCalls;
  size_t OpenTrustObjectCount() const { return trustObjects_.size(); }
  // How and by whom each process runs. LookupAccountSidW names the SIDs of
  // Accounts ("DOMAIN\\name" or a bare name) and stalls on a worker while
  // AccountLookupStalls; Services are what the service manager enumerates.
  bool NtQueryInformationProcessBound = true;
  bool CommandLineClassAnswered = false;
  std::map<std::string, std::string> Accounts;
  bool AccountLookupStalls = false;
  bool EnumServicesBound = true;
  std::vector<TServiceProcess> Services;
  int64_t LocalTimeBias = 0;  // local time minus UTC, in 100 ns units
  // The clocks: the performance counter counts 100 ns units; both it and the
  // system time move only in a pause, a wait on the stop event, by its
  // length. OnPause runs in each pause (processes gain CPU time, start and
  // end there); StopAfterPauses sets the stop event in that pause, as Ctrl+C
  // would (0: never).
  uint64_t PerformanceCounter = 1000000;
  uint64_t SystemTime = 134100000000000000ull;  // 2025-12-12 08:00:00 UTC
  uint32_t Processors = 2;
  std::function<void()> OnPause;
  int StopAfterPauses = 0;
  int Pauses = 0;
  bool CtrlHandlerFails = false;
  // Standard output as a console's screen buffer: its size, window and
  // cursor (a row down with each line written), and the cells blanked.
  TConsoleScreen Screen = {120, 300, 0, 25, 0, 0};
  uint32_t CellsBlanked = 0;
  // The IP helper's endpoint tables, built from Endpoints in the layout of
  // the class asked for. Before 6.0 the module classes are refused; before
  // XP SP2 only the stack's own IPv4 tables are there; a system without IPv6
  // refuses those tables. OnEndpointTableRead runs before every call of the
  // extended tables: a busy system's tables grow while they are read.
  std::vector<TEndpoint> Endpoints;
  bool ExtendedEndpointTablesBound = true;
  bool EndpointModuleClasses = true;
  bool StackEndpointTablesBound = false;
  bool Ipv6Refused = false;
  std::function<void()> OnEndpointTableRead;
  // I_QueryTagInformation: service names by process id and tag.
  bool TagInformationBound = true;
  std::map<std::pair<uint32_t, uint32_t>, std::string> ServiceTags;
  // Least rights and the debug privilege. QueryFullProcessImageNameW answers
  // a process's FullImagePath, or its ModulePath, to a handle opened for
  // either query right. The program's token holds SeDebugPrivilege when
  // DebugPrivilegeHeld; every call made while it is enabled is listed in
  // CallsWithDebugPrivilege as well.
  bool FullImageNameBound = true;
  bool DebugPrivilegeHeld = false;
  bool DebugPrivilegeStaysOn = false;  // AdjustTokenPrivileges cannot switch it off
  bool DebugPrivilegeEnabled() const { return debugPrivilegeEnabled_; }
  std::vector<std::string> CallsWithDebugPrivilege;

  // What the program did.
  std::string StdOut;
  std::string Console;  // UTF-8, as WriteConsoleW was given it
  std::string StdErr;
  std::vector<std::string> DebugOutput;
  // Every call by name; a query of an object's type as "NtQueryObject/type",
  // of every type's name as "NtQueryObject/types".
  std::vector<std::string> Calls;
  // Off, calls are only counted, not listed: a benchmark makes millions.
  bool RecordCalls = true;
  std::vector<TCreateFileCall> CreateFileCalls;
  uint64_t BytesRead = 0;  // by ReadFile, from every file
  size_t OpenHandleCount() const { return handles_.size(); }
  size_t OpenKeyCount() const { return keys_.size(); }
  size_t OpenIdListCount() const { return idLists_.size(); }
  // How often Name was called: in Calls, or while RecordCalls is off, since
  // the fake was made.
  size_t CallCount(const std::string& name) const;
  TFakeProcess* FindProcess(uint32_t id);
  size_t AbandonedWorkerCount() const { return abandoned_.size(); }
  size_t LiveWorkerCount() const { return workers_.size(); }
  // Name queries on a stalling object that were made on the caller's thread.
  size_t StallsOnCallerThread = 0;

  // The calls of each part of the seam, by its header. fake_<part>.cpp holds
  // a part's calls where it exists (files, registry, services, threads); the
  // program, console and text are in fake_os.cpp; processes with their
  // toolhelp and module lists in fake_processes.cpp, the token's privileges
  // in fake_rights.cpp, and its replies, the process information and memory
  // and local time in fake_facts.cpp; the native queries in
  // fake_handles.cpp; signatures in fake_trust.cpp.
  // os/os_program.h
  bool GetVersionExA(TOsVersionInfo* info) override;
  OsHandle GetCurrentProcess() override;
  uint32_t GetCurrentProcessId() override;
  std::string GetCommandLineW() override;
  std::string GetOwnModuleFileName() override;
  std::string GetComputerNameW() override { return ComputerName; }
  bool IsBound(TOptionalEntry entry) override;
  uint32_t PointerSize() override { return ProgramPointerSize; }
  bool CloseHandle(OsHandle handle) override;
  uint32_t GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) override;
  bool SetEnvironmentVariableW(const char* name, const char* value) override;
  uint32_t GetLastError() override { return lastError_; }
  bool FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) override;
  uint64_t GetSystemTimeAsFileTime() override;
  bool QueryPerformanceCounter(uint64_t* count) override;
  bool QueryPerformanceFrequency(uint64_t* frequency) override;
  uint32_t GetNumberOfProcessors() override { return Processors; }

  // os/os_processes.h
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

  // os/os_modules.h
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

  // os/os_files.h
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

  // os/os_registry.h
  int32_t SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) override;
  bool SHGetPathFromIDListW(OsItemIdList idList, char* path) override;
  void CoTaskMemFree(OsItemIdList memory) override;
  int32_t RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t options, uint32_t samDesired,
                        OsHandle* result) override;
  int32_t RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override;
  int32_t RegCloseKey(OsHandle key) override;

  // os/os_native.h
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

  // os/os_threads.h
  OsWorker CreateWorkerThread() override;
  TWorkerResult RunOnWorkerThread(OsWorker worker, std::unique_ptr<TWorkerJob>& job,
                                  uint32_t timeoutMs) override;
  void CloseWorkerThread(OsWorker worker) override;

  // os/os_signatures.h
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

  // os/os_services.h
  OsHandle OpenSCManagerW(uint32_t desiredAccess) override;
  bool CloseServiceHandle(OsHandle scManager) override;
  bool EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType, uint32_t serviceState,
                             uint32_t bufferSize, uint32_t* bytesNeeded, uint32_t* resumeHandle,
                             std::vector<TServiceProcess>& services) override;

  // os/os_network.h
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

  // os/os_console.h
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

  // os/os_text.h
  int CompareStringW(uint32_t locale, uint32_t flags, const char* a, int aLength, const char* b,
                     int bLength) override;
  std::string WideCharToMultiByte(uint32_t codePage, const std::string& text) override;
  // Upper case only, for the letters of a few scripts (see fake_os.cpp).
  std::string LCMapStringW(uint32_t locale, uint32_t mapFlags, const std::string& text) override;

 private:
  // Signatures: a verification's state (with its certificate), a
  // certificate, a catalog administrator context or a catalog it found.
  struct TTrustObject {
    enum Kind { State, Certificate, CatalogAdmin, CatalogInfo } Type = State;
    std::string CommonName;    // a state's or certificate's signer
    std::string Organisation;
    OsHandle Leaf = 0;         // a state's certificate; 0 when it holds no signer
    bool Sha256 = false;       // a catalog administrator's algorithm
    std::string Catalog;       // a found catalog's path
  };
  std::map<std::string, TFakeSignature> signatures_;  // by FileKey
  std::map<OsHandle, TTrustObject> trustObjects_;
  OsHandle nextTrustObject_ = 0x7000;
  OsHandle NewTrustObject(TTrustObject object);
  TTrustObject* FindTrustObject(OsHandle handle, TTrustObject::Kind kind);
  // The hash a catalog administrator makes of an opened file: SHA-256, or
  // for SHA-1 the first 20 bytes of it (enough to tell files apart here).
  bool CatalogHash(OsHandle file, bool sha256, uint32_t* hashLength, uint8_t* hash);
  std::string OpenedFileKey(OsHandle file);

  struct THandle {
    enum Kind { Process, Snapshot, File, Object, Started, Token, ServiceManager, StopEvent } Type =
        Process;
    uint32_t ProcessId = 0;
    uint32_t Access = 0;
    std::vector<TProcessEntry> Entries;  // a snapshot's view
    size_t Cursor = 0;
    std::vector<TModuleEntry> Modules;  // a module snapshot's view
    size_t ModuleCursor = 0;
    size_t ProcessIndex = 0;  // a process's place in Processes, which outlives its end
    std::string Path;       // a file's key, found when it was opened
    uint64_t Position = 0;  // a file's
    // A copy made by DuplicateHandle: the object it refers to, as an entry
    // of this process; the table lists it while the copy is open.
    TFakeHandle Copied;
  };
  // A worker's thread waits for Job (or Quit), runs it without the lock and
  // sets Done; an abandoned worker keeps its job in Kept.
  struct TWorker {
    std::thread Thread;
    TWorkerJob* Job = nullptr;
    std::unique_ptr<TWorkerJob> Kept;
    bool Done = false;
    bool Quit = false;
  };
  void WorkerLoop(TWorker& worker);
  uint32_t ExtendedEndpointTable(bool tcp, uint8_t* table, uint32_t* size, uint32_t family,
                                 uint32_t tableClass);
  struct TRegistryValue {
    uint32_t Type;
    std::string Data;
  };
  using TRegistryKey = std::map<std::string, TRegistryValue>;  // by upper-cased value name
  using TRegistryView = std::map<std::string, TRegistryKey>;   // by upper-cased key path
  void Record(const char* call);
  std::unordered_map<std::string, size_t> callCounts_;
  OsHandle NewHandle(THandle handle);
  THandle* Find(OsHandle handle, THandle::Kind kind);
  // The process a handle opened with a query right was opened on, ended or not.
  const TFakeProcess* QueriedProcess(OsHandle process);
  OsHandle stopEvent_ = 0;  // one per process, as the platform's handler is
  // The key of Path in files_; Redirect applies WOW64 redirection as it stands.
  std::string FileKey(const std::string& path, bool redirect) const;
  std::string FoundFileKey(const std::string& fileName) const;
  TFakeFile* OpenedFile(OsHandle file);
  bool redirectionOff_ = false;
  TRegistryView& View(bool view64) { return view64 ? registry64_ : registry32_; }
  TFakeFile* FindFile(const std::string& path);
  // False for a path the version calls refuse while long paths are not enabled.
  bool VersionCallTakes(const char* fileName) const;

  // Positions in Processes by id and in HandleTable by owner and handle
  // value, so that a script of thousands costs the program's time, not the
  // fake's. Scripts add entries but do not change an id once added; an index
  // is built again whenever its vector has changed size.
  std::unordered_map<uint32_t, std::vector<size_t>> processIndex_;
  size_t processesIndexed_ = 0;
  std::map<std::pair<uint32_t, uint64_t>, size_t> tableIndex_;
  size_t tableEntriesIndexed_ = 0;
  // The first entry of HandleTable owned by ProcessId with value Handle, or -1.
  ptrdiff_t TableEntryOf(uint32_t processId, uint64_t handle);

  std::map<OsHandle, THandle> handles_;
  OsHandle nextHandle_ = 0x100;
  // Module-list calls of both forms, filtered as the platform filters them.
  bool ListModules(OsHandle process, OsHandle* modules, uint32_t count, uint32_t* countNeeded,
                   bool all32Bit);
  std::map<std::string, TFakeFile> files_;  // by FileKey
  std::map<OsItemIdList, int> idLists_;    // CSIDL of each list not yet freed
  OsItemIdList nextIdList_ = 0x10000;
  TRegistryView registry64_;
  TRegistryView registry32_;
  struct TOpenKey {
    bool View64;
    std::string Path;  // upper-cased, without leading or trailing backslash
  };
  bool KeyExists(const TOpenKey& key);
  std::map<OsHandle, TOpenKey> keys_;
  OsHandle nextKey_ = 0x200;
  // The object a handle of this process refers to: a copy made by
  // DuplicateHandle, or an entry of the table owned by this process.
  const TFakeHandle* ObjectOf(OsHandle handle);
  // The table as the kernel reports it: the script's entries, then the
  // copies this process holds.
  std::vector<const TFakeHandle*> ReportedTable() const;
  uint64_t handleTableGrowth_ = 0;
  uint32_t AllObjectTypesReply(uint8_t* buffer, uint32_t size, uint32_t* needed);
  // The process a handle of Kind (a process or its token) refers to, and
  // the handle; null when there is none.
  const TFakeProcess* TargetOf(OsHandle handle, THandle::Kind kind, const THandle** found);
  // The reply of class 5: the living processes in the program's layout.
  uint32_t ProcessInformationReply(uint8_t* buffer, uint32_t size, uint32_t* needed);
  // Blocks a worker until destruction; false on the caller's thread.
  bool Stall();

  // Workers: a worker touches the fake's state only until it finished or
  // stalled, and RunOnWorkerThread waits for one of the two before it returns.
  const std::thread::id callerThread_ = std::this_thread::get_id();
  std::mutex workerMutex_;
  std::condition_variable workerChanged_;
  size_t stalledWorkers_ = 0;
  bool released_ = false;
  std::map<OsWorker, std::unique_ptr<TWorker>> workers_;
  OsWorker nextWorker_ = 1;
  std::vector<std::unique_ptr<TWorker>> abandoned_;

  // The last error a failing call left, and the program's token.
  uint32_t lastError_ = 0;
  bool debugPrivilegeEnabled_ = false;
};


}  // namespace kvt
