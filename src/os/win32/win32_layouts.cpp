// The layouts of os/layouts/ against the structures the platform's headers
// declare, for this build's own width: a layout written wrong would be read
// and faked alike, and only a check against something outside the program
// can tell. The headers lack the extended handle table's entry and the list
// of every object type; those layouts stand on the tests' recorded replies.
// The sockets' header before the platform's, which would bring the old one.
#include <winsock2.h>
#include <windows.h>
#include <winternl.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstddef>

#include "os/layouts/endpoint_tables.h"
#include "os/layouts/handle_table.h"
#include "os/layouts/loader_list.h"
#include "os/layouts/object_replies.h"
#include "os/layouts/process_blocks.h"
#include "os/layouts/process_information.h"
#include "os/layouts/token_replies.h"

namespace kvt {
namespace {

constexpr uint32_t kWidth = sizeof(void*);

constexpr bool Is(TReplyField field, size_t offset, size_t width) {
  return field.Offset == offset && field.Width == width;
}

// Process information (class 5): the entry and its thread records.
constexpr const TProcessInformationLayout& kProcesses = ProcessInformationLayout(kWidth);
constexpr size_t kCounters = offsetof(SYSTEM_PROCESS_INFORMATION, VirtualMemoryCounters);
static_assert(kProcesses.ThreadSize == sizeof(SYSTEM_THREAD_INFORMATION), "thread record");
static_assert(Is(kProcesses.NextEntryOffset, offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset),
                 sizeof(ULONG)) &&
                  Is(kProcesses.Threads, offsetof(SYSTEM_PROCESS_INFORMATION, NumberOfThreads),
                     sizeof(ULONG)),
              "entry chain");
static_assert(Is(kProcesses.CreateTime, offsetof(SYSTEM_PROCESS_INFORMATION, CreateTime), 8) &&
                  Is(kProcesses.UserTime, offsetof(SYSTEM_PROCESS_INFORMATION, UserTime), 8) &&
                  Is(kProcesses.KernelTime, offsetof(SYSTEM_PROCESS_INFORMATION, KernelTime), 8),
              "process times");
static_assert(Is(kProcesses.ProcessId, offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId),
                 sizeof(HANDLE)) &&
                  Is(kProcesses.ParentProcessId,
                     offsetof(SYSTEM_PROCESS_INFORMATION, InheritedFromUniqueProcessId),
                     sizeof(HANDLE)),
              "process ids");
static_assert(Is(kProcesses.Handles, offsetof(SYSTEM_PROCESS_INFORMATION, HandleCount),
                 sizeof(ULONG)) &&
                  Is(kProcesses.SessionId, offsetof(SYSTEM_PROCESS_INFORMATION, SessionId),
                     sizeof(ULONG)),
              "handle count and session");
static_assert(Is(kProcesses.WorkingSet, kCounters + offsetof(VM_COUNTERS, WorkingSetSize),
                 sizeof(SIZE_T)) &&
                  Is(kProcesses.PrivateBytes, kCounters + offsetof(VM_COUNTERS, PagefileUsage),
                     sizeof(SIZE_T)),
              "memory counters");
static_assert(Is(kProcesses.ReadTransfer,
                 offsetof(SYSTEM_PROCESS_INFORMATION, IoCounters) +
                     offsetof(IO_COUNTERS, ReadTransferCount), 8) &&
                  Is(kProcesses.WriteTransfer,
                     offsetof(SYSTEM_PROCESS_INFORMATION, IoCounters) +
                         offsetof(IO_COUNTERS, WriteTransferCount), 8),
              "I/O counters");
// The fixed part ends where the platform's declaration does, its I/O
// counters included.
static_assert(kProcesses.EntrySize == sizeof(SYSTEM_PROCESS_INFORMATION), "entry size");

// The old handle table (class 16).
constexpr const THandleTableLayout& kHandles = HandleTableLayout(kSystemHandleInformation, kWidth);
static_assert(kHandles.EntrySize == sizeof(SYSTEM_HANDLE_ENTRY) &&
                  kHandles.HeaderSize == offsetof(SYSTEM_HANDLE_INFORMATION, Handle) &&
                  kHandles.CountWidth == sizeof(ULONG),
              "handle table");
