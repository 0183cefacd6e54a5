// Text as the platform compares, cases and converts it.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <string>

namespace kvt {
using namespace win32;

int Win32Os::CompareStringW(uint32_t locale, uint32_t flags, const char* a, int aLength,
                            const char* b, int bLength) {
  const std::wstring left = ToWide(aLength < 0 ? std::string(a) : std::string(a, aLength));
  const std::wstring right = ToWide(bLength < 0 ? std::string(b) : std::string(b, bLength));
  return ::CompareStringW(locale, flags, left.data(), static_cast<int>(left.size()), right.data(),
                          static_cast<int>(right.size()));
}

std::string Win32Os::WideCharToMultiByte(uint32_t codePage, const std::string& text) {
  const std::wstring wide = ToWide(text);
  if (wide.empty()) return std::string();
  const int wideLength = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string converted(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, &converted[0], length, nullptr,
                        nullptr);
  return converted;
}

std::string Win32Os::LCMapStringW(uint32_t locale, uint32_t mapFlags, const std::string& text) {
  const std::wstring wide = ToWide(text);
  // The call takes no empty source, and counts in int.
  if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return text;
  const int wideLength = static_cast<int>(wide.size());
  const int length = ::LCMapStringW(locale, mapFlags, wide.data(), wideLength, nullptr, 0);
  if (length <= 0) return text;
  std::wstring mapped(static_cast<size_t>(length), L'\0');
  if (::LCMapStringW(locale, mapFlags, wide.data(), wideLength, &mapped[0], length) != length)
    return text;
  return ToUtf8(mapped.data(), mapped.size());
}

}  // namespace kvt
