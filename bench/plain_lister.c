/* The yardstick for `kvtProc /list` under Wine: the same work written
   plainly, with nothing remembered between processes. For every process of a
   toolhelp snapshot: one open, the image name, the three version strings the
   list shows and the file's attributes, printed as one line. Built by
   bench/wine-list with the mingw-w64 compiler the program uses. */
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>

/* The value of one string of the first translation, or an empty text. */
static const wchar_t* version_string(void* block, WORD language, WORD codePage,
                                     const wchar_t* key) {
  wchar_t path[96];
  wchar_t* value = NULL;
  UINT length = 0;
  _snwprintf(path, 96, L"\\StringFileInfo\\%04X%04X\\%ls", language, codePage, key);
  path[95] = 0;
  if (!VerQueryValueW(block, path, (void**)&value, &length) || value == NULL) return L"";
  return value;
}

static void list_one(const PROCESSENTRY32W* entry) {
  wchar_t image[MAX_PATH] = L"";
  const wchar_t* company = L"";
  const wchar_t* description = L"";
  const wchar_t* version = L"";
  void* block = NULL;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  HANDLE process =
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry->th32ProcessID);
  if (process != NULL) {
    if (GetModuleFileNameExW(process, NULL, image, MAX_PATH) == 0) image[0] = 0;
    CloseHandle(process);
  }
  if (image[0] != 0) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(image, &handle);
    if (size != 0 && (block = malloc(size)) != NULL &&
        GetFileVersionInfoW(image, handle, size, block)) {
      WORD* translation = NULL;
      UINT length = 0;
      if (VerQueryValueW(block, L"\\VarFileInfo\\Translation", (void**)&translation, &length) &&
          length >= 4) {
        company = version_string(block, translation[0], translation[1], L"CompanyName");
        description = version_string(block, translation[0], translation[1], L"FileDescription");
        version = version_string(block, translation[0], translation[1], L"FileVersion");
      }
    }
    attributes = GetFileAttributesW(image);
  }
  wprintf(L"%5lu %5lu %ls %08lX %ls %ls %ls %ls\n", (unsigned long)entry->th32ProcessID,
          (unsigned long)entry->th32ParentProcessID, entry->szExeFile, (unsigned long)attributes,
          description, version, company, image);
  free(block);
}

int main(void) {
  PROCESSENTRY32W entry;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    list_one(&entry);
  CloseHandle(snapshot);
  return 0;
}
