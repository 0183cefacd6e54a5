#pragma once
// The only way out to the operating system. Each method mirrors the Win32 call
// of the same name: same parameters, same results ("0 on failure"), so that every
// algorithm above this seam stays portable and can be driven by FakeOs.
//
// Names cross the seam as UTF-8. Every call that takes or gives a name is the
// platform's wide (...W) form: text goes in as UTF-8 and comes back as UTF-8 in
// the caller's byte buffer, cut on a character boundary when it does not fit
// (sizes and lengths are in bytes). The platform is given room for as many
// units as the caller's buffer can take, up to kMaxNameUnits. The core never
// sees the ANSI code page. File names go in as the core holds them: Win32Os
// adds the platform's long form ("\\?\") where a file is opened and the name
// needs it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvt {

// A Win32 HANDLE, HKEY or HMODULE of either program, at 64 bits whatever the
// build: Win32Os sign-extends the platform's pointer-sized values, so the
// pseudo-handle -1 and the predefined keys read the same in both programs.
using OsHandle = uint64_t;
constexpr OsHandle kInvalidHandleValue = ~OsHandle{0};

constexpr uint32_t kProcessTerminate = 0x0001;
constexpr uint32_t kProcessDupHandle = 0x0040;
constexpr uint32_t kProcessQueryInformation = 0x0400;
constexpr uint32_t kProcessVmRead = 0x0010;
constexpr uint32_t kTh32csSnapProcess = 0x2;
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr uint32_t kStillActive = 259;  // the exit code of a process that has not ended
constexpr uint32_t kLocaleUserDefault = 0x0400;
constexpr uint32_t kNormIgnoreCase = 0x1;
constexpr uint32_t kLcmapUppercase = 0x200;
constexpr int kCstrEqual = 2;
constexpr uint32_t kVerPlatformWin32Nt = 2;
constexpr uint32_t kCpAcp = 0;
constexpr uint32_t kCpOemCp = 1;
constexpr uint32_t kStdOutputHandle = static_cast<uint32_t>(-11);

// OSVERSIONINFOA, 148 bytes.
struct TOsVersionInfo {
  uint32_t dwOSVersionInfoSize = 0;
  uint32_t dwMajorVersion = 0;
  uint32_t dwMinorVersion = 0;
  uint32_t dwBuildNumber = 0;
  uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(TOsVersionInfo) == 148, "OSVERSIONINFOA layout");

// A name of up to MAX_PATH UTF-16 units in UTF-8, with its terminator: no unit
// takes more than three bytes (a surrogate pair is two units and four bytes).
constexpr uint32_t kMaxPathUtf8 = 3 * 260 + 1;
// The platform's fixed records (toolhelp's) hold at most this many units of a
// name: MAX_PATH with the terminator. A name that long may have been cut.
constexpr uint32_t kMaxPathUnits = 260 - 1;
// The longest name the platform has, 32,767 UTF-16 units (an image, module or
// object path), in UTF-8 with its terminator: the room the core gives the
// name calls, so that no name reaches it cut.
constexpr uint32_t kMaxNameUnits = 32767;
constexpr uint32_t kMaxNameUtf8 = 3 * kMaxNameUnits + 1;

// One entry of a process snapshot, as Win32Os reads it from the platform's
// PROCESSENTRY32W, whose size field it sets itself.
struct TProcessEntry {
  uint32_t cntUsage = 0;
  uint32_t th32ProcessID = 0;
  uint64_t th32DefaultHeapID = 0;
  uint32_t th32ModuleID = 0;
  uint32_t cntThreads = 0;
  uint32_t th32ParentProcessID = 0;
  int32_t pcPriClassBase = 0;
  uint32_t dwFlags = 0;
  char szExeFile[kMaxPathUtf8] = {};
};

// Modules, files, shell folders and the registry: constants and records.
constexpr uint32_t kTh32csSnapModule = 0x8;
// A 64-bit program's module snapshot of a WOW64 process takes its 32-bit modules too.
constexpr uint32_t kTh32csSnapModule32 = 0x10;
constexpr uint32_t kListModulesAll = 0x3;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr int kCsidlWindows = 36;
constexpr int kCsidlSystem = 37;
constexpr int kCsidlProgramFiles = 38;
constexpr OsHandle kHkeyLocalMachine = 0xFFFFFFFF80000002u;  // (LONG)0x80000002, sign-extended
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWow64_64Key = 0x0100;
constexpr uint32_t kKeyWow64_32Key = 0x0200;
constexpr uint32_t kRegSz = 1;
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorMoreData = 234;