// The process id is read in its low 16 bits, where a little-endian ULONG keeps them.
static_assert(kHandles.ProcessId.Offset == offsetof(SYSTEM_HANDLE_ENTRY, OwnerPid) &&
                  Is(kHandles.ObjectType, offsetof(SYSTEM_HANDLE_ENTRY, ObjectType), 1) &&
                  Is(kHandles.Flags, offsetof(SYSTEM_HANDLE_ENTRY, HandleFlags), 1) &&
                  Is(kHandles.Handle, offsetof(SYSTEM_HANDLE_ENTRY, HandleValue), 2) &&
                  Is(kHandles.Object, offsetof(SYSTEM_HANDLE_ENTRY, ObjectPointer),
                     sizeof(PVOID)) &&
                  Is(kHandles.GrantedAccess, offsetof(SYSTEM_HANDLE_ENTRY, AccessMask),
                     sizeof(ULONG)),
              "handle table entry");

// Counted strings, object names and types, file names.
constexpr const TCountedStringLayout& kString = CountedStringLayout(kWidth);
static_assert(kString.Size == sizeof(UNICODE_STRING) &&
                  Is(kString.Length, offsetof(UNICODE_STRING, Length), sizeof(USHORT)) &&
                  Is(kString.MaximumLength, offsetof(UNICODE_STRING, MaximumLength),
                     sizeof(USHORT)) &&
                  Is(kString.Buffer, offsetof(UNICODE_STRING, Buffer), sizeof(PWSTR)),
              "counted string");
static_assert(sizeof(OBJECT_NAME_INFORMATION) == kString.Size, "object name reply");
constexpr const TObjectTypeRecordLayout& kTypeRecord = ObjectTypeRecordLayout(kWidth);
static_assert(kTypeRecord.Size == sizeof(OBJECT_TYPE_INFORMATION), "type record");
// TypeIndex is the byte after MaintainHandleCount, which the headers still
// count as padding.
static_assert(kTypeRecord.TypeIndex == offsetof(OBJECT_TYPE_INFORMATION, MaintainHandleCount) + 1,
              "type number");
static_assert(Is(kFileNameLength, offsetof(FILE_NAME_INFORMATION, FileNameLength),
                 sizeof(ULONG)) &&
                  kFileNameText == offsetof(FILE_NAME_INFORMATION, FileName),
              "file name reply");

// The basic information and the blocks the command line is found through.
constexpr const TProcessBlockLayout& kBlocks = ProcessBlockLayout(kWidth);
static_assert(kBlocks.BasicInformationSize == sizeof(PROCESS_BASIC_INFORMATION) &&
                  Is(kBlocks.PebBaseAddress, offsetof(PROCESS_BASIC_INFORMATION, PebBaseAddress),
                     sizeof(PVOID)) &&
                  Is(kBlocks.UniqueProcessId,
                     offsetof(PROCESS_BASIC_INFORMATION, UniqueProcessId), sizeof(ULONG_PTR)),
              "basic information");
static_assert(kBlocks.ParametersInEnvironmentBlock == offsetof(PEB, ProcessParameters) &&
                  kBlocks.CommandLineInParameters ==
                      offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine),
              "process blocks");

// The loader list. The headers name the links in memory order only; the
// links in load order come just before them, in the loader data and in
// each entry, and the image's size is the pointer after the entry point.
constexpr const TLoaderListLayout& kLoader = LoaderListLayout(kWidth);
static_assert(kLoader.LoaderDataInEnvironmentBlock == offsetof(PEB, Ldr) &&
                  kLoader.LoadOrderInLoaderData ==
                      offsetof(PEB_LDR_DATA, InMemoryOrderModuleList) - sizeof(LIST_ENTRY),
              "loader data");
static_assert(offsetof(LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks) == sizeof(LIST_ENTRY) &&
                  Is(kLoader.NextEntry, offsetof(LDR_DATA_TABLE_ENTRY, Reserved1),
                     sizeof(PVOID)) &&
                  Is(kLoader.DllBase, offsetof(LDR_DATA_TABLE_ENTRY, DllBase), sizeof(PVOID)) &&
                  Is(kLoader.SizeOfImage, offsetof(LDR_DATA_TABLE_ENTRY, Reserved3) +
                                              sizeof(PVOID), sizeof(ULONG)) &&
                  kLoader.FullDllName == offsetof(LDR_DATA_TABLE_ENTRY, FullDllName) &&
                  kLoader.EntrySize == kLoader.FullDllName + sizeof(UNICODE_STRING),
              "loader entry");

