// Records the native replies kvtProc's readers parse, as the system it runs
// on gives them for this program's own width: each reply's bytes in a file
// of its own in the current folder, and facts.txt beside them with what this
// process knows of itself through the documented interface (toolhelp, the
// handle it opened, its token's SIDs as the system spells them). The unit
// tests read the replies with the program's readers and check them against
// those facts, so that a layout written wrong shows although the fake builds
// its replies from the same layout. Arguments are only there to be read back.
#include <windows.h>

#include <psapi.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using TBytes = std::vector<unsigned char>;

constexpr ULONG kExtendedHandleInformation = 64;
constexpr ULONG kObjectTypesInformation = 3;
constexpr DWORD kEventAccess = EVENT_MODIFY_STATE | SYNCHRONIZE;
constexpr DWORD kFileAccess = FILE_READ_DATA | FILE_WRITE_DATA | SYNCHRONIZE;
constexpr wchar_t kEventName[] = L"kvtRecordedEvent";
constexpr wchar_t kFolder[] = L"C:\\kvt-replies";
constexpr wchar_t kFile[] = L"C:\\kvt-replies\\recorded file.tmp";

// facts.txt: a fact a line, its key, a blank and its value.
class TFacts {
 public:
  explicit TFacts(std::FILE* file) : file_(file) {}
  void Number(const std::string& key, unsigned long long value) {
    Line(key + " " + std::to_string(value));
  }
  void Address(const std::string& key, const void* at) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(at)));
    Line(key + " " + hex);
  }
  void Text(const std::string& key, const wchar_t* text) {
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    Line(key + " " + utf8);
  }
  void Line(const std::string& line) { std::fprintf(file_, "%s\n", line.c_str()); }

 private:
  std::FILE* file_;
};

bool Save(const char* name, const void* data, size_t size) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

bool Save(const char* name, const TBytes& bytes) {
  return !bytes.empty() && Save(name, bytes.data(), bytes.size());
}

// The reply cut to the length the query reported, or nothing when it failed.
TBytes Replied(NTSTATUS status, TBytes reply, ULONG returned) {
  if (status != 0) return {};
  if (returned != 0 && returned < reply.size()) reply.resize(returned);
  return reply;
}

TBytes SystemReply(ULONG infoClass) {
  TBytes reply(1 << 16);
  for (int tries = 0; tries < 8; ++tries) {
    ULONG needed = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(infoClass), reply.data(),
                                 static_cast<ULONG>(reply.size()), &needed);
    if (status == 0) return Replied(status, reply, needed);
    reply.resize(2 * reply.size() + needed);
  }
  return {};
}

TBytes ObjectReply(HANDLE handle, ULONG infoClass) {
  TBytes reply(1 << 16);
  ULONG returned = 0;
  const NTSTATUS status = NtQueryObject(handle, static_cast<OBJECT_INFORMATION_CLASS>(infoClass),
                                        reply.data(), static_cast<ULONG>(reply.size()), &returned);
  return Replied(status, reply, returned);
}

// One process as toolhelp shows it: id, parent and thread count.
using TListed = std::tuple<DWORD, DWORD, DWORD>;

std::vector<TListed> Snapshot() {
  std::vector<TListed> listed;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    listed.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID, entry.cntThreads);
  CloseHandle(snapshot);
  return listed;
}

ULONGLONG Ticks(FILETIME time) { return ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

// When the process was created. Its CPU time is not a fact here: Wine counts
// it for this call and for the process information apart.
ULONGLONG CreateTime() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  return Ticks(creation);
}

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

// The process information and what toolhelp, the creation time and the memory
// counters say before and after it. Taken again while the processes change
// meanwhile, so that toolhelp's list is the reply's.
bool RecordProcesses(TFacts& facts) {
  for (int tries = 0; tries < 20; ++tries) {
    const std::vector<TListed> before = Snapshot();
    const PROCESS_MEMORY_COUNTERS countersBefore = MemoryCounters();
    const TBytes reply = SystemReply(SystemProcessInformation);
    const PROCESS_MEMORY_COUNTERS countersAfter = MemoryCounters();
    if (reply.empty() || Snapshot() != before) continue;
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    facts.Number("session", session);
    facts.Number("create_time", CreateTime());
    facts.Number("working_set_before", countersBefore.WorkingSetSize);
    facts.Number("working_set_after", countersAfter.WorkingSetSize);
    facts.Number("private_bytes_before", countersBefore.PagefileUsage);
    facts.Number("private_bytes_after", countersAfter.PagefileUsage);
    for (const TListed& process : before)
      facts.Line("process " + std::to_string(std::get<0>(process)) + " " +
                 std::to_string(std::get<1>(process)) + " " + std::to_string(std::get<2>(process)));
    return Save("process_information.bin", reply);
  }
  return false;
}

// A handle's value, its access as the object's basic information states it,
// and whether it is inherited, as the kernel's attributes spell it.
bool RecordHandle(TFacts& facts, const std::string& name, HANDLE handle) {
  PUBLIC_OBJECT_BASIC_INFORMATION basic = {};
  ULONG returned = 0;
  DWORD flags = 0;
  if (NtQueryObject(handle, ObjectBasicInformation, &basic, sizeof basic, &returned) != 0 ||
      !GetHandleInformation(handle, &flags))
    return false;
  facts.Address(name + "_handle", handle);
  facts.Number(name + "_access", basic.GrantedAccess);
  facts.Number(name + "_attributes", flags & HANDLE_FLAG_INHERIT ? OBJ_INHERIT : 0);
  return true;
}

