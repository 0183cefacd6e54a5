// The IP helper's endpoint tables and the service manager's names of tags.
// iphlpapi.dll is loaded on first use: only /net needs it.
#include "os/win32/win32_os.h"

#include "os/layouts/endpoint_tables.h"
#include "os/win32/win32_support.h"

#include <cstring>
#include <cwchar>

namespace kvt {
using namespace win32;

namespace {

using GetExtendedTableFn = DWORD(WINAPI*)(PVOID, PDWORD, BOOL, ULONG, DWORD, ULONG);
using AllocateFromStackFn = DWORD(WINAPI*)(PVOID*, BOOL, HANDLE, DWORD, DWORD);
using QueryTagInformationFn = DWORD(WINAPI*)(PCWSTR, DWORD, PVOID);

// The name of a tag's service: the process and tag go in, the service's
// type and its name (allocated by the call, freed with LocalFree) come out.
struct TTagNameQuery {
  DWORD ProcessId;
  DWORD Tag;
  DWORD TagType;
  PWSTR Name;
};
constexpr DWORD kTagInfoLevelNameFromTag = 1;

uint32_t CallExtendedTable(void* entry, uint8_t* table, uint32_t* size, bool order,
                           uint32_t family, uint32_t tableClass) {
  if (entry == nullptr) return ERROR_PROC_NOT_FOUND;
  DWORD room = *size;
  const DWORD error = As<GetExtendedTableFn>(entry)(table, &room, order, family, tableClass, 0);
  *size = room;
  return error;
}

// A table the stack allocates (its count of rows, then the rows), copied.
uint32_t CopyStackTable(void* entry, bool order, uint32_t family,
                        const TEndpointTableLayout& layout, std::vector<uint8_t>& table) {
  if (entry == nullptr) return ERROR_PROC_NOT_FOUND;
  void* reply = nullptr;
  const DWORD error = As<AllocateFromStackFn>(entry)(&reply, order, GetProcessHeap(), 0, family);
  if (error != NO_ERROR) return error;
  if (reply == nullptr) return ERROR_INVALID_DATA;
  DWORD count = 0;
  std::memcpy(&count, reply, sizeof count);
  table.resize(layout.FirstRow + static_cast<size_t>(count) * layout.RowSize);
  std::memcpy(table.data(), reply, table.size());
  HeapFree(GetProcessHeap(), 0, reply);
  return NO_ERROR;
}

}  // namespace

void Win32Os::BindIpHelper() {
  if (ipHelperBindTried_) return;
  ipHelperBindTried_ = true;
  const HMODULE ipHelper = LoadLibraryA("iphlpapi.dll");
  getExtendedTcpTable_ = Lookup(ipHelper, "GetExtendedTcpTable");
  getExtendedUdpTable_ = Lookup(ipHelper, "GetExtendedUdpTable");
  allocateTcpExTable_ = Lookup(ipHelper, "AllocateAndGetTcpExTableFromStack");
  allocateUdpExTable_ = Lookup(ipHelper, "AllocateAndGetUdpExTableFromStack");
  queryTagInformation_ = Lookup(GetModuleHandleA("advapi32.dll"), "I_QueryTagInformation");
}

uint32_t Win32Os::GetExtendedTcpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                                      uint32_t tableClass) {
  BindIpHelper();
  return CallExtendedTable(getExtendedTcpTable_, table, size, order, family, tableClass);
}

uint32_t Win32Os::GetExtendedUdpTable(uint8_t* table, uint32_t* size, bool order, uint32_t family,
                                      uint32_t tableClass) {
  BindIpHelper();
  return CallExtendedTable(getExtendedUdpTable_, table, size, order, family, tableClass);
}

uint32_t Win32Os::AllocateAndGetTcpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                                    uint32_t family) {
  BindIpHelper();
  return CopyStackTable(allocateTcpExTable_, order, family, kTcp4OwnerPid, table);
}

uint32_t Win32Os::AllocateAndGetUdpExTableFromStack(std::vector<uint8_t>& table, bool order,
                                                    uint32_t family) {
  BindIpHelper();
  return CopyStackTable(allocateUdpExTable_, order, family, kUdp4OwnerPid, table);
}

uint32_t Win32Os::I_QueryTagInformation(uint32_t processId, uint32_t serviceTag,
                                        std::string* serviceName) {
  BindIpHelper();
  if (queryTagInformation_ == nullptr) return ERROR_PROC_NOT_FOUND;
  TTagNameQuery query = {processId, serviceTag, 0, nullptr};
  const DWORD error =
      As<QueryTagInformationFn>(queryTagInformation_)(nullptr, kTagInfoLevelNameFromTag, &query);
  if (error != NO_ERROR) return error;
  if (query.Name == nullptr) return ERROR_INVALID_DATA;
  *serviceName = ToUtf8(query.Name, std::wcslen(query.Name));
  LocalFree(query.Name);
  return NO_ERROR;
}

}  // namespace kvt