// One entry of a module snapshot, as Win32Os reads it from the platform's
// MODULEENTRY32W, whose size field it sets itself. Its path holds at most
// kMaxPathUnits units: a longer one comes cut, and GetModuleFileNameExW with
// hModule names it whole.
struct TModuleEntry {
  uint32_t th32ModuleID = 0;
  uint32_t th32ProcessID = 0;
  uint32_t GlblcntUsage = 0;
  uint32_t ProccntUsage = 0;
  uint64_t modBaseAddr = 0;
  uint64_t modBaseSize = 0;
  OsHandle hModule = 0;
  char szModule[3 * 256 + 1] = {};
  char szExePath[kMaxPathUtf8] = {};
};

// Reading files, volumes and version resources: constants.
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kFileShareRead = 0x1;
constexpr uint32_t kFileShareWrite = 0x2;
constexpr uint32_t kFileShareDelete = 0x4;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kFileFlagSequentialScan = 0x08000000u;
constexpr uint32_t kRegDword = 4;

// A shell item-id list, owned by the caller until CoTaskMemFree.
using OsItemIdList = uint64_t;

// PROCESS_INFORMATION of a started program.
struct TProcessInformation {
  OsHandle hProcess = 0;
  OsHandle hThread = 0;
  uint32_t dwProcessId = 0;
  uint32_t dwThreadId = 0;
};

// IO_STATUS_BLOCK: the status and a pointer-sized count.
struct TIoStatusBlock {
  uint32_t Status = 0;
  uint64_t Information = 0;
};

// Entry points that are looked up by name and may be missing on a given system.
enum class TOptionalEntry {
  GetProcessImageFileNameW,
  NtQuerySystemInformation,
  NtQueryObject,
  NtQueryInformationFile,
  EnumProcessModulesEx,
  // Wow64DisableWow64FsRedirection and Wow64RevertWow64FsRedirection, bound together.
  Wow64FsRedirection,
  // Signatures. WinVerifyTrust with WTHelperProvDataFromStateData and
  // WTHelperGetProvSignerFromChain; CertGetNameStringW; the catalog
  // administrator of every Windows since 2000 (CryptCATAdminAcquireContext,
  // CalcHashFromFileHandle, EnumCatalogFromHash, CryptCATCatalogInfoFromContext
  // and the two releases); its SHA-256 forms (AcquireContext2 and
  // CalcHashFromFileHandle2, both or neither). Each group is bound together.
  WinVerifyTrust,
  CertGetNameStringW,
  CatalogAdmin,
  CatalogAdmin2,
  // kernel32 of Windows 6.0 and later.
  QueryFullProcessImageNameW,
  NtQueryInformationProcess,
  // advapi32 of Windows 2000 and later.
  EnumServicesStatusExW,
};

// Native interface: information classes, the status codes relied on, and the
// option that keeps a duplicated handle's access.
constexpr uint32_t kSystemHandleInformation = 16;
constexpr uint32_t kSystemExtendedHandleInformation = 64;
constexpr uint32_t kObjectNameInformation = 1;
constexpr uint32_t kObjectTypeInformation = 2;
constexpr uint32_t kFileNameInformation = 9;
constexpr uint32_t kStatusSuccess = 0;
constexpr uint32_t kStatusUnsuccessful = 0xC0000001u;
constexpr uint32_t kStatusNotImplemented = 0xC0000002u;
constexpr uint32_t kStatusInfoLengthMismatch = 0xC0000004u;
constexpr uint32_t kStatusAccessDenied = 0xC0000022u;
constexpr uint32_t kDuplicateSameAccess = 0x2;

// Work for a worker thread. Run must allocate nothing and take no lock: a
// worker that overruns its time is abandoned wherever it is, and a lock or the
// heap held at that moment would stay taken for the rest of the run.
class TWorkerJob {
 public:
  virtual ~TWorkerJob() = default;
  virtual void Run() = 0;
};
enum class TWorkerResult { Finished, Abandoned, NotStarted };
// A worker thread that runs one job after another; 0 is none.
using OsWorker = uint64_t;
// NtQueryObject's class for the names of all object types at once.
constexpr uint32_t kObjectTypesInformation = 3;