// Token replies and SIDs.
constexpr const TSidAndAttributesLayout& kSidAndAttributes = SidAndAttributesLayout(kWidth);
static_assert(kSidAndAttributes.Size == sizeof(SID_AND_ATTRIBUTES) &&
                  Is(kSidAndAttributes.Sid, offsetof(SID_AND_ATTRIBUTES, Sid), sizeof(PSID)) &&
                  Is(kSidAndAttributes.Attributes, offsetof(SID_AND_ATTRIBUTES, Attributes),
                     sizeof(DWORD)),
              "SID and attributes");
static_assert(offsetof(TOKEN_USER, User) == 0 && sizeof(TOKEN_USER) == kSidAndAttributes.Size &&
                  offsetof(TOKEN_MANDATORY_LABEL, Label) == 0 &&
                  sizeof(TOKEN_MANDATORY_LABEL) == kSidAndAttributes.Size,
              "token replies");
static_assert(kSidRevision == offsetof(SID, Revision) &&
                  kSidSubAuthorityCount == offsetof(SID, SubAuthorityCount) &&
                  kSidAuthority == offsetof(SID, IdentifierAuthority) &&
                  kSidAuthorityWidth == sizeof(SID_IDENTIFIER_AUTHORITY) &&
                  kSidHeaderSize == offsetof(SID, SubAuthority) &&
                  kMaxSubAuthorities == SID_MAX_SUB_AUTHORITIES,
              "SID");

// The IP helper's endpoint tables: the same at both widths.
template <typename TTable, typename TRow>
constexpr bool IsTable(const TEndpointTableLayout& layout) {
  return layout.FirstRow == offsetof(TTable, table) && layout.RowSize == sizeof(TRow);
}
static_assert(IsTable<MIB_TCPTABLE_OWNER_PID, MIB_TCPROW_OWNER_PID>(kTcp4OwnerPid) &&
                  Is(kTcp4OwnerPid.State, offsetof(MIB_TCPROW_OWNER_PID, dwState), 4) &&
                  Is(kTcp4OwnerPid.LocalAddress, offsetof(MIB_TCPROW_OWNER_PID, dwLocalAddr), 4) &&
                  kTcp4OwnerPid.LocalPort.Offset == offsetof(MIB_TCPROW_OWNER_PID, dwLocalPort) &&
                  Is(kTcp4OwnerPid.RemoteAddress, offsetof(MIB_TCPROW_OWNER_PID, dwRemoteAddr), 4) &&
                  kTcp4OwnerPid.RemotePort.Offset == offsetof(MIB_TCPROW_OWNER_PID, dwRemotePort) &&
                  Is(kTcp4OwnerPid.ProcessId, offsetof(MIB_TCPROW_OWNER_PID, dwOwningPid), 4),
              "TCP table with owners");
static_assert(IsTable<MIB_TCPTABLE_OWNER_MODULE, MIB_TCPROW_OWNER_MODULE>(kTcp4OwnerModule) &&
                  Is(kTcp4OwnerModule.ProcessId, offsetof(MIB_TCPROW_OWNER_MODULE, dwOwningPid), 4) &&
                  Is(kTcp4OwnerModule.CreateTime,
                     offsetof(MIB_TCPROW_OWNER_MODULE, liCreateTimestamp), 8) &&
                  kTcp4OwnerModule.ServiceTag.Offset ==
                      offsetof(MIB_TCPROW_OWNER_MODULE, OwningModuleInfo),
              "TCP table with modules");
static_assert(IsTable<MIB_TCP6TABLE_OWNER_PID, MIB_TCP6ROW_OWNER_PID>(kTcp6OwnerPid) &&
                  Is(kTcp6OwnerPid.LocalAddress, offsetof(MIB_TCP6ROW_OWNER_PID, ucLocalAddr), 16) &&
                  Is(kTcp6OwnerPid.LocalScopeId,
                     offsetof(MIB_TCP6ROW_OWNER_PID, dwLocalScopeId), 4) &&
                  kTcp6OwnerPid.LocalPort.Offset == offsetof(MIB_TCP6ROW_OWNER_PID, dwLocalPort) &&
                  Is(kTcp6OwnerPid.RemoteAddress,
                     offsetof(MIB_TCP6ROW_OWNER_PID, ucRemoteAddr), 16) &&
                  Is(kTcp6OwnerPid.RemoteScopeId,
                     offsetof(MIB_TCP6ROW_OWNER_PID, dwRemoteScopeId), 4) &&
                  kTcp6OwnerPid.RemotePort.Offset == offsetof(MIB_TCP6ROW_OWNER_PID, dwRemotePort) &&
                  Is(kTcp6OwnerPid.State, offsetof(MIB_TCP6ROW_OWNER_PID, dwState), 4) &&
                  Is(kTcp6OwnerPid.ProcessId, offsetof(MIB_TCP6ROW_OWNER_PID, dwOwningPid), 4),
              "TCP over IPv6 with owners");
