#pragma once
// What the parts of Win32Os share: the conversions between the seam's values
// and the platform's, the wide calls' text, file names for opening and the
// binding of entry points by name. Only the files of os/win32/ include it.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "os/os.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace win32 {

// The seam's 64-bit values and the platform's pointer-sized ones. Widening
// sign-extends, as the platform itself does, so that -1 (the invalid handle,
// the own process) and the predefined registry keys keep their meaning in
// the 32-bit program; narrowing keeps the low bits the platform gave.
template <typename TPointer>
TPointer ToPointer(uint64_t value) {
  return reinterpret_cast<TPointer>(static_cast<intptr_t>(static_cast<int64_t>(value)));
}
template <typename TPointer>
uint64_t FromPointer(TPointer pointer) {
  return static_cast<uint64_t>(static_cast<int64_t>(reinterpret_cast<intptr_t>(pointer)));
}
inline HANDLE ToHandle(OsHandle handle) { return ToPointer<HANDLE>(handle); }
inline OsHandle FromHandle(HANDLE handle) { return FromPointer(handle); }
// Addresses are no handles: they are taken as the unsigned numbers they are.
inline uint64_t FromAddress(const void* address) { return reinterpret_cast<uintptr_t>(address); }

// The longest text a wide call is given room for: the longest path the
// platform has.
constexpr DWORD kMaxWideText = 32768;

inline std::wstring ToWide(const std::string& text) { return Utf8ToWide(text); }
inline std::wstring ToWide(const char* text) { return Utf8ToWide(text != nullptr ? text : ""); }

inline std::string ToUtf8(const wchar_t* text, size_t units) {
  return Utf16ToUtf8(std::u16string(text, text + units));
}

// A wide buffer's text: up to its first zero unit, at most Units units.
inline std::string WideTextUpToZero(const wchar_t* text, size_t units) {
  size_t length = 0;
  while (length < units && text[length] != L'\0') ++length;
  return ToUtf8(text, length);
}

// The units of a wide reply that fit a UTF-8 buffer of Size bytes at three
// bytes a unit: a kMaxPathUtf8 buffer takes MAX_PATH units and the terminator.
inline uint32_t UnitsFor(uint32_t size) { return (size + 2) / 3; }

// The room a name call is first given: nearly every name fits MAX_PATH.
constexpr DWORD kFirstWideRoom = MAX_PATH + 1;
// Each retry gives four times the room: at most five calls up to kMaxWideText.
constexpr DWORD kWideRoomGrowth = 4;

// A wide call that fills a buffer of the units it is given and returns the
// units written, 0 on failure: its text in the caller's UTF-8 buffer, and the
// bytes copied. A reply that fills its room may have been cut (the
// process-status calls cut a long name, others refuse it with
// ERROR_INSUFFICIENT_BUFFER): the call is made again with more room, up to
// the Units the caller's buffer takes and never beyond kMaxWideText.
template <typename TCall>
uint32_t CallForText(TCall call, uint32_t units, char* buffer, uint32_t size) {
  const DWORD most = std::min<DWORD>(std::max<DWORD>(units, 1), kMaxWideText);
  std::vector<wchar_t> wide;
  for (DWORD room = std::min(kFirstWideRoom, most);; room = std::min(room * kWideRoomGrowth, most)) {
    wide.assign(room, L'\0');
    ::SetLastError(ERROR_SUCCESS);
    const DWORD written = call(wide.data(), room);
    const bool filled = written == 0 ? ::GetLastError() == ERROR_INSUFFICIENT_BUFFER
                                     : written + 1 >= room;
    if (filled && room < most) continue;
    if (written == 0 || written > room) return 0;
    return CopyTextToBuffer(WideTextUpToZero(wide.data(), written), buffer, size);
  }
}

// The form a file name takes where the platform opens it. Beyond MAX_PATH - 1
// units a drive or share path must be given in the long form, "\\?\C:\..."
// or "\\?\UNC\server\share\...", which the platform takes as it is: the name
// is made full first (separators, "." and ".."), as the short form would be.
// Every other name goes as it is: a short one, one in the long or device form
// already ("\\?\", "\\.\", "\??\"), and a relative one.
inline std::wstring FileNameForOpening(const char* fileName) {
  std::wstring name = Utf8ToWide(fileName != nullptr ? fileName : "");
  if (name.size() < MAX_PATH) return name;
  const bool drive = name.size() > 2 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/');
  const bool share = (name[0] == L'\\' || name[0] == L'/') &&
                     (name[1] == L'\\' || name[1] == L'/') && name[2] != L'?' && name[2] != L'.';
  if (!drive && !share) return name;
  std::vector<wchar_t> full(kMaxWideText);
  const DWORD units = ::GetFullPathNameW(name.c_str(), kMaxWideText, full.data(), nullptr);
  if (units == 0 || units >= kMaxWideText) return name;
  const std::wstring path(full.data(), units);
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC" + path.substr(1);
  return L"\\\\?\\" + path;
}


inline void CopyText(const wchar_t* from, size_t units, char* to, size_t size) {
  CopyTextToBuffer(WideTextUpToZero(from, units), to, static_cast<uint32_t>(size));
}

template <typename Fn>
Fn As(void* address) {
  return reinterpret_cast<Fn>(address);
}

inline void* Lookup(HMODULE module, const char* name) {
  return module == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(module, name));
}

}  // namespace win32
}  // namespace kvt