// Signatures: the system's trust functions (wintrust, crypt32), bound by
// name on first use. Constants of WINTRUST_DATA, the replies relied on, and
// the certificate name forms.
constexpr uint32_t kWtdUiNone = 2;
constexpr uint32_t kWtdRevokeNone = 0;
constexpr uint32_t kWtdChoiceFile = 1;
constexpr uint32_t kWtdChoiceCatalog = 2;
constexpr uint32_t kWtdStateActionVerify = 1;
constexpr uint32_t kWtdStateActionClose = 2;
constexpr uint32_t kWtdRevocationCheckNone = 0x10;
constexpr uint32_t kWtdCacheOnlyUrlRetrieval = 0x1000;
constexpr int32_t kTrustENoSignature = static_cast<int32_t>(0x800B0100u);
constexpr int32_t kTrustESubjectFormUnknown = static_cast<int32_t>(0x800B0003u);
constexpr int32_t kTrustEProviderUnknown = static_cast<int32_t>(0x800B0001u);
constexpr uint32_t kCertNameAttrType = 3;
constexpr uint32_t kCertNameSimpleDisplayType = 4;
constexpr const char* kSzOidCommonName = "2.5.4.3";

// WINTRUST_DATA with the WINTRUST_FILE_INFO or WINTRUST_CATALOG_INFO its
// union choice names, as WinVerifyTrust takes it for the generic verify
// action. Texts are UTF-8; WinVerifyTrust hands the state back in
// hWVTStateData.
struct TWinTrustData {
  uint32_t dwUIChoice = kWtdUiNone;
  uint32_t fdwRevocationChecks = kWtdRevokeNone;
  uint32_t dwUnionChoice = kWtdChoiceFile;
  uint32_t dwStateAction = kWtdStateActionVerify;
  OsHandle hWVTStateData = 0;
  uint32_t dwProvFlags = 0;
  // WTD_CHOICE_FILE.
  const char* pcwszFilePath = nullptr;
  OsHandle hFile = 0;
  // WTD_CHOICE_CATALOG. hCatAdmin: the context the hash was made with, or 0
  // for the default one (SHA-1).
  const char* pcwszCatalogFilePath = nullptr;
  const char* pcwszMemberTag = nullptr;
  const char* pcwszMemberFilePath = nullptr;
  OsHandle hMemberFile = 0;
  const uint8_t* pbCalculatedFileHash = nullptr;
  uint32_t cbCalculatedFileHash = 0;
  OsHandle hCatAdmin = 0;
};

// What the program reads of a CRYPT_PROVIDER_SGNR: the length of its
// certificate chain and the first certificate's CERT_CONTEXT, the signer's own.
struct TProviderSigner {
  uint32_t csCertChain = 0;
  OsHandle LeafCertificate = 0;
};

// Least rights and the debug privilege: what Windows 6.0 and later grant a
// program that is not elevated, the token calls that switch a privilege, and
// the last errors that tell a denial from other failures.
constexpr uint32_t kProcessQueryLimitedInformation = 0x1000;
constexpr uint32_t kTokenAdjustPrivileges = 0x0020;
constexpr uint32_t kTokenQuery = 0x0008;
constexpr uint32_t kSePrivilegeEnabled = 0x2;
constexpr const char* kSeDebugName = "SeDebugPrivilege";
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorPartialCopy = 299;
constexpr uint32_t kErrorNotAllAssigned = 1300;
constexpr uint32_t kErrorNoSuchPrivilege = 1313;

struct TLuid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};

// TOKEN_PRIVILEGES with the one entry the program ever passes.
struct TTokenPrivileges {
  uint32_t PrivilegeCount = 1;
  TLuid Luid;
  uint32_t Attributes = 0;
};

