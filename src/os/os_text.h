#pragma once
// Text as the platform compares, cases and converts it.
#include <cstdint>
#include <string>

namespace kvt {

constexpr uint32_t kLocaleUserDefault = 0x0400;
constexpr uint32_t kNormIgnoreCase = 0x1;
constexpr uint32_t kLcmapUppercase = 0x200;
constexpr int kCstrEqual = 2;
constexpr uint32_t kCpAcp = 0;
constexpr uint32_t kCpOemCp = 1;

struct OsText {
  virtual ~OsText() = default;

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
};

}  // namespace kvt