// The objects whose handles the tables and the object replies show.
bool RecordObjects(TFacts& facts, HANDLE event, HANDLE otherEvent, HANDLE file) {
  facts.Text("event_name", kEventName);
  facts.Text("file_name", kFile + 2);  // from the volume's root, as the file system names it
  IO_STATUS_BLOCK io = {};
  TBytes fileName(4096);
  const NTSTATUS status = NtQueryInformationFile(
      file, &io, fileName.data(), static_cast<ULONG>(fileName.size()), FileNameInformation);
  return RecordHandle(facts, "event", event) && RecordHandle(facts, "other_event", otherEvent) &&
         RecordHandle(facts, "file", file) &&
         Save("handle_table_16.bin", SystemReply(SystemHandleInformation)) &&
         Save("handle_table_64.bin", SystemReply(kExtendedHandleInformation)) &&
         Save("event_name.bin", ObjectReply(event, ObjectNameInformation)) &&
         Save("event_type.bin", ObjectReply(event, ObjectTypeInformation)) &&
         Save("file_type.bin", ObjectReply(file, ObjectTypeInformation)) &&
         Save("object_types.bin", ObjectReply(nullptr, kObjectTypesInformation)) &&
         Save("file_name.bin", Replied(status, fileName, static_cast<ULONG>(io.Information)));
}

// A token reply of a SID and its attributes, its address, and the SID as the system spells it.
bool RecordSid(TFacts& facts, HANDLE token, TOKEN_INFORMATION_CLASS infoClass, const char* name) {
  alignas(8) unsigned char reply[256] = {};
  DWORD returned = 0;
  wchar_t* text = nullptr;
  if (!GetTokenInformation(token, infoClass, reply, sizeof reply, &returned) ||
      !ConvertSidToStringSidW(reinterpret_cast<SID_AND_ATTRIBUTES*>(reply)->Sid, &text))
    return false;
  const std::string key(name);
  facts.Address(key + "_reply_address", reply);
  facts.Text(key + "_sid", text);
  LocalFree(text);
  return Save((key + ".bin").c_str(), reply, returned);
}

bool RecordToken(TFacts& facts) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const bool recorded = RecordSid(facts, token, TokenUser, "token_user") &&
                        RecordSid(facts, token, TokenIntegrityLevel, "token_integrity");
  CloseHandle(token);
  return recorded;
}

// The kernel's answers that lead to the command line, and the blocks on the way.
bool RecordCommandLine(TFacts& facts) {
  const HANDLE self = GetCurrentProcess();
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG returned = 0;
  if (NtQueryInformationProcess(self, ProcessBasicInformation, &basic, sizeof basic, &returned) !=
      0)
    return false;
  ULONG_PTR wow64 = 0;
  ULONG wow64Returned = 0;
  if (NtQueryInformationProcess(self, ProcessWow64Information, &wow64, sizeof wow64,
                                &wow64Returned) != 0)
    return false;
  const PEB* peb = basic.PebBaseAddress;
  const RTL_USER_PROCESS_PARAMETERS* parameters = peb->ProcessParameters;
  const UNICODE_STRING& line = parameters->CommandLine;
  facts.Text("command_line", GetCommandLineW());
  facts.Address("environment_block_address", peb);
  facts.Address("parameters_address", parameters);
  facts.Address("command_line_text_address", line.Buffer);
  return Save("basic_information.bin", &basic, returned) &&
         Save("wow64_information.bin", &wow64, wow64Returned) &&
         Save("environment_block.bin", peb, sizeof *peb) &&
         Save("parameters.bin", parameters, sizeof *parameters) &&
         Save("command_line_text.bin", line.Buffer, line.Length);
}

DWORD WINAPI Wait(LPVOID event) {
  WaitForSingleObject(event, INFINITE);
  return 0;
}

}  // namespace

int main() {
  std::FILE* file = std::fopen("facts.txt", "wb");
  if (file == nullptr) return 2;
  TFacts facts(file);
  facts.Number("pointer_size", sizeof(void*));
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  facts.Number("major_version", version.dwMajorVersion);
  facts.Number("minor_version", version.dwMinorVersion);
  facts.Number("build_number", version.dwBuildNumber);
  facts.Number("pid", GetCurrentProcessId());

  // Inheritable, so that the tables' flags have something to show.
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  const HANDLE event =
      CreateEventExW(&inherited, kEventName, CREATE_EVENT_MANUAL_RESET, kEventAccess);
  // Of the same type, but neither named nor inheritable.
  const HANDLE otherEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CreateDirectoryW(kFolder, nullptr);
  const HANDLE object = CreateFileW(kFile, kFileAccess, 0, nullptr, CREATE_ALWAYS,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (event == nullptr || otherEvent == nullptr || object == INVALID_HANDLE_VALUE) return 3;
  // Two threads besides the main one, so that the count is not the usual 1.
  HANDLE threads[2];
  for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, Wait, event, 0, nullptr);

  // The first part that could not be recorded, if any, is said on stderr.
  const char* failed = !RecordObjects(facts, event, otherEvent, object) ? "object replies"
                       : !RecordToken(facts)                            ? "token replies"
                       : !RecordCommandLine(facts)                      ? "process blocks"
                       : !RecordProcesses(facts)                        ? "process information"
                                                                        : nullptr;
  SetEvent(event);
  WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  CloseHandle(object);
  RemoveDirectoryW(kFolder);
  if (failed != nullptr) std::fprintf(stderr, "reply_recorder: no %s\n", failed);
  return std::fclose(file) == 0 && failed == nullptr ? 0 : 1;
}