// How and by whom each process runs: the process information of every
// process in one reply; a process's basic information, the address of the
// 32-bit block of a WOW64 process, and its command line (Windows 8.1 and
// later); its token's user, integrity label and app-container flag; the
// services and the process each runs in.
constexpr uint32_t kSystemProcessInformation = 5;
constexpr uint32_t kProcessBasicInformation = 0;
constexpr uint32_t kProcessWow64Information = 26;
constexpr uint32_t kProcessCommandLineInformation = 60;
constexpr uint32_t kTokenUser = 1;
constexpr uint32_t kTokenIntegrityLevel = 25;
constexpr uint32_t kTokenIsAppContainer = 29;
constexpr uint32_t kScManagerEnumerateService = 0x0004;
constexpr uint32_t kServiceWin32 = 0x30;
constexpr uint32_t kServiceActive = 0x1;

// One entry of a service enumeration: the service's name (UTF-8) and the
// process it runs in (0 while it is stopped).
struct TServiceProcess {
  std::string ServiceName;
  uint32_t ProcessId = 0;
};

class Os {
 public:
  virtual ~Os() = default;

  // Version and the own process.
  virtual bool GetVersionExA(TOsVersionInfo* info) = 0;
  virtual OsHandle GetCurrentProcess() = 0;
  virtual uint32_t GetCurrentProcessId() = 0;
  virtual std::string GetCommandLineW() = 0;
  // GetModuleFileNameW for the program's own module.
  virtual std::string GetOwnModuleFileName() = 0;
  virtual bool IsBound(TOptionalEntry entry) = 0;
  // The width of this program's pointers in bytes, 4 or 8: the platform's
  // structures behind the seam are laid out for it.
  virtual uint32_t PointerSize() = 0;