static_assert(IsTable<MIB_TCP6TABLE_OWNER_MODULE, MIB_TCP6ROW_OWNER_MODULE>(kTcp6OwnerModule) &&
                  Is(kTcp6OwnerModule.State, offsetof(MIB_TCP6ROW_OWNER_MODULE, dwState), 4) &&
                  Is(kTcp6OwnerModule.ProcessId, offsetof(MIB_TCP6ROW_OWNER_MODULE, dwOwningPid), 4) &&
                  Is(kTcp6OwnerModule.CreateTime,
                     offsetof(MIB_TCP6ROW_OWNER_MODULE, liCreateTimestamp), 8) &&
                  kTcp6OwnerModule.ServiceTag.Offset ==
                      offsetof(MIB_TCP6ROW_OWNER_MODULE, OwningModuleInfo),
              "TCP over IPv6 with modules");
static_assert(IsTable<MIB_UDPTABLE_OWNER_PID, MIB_UDPROW_OWNER_PID>(kUdp4OwnerPid) &&
                  Is(kUdp4OwnerPid.LocalAddress, offsetof(MIB_UDPROW_OWNER_PID, dwLocalAddr), 4) &&
                  kUdp4OwnerPid.LocalPort.Offset == offsetof(MIB_UDPROW_OWNER_PID, dwLocalPort) &&
                  Is(kUdp4OwnerPid.ProcessId, offsetof(MIB_UDPROW_OWNER_PID, dwOwningPid), 4),
              "UDP table with owners");
static_assert(IsTable<MIB_UDPTABLE_OWNER_MODULE, MIB_UDPROW_OWNER_MODULE>(kUdp4OwnerModule) &&
                  Is(kUdp4OwnerModule.ProcessId, offsetof(MIB_UDPROW_OWNER_MODULE, dwOwningPid), 4) &&
                  Is(kUdp4OwnerModule.CreateTime,
                     offsetof(MIB_UDPROW_OWNER_MODULE, liCreateTimestamp), 8) &&
                  kUdp4OwnerModule.ServiceTag.Offset ==
                      offsetof(MIB_UDPROW_OWNER_MODULE, OwningModuleInfo),
              "UDP table with modules");
static_assert(IsTable<MIB_UDP6TABLE_OWNER_PID, MIB_UDP6ROW_OWNER_PID>(kUdp6OwnerPid) &&
                  Is(kUdp6OwnerPid.LocalAddress, offsetof(MIB_UDP6ROW_OWNER_PID, ucLocalAddr), 16) &&
                  Is(kUdp6OwnerPid.LocalScopeId,
                     offsetof(MIB_UDP6ROW_OWNER_PID, dwLocalScopeId), 4) &&
                  kUdp6OwnerPid.LocalPort.Offset == offsetof(MIB_UDP6ROW_OWNER_PID, dwLocalPort) &&
                  Is(kUdp6OwnerPid.ProcessId, offsetof(MIB_UDP6ROW_OWNER_PID, dwOwningPid), 4),
              "UDP over IPv6 with owners");
static_assert(IsTable<MIB_UDP6TABLE_OWNER_MODULE, MIB_UDP6ROW_OWNER_MODULE>(kUdp6OwnerModule) &&
                  Is(kUdp6OwnerModule.ProcessId,
                     offsetof(MIB_UDP6ROW_OWNER_MODULE, dwOwningPid), 4) &&
                  Is(kUdp6OwnerModule.CreateTime,
                     offsetof(MIB_UDP6ROW_OWNER_MODULE, liCreateTimestamp), 8) &&
                  kUdp6OwnerModule.ServiceTag.Offset ==
                      offsetof(MIB_UDP6ROW_OWNER_MODULE, OwningModuleInfo),
              "UDP over IPv6 with modules");

}  // namespace
}  // namespace kvt