  // Processes. The process-status entry points return 0 while their library
  // cannot be loaded.
  virtual bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) = 0;
  virtual OsHandle OpenProcess(uint32_t access, bool inherit, uint32_t processId) = 0;
  virtual bool CloseHandle(OsHandle handle) = 0;
  virtual uint32_t GetModuleFileNameExW(OsHandle process, OsHandle module, char* buffer,
                                        uint32_t size) = 0;
  virtual uint32_t GetProcessImageFileNameW(OsHandle process, char* buffer, uint32_t size) = 0;
  virtual bool TerminateProcess(OsHandle process, uint32_t exitCode) = 0;
  // The process's times in FILETIME units: its start and end (UTC) and the
  // time it spent in the kernel and in user mode.
  virtual bool GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                               uint64_t* kernelTime, uint64_t* userTime) = 0;
  virtual bool IsWow64Process(OsHandle process, bool* wow64) = 0;
  // Starts CommandLine (ApplicationName: the program file) with this
  // program's standard input, output and error handed on to it.
  virtual bool CreateProcessW(const char* applicationName, const std::string& commandLine,
                              TProcessInformation* info) = 0;
  virtual uint32_t WaitForSingleObject(OsHandle handle, uint32_t milliseconds) = 0;
  virtual bool GetExitCodeProcess(OsHandle process, uint32_t* exitCode) = 0;
  // This process's environment, which the programs it starts inherit; names
  // and values are UTF-8, sizes bytes. Get returns the value's length, the size needed
  // (terminator included) when Size is too small, or 0 when Name is not set;
  // Set with a null Value removes Name.
  virtual uint32_t GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) = 0;
  virtual bool SetEnvironmentVariableW(const char* name, const char* value) = 0;

  // Toolhelp, bound on first use; 0 while it cannot be bound.
  virtual OsHandle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) = 0;
  virtual bool Process32First(OsHandle snapshot, TProcessEntry* entry) = 0;
  virtual bool Process32Next(OsHandle snapshot, TProcessEntry* entry) = 0;

  // Modules, files, shell folders and the registry (module list, path normalisation).
  // Module32First/Next are toolhelp (bound with it); EnumProcessModules is a
  // process-status call (0 while its library cannot be loaded); it and its
  // Ex form count module handles, not bytes, since a handle's width is the
  // program's. Ex is bound by name where the platform has it. Path of
  // SHGetPathFromIDListA holds at least 260 bytes. Registry calls return a
  // Win32 error code; Key is kHkeyLocalMachine or a key they opened.
  virtual bool Module32First(OsHandle snapshot, TModuleEntry* entry) = 0;
  virtual bool Module32Next(OsHandle snapshot, TModuleEntry* entry) = 0;
  virtual bool EnumProcessModules(OsHandle process, OsHandle* modules, uint32_t count,
                                  uint32_t* countNeeded) = 0;
  virtual bool EnumProcessModulesEx(OsHandle process, OsHandle* modules, uint32_t count,
                                    uint32_t* countNeeded, uint32_t filterFlag) = 0;
  virtual uint32_t GetFileAttributesW(const char* fileName) = 0;
  virtual uint32_t GetWindowsDirectoryW(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetSystemDirectoryW(char* buffer, uint32_t size) = 0;
  virtual int32_t SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) = 0;
  virtual bool SHGetPathFromIDListW(OsItemIdList idList, char* path) = 0;
  virtual void CoTaskMemFree(OsItemIdList memory) = 0;
  virtual int32_t RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t options,
                                uint32_t samDesired, OsHandle* result) = 0;
  virtual int32_t RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type,
                                   uint8_t* data, uint32_t* dataSize) = 0;
  virtual int32_t RegCloseKey(OsHandle key) = 0;

  // Drives.
  virtual uint32_t GetLogicalDrives() = 0;
  virtual uint32_t QueryDosDeviceW(const char* deviceName, char* buffer, uint32_t size) = 0;

  // Files, volumes and version resources: what a record learns about its file.
  // No security attributes and no template file are ever passed.
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

  // Text.
  virtual int CompareStringW(uint32_t locale, uint32_t flags, const char* a, int aLength,
                             const char* b, int bLength) = 0;
  // Converts Text to the code page (kCpAcp, kCpOemCp) as the platform does:
  // a character the page cannot hold becomes its best fit or "?".
  virtual std::string WideCharToMultiByte(uint32_t codePage, const std::string& text) = 0;
  // LCMapStringW on UTF-8 text, through UTF-16 both ways (each stretch that
  // is not well-formed UTF-8 goes in as U+FFFD). When the call fails, Text
  // comes back unchanged: a comparison then sees the text as it is, where an
  // empty answer would make every failed text equal to every other.
  virtual std::string LCMapStringW(uint32_t locale, uint32_t mapFlags, const std::string& text) = 0;

  // Standard streams and the debugger channel. A write returns false when it
  // failed. GetConsoleMode tells whether standard output is a console, where
  // WriteConsoleW shows text as it is; bytes written to it go elsewhere as they are.
  virtual bool GetConsoleMode(uint32_t stdHandle, uint32_t* mode) = 0;
  virtual bool WriteConsoleW(uint32_t stdHandle, const std::string& text) = 0;
  virtual bool WriteStdOut(const char* data, size_t length) = 0;
  virtual bool WriteStdErr(const char* data, size_t length) = 0;
  virtual void OutputDebugStringW(const char* text) = 0;

  // Native interface of ntdll.dll and the guarded worker. The Nt calls return
  // the status; an unbound entry gives kStatusNotImplemented.
  virtual uint32_t NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                            uint32_t* needed) = 0;
  virtual uint32_t NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                                 uint32_t size, uint32_t* needed) = 0;
  virtual uint32_t NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus,
                                          uint8_t* buffer, uint32_t size,
                                          uint32_t infoClass) = 0;
  virtual bool DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                               OsHandle* target, uint32_t access, bool inherit,
                               uint32_t options) = 0;

  // The guarded worker: one thread (CreateThread) that waits for a job,
  // runs it and signals its end (SetEvent), kept for one job after another.
  // CreateWorkerThread gives 0 when no thread could be created.
  // RunOnWorkerThread hands Job to Worker and waits (WaitForSingleObject) at
  // most TimeoutMs for its end. Finished: Job ran to its end and stays with
  // the caller; the worker takes the next job. Abandoned: the thread overran
  // and is left running, never terminated; the Os takes Job and Worker over,
  // keeps both alive for as long as the thread may still touch them, and
  // Worker must not be used again. NotStarted: Worker is no worker.
  // CloseWorkerThread ends an idle worker's thread and frees it.
  virtual OsWorker CreateWorkerThread() = 0;
  virtual TWorkerResult RunOnWorkerThread(OsWorker worker, std::unique_ptr<TWorkerJob>& job,
                                          uint32_t timeoutMs) = 0;
  virtual void CloseWorkerThread(OsWorker worker) = 0;

  // Signatures. WinVerifyTrust runs WINTRUST_ACTION_GENERIC_VERIFY_V2 on
  // Data and returns its HRESULT (0: trusted); a verify leaves state in
  // Data->hWVTStateData until a close with it. The helpers read that state:
  // provider data (0 when there is none), then the signer at SignerIndex.
  // CertGetNameStringW writes the name in UTF-8 and returns the bytes written
  // with the terminator, 1 for no name; TypePara is an OID for the attribute
  // form. Catalog calls return false or 0 on failure. Acquire takes the
  // driver-verification subsystem; AcquireContext2 with the hash algorithm's
  // name ("SHA256"). A hash is written to Hash, whose room *HashLength tells
  // and which is set to the hash's length. Every entry gives its failure
  // while its group is unbound.
  virtual int32_t WinVerifyTrust(OsHandle window, TWinTrustData* data) = 0;
  virtual OsHandle WTHelperProvDataFromStateData(OsHandle stateData) = 0;
  virtual bool WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex,
                                              bool counterSigner, uint32_t counterSignerIndex,
                                              TProviderSigner* signer) = 0;
  virtual uint32_t CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t flags,
                                      const char* typePara, char* name, uint32_t size) = 0;
  virtual bool CryptCATAdminAcquireContext(OsHandle* catAdmin) = 0;
  virtual bool CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) = 0;
  virtual bool CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                                   uint8_t* hash) = 0;
  virtual bool CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                                    uint32_t* hashLength, uint8_t* hash) = 0;
  virtual OsHandle CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                                    uint32_t hashLength,
                                                    OsHandle* previousCatInfo) = 0;
  // CATALOG_INFO's wszCatalogFile, in UTF-8.
  virtual bool CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile,
                                              uint32_t size) = 0;
  virtual bool CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) = 0;
  virtual bool CryptCATAdminReleaseContext(OsHandle catAdmin) = 0;

  // Least rights and the debug privilege. QueryFullProcessImageNameW is bound
  // by name (false while unbound); Size is the buffer's bytes on the way in
  // and the name's bytes, without its terminator, on the way out.
  // AdjustTokenPrivileges asks for no previous state; it succeeds also when
  // the token lacks the privilege, and GetLastError then tells
  // kErrorNotAllAssigned. GetLastError is the calling thread's, as left by
  // the last call of the seam that failed or says so.
  virtual bool QueryFullProcessImageNameW(OsHandle process, uint32_t flags, char* exeName,
                                          uint32_t* size) = 0;
  virtual bool OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) = 0;
  virtual bool LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) = 0;
  virtual bool AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                                     const TTokenPrivileges* newState) = 0;
  virtual uint32_t GetLastError() = 0;

  // How and by whom each process runs. NtQueryInformationProcess is bound by
  // name (kStatusNotImplemented while unbound). ReadProcessMemory takes the
  // address at 64 bits; the 32-bit program fails for one past its reach.
  // GetTokenInformation fills Buffer as the platform lays it out: a SID's
  // pointer points into Buffer. LookupAccountSidW gives name and domain in
  // UTF-8, sizes in bytes with the terminator, the size needed when short.
  // EnumServicesStatusExW (bound by name; false while unbound) reads one
  // reply of at most BufferSize bytes from ResumeHandle on, appends its
  // entries to Services, and fails with kErrorMoreData when more follow.
  // FileTimeToLocalFileTime converts in the time zone of that moment's rules.
  virtual uint32_t NtQueryInformationProcess(OsHandle process, uint32_t infoClass,
                                             uint8_t* buffer, uint32_t size,
                                             uint32_t* returned) = 0;
  virtual bool ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer,
                                 uint32_t size, uint32_t* bytesRead) = 0;
  virtual bool GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer,
                                   uint32_t size, uint32_t* returned) = 0;
  virtual bool LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize,
                                 char* domain, uint32_t* domainSize) = 0;
  virtual OsHandle OpenSCManagerW(uint32_t desiredAccess) = 0;
  virtual bool CloseServiceHandle(OsHandle scManager) = 0;
  virtual bool EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType,
                                     uint32_t serviceState, uint32_t bufferSize,
                                     uint32_t* bytesNeeded, uint32_t* resumeHandle,
                                     std::vector<TServiceProcess>& services) = 0;
  virtual bool FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) = 0;
};

}  // namespace kvt
